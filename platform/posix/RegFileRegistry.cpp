#include "platform/posix/RegFileRegistry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <utility>

#include "platform/RegistryBuffers.h"
#include "platform/posix/ReadChunks.h"
#include "platform/posix/RegFileFormat.h"

namespace fs = std::filesystem;

namespace fd {

namespace {

using Key = RegFileKey;
using Tree = RegFileTree;

long load(const fs::path& file, Tree& tree) {
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) {
      tree = Tree{};
      return reg::kSuccess;
    }
    return reg::kIoFailed;
  }
  std::string bytes;
  const bool read = readChunks(fd, [&bytes](const char* data, size_t size) {
    bytes.append(data, size);
    return true;
  });
  ::close(fd);
  if (!read) {
    return reg::kIoFailed;
  }
  tree = parseRegFile(bytes);
  return reg::kSuccess;
}

long save(const fs::path& file, const Tree& tree) {
  mode_t mode = 0644;
  struct stat info;
  if (::stat(file.c_str(), &info) == 0) {
    if ((info.st_mode & 0222) == 0) {
      return reg::kAccessDenied;
    }
    mode = info.st_mode & 07777;
  }
  const std::string bytes = renderRegFile(tree);
  std::string temporary =
      (file.parent_path() / ("." + file.filename().string() + ".XXXXXX")).string();
  int fd = ::mkstemp(temporary.data());
  if (fd < 0) {
    return reg::kIoFailed;
  }
  bool written = true;
  for (size_t done = 0; written && done < bytes.size();) {
    ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) {
      continue;
    }
    written = put > 0;
    done += written ? static_cast<size_t>(put) : 0;
  }
  written = written && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  written = ::close(fd) == 0 && written;
  if (!written || ::rename(temporary.c_str(), file.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return reg::kIoFailed;
  }
  return reg::kSuccess;
}

}  // namespace

RegFileRegistry::RegFileRegistry(fs::path file) : file_(std::move(file)) {}

long RegFileRegistry::locate(RegHandle key, Location& location) const {
  for (const HiveName& hive : kHives) {
    if (hive.handle == key) {
      location = Location{hive.name, {}, reg::kAllAccess, nullptr};
      return reg::kSuccess;
    }
  }
  auto open = open_.find(key);
  if (open == open_.end()) {
    return reg::kInvalidHandle;
  }
  location = open->second;
  return reg::kSuccess;
}

RegHandle RegFileRegistry::remember(Location location) {
  RegHandle handle = nextHandle_;
  nextHandle_ += 4;
  open_[handle] = std::move(location);
  return handle;
}

long RegFileRegistry::locate(RegHandle key, std::uint32_t need, Location& location) const {
  if (long code = locate(key, location); code != reg::kSuccess) {
    return code;
  }
  return (location.access & need) == need ? reg::kSuccess : reg::kAccessDenied;
}

long RegFileRegistry::readKey(RegHandle key, std::uint32_t need,
                              const std::function<long(const Key&)>& read) const {
  Location at;
  if (long code = locate(key, need, at); code != reg::kSuccess) {
    return code;
  }
  std::shared_ptr<const Tree> tree = at.tree;
  if (!tree) {
    auto loaded = std::make_shared<Tree>();
    if (long code = load(file_, *loaded); code != reg::kSuccess) {
      return code;
    }
    tree = std::move(loaded);
  }
  const Key* found = findKey(*tree, at.hive, at.path);
  return found != nullptr ? read(*found) : reg::kKeyDeleted;
}

long RegFileRegistry::loadFresh(RegHandle key, std::uint32_t need, Location& at,
                                std::shared_ptr<Tree>& tree) const {
  if (long code = locate(key, need, at); code != reg::kSuccess) {
    return code;
  }
  tree = std::make_shared<Tree>();
  return load(file_, *tree);
}

long RegFileRegistry::changeKey(RegHandle key, std::uint32_t need,
                                const std::function<long(Key&)>& change) {
  Location at;
  std::shared_ptr<Tree> tree;
  if (long code = loadFresh(key, need, at, tree); code != reg::kSuccess) {
    return code;
  }
  Key* found = findKey(*tree, at.hive, at.path);
  const long code = found != nullptr ? change(*found) : reg::kKeyDeleted;
  return code == reg::kSuccess ? saveAndAdopt(tree) : code;
}

long RegFileRegistry::saveAndAdopt(const std::shared_ptr<Tree>& tree) {
  if (long code = save(file_, *tree); code != reg::kSuccess) {
    return code;
  }
  for (auto& [handle, location] : open_) {
    location.tree = tree;
  }
  return reg::kSuccess;
}

long RegFileRegistry::openKey(RegHandle key, const std::string& subKey, RegHandle& result) {
  return openKeyEx(key, subKey, reg::kAllAccess, result);
}

long RegFileRegistry::openKeyEx(RegHandle key, const std::string& subKey, std::uint32_t access,
                                RegHandle& result) {
  Location base;
  std::shared_ptr<Tree> tree;
  if (long code = loadFresh(key, 0, base, tree); code != reg::kSuccess) {
    return code;
  }
  std::vector<std::string> path = base.path;
  for (std::string& part : splitKeyPath(subKey)) {
    path.push_back(std::move(part));
  }
  if (findKey(std::as_const(*tree), base.hive, path) == nullptr) {
    return reg::kFileNotFound;
  }
  result = remember(Location{base.hive, std::move(path), access, std::move(tree)});
  return reg::kSuccess;
}

long RegFileRegistry::createKeyEx(RegHandle key, const std::string& subKey,
                                  const std::string& /*className*/, std::uint32_t /*options*/,
                                  std::uint32_t access, RegHandle& result, bool& created) {
  Location base;
  std::shared_ptr<Tree> tree;
  if (long code = loadFresh(key, 0, base, tree); code != reg::kSuccess) {
    return code;
  }
  Key* current = findKey(*tree, base.hive, base.path);
  if (current == nullptr) {
    return reg::kKeyDeleted;
  }
  created = false;
  std::vector<std::string> path = base.path;
  for (const std::string& part : splitKeyPath(subKey)) {
    Key* child = const_cast<Key*>(findChild(*current, part));
    if (child == nullptr) {
      if ((base.access & reg::kCreateSubKey) == 0) {
        return reg::kAccessDenied;
      }
      child = &addChild(*current, part);
      created = true;
    }
    path.push_back(child->name);
    current = child;
  }
  if (created) {
    if (long code = saveAndAdopt(tree); code != reg::kSuccess) {
      created = false;
      return code;
    }
  }
  result = remember(Location{base.hive, std::move(path), access, std::move(tree)});
  return reg::kSuccess;
}

long RegFileRegistry::queryValueEx(RegHandle key, const std::string& valueName, std::uint32_t& type,
                                   std::string& buffer, std::uint32_t& dataSize) {
  return readKey(key, reg::kQueryValue, [&](const Key& found) {
    const RegValue* value = findValue(found, valueName);
    if (value == nullptr) {
      return reg::kFileNotFound;
    }
    type = value->type;
    return giveData(value->data, buffer, dataSize);
  });
}

long RegFileRegistry::setValueEx(RegHandle key, const std::string& valueName, std::uint32_t type,
                                 const std::string& data) {
  return changeKey(key, reg::kSetValue, [&](Key& found) {
    putValue(found, RegValue{valueName, type, data});
    return reg::kSuccess;
  });
}

long RegFileRegistry::enumValue(RegHandle key, std::uint32_t index, std::string& name,
                                std::uint32_t& nameSize, std::uint32_t& type, std::string& data,
                                std::uint32_t& dataSize) {
  return readKey(key, reg::kQueryValue, [&](const Key& found) {
    if (index >= found.values.size()) {
      return reg::kNoMoreItems;
    }
    const RegValue& value = found.values[index];
    if (long code = giveName(value.name, name, nameSize); code != reg::kSuccess) {
      return code;
    }
    type = value.type;
    return giveData(value.data, data, dataSize);
  });
}

long RegFileRegistry::enumKeyEx(RegHandle key, std::uint32_t index, std::string& name,
                                std::uint32_t& nameSize, std::string& className,
                                std::uint32_t& classSize) {
  return readKey(key, reg::kEnumerateSubKeys, [&](const Key& found) {
    if (index >= found.subKeys.size()) {
      return reg::kNoMoreItems;
    }
    if (long code = giveName(found.subKeys[index]->name, name, nameSize); code != reg::kSuccess) {
      return code;
    }
    return giveName("", className, classSize);
  });
}

long RegFileRegistry::deleteValue(RegHandle key, const std::string& valueName) {
  return changeKey(key, reg::kSetValue, [&](Key& found) {
    return eraseValue(found, valueName) ? reg::kSuccess : reg::kFileNotFound;
  });
}

long RegFileRegistry::deleteKey(RegHandle key, const std::string& subKey) {
  Location at;
  if (long code = locate(key, at); code != reg::kSuccess) {
    return code;
  }
  std::vector<std::string> path = at.path;
  for (std::string& part : splitKeyPath(subKey)) {
    path.push_back(std::move(part));
  }
  // A hive itself cannot be deleted.
  if (path.empty()) {
    return reg::kAccessDenied;
  }
  const std::string last = path.back();
  path.pop_back();
  auto tree = std::make_shared<Tree>();
  if (long code = load(file_, *tree); code != reg::kSuccess) {
    return code;
  }
  Key* parent = findKey(*tree, at.hive, path);
  if (parent == nullptr) {
    return reg::kFileNotFound;
  }
  const Key* target = findChild(*parent, last);
  if (target == nullptr) {
    return reg::kFileNotFound;
  }
  if (!target->subKeys.empty()) {
    return reg::kAccessDenied;
  }
  eraseChild(*parent, last);
  return saveAndAdopt(tree);
}

long RegFileRegistry::closeKey(RegHandle key) {
  for (const HiveName& hive : kHives) {
    if (hive.handle == key) {
      return reg::kSuccess;
    }
  }
  return open_.erase(key) == 1 ? reg::kSuccess : reg::kInvalidHandle;
}

fs::path registryFilePath(const PathMapper& mapper) {
  return mapper.prefix() / "updater.reg";
}

}  // namespace fd
