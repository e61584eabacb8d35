#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Registry.h"

namespace fd {

// The registry as the POSIX host keeps it in memory: each hive a tree of keys. Names are ANSI
// and looked up by their folded form, so a key of many thousands of sub-keys or values reads in
// time proportional to its size.
struct RegValue {
  std::string name;  // ANSI
  std::uint32_t type = 0;
  std::string data;
};

struct RegFileKey {
  std::string name;                                      // ANSI, as first written
  std::string folded;                                    // the name in the form lookups compare
  std::vector<RegValue> values;                          // in the file's order
  std::unordered_map<std::string, std::size_t> valueAt;  // folded name to index in values
  std::vector<std::unique_ptr<RegFileKey>> subKeys;      // sorted by folded name
};

// The whole registry file: each hive is a key named after the hive.
struct RegFileTree {
  std::map<std::string, RegFileKey> hives;
};

struct HiveName {
  RegHandle handle;
  const char* name;
};

// The predefined root keys in the order the file lists them.
inline constexpr HiveName kHives[] = {{reg::kClassesRoot, "HKEY_CLASSES_ROOT"},
                                      {reg::kCurrentUser, "HKEY_CURRENT_USER"},
                                      {reg::kLocalMachine, "HKEY_LOCAL_MACHINE"},
                                      {reg::kUsers, "HKEY_USERS"},
                                      {reg::kCurrentConfig, "HKEY_CURRENT_CONFIG"}};

// The parts of a key path, at "\" (empty parts dropped).
std::vector<std::string> splitKeyPath(const std::string& path);

// The form names are compared in: letter case folded as Windows folds it.
std::string foldedName(const std::string& ansi);

const RegFileKey* findChild(const RegFileKey& key, const std::string& name);
RegFileKey& addChild(RegFileKey& key, const std::string& name);
// Removes the sub-key of that name; false when there is none.
bool eraseChild(RegFileKey& key, const std::string& name);

// The root key of a hive, added when the tree has none yet.
RegFileKey& hiveOf(RegFileTree& tree, const std::string& hive);
// The key at path below a hive (a hive without any key is there all the same); null if missing.
const RegFileKey* findKey(const RegFileTree& tree, const std::string& hive,
                          const std::vector<std::string>& path);
RegFileKey* findKey(RegFileTree& tree, const std::string& hive,
                    const std::vector<std::string>& path);

const RegValue* findValue(const RegFileKey& key, const std::string& name);
// Adds a value, or replaces the one of that name in its place.
void putValue(RegFileKey& key, RegValue value);
// Removes the value of that name; false when there is none.
bool eraseValue(RegFileKey& key, const std::string& name);

}  // namespace fd
