#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/FileSystem.h"
#include "platform/PathMapper.h"
#include "platform/Processes.h"
#include "platform/posix/PosixFileSystem.h"

namespace fd::fuzz {

// A throw-away Wine-style prefix (drive_c only) for one fuzzer process, removed when it ends.
class ScratchPrefix {
 public:
  ScratchPrefix();
  ~ScratchPrefix();
  ScratchPrefix(const ScratchPrefix&) = delete;
  ScratchPrefix& operator=(const ScratchPrefix&) = delete;

  const std::filesystem::path& root() const { return root_; }
  const PathMapper& mapper() const { return mapper_; }
  std::filesystem::path driveC() const { return root_ / "drive_c"; }
  // Writes the bytes as the whole file at a path below drive_c ("a/b.txt").
  void write(const std::string& relative, const std::uint8_t* data, std::size_t size) const;
  // Writes the bytes as the whole file at a host path.
  static void writeHost(const std::filesystem::path& file, const std::uint8_t* data,
                        std::size_t size);

 private:
  std::filesystem::path root_;
  PathMapper mapper_;
};

// Reads through the real file system of the prefix, so that decoding and line splitting are
// the program's own; every change is only recorded, so that a fuzzed command cannot touch the
// host and the log costs no disk writes.
class RecordingFileSystem : public FileSystem {
 public:
  explicit RecordingFileSystem(const PathMapper& mapper) : real_(mapper) {}

  bool folderExists(const std::string& path) const override { return real_.folderExists(path); }
  void createFolder(const std::string& path) override { changes.push_back("mkdir " + path); }
  bool fileExists(const std::string& path) const override { return real_.fileExists(path); }
  bool ordinaryFileExists(const std::string& path) const override {
    return real_.ordinaryFileExists(path);
  }
  void copyFile(const std::string& source, const std::string& target, bool) override {
    changes.push_back("copy " + source + " " + target);
  }
  void removeFile(const std::string& path) override { changes.push_back("rm " + path); }
  LocalDateTime lastModified(const std::string& path) const override {
    return real_.lastModified(path);
  }
  std::uint64_t fileSize(const std::string& path) const override { return real_.fileSize(path); }
  int attributes(const std::string& path) const override { return real_.attributes(path); }
  std::vector<std::string> listFiles(const std::string& folder, const std::string& pattern,
                                     bool admitArchived) const override {
    return real_.listFiles(folder, pattern, admitArchived);
  }
  std::vector<std::string> listFolders(const std::string& folder) const override {
    return real_.listFolders(folder);
  }
  std::vector<std::string> readLines(const std::string& path) const override {
    return real_.readLines(path);
  }
  void writeLines(const std::string& path, const std::vector<std::string>& lines, bool) override {
    changes.push_back("write " + path + " " + std::to_string(lines.size()));
  }

  std::vector<std::string> changes;

 private:
  PosixFileSystem real_;
};

// A clock that never moves; a sleep returns at once.
class StillClock : public Clock {
 public:
  LocalDateTime now() override { return {2026, 12, 8, 6, 10, 57}; }
  std::chrono::milliseconds elapsed() override { return std::chrono::milliseconds(0); }
  void sleep(std::chrono::milliseconds) override {}
};

// Counts message boxes and answers each with its first button.
class CountingDesktop : public Desktop {
 public:
  void doEvents() override {}
  int msgBox(const std::string&, int, const std::string&) override {
    ++boxes;
    return msgbox::kOk;
  }
  void setBusyPointer(bool) override {}

  int boxes = 0;
};

// Records the command lines it is asked to start and starts nothing.
class RecordingProcesses : public Processes {
 public:
  int start(const std::string& commandLine, WindowState) override {
    started.push_back(commandLine);
    return 1;
  }
  int syncShell(const std::string& commandLine, WindowState) override {
    started.push_back(commandLine);
    return 0;
  }
  std::optional<int> exitCode(int) override { return 0; }
  std::vector<ProcessEntry> list() const override { return {}; }

  std::vector<std::string> started;
};

// Stops the fuzzer with a report when an invariant of the code under test does not hold.
[[noreturn]] void broken(const std::string& what);

}  // namespace fd::fuzz
