#include "support/PackageBuilder.h"

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

namespace fd::test {

namespace {
int run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& arg : args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
}  // namespace

PackageBuilder::PackageBuilder(const TempPrefix& prefix, std::string updaterFolder)
    : prefix_(prefix), updaterFolder_(std::move(updaterFolder)) {
  if (!updaterFolder_.ends_with('\\'))
    updaterFolder_ += "\\";
}

void PackageBuilder::make(const std::string& rarName, const std::vector<PackageFile>& files) const {
  prefix_.makeFolder(updaterFolder_);
  const std::filesystem::path staging = makeTempFolder("package");
  std::vector<std::string> args{std::string(FD_BIN_DIR) + "/mkrar",
                                prefix_.host(updaterFolder_ + rarName).string()};
  int count = 0;
  for (const PackageFile& file : files) {
    std::filesystem::path source = staging / std::to_string(count++);
    prefix_.writeFile(prefix_.mapper().toWindows(source), file.content);
    if (file.mtime) {
      args.push_back("-t");
      args.push_back(std::to_string(*file.mtime));
    } else {
      args.push_back("-T");
    }
    args.insert(args.end(), {"-n", file.name, source.string()});
  }
  int code = run(args);
  removeTree(staging);
  if (code != 0)
    throw std::runtime_error("mkrar failed for " + rarName);
}

void PackageBuilder::installTool(const std::string& toolName) const {
  std::filesystem::copy_file(std::filesystem::path(FD_BIN_DIR) / toolName,
                             prefix_.host(updaterFolder_ + toolName),
                             std::filesystem::copy_options::overwrite_existing);
}

}  // namespace fd::test
