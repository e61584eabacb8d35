#pragma once

#include <string>

namespace fd {

class Clock;
class FileSystem;

// The update log file of one start of the program: dated entries and plain lines, each written
// by opening the file for appending, writing and closing it.
class UpdateLog {
 public:
  UpdateLog(FileSystem& fs, Clock& clock);

  static constexpr const char* kHeader = "--- Log de Actualización de Sistemas Fendal ---";

  // Starts the log at this path with its header line. A file of that name left by an earlier
  // start is kept and appended to, so that no earlier log is lost. Throws when it cannot be
  // written.
  void create(const std::string& path);
  const std::string& path() const { return path_; }

  // The current date and time immediately followed by the text (which begins with a space).
  // Both writers throw an error that names the log file when it cannot be appended to.
  void EscribirLog(const std::string& text);
  // The text alone.
  void plainLine(const std::string& text);

  // The stamp of a log started now: year, month, day, hour and minute without leading zeros,
  // each from its own reading of the clock. Two starts can share it (01:15 and 11:05 of
  // 9/12/2026 both give 2026129115), so the backups take a stamp of their own (FileBackup).
  static std::string stampNow(Clock& clock);
  // The file name of the log of a stamp.
  static std::string fileName(const std::string& stamp) { return "ACT_" + stamp + ".log"; }

 private:
  FileSystem& fs_;
  Clock& clock_;
  std::string path_;
};

}  // namespace fd
