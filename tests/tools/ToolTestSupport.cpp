#include "ToolTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "fixtures/Sha256.h"

namespace fd {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

int remainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

ToolRun runTool(const std::string& name, const std::vector<std::string>& args,
                const fs::path& winePrefix, std::chrono::seconds limit) {
  return runProgram(fs::path(FD_BIN_DIR) / name, args, winePrefix, limit);
}

fs::path findOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path != nullptr ? path : "/usr/bin:/bin";
  while (!rest.empty()) {
    const auto colon = rest.find(':');
    const fs::path candidate = fs::path(rest.substr(0, colon)) / name;
    if (::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
  }
  return {};
}

ToolRun runProgram(const fs::path& programPath, const std::vector<std::string>& args,
                   const fs::path& winePrefix, std::chrono::seconds limit) {
  const std::string program = programPath.string();
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);

  int out[2];
  int err[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  const auto started = Clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(err[1], STDERR_FILENO);
    if (!winePrefix.empty()) {
      ::setenv("WINEPREFIX", winePrefix.c_str(), 1);
    }
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);

  ToolRun run;
  const auto deadline = started + limit;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&run.output, &run.errorOutput};
  int open = 2;
  while (open > 0 && !run.timedOut) {
    if (::poll(fds, 2, remainingMs(deadline)) == 0) {
      run.timedOut = true;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd >= 0 && fds[i].revents != 0) {
        char buffer[4096];
        const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
        if (got > 0) {
          sinks[i]->append(buffer, static_cast<std::size_t>(got));
        } else {
          ::close(fds[i].fd);
          fds[i].fd = -1;
          --open;
        }
      }
    }
  }
  int status = 0;
  // The pipes close when the tool ends; the wait below only outlasts them if it closed them.
  while (!run.timedOut && ::waitpid(pid, &status, WNOHANG) == 0) {
    if (remainingMs(deadline) == 0) {
      run.timedOut = true;
    } else {
      ::poll(nullptr, 0, 5);
    }
  }
  if (run.timedOut) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  for (const pollfd& fd : fds) {
    if (fd.fd >= 0) {
      ::close(fd.fd);
    }
  }
  run.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

std::map<std::string, std::string> treeOf(const fs::path& folder) {
  std::map<std::string, std::string> tree;
  for (const auto& item : fs::recursive_directory_iterator(folder)) {
    const std::string relative = fs::relative(item.path(), folder).string();
    if (item.is_symlink()) {
      tree[relative] = "<link>";
    } else if (item.is_directory()) {
      tree[relative] = "<folder>";
    } else {
      tree[relative] = sha256HexOfFile(item.path());
    }
  }
  return tree;
}

}  // namespace fd
