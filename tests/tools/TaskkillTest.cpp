// taskkill as the updater runs it ("taskkill /f /im NAME"), against real processes.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ToolTestSupport.h"
#include "fixtures/TempPrefix.h"
#include "platform/posix/PosixProcesses.h"

namespace fd {
namespace {

namespace fs = std::filesystem;

// A name no other test or suite running at the same time gives its processes.
std::string uniqueName(const std::string& stem) {
  static int counter = 0;
  return stem + "_" + std::to_string(::getpid()) + "_" + std::to_string(++counter) + ".exe";
}

// A sleeping process of a prefix started with argv0 as its argv[0]; killed and reaped when it
// goes.
class NamedProcess {
 public:
  NamedProcess(const std::string& argv0, const TempPrefix& prefix) {
    std::string name = argv0;
    std::string seconds = "30";
    char* argv[] = {name.data(), seconds.data(), nullptr};
    std::vector<std::string> environment = prefixEnvironment(prefix.root());
    std::vector<char*> envp;
    for (std::string& entry : environment) {
      envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    // posix_spawn returns once the program has replaced the child, so the name is visible.
    if (::posix_spawn(&pid_, "/bin/sleep", nullptr, nullptr, argv, envp.data()) != 0) {
      pid_ = -1;
    }
  }
  ~NamedProcess() {
    if (pid_ > 0 && !ended_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  NamedProcess(const NamedProcess&) = delete;
  NamedProcess& operator=(const NamedProcess&) = delete;

  int pid() const { return pid_; }

  // The signal that ended the process, waiting for it up to limit; 0 while it still runs.
  int endingSignal(std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!ended_) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        ended_ = true;
        signal_ = WIFSIGNALED(status) ? WTERMSIG(status) : -1;
      } else if (std::chrono::steady_clock::now() >= deadline) {
        return 0;
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
    return signal_;
  }

  bool running() { return endingSignal(std::chrono::milliseconds(0)) == 0; }

 private:
  pid_t pid_ = -1;
  bool ended_ = false;
  int signal_ = 0;
};

std::string endedLine(const std::string& name, int pid) {
  return "CORRECTO: se terminó el proceso \"" + name + "\" con PID " + std::to_string(pid) + ".\n";
}

// taskkill and the processes it may end, in a prefix of their own.
class TaskkillTest : public ::testing::Test {
 protected:
  ToolRun taskkill(const std::vector<std::string>& args) {
    return runTool("taskkill", args, prefix.root());
  }
  TempPrefix prefix;
};

TEST_F(TaskkillTest, ForceEndsEveryProcessOfTheName) {
  const std::string name = uniqueName("fdEnvioMails");
  NamedProcess first(name, prefix);
  NamedProcess second(name, prefix);

  const ToolRun run = taskkill({"/f", "/im", name});

  EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_NE(run.output.find(endedLine(name, first.pid())), std::string::npos) << run.output;
  EXPECT_NE(run.output.find(endedLine(name, second.pid())), std::string::npos) << run.output;
  EXPECT_EQ(first.endingSignal(), SIGKILL);
  EXPECT_EQ(second.endingSignal(), SIGKILL);
}

TEST_F(TaskkillTest, FindsNothingOnceTheProcessesHaveEnded) {
  const std::string name = uniqueName("fdEnvioMails");
  NamedProcess process(name, prefix);
  ASSERT_EQ(taskkill({"/f", "/im", name}).exitCode, 0);
  ASSERT_EQ(process.endingSignal(), SIGKILL);

  EXPECT_EQ(taskkill({"/f", "/im", name}).exitCode, 128);
}

TEST_F(TaskkillTest, ReportsWhenNoProcessHasTheName) {
  const std::string name = uniqueName("fdEnvioMails");

  const ToolRun run = taskkill({"/f", "/im", name});

  EXPECT_EQ(run.exitCode, 128);
  EXPECT_EQ(run.errorOutput, "ERROR: no se encontró el proceso \"" + name + "\".\n");
  EXPECT_EQ(run.output, "");
}

// How the command line is written, and the signal the process must get.
struct OptionCase {
  std::string label;
  std::vector<std::string> args;  // "NAME" stands for the process's name
  int signal;
};

class TaskkillOptionTest : public TaskkillTest, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(TaskkillOptionTest, EndsTheProcess) {
  const std::string name = uniqueName("fdEnvioMails");
  NamedProcess process(name, prefix);
  std::vector<std::string> args = GetParam().args;
  for (std::string& arg : args) {
    if (arg == "NAME") {
      arg = name;
    } else if (arg == "UPPER") {
      arg = name;
      for (char& c : arg) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      }
    }
  }

  const ToolRun run = taskkill(args);

  EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(process.endingSignal(), GetParam().signal);
}

INSTANTIATE_TEST_SUITE_P(
    Options, TaskkillOptionTest,
    ::testing::Values(OptionCase{"Slashes", {"/f", "/im", "NAME"}, SIGKILL},
                      OptionCase{"DashesInCapitals", {"-F", "-IM", "NAME"}, SIGKILL},
                      OptionCase{"NameFirst", {"/IM", "NAME", "/F"}, SIGKILL},
                      OptionCase{"NameInOtherCase", {"/f", "/im", "UPPER"}, SIGKILL},
                      OptionCase{"WithoutForceAsksToEnd", {"/im", "NAME"}, SIGTERM}),
    [](const auto& info) { return info.param.label; });

// The image name is the last part of argv[0], whichever separator the path uses.
class TaskkillImageNameTest : public TaskkillTest,
                              public ::testing::WithParamInterface<std::string> {};

TEST_P(TaskkillImageNameTest, EndsAProcessStartedByPath) {
  const std::string name = uniqueName("fdEnvioMails");
  NamedProcess process(GetParam() + name, prefix);

  EXPECT_EQ(taskkill({"/f", "/im", name}).exitCode, 0);
  EXPECT_EQ(process.endingSignal(), SIGKILL);
}

INSTANTIATE_TEST_SUITE_P(Paths, TaskkillImageNameTest,
                         ::testing::Values("/opt/Fendal/", "C:\\Fendal\\", "Z:\\opt/Fendal\\"));

TEST_F(TaskkillTest, LeavesOtherNamesAndOtherPrefixesRunning) {
  const std::string name = uniqueName("fdEnvioMails");
  const TempPrefix otherPrefix;
  NamedProcess target(name, prefix);
  NamedProcess longer(name + ".bak", prefix);
  NamedProcess prefixed("x" + name, prefix);
  NamedProcess folder(name + "/sleep", prefix);
  NamedProcess elsewhere(name, otherPrefix);

  ASSERT_EQ(taskkill({"/f", "/im", name}).exitCode, 0);
  ASSERT_EQ(target.endingSignal(), SIGKILL);

  EXPECT_TRUE(longer.running());
  EXPECT_TRUE(prefixed.running());
  EXPECT_TRUE(folder.running());
  EXPECT_TRUE(elsewhere.running());
}

TEST_F(TaskkillTest, NeverEndsItself) {
  const fs::path folder = makeTempFolder("taskkill");
  const std::string name = uniqueName("taskkill");
  fs::copy_file(fs::path(FD_BIN_DIR) / "taskkill", folder / name);

  const ToolRun run = runProgram(folder / name, {"/f", "/im", name}, prefix.root());

  EXPECT_EQ(run.exitCode, 128) << run.output << run.errorOutput;
  removeTree(folder);
}

class TaskkillUsageTest : public TaskkillTest,
                          public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(TaskkillUsageTest, RefusesAndEndsNothing) {
  const std::string name = uniqueName("fdEnvioMails");
  NamedProcess process(name, prefix);
  std::vector<std::string> args = GetParam();
  for (std::string& arg : args) {
    if (arg == "NAME") {
      arg = name;
    }
  }

  const ToolRun run = taskkill(args);

  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.errorOutput.starts_with("ERROR: ")) << run.errorOutput;
  EXPECT_TRUE(process.running());
}

INSTANTIATE_TEST_SUITE_P(BadCommandLines, TaskkillUsageTest,
                         ::testing::Values(std::vector<std::string>{},
                                           std::vector<std::string>{"/f"},
                                           std::vector<std::string>{"/f", "/im"},
                                           std::vector<std::string>{"/f", "NAME"},
                                           std::vector<std::string>{"/f", "/x", "/im", "NAME"}));

}  // namespace
}  // namespace fd
