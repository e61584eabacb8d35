// The registry file parser: any bytes as PREFIX/updater.reg, walked through the registry
// functions, then rewritten by a change and walked again: the rewrite must keep every key and
// value it read.
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "FuzzSupport.h"
#include "fixtures/TempPrefix.h"
#include "platform/posix/RegFileRegistry.h"

using namespace fd;

namespace {

constexpr const char* kProbe = "fd fuzz probe";
constexpr int kMaxDepth = 64;
// Longer than any line of a fuzzed file.
constexpr std::uint32_t kLongName = 1 << 17;

struct ValueSeen {
  std::string name;
  std::uint32_t type = 0;
  std::string data;
  bool operator==(const ValueSeen&) const = default;
};

// Key path (as enumerated) to its values in order.
using Snapshot = std::map<std::string, std::vector<ValueSeen>>;

// A string read back from the file always ends with one NUL, so strings compare with it.
std::string comparable(std::uint32_t type, std::string data) {
  if (type == reg::kSz && !data.ends_with('\0')) {
    data += '\0';
  }
  return data;
}

void walk(Registry& registry, RegHandle key, const std::string& path, int depth,
          Snapshot& snapshot) {
  std::vector<ValueSeen>& values = snapshot[path];
  for (std::uint32_t index = 0;; ++index) {
    std::string name(256, '\0');
    std::uint32_t nameSize = 256;
    std::string data(16, '\0');
    std::uint32_t dataSize = 16;
    std::uint32_t type = 0;
    long code = registry.enumValue(key, index, name, nameSize, type, data, dataSize);
    if (code == reg::kMoreData) {
      name.assign(kLongName, '\0');
      nameSize = kLongName;
      data.assign(dataSize + 1, '\0');
      dataSize += 1;
      code = registry.enumValue(key, index, name, nameSize, type, data, dataSize);
    }
    if (code == reg::kNoMoreItems) {
      break;
    }
    if (code != reg::kSuccess) {
      fuzz::broken("enumValue failed with " + std::to_string(code) + " in " + path);
    }
    values.push_back({name.substr(0, nameSize), type, comparable(type, data.substr(0, dataSize))});
  }
  for (std::uint32_t index = 0;; ++index) {
    std::string name(256, '\0');
    std::uint32_t nameSize = 256;
    std::string className(16, '\0');
    std::uint32_t classSize = 16;
    long code = registry.enumKeyEx(key, index, name, nameSize, className, classSize);
    if (code == reg::kMoreData) {
      name.assign(kLongName, '\0');
      nameSize = kLongName;
      code = registry.enumKeyEx(key, index, name, nameSize, className, classSize);
    }
    if (code == reg::kNoMoreItems) {
      break;
    }
    if (code != reg::kSuccess) {
      fuzz::broken("enumKeyEx failed with " + std::to_string(code) + " in " + path);
    }
    name.resize(nameSize);
    RegHandle sub = 0;
    if (registry.openKeyEx(key, name, reg::kRead, sub) != reg::kSuccess) {
      fuzz::broken("an enumerated key does not open: " + path + "\\" + name);
    }
    if (depth < kMaxDepth) {
      walk(registry, sub, path + "\\" + name, depth + 1, snapshot);
    }
    registry.closeKey(sub);
  }
}

Snapshot snapshotOf(Registry& registry) {
  Snapshot snapshot;
  const std::pair<RegHandle, const char*> hives[] = {{reg::kClassesRoot, "HKCR"},
                                                     {reg::kCurrentUser, "HKCU"},
                                                     {reg::kLocalMachine, "HKLM"},
                                                     {reg::kUsers, "HKU"},
                                                     {reg::kCurrentConfig, "HKCC"}};
  for (const auto& [handle, name] : hives) {
    walk(registry, handle, name, 0, snapshot);
  }
  return snapshot;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TempPrefix prefix(fuzz::scratchFolder());
  const std::filesystem::path file = registryFilePath(prefix.mapper());
  writeHostFile(file, fuzz::bytesOf(data, size));

  RegFileRegistry registry(file);
  Snapshot before = snapshotOf(registry);
  if (before.count(std::string("HKLM\\") + kProbe) != 0) {
    return 0;
  }

  RegHandle probe = 0;
  bool created = false;
  if (registry.createKeyEx(reg::kLocalMachine, kProbe, "", reg::kOptionNonVolatile, reg::kAllAccess,
                           probe, created) != reg::kSuccess ||
      !created) {
    fuzz::broken("the probe key was not created");
  }
  registry.closeKey(probe);

  Snapshot after = snapshotOf(registry);
  before[std::string("HKLM\\") + kProbe];
  if (after != before) {
    for (const auto& [path, values] : before) {
      auto other = after.find(path);
      if (other == after.end()) {
        fuzz::broken("the rewrite lost the key " + path);
      }
      if (other->second != values) {
        fuzz::broken("the rewrite changed the values of " + path);
      }
    }
    fuzz::broken("the rewrite added keys");
  }
  return 0;
}
