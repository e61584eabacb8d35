#include "tools/schtasks/SchtasksHost.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/AppError.h"
#include "platform/ProcessStart.h"
#include "tools/common/Switches.h"

namespace fd {

namespace {

constexpr const char* kSource = "schtasks";

// Runs in the grandchild: reports errno through the pipe and ends when the program cannot run.
[[noreturn]] void execProgram(char* const* argv, char* const* envp, const char* folder,
                              int reportFd) {
  const int null = ::open("/dev/null", O_RDWR);
  if (null >= 0) {
    ::dup2(null, STDIN_FILENO);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    if (null > STDERR_FILENO) {
      ::close(null);
    }
  }
  // Descriptors the caller let us inherit must not keep its pipes open for as long as the
  // program runs; the report pipe is already closed on exec.
  ::close_range(STDERR_FILENO + 1, ~0U, CLOSE_RANGE_CLOEXEC);
  if (folder == nullptr || ::chdir(folder) == 0) {
    ::execve(argv[0], argv, envp);
  }
  const int error = errno;
  ssize_t ignored = ::write(reportFd, &error, sizeof error);
  (void)ignored;
  ::_exit(127);
}

// Starts argv (argv[0] a host program path) with the given environment, detached.
void startWithEnvironment(const std::vector<std::string>& argv, const std::filesystem::path& folder,
                          const std::vector<std::string>& environment) {
  // Everything the children need is built before forking.
  std::vector<std::string> words = argv;
  std::vector<std::string> entries = environment;
  auto pointersTo = [](std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
      pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
  };
  const std::vector<char*> pointers = pointersTo(words);
  const std::vector<char*> envp = pointersTo(entries);
  const std::string folderText = folder.string();
  const char* folderPointer = folder.empty() ? nullptr : folderText.c_str();

  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    throw platformError(err::kFileNotFound, kSource);
  }
  const pid_t middle = ::fork();
  if (middle == 0) {
    ::close(report[0]);
    ::setsid();
    // The grandchild is adopted by init (or a subreaper) once the middle process ends.
    const pid_t program = ::fork();
    if (program == 0) {
      execProgram(pointers.data(), envp.data(), folderPointer, report[1]);
    }
    ::_exit(program < 0 ? 1 : 0);
  }
  ::close(report[1]);
  int status = 0;
  while (middle > 0 && ::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  // The pipe reaches its end when the program has started (close on exec) or sends errno.
  int error = 0;
  ssize_t got = 0;
  while ((got = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  ::close(report[0]);
  if (got > 0 && (error == EACCES || error == EPERM)) {
    throw platformError(err::kPermissionDenied, kSource);
  }
  if (middle < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || got > 0) {
    throw platformError(err::kFileNotFound, kSource);
  }
}

}  // namespace

std::vector<std::string> resolveTaskProgram(const PathMapper& paths,
                                            const std::string& commandLine) {
  return hostCommand(paths, tools::programFolder(), commandLine);
}

void startDetached(const std::vector<std::string>& program, const std::filesystem::path& folder,
                   const PathMapper& paths) {
  // The task's program runs in the prefix that ran the task, as the updater looks for it there.
  startWithEnvironment(program, folder, prefixEnvironment(paths.prefix()));
}

}  // namespace fd
