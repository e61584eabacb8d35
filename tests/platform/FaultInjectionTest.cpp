#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/AppError.h"
#include "platform/posix/PosixFileSystem.h"
#include "support/TempPrefix.h"

namespace fs = std::filesystem;

namespace fd {
namespace {

// A copy over an existing target done by a child process, which the test can kill or limit.
class CopyFaults : public testing::Test {
 protected:
  static constexpr const char* kSource = "C:\\Act\\Paquete\\grande.dat";
  static constexpr const char* kTarget = "C:\\Fendal\\Comercial\\grande.dat";

  void SetUp() override {
    prefix.writeFile(kTarget, kOld);
    prefix.makeFolder("C:\\Act\\Paquete");
  }

  void writeSource(std::size_t bytes) {
    newContent.resize(bytes);
    for (std::size_t i = 0; i < bytes; ++i) {
      newContent[i] = static_cast<char>('a' + (i * 7 + i / 4096) % 26);
    }
    prefix.writeFile(kSource, newContent);
  }

  // Forks a child that copies the source over the target and exits with the error number (0 when
  // the copy succeeded); prepare runs in the child first.
  pid_t startCopy(void (*prepare)() = nullptr) {
    const pid_t pid = fork();
    if (pid == 0) {
      if (prepare != nullptr) {
        prepare();
      }
      int number = 0;
      try {
        files.copyFile(kSource, kTarget, true);
      } catch (const AppError& error) {
        number = error.number();
      }
      _exit(number);
    }
    return pid;
  }

  // The size of the hidden file a copy under way writes beside the target; -1 when there is none.
  long long copyUnderWaySize() const {
    const fs::path folder = prefix.host("C:\\Fendal\\Comercial");
    long long size = -1;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
      return -1;
    }
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      std::error_code ec;
      if (name.starts_with('.')) {
        size = static_cast<long long>(fs::file_size(folder / name, ec));
      }
    }
    ::closedir(dir);
    return size;
  }

  std::vector<std::string> entriesOfTargetFolder() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(prefix.host("C:\\Fendal\\Comercial"))) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  const std::string kOld = "the version installed before the update";
  TempPrefix prefix;
  PosixFileSystem files{prefix.mapper()};
  std::string newContent;
};

TEST_F(CopyFaults, CopyKilledMidwayLeavesTheTargetOldOrNew) {
  // Large enough that the kernel's in-place copy is still under way when a loaded machine gets
  // round to looking.
  writeSource(64 * 1024 * 1024);
  int killedMidway = 0;
  for (int attempt = 0; attempt < 20 && killedMidway == 0; ++attempt) {
    const pid_t pid = startCopy();
    bool killed = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      const long long written = copyUnderWaySize();
      if (written > 0 && written < static_cast<long long>(newContent.size())) {
        kill(pid, SIGKILL);
        killed = true;
        break;
      }
      if (waitpid(pid, nullptr, WNOHANG) == pid) {
        break;
      }
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (killed) {
      int status = 0;
      ASSERT_EQ(waitpid(pid, &status, 0), pid);
      killedMidway += WIFSIGNALED(status) ? 1 : 0;
    }
    const std::string target = prefix.readFile(kTarget);
    ASSERT_TRUE(target == kOld || target == newContent)
        << "a target of " << target.size() << " bytes after attempt " << attempt;
    prefix.writeFile(kTarget, kOld);
  }
  ASSERT_GT(killedMidway, 0) << "no copy was caught under way";
  // What the killed copies left is hidden, and a new copy goes through over it.
  EXPECT_EQ(files.listFiles("C:\\Fendal\\Comercial", "*.*", true),
            std::vector<std::string>{"grande.dat"});
  files.copyFile(kSource, kTarget, true);
  EXPECT_EQ(prefix.readFile(kTarget), newContent);
}

TEST_F(CopyFaults, CopyOverTheFileSizeLimitFailsAndLeavesWhatWasThere) {
  writeSource(3 * 1024 * 1024);
  // Over the old target, then where there was none (a new file is written another way).
  for (const bool existing : {true, false}) {
    if (!existing) {
      fs::remove(prefix.host(kTarget));
    }
    const pid_t pid = startCopy([] {
      // The write beyond the limit fails with EFBIG instead of ending the process.
      signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{1024 * 1024, 1024 * 1024};
      setrlimit(RLIMIT_FSIZE, &limit);
    });
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), err::kDiskFull);
    if (existing) {
      EXPECT_EQ(prefix.readFile(kTarget), kOld);
    }
    EXPECT_EQ(entriesOfTargetFolder(),
              existing ? std::vector<std::string>{"grande.dat"} : std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace fd
