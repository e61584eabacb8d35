#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fixtures/ForwardingFileSystem.h"
#include "fixtures/TempPrefix.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/Processes.h"
#include "platform/posix/PosixFileSystem.h"

namespace fd::fuzz {

// The folder the fuzzers' prefixes (TempPrefix) go in: in memory where the host has such a
// folder, since the registry's rewrite syncs its file, which on a disk would cost more than the
// parsing under test.
std::filesystem::path scratchFolder();

// A fuzzer's input as bytes.
inline std::string_view bytesOf(const std::uint8_t* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

// Reads through the real file system of the prefix, so that decoding and line splitting are
// the program's own; every change is only recorded, so that a fuzzed command cannot touch the
// host and the log costs no disk writes.
class RecordingFileSystem : public test::ForwardingFileSystem {
 public:
  explicit RecordingFileSystem(FileSystem& real) : ForwardingFileSystem(real) {}

  void createFolder(const std::string& path) override { changes.push_back("mkdir " + path); }
  void copyFile(const std::string& source, const std::string& target, bool) override {
    changes.push_back("copy " + source + " " + target);
  }
  void removeFile(const std::string& path) override { changes.push_back("rm " + path); }
  void writeLines(const std::string& path, const std::vector<std::string>& lines, bool) override {
    changes.push_back("write " + path + " " + std::to_string(lines.size()));
  }

  std::vector<std::string> changes;
};

// A prefix in the scratch folder, read through the real file system with every change recorded.
struct ScratchFiles {
  TempPrefix prefix{scratchFolder()};
  PosixFileSystem real{prefix.mapper()};
  RecordingFileSystem fs{real};
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
  Ended syncShellTakingOutput(const std::string& commandLine, WindowState state) override {
    return {syncShell(commandLine, state), ""};
  }
  std::optional<int> exitCode(int) override { return 0; }
  std::vector<ProcessEntry> list() const override { return {}; }
  void sendOutputTo(const std::string&) override {}

  std::vector<std::string> started;
};

// Stops the fuzzer with a report when an invariant of the code under test does not hold.
[[noreturn]] void broken(const std::string& what);

}  // namespace fd::fuzz
