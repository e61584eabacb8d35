#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "fixtures/TempPrefix.h"
#include "platform/AppError.h"
#include "platform/posix/PosixFileSystem.h"

namespace fs = std::filesystem;

namespace fd {
namespace {

// A copy over an existing target done by a child process, which the test limits.
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
    for (const auto& entry : fs::directory_iterator(prefix.host("C:\\Fendal\\Comercial"))) {
      if (entry.path().filename().string().starts_with('.'))
        return static_cast<long long>(entry.file_size());
    }
    return -1;
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
  writeSource(3 * 1024 * 1024);
  // The kernel ends the child with SIGXFSZ the moment its copy passes 1 MB: it dies midway, with
  // no chance to clean up, whatever the machine's load.
  const pid_t pid = startCopy([] {
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    signal(SIGXFSZ, SIG_DFL);
    const rlimit limit{1024 * 1024, 1024 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
  });
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the copy was not stopped midway";
  EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
  const long long underWay = copyUnderWaySize();
  EXPECT_TRUE(underWay >= 0 && underWay <= 1024 * 1024) << underWay;
  EXPECT_EQ(prefix.readFile(kTarget), kOld);
  // What the killed copy left is hidden, and a new copy goes through over it.
  EXPECT_EQ(files.listFiles("C:\\Fendal\\Comercial", "*.*", true),
            std::vector<std::string>{"grande.dat"});
  files.copyFile(kSource, kTarget, true);
  EXPECT_EQ(prefix.readFile(kTarget), newContent);
}

TEST_F(CopyFaults, CopyOverTheFileSizeLimitFailsAndKeepsTheOldTarget) {
  writeSource(3 * 1024 * 1024);
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
  EXPECT_EQ(prefix.readFile(kTarget), kOld);
  EXPECT_EQ(entriesOfTargetFolder(), std::vector<std::string>{"grande.dat"});
}

}  // namespace
}  // namespace fd
