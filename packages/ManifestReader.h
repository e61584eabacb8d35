#pragma once

#include <string>
#include <vector>

#include "session/Controls.h"

namespace fd {

class Clock;
class Desktop;
class FileSystem;
class Grid;
class UpdateLog;

// What the manifest reader works with.
struct ManifestInputs {
  TextBox& txtDirFD;
  const Grid& flxRar;
  FileSystem& fs;
  Clock& clock;
  Desktop& desktop;
  UpdateLog& log;
  // The packages whose extraction failed: passed over, so that nothing of a package that was not
  // extracted whole is applied.
  const std::vector<std::string>& failedPackages;
};

// Reads every extracted package's info.txt and fills the work lists: flxFile with the files to
// copy (command files among them), one row per full destination, the newest file winning; and
// flxScrp with the scripts to run, by package and then by name. Enables both buttons at the end.
// Returns the messages shown for the manifests that could not be read (the others are read all
// the same).
std::vector<std::string> LeerFiles(ManifestInputs in, Grid& flxFile, Grid& flxScrp,
                                   ActionButtons buttons);

}  // namespace fd
