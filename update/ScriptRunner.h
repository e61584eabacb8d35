#pragma once

#include <string>

namespace fd {

class Clock;
class Desktop;
class FileSystem;
class Grid;
class Processes;
class ScriptParameters;
class UpdateLog;
struct UpdaterState;

// Runs one script against one database with the query tool, reads its output for an error
// block and shows the outcome in flxLog and flxScrp.
class ScriptRunner {
 public:
  ScriptRunner(UpdaterState& state, Grid& flxScrp, Grid& flxLog, const FileSystem& fs,
               Processes& processes, Clock& clock, Desktop& desktop, UpdateLog& log,
               ScriptParameters& parameters);

  // The message of the run: empty when the tool ended well and its output held no error block.
  std::string EjecutarPaquete(const std::string& script, int row);
  // Starts the command line minimized and waits for it; true when it ended with exit code 0.
  // A process that cannot be watched counts as failed.
  bool EjecutarYEsperar(const std::string& comando);

  // Why the server or the database of the state cannot go to the query tool and into a
  // maintenance script, naming it; empty when both can.
  static std::string namesFault(const UpdaterState& state);
  // The query tool's command line for a script, and the output file it names: the server and
  // the database each as one word, quoted where they hold a space.
  static std::string commandLine(const UpdaterState& state, const std::string& clave,
                                 const std::string& script, const std::string& salida);
  static std::string outputOf(const std::string& script);
  // The password the runs after this script use: the password-change script switches from the
  // legacy password to the current one, after running under the legacy one itself.
  static std::string passwordAfter(const std::string& script, const std::string& clave);

  // The command line as the log shows it: the password replaced by asterisks.
  static std::string commandForLog(const std::string& comando, const std::string& clave);

 private:
  // Writes the message into the log grid's last row and colours the script's row.
  std::string showOutcome(int row, const std::string& mensaje);

  UpdaterState& state_;
  Grid& flxScrp_;
  Grid& flxLog_;
  const FileSystem& fs_;
  Processes& processes_;
  Clock& clock_;
  Desktop& desktop_;
  UpdateLog& log_;
  ScriptParameters& parameters_;
};

}  // namespace fd
