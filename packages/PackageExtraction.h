#pragma once

#include <functional>
#include <string>

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
std::string comandoExtraccion(const std::string& pathApp, const std::string& archivo,
                              const std::string& destino);

// Extracts every package of flxRar into its temporary folder with the RAR tool, one after the
// other, then reads the manifests (leerFiles). A failure ends the extraction with one message
// and leaves both buttons disabled. The window starts no second extraction while one is under
// way.
class PackageExtraction {
 public:
  PackageExtraction(const Grid& flxRar, UpdaterState& state, FileSystem& fs, Processes& processes,
                    UpdateLog& log, Desktop& desktop, ActionButtons buttons,
                    std::function<void()> leerFiles);

  void cmdDes_Click();
  // Asks an extraction under way to stop before its next package or the manifests (the window
  // is being closed).
  void requestStop() { stopRequested_ = true; }

 private:
  const Grid& flxRar_;
  UpdaterState& state_;
  FileSystem& fs_;
  Processes& processes_;
  UpdateLog& log_;
  Desktop& desktop_;
  ActionButtons buttons_;
  std::function<void()> leerFiles_;
  bool stopRequested_ = false;
};

}  // namespace fd
