#include "platform/posix/PosixProcesses.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "PlatformTestSupport.h"
#include "fixtures/TempPrefix.h"
#include "platform/AppError.h"

namespace fs = std::filesystem;

namespace fd {
namespace {

using test::errorNumberOf;

// Sets PATH for one test and puts the old one back.
class ScopedPath {
 public:
  explicit ScopedPath(const std::string& value) {
    const char* old = std::getenv("PATH");
    had_ = old != nullptr;
    old_ = had_ ? old : "";
    ::setenv("PATH", value.c_str(), 1);
  }
  ~ScopedPath() {
    if (had_) {
      ::setenv("PATH", old_.c_str(), 1);
    } else {
      ::unsetenv("PATH");
    }
  }

 private:
  bool had_ = false;
  std::string old_;
};

class PosixProcessesTest : public testing::Test {
 protected:
  ~PosixProcessesTest() override {
    removeTree(appFolder);
    removeTree(pathFolder);
  }

  static void writeExecutable(const fs::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
  }

  // A shell script that records its arguments, one a line, in record and exits with code.
  void writeRecorder(const fs::path& path, int code) {
    writeExecutable(path, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record.string() + "'\nexit " +
                              std::to_string(code) + "\n");
  }

  std::string recorded() const {
    std::ifstream file(record);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

  // Polls the exit code as a waiting caller does, up to ten seconds.
  int waitForExit(int pid) {
    for (int i = 0; i < 10000; ++i) {
      std::optional<int> code = processes.exitCode(pid);
      if (!code || *code != kStillActive) {
        return code.value_or(-1);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return kStillActive;
  }

  TempPrefix prefix;
  fs::path appFolder = makeTempFolder("app");
  fs::path pathFolder = makeTempFolder("path");
  fs::path record = pathFolder / "record.txt";
  PosixProcesses processes{prefix.mapper(), appFolder};
};

TEST_F(PosixProcessesTest, RunningProcessIsStillActiveAndASignalGivesItsCode) {
  const int pid = processes.start("/bin/sleep 30", WindowState::NormalFocus);
  EXPECT_EQ(processes.exitCode(pid), kStillActive);
  ::kill(pid, SIGKILL);
  EXPECT_EQ(waitForExit(pid), 128 + SIGKILL);
}

TEST_F(PosixProcessesTest, ExitCodeOfAProcessNotStartedHereCannotBeRead) {
  EXPECT_EQ(processes.exitCode(::getpid()), std::nullopt);
  EXPECT_EQ(processes.exitCode(1), std::nullopt);
}

TEST_F(PosixProcessesTest, ChildrenReadNothingFromTheirInput) {
  const fs::path out = pathFolder / "out";
  EXPECT_EQ(
      processes.syncShell("/bin/sh -c \"cat > " + out.string() + "\"", WindowState::NormalFocus),
      0);
  EXPECT_EQ(fs::file_size(out), 0u);
}

TEST_F(PosixProcessesTest, ProgramWithADriveIsMappedThroughThePrefix) {
  prefix.makeFolder("C:\\Fendal");
  writeRecorder(prefix.host("C:\\Fendal\\Tool.sh"), 7);
  EXPECT_EQ(processes.syncShell("c:\\FENDAL\\tool.sh uno", WindowState::NormalFocus), 7);
  EXPECT_EQ(recorded(), "uno\n");
}

TEST_F(PosixProcessesTest, ArgumentsPassAsTheyAre) {
  writeRecorder(appFolder / "tool", 0);
  processes.syncShell("tool \"C:\\Program Files\\A b.sql\" -P Murales D:\\dir\\ \"\"",
                      WindowState::NormalFocus);
  EXPECT_EQ(recorded(), "C:\\Program Files\\A b.sql\n-P\nMurales\nD:\\dir\\\n\n");
}

TEST_F(PosixProcessesTest, BareNameIsLookedForInTheUpdaterFolderBeforePath) {
  ScopedPath path(pathFolder.string());
  writeRecorder(appFolder / "taskkill", 11);
  writeRecorder(pathFolder / "taskkill", 22);
  EXPECT_EQ(processes.syncShell("taskkill /f", WindowState::NormalFocus), 11);
  EXPECT_EQ(processes.syncShell("TASKKILL /f", WindowState::NormalFocus), 11);
  fs::remove(appFolder / "taskkill");
  EXPECT_EQ(processes.syncShell("taskkill /f", WindowState::NormalFocus), 22);
}

TEST_F(PosixProcessesTest, BareNameWithoutExtensionAlsoFindsTheExe) {
  writeRecorder(appFolder / "schtasks.exe", 9);
  EXPECT_EQ(processes.syncShell("schtasks /run", WindowState::NormalFocus), 9);
}

TEST_F(PosixProcessesTest, WindowsProgramRunsThroughWine) {
  ScopedPath path(pathFolder.string());
  writeRecorder(pathFolder / "wine", 5);
  std::ofstream(appFolder / "Winrar95.exe", std::ios::binary) << "MZ\x90";
  EXPECT_EQ(
      processes.syncShell("Winrar95.exe e -o+ \"C:\\a b.rar\" C:\\t\\", WindowState::NormalFocus),
      5);
  EXPECT_EQ(recorded(), (appFolder / "Winrar95.exe").string() + "\ne\n-o+\nC:\\a b.rar\nC:\\t\\\n");
}

TEST_F(PosixProcessesTest, WindowsProgramWithoutWineIsError53) {
  ScopedPath path(pathFolder.string());
  std::ofstream(appFolder / "fdEnvioMails.exe", std::ios::binary) << "MZ\x90";
  std::ofstream(appFolder / "limpiar.bat", std::ios::binary) << "del x\r\n";
  EXPECT_EQ(errorNumberOf([&] { processes.start("fdEnvioMails.exe", WindowState::NormalFocus); }),
            53);
  EXPECT_EQ(errorNumberOf([&] { processes.syncShell("limpiar.bat", WindowState::NormalFocus); }),
            53);
}

TEST_F(PosixProcessesTest, NativeProgramWithoutExecutePermissionIsError70) {
  std::ofstream(appFolder / "script") << "#!/bin/sh\nexit 0\n";
  EXPECT_EQ(errorNumberOf([&] { processes.syncShell("script", WindowState::NormalFocus); }), 70);
}

TEST_F(PosixProcessesTest, ListFindsAProcessOfItsPrefixByTheLastPartOfItsArgv0) {
  const std::string line = "/bin/bash -c \"exec -a 'C:\\Fendal\\fdEnvioMails.exe' sleep 30\"";
  const int pid = processes.start(line, WindowState::NormalFocus);
  TempPrefix otherPrefix;
  PosixProcesses other(otherPrefix.mapper(), appFolder);
  const int otherPid = other.start(line, WindowState::NormalFocus);
  const auto lists = [](const PosixProcesses& owner, int wanted) {
    const std::vector<ProcessEntry> entries = owner.list();
    return std::any_of(entries.begin(), entries.end(),
                       [&](const ProcessEntry& entry) { return entry.pid == wanted; });
  };
  // The name changes when bash replaces itself with sleep, so the list is read until it shows.
  std::string seen;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (seen != "fdEnvioMails.exe" && std::chrono::steady_clock::now() < deadline) {
    for (const ProcessEntry& entry : processes.list()) {
      if (entry.pid == pid) {
        seen = entry.name;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(seen, "fdEnvioMails.exe");
  EXPECT_FALSE(lists(processes, otherPid));
  EXPECT_TRUE(lists(other, otherPid));
  for (auto [owner, started] : {std::pair{&processes, pid}, std::pair{&other, otherPid}}) {
    ::kill(started, SIGKILL);
    while (owner->exitCode(started) == kStillActive) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
}

TEST_F(PosixProcessesTest, ListHoldsTheProcessesOfItsPrefixByCommandLineOrKernelName) {
  const fs::path home = pathFolder / "casa";
  const fs::path proc = pathFolder / "proc";
  auto add = [&](const std::string& pid, const std::string& cmdline,
                 const std::optional<std::string>& environment) {
    fs::create_directories(proc / pid);
    std::ofstream(proc / pid / "cmdline") << cmdline;
    if (environment) {
      std::ofstream(proc / pid / "environ") << *environment;
    }
  };
  using namespace std::string_literals;
  add("12", "/usr/bin/osql.exe\0-S\0"s, "PATH=/bin\0WINEPREFIX="s + home.string() + "/.wine/\0");
  add("34", "", "HOME=" + home.string());  // the default prefix
  std::ofstream(proc / "34" / "comm") << "kworker/0:1\n";
  add("56", "fdEnvioMails.exe", "WINEPREFIX=/otro");
  add("78", "fdEnvioMails.exe", std::nullopt);  // another user's environment cannot be read
  add("90", "fdEnvioMails.exe", "HOME=/otra");
  fs::create_directories(proc / "self");
  std::ofstream(proc / "self" / "comm") << "test\n";
  PathMapper defaultPrefix(home / ".wine");
  PosixProcesses fake(defaultPrefix, appFolder, proc);
  std::vector<ProcessEntry> entries = fake.list();
  std::sort(entries.begin(), entries.end(),
            [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; });
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].pid, 12);
  EXPECT_EQ(entries[0].name, "osql.exe");
  EXPECT_EQ(entries[1].pid, 34);
  EXPECT_EQ(entries[1].name, "kworker/0:1");
}

TEST_F(PosixProcessesTest, ListFailsWhenProcessesCannotBeRead) {
  PosixProcesses fake(prefix.mapper(), appFolder, pathFolder / "no-proc");
  EXPECT_NE(errorNumberOf([&] { fake.list(); }), 0);
}

}  // namespace
}  // namespace fd
