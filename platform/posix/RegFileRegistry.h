#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/PathMapper.h"
#include "platform/Registry.h"

namespace fd {

// The registry of a POSIX host: one text file in the registry export format (RegFileFormat.h).
//
// - Opening a key reads the file, so several objects and programs share it; the handle then reads
//   the registry as it was then, with this object's own later changes (a change reads the file
//   afresh). A missing file is an empty registry.
// - A change rewrites the file whole: a temporary file beside it is written and renamed over it,
//   so the file is never left half-written. A file without write permission refuses changes.
// - Sub-keys list with an empty class name, as the file keeps none.
// - Windows keeps a string's length as written; here a string that comes back from the file
//   always ends with one NUL.
struct RegFileTree;
struct RegFileKey;

class RegFileRegistry : public Registry {
 public:
  explicit RegFileRegistry(std::filesystem::path file);

  const std::filesystem::path& file() const { return file_; }

  long openKey(RegHandle key, const std::string& subKey, RegHandle& result) override;
  long openKeyEx(RegHandle key, const std::string& subKey, std::uint32_t access,
                 RegHandle& result) override;
  long createKeyEx(RegHandle key, const std::string& subKey, const std::string& className,
                   std::uint32_t options, std::uint32_t access, RegHandle& result,
                   bool& created) override;
  long queryValueEx(RegHandle key, const std::string& valueName, std::uint32_t& type,
                    std::string& buffer, std::uint32_t& dataSize) override;
  long setValueEx(RegHandle key, const std::string& valueName, std::uint32_t type,
                  const std::string& data) override;
  long enumValue(RegHandle key, std::uint32_t index, std::string& name, std::uint32_t& nameSize,
                 std::uint32_t& type, std::string& data, std::uint32_t& dataSize) override;
  long enumKeyEx(RegHandle key, std::uint32_t index, std::string& name, std::uint32_t& nameSize,
                 std::string& className, std::uint32_t& classSize) override;
  long deleteValue(RegHandle key, const std::string& valueName) override;
  long deleteKey(RegHandle key, const std::string& subKey) override;
  long closeKey(RegHandle key) override;

 private:
  // Where an open handle points: the hive's full name and the key's path below it, and the
  // registry as the handle reads it (none for the predefined root keys, which read the file).
  struct Location {
    std::string hive;
    std::vector<std::string> path;
    std::uint32_t access = 0;
    std::shared_ptr<const RegFileTree> tree;
  };

  long locate(RegHandle key, Location& location) const;
  // The same, for a use that needs the access rights need.
  long locate(RegHandle key, std::uint32_t need, Location& location) const;
  RegHandle remember(Location location);
  // Locates a handle for a use that needs the access rights need and reads the file afresh.
  long loadFresh(RegHandle key, std::uint32_t need, Location& at,
                 std::shared_ptr<RegFileTree>& tree) const;
  // Runs read on the key a handle points to, in the registry the handle reads (kKeyDeleted when
  // the key is gone); its result.
  long readKey(RegHandle key, std::uint32_t need,
               const std::function<long(const RegFileKey&)>& read) const;
  // Runs change on the key a handle points to, in the file read afresh, and writes the file when
  // change succeeds.
  long changeKey(RegHandle key, std::uint32_t need, const std::function<long(RegFileKey&)>& change);
  // Writes a changed registry and lets every open handle read it.
  long saveAndAdopt(const std::shared_ptr<RegFileTree>& tree);

  std::filesystem::path file_;
  std::map<RegHandle, Location> open_;
  RegHandle nextHandle_ = 0x100;
};

// The registry file of a Wine-style prefix: PREFIX/updater.reg.
std::filesystem::path registryFilePath(const PathMapper& mapper);

}  // namespace fd
