#include "platform/posix/RegKeyTree.h"

#include <algorithm>
#include <utility>

#include "platform/AnsiCodec.h"

namespace fd {

namespace {

// Where a sub-key of that folded name is or would go.
auto subKeyPlace(const RegFileKey& key, const std::string& wanted) {
  return std::lower_bound(key.subKeys.begin(), key.subKeys.end(), wanted,
                          [](const std::unique_ptr<RegFileKey>& sub, const std::string& name) {
                            return sub->folded < name;
                          });
}

}  // namespace

std::vector<std::string> splitKeyPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '\\') {
      if (!part.empty()) {
        parts.push_back(part);
      }
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) {
    parts.push_back(part);
  }
  return parts;
}

std::string foldedName(const std::string& ansi) {
  return foldCase(ansiToUtf8(ansi));
}

const RegFileKey* findChild(const RegFileKey& key, const std::string& name) {
  const std::string wanted = foldedName(name);
  auto at = subKeyPlace(key, wanted);
  return at != key.subKeys.end() && (*at)->folded == wanted ? at->get() : nullptr;
}

RegFileKey& addChild(RegFileKey& key, const std::string& name) {
  auto child = std::make_unique<RegFileKey>();
  child->name = name;
  child->folded = foldedName(name);
  auto at = subKeyPlace(key, child->folded);
  return **key.subKeys.insert(at, std::move(child));
}

bool eraseChild(RegFileKey& key, const std::string& name) {
  const std::string wanted = foldedName(name);
  auto at = subKeyPlace(key, wanted);
  if (at == key.subKeys.end() || (*at)->folded != wanted) {
    return false;
  }
  key.subKeys.erase(at);
  return true;
}

RegFileKey& hiveOf(RegFileTree& tree, const std::string& hive) {
  auto [root, added] = tree.hives.try_emplace(hive);
  if (added) {
    root->second.name = hive;
  }
  return root->second;
}

const RegFileKey* findKey(const RegFileTree& tree, const std::string& hive,
                          const std::vector<std::string>& path) {
  static const RegFileKey kEmptyHive;
  auto root = tree.hives.find(hive);
  const RegFileKey* key = root != tree.hives.end() ? &root->second : &kEmptyHive;
  for (const std::string& part : path) {
    key = findChild(*key, part);
    if (key == nullptr) {
      return nullptr;
    }
  }
  return key;
}

RegFileKey* findKey(RegFileTree& tree, const std::string& hive,
                    const std::vector<std::string>& path) {
  hiveOf(tree, hive);
  return const_cast<RegFileKey*>(findKey(std::as_const(tree), hive, path));
}

const RegValue* findValue(const RegFileKey& key, const std::string& name) {
  auto at = key.valueAt.find(foldedName(name));
  return at != key.valueAt.end() ? &key.values[at->second] : nullptr;
}

void putValue(RegFileKey& key, RegValue value) {
  auto [at, added] = key.valueAt.try_emplace(foldedName(value.name), key.values.size());
  if (added) {
    key.values.push_back(std::move(value));
  } else {
    key.values[at->second] = std::move(value);
  }
}

bool eraseValue(RegFileKey& key, const std::string& name) {
  auto at = key.valueAt.find(foldedName(name));
  if (at == key.valueAt.end()) {
    return false;
  }
  const std::size_t index = at->second;
  key.values.erase(key.values.begin() + static_cast<std::ptrdiff_t>(index));
  key.valueAt.erase(at);
  for (auto& [folded, position] : key.valueAt) {
    if (position > index) {
      --position;
    }
  }
  return true;
}

}  // namespace fd
