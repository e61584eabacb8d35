#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "session/Controls.h"

namespace fd {

class Desktop;
class FileSystem;
class Grid;
class Processes;
class UpdateLog;
struct UpdaterState;

// The extraction command line of one package: the RAR tool of the updater's folder extracting
// the archive into the target folder. Paths that hold a space are quoted so that they reach the
// tool whole.
std::string extractionCommand(const std::string& pathApp, const std::string& archivo,
                              const std::string& destino);

// Extracts every package of flxRar into its temporary folder with the RAR tool, one after the
// other, then reads the manifests (leerFiles, which gives the messages of those it could not
// read). Each package starts from an empty folder. A package that is not extracted whole (the
// tool's non-zero exit, a name that cannot go on its command line, a folder that is a link or
// cannot be emptied) is logged with the reason, its row turns red and it is listed in the
// state's failedPackages, which the manifest reader passes over; the others go on. Any other
// failure ends the extraction with one message and leaves both buttons disabled. The window
// starts no second extraction while one is under way.
class PackageExtraction {
 public:
  // How an extraction ended, for a caller without a window to read.
  struct Outcome {
    enum class Ending {
      Done,        // every package extracted and every manifest read
      NoPackages,  // nothing to extract (message: what the user was told)
      Failed,      // ended by its failure trap, or a manifest could not be read (message)
      Stopped,     // asked to stop before its end
      NotRun       // another operation of the window was under way
    };
    Ending ending = Ending::NotRun;
    std::string message;
  };

  PackageExtraction(Grid& flxRar, UpdaterState& state, FileSystem& fs, Processes& processes,
                    UpdateLog& log, Desktop& desktop, ActionButtons buttons,
                    std::function<std::vector<std::string>()> leerFiles);

  Outcome extractAll();
  // Asks an extraction under way to stop before its next package or the manifests (the window
  // is being closed).
  void requestStop() { stopRequested_ = true; }

 private:
  // Extracts one package into its emptied folder; why it could not, or nothing.
  std::optional<std::string> extract(int row);
  // Logs why a package is not extracted whole, marks its row red and keeps it out of the work
  // lists.
  void refuse(int row, const std::string& why);

  Grid& flxRar_;
  UpdaterState& state_;
  FileSystem& fs_;
  Processes& processes_;
  UpdateLog& log_;
  Desktop& desktop_;
  ActionButtons buttons_;
  std::function<std::vector<std::string>()> leerFiles_;
  bool stopRequested_ = false;
};

}  // namespace fd
