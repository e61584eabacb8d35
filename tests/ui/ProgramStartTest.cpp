#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "fixtures/TempPrefix.h"

namespace fd {
namespace {

namespace fs = std::filesystem;

// The real program, started from its own copy in a temporary prefix's C:\Act (it writes its log
// beside itself), offscreen, with what it wrote on standard error.
class ProgramStartTest : public testing::Test {
 protected:
  struct Outcome {
    int status = -1;
    std::string errors;
  };

  void TearDown() override {
    if (mounted_)
      ::umount2(folder().c_str(), MNT_DETACH);
  }

  fs::path folder() const { return prefix.host("C:\\Act"); }

  void copyProgram() {
    fs::create_directories(folder());
    fs::copy_file(fs::path(FD_BIN_DIR) / "actualizador", folder() / "actualizador");
  }

  // The program's folder on a file system of its own, full once the program is in it.
  bool onFullFileSystem() {
    fs::create_directories(folder());
    if (::mount("tmpfs", folder().c_str(), "tmpfs", 0, "size=64m") != 0)
      return false;
    mounted_ = true;
    copyProgram();
    std::ofstream filler(folder() / "relleno", std::ios::binary);
    const std::string block(1 << 16, 'x');
    while (filler.write(block.data(), block.size())) {
    }
    return true;
  }

  // Starts the program, waits until it has said why it cannot go on, then asks it to end as the
  // session would (which dismisses its message) and collects how it ended.
  Outcome start(std::optional<rlim_t> fileSizeLimit) {
    std::vector<std::string> environment = {"WINEPREFIX=" + prefix.root().string(),
                                            "QT_QPA_PLATFORM=offscreen",
                                            "HOME=" + prefix.root().string(), "PATH=/usr/bin:/bin"};
    for (const char* inherited : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"}) {
      if (const char* value = ::getenv(inherited))
        environment.push_back(std::string(inherited) + "=" + value);
    }
    std::vector<char*> envp;
    for (std::string& entry : environment)
      envp.push_back(entry.data());
    envp.push_back(nullptr);
    const std::string program = (folder() / "actualizador").string();
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};

    int errors[2];
    if (::pipe(errors) != 0)
      return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::dup2(errors[1], STDERR_FILENO);
      if (fileSizeLimit) {
        const rlimit limit{*fileSizeLimit, *fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
      }
      ::execve(program.c_str(), argv, envp.data());
      ::_exit(127);
    }
    ::close(errors[1]);
    Outcome outcome;
    // Generous: a time-out for a program that never says anything, not a measure of speed.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    bool asked = false;
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd ready{errors[0], POLLIN, 0};
      if (::poll(&ready, 1, 100) > 0) {
        char buffer[4096];
        const ssize_t got = ::read(errors[0], buffer, sizeof buffer);
        if (got <= 0)
          break;
        outcome.errors.append(buffer, static_cast<std::size_t>(got));
      }
      if (!asked && outcome.errors.find("archivo de log") != std::string::npos) {
        ::kill(pid, SIGTERM);
        asked = true;
      }
    }
    if (!asked)
      ::kill(pid, SIGKILL);
    ::close(errors[0]);
    ::waitpid(pid, &outcome.status, 0);
    return outcome;
  }

  // What the program left in its folder besides itself, its logs and the filler.
  std::vector<std::string> leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder())) {
      const std::string name = entry.path().filename().string();
      if (name != "actualizador" && name != "relleno" &&
          !(name.starts_with("ACT_") && name.ends_with(".log")))
        names.push_back(name);
    }
    return names;
  }

  void expectTold(const Outcome& outcome) {
    EXPECT_TRUE(WIFEXITED(outcome.status)) << "status " << outcome.status << "\n" << outcome.errors;
    EXPECT_EQ(WEXITSTATUS(outcome.status), 1) << outcome.errors;
    EXPECT_NE(outcome.errors.find("No se pudo"), std::string::npos) << outcome.errors;
    EXPECT_NE(outcome.errors.find("archivo de log C:\\Act\\ACT_"), std::string::npos)
        << outcome.errors;
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
  }

  TempPrefix prefix;

 private:
  bool mounted_ = false;
};

// The header (49 bytes) fits, the first entry does not: the log is full once it has started.
TEST_F(ProgramStartTest, AFileSizeLimitReachedByTheLogEndsStartUpWithAMessage) {
  copyProgram();
  expectTold(start(64));
}

TEST_F(ProgramStartTest, AFullFileSystemEndsStartUpWithAMessage) {
  if (::geteuid() != 0 || !onFullFileSystem())
    GTEST_SKIP() << "mounting a small file system needs root";
  expectTold(start(std::nullopt));
}

}  // namespace
}  // namespace fd
