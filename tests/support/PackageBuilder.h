#pragma once

#include <optional>
#include <string>
#include <vector>

#include "support/TempPrefix.h"

namespace fd::test {

// One file of a package: its name inside the archive (folders allowed) and its bytes.
struct PackageFile {
  PackageFile(std::string name_, std::string content_,
              std::optional<long long> mtime_ = std::nullopt)
      : name(std::move(name_)), content(std::move(content_)), mtime(mtime_) {}
  std::string name;
  std::string content;
  std::optional<long long> mtime;  // seconds since 1970; the staging file's time when unset
};

// Makes real update packages with the mkrar tool, and puts the RAR extractor in the updater's
// folder as an installation has it.
class PackageBuilder {
 public:
  PackageBuilder(const TempPrefix& prefix, std::string updaterFolder);

  // Writes updaterFolder\rarName holding the files, in the given order.
  void make(const std::string& rarName, const std::vector<PackageFile>& files) const;
  // Copies the tool built as toolName from the build's bin folder into the updater's folder.
  void installTool(const std::string& toolName) const;

 private:
  const TempPrefix& prefix_;
  std::string updaterFolder_;
};

}  // namespace fd::test
