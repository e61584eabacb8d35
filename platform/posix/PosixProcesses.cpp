#include "platform/posix/PosixProcesses.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string_view>
#include <unordered_map>

#include "platform/AnsiCodec.h"
#include "platform/AppError.h"
#include "platform/CommandLine.h"

extern char** environ;

namespace fs = std::filesystem;

namespace fd {

namespace {

constexpr const char* kSource = "Processes";
constexpr std::string_view kPrefixVariable = "WINEPREFIX=";

bool isRegularFile(const fs::path& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool hasDrive(const std::string& word) {
  return word.size() >= 2 && std::isalpha(static_cast<unsigned char>(word[0])) && word[1] == ':';
}

// The names a bare program name may have on disk: as given, then with ".exe" when it has no
// extension.
std::vector<std::string> candidateNames(const std::string& name) {
  std::vector<std::string> names{name};
  if (name.find('.') == std::string::npos) {
    names.push_back(name + ".exe");
  }
  return names;
}

std::optional<fs::path> findInFolderIgnoringCase(const fs::path& folder, const std::string& name) {
  if (isRegularFile(folder / name)) {
    return folder / name;
  }
  const std::string wanted = foldCase(name);
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    if (foldCase(entry.path().filename().string()) == wanted && isRegularFile(entry.path())) {
      return entry.path();
    }
  }
  return std::nullopt;
}

std::optional<fs::path> findOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "";
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) {
      end = folders.size();
    }
    fs::path folder = end > start ? fs::path(folders.substr(start, end - start)) : fs::path(".");
    if (isRegularFile(folder / name) && ::access((folder / name).c_str(), X_OK) == 0) {
      return folder / name;
    }
    start = end + 1;
  }
  return std::nullopt;
}

// Whether the kernel runs the file itself: an ELF image or a script with a "#!" line.
bool isNative(const fs::path& program) {
  std::ifstream file(program, std::ios::binary);
  char head[4] = {};
  file.read(head, sizeof head);
  const std::string_view start(head, static_cast<size_t>(file.gcount()));
  return start.starts_with(
             "\x7f"
             "ELF") ||
         start.starts_with("#!");
}

int decodeStatus(int status) {
  if (WIFEXITED(status)) {
    return WEXITSTATUS(status);
  }
  if (WIFSIGNALED(status)) {
    return 128 + WTERMSIG(status);
  }
  return 255;
}

std::string readWhole(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A file of a process folder; nullopt when it may not be read (another user's process).
std::optional<std::string> readIfAllowed(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    return std::nullopt;
  }
  std::string text(std::istreambuf_iterator<char>(file), {});
  return file.bad() ? std::nullopt : std::optional<std::string>(std::move(text));
}

// The value of a variable ("NAME=") in an environment of NUL-separated entries.
std::optional<std::string_view> variable(std::string_view environment, std::string_view name) {
  while (!environment.empty()) {
    const std::string_view entry = environment.substr(0, environment.find('\0'));
    if (entry.starts_with(name)) {
      return entry.substr(name.size());
    }
    environment.remove_prefix(std::min(entry.size() + 1, environment.size()));
  }
  return std::nullopt;
}

// The prefix a process works in, as Wine finds it: WINEPREFIX, else HOME/.wine (the owner's home
// folder when HOME is unset); a relative one is taken from the process's current folder.
fs::path prefixOfProcess(std::string_view environment, const fs::path& processFolder) {
  fs::path prefix;
  if (auto named = variable(environment, kPrefixVariable); named && !named->empty()) {
    prefix = *named;
  } else if (auto home = variable(environment, "HOME="); home && !home->empty()) {
    prefix = fs::path(*home) / ".wine";
  } else {
    struct stat info;
    const passwd* owner =
        ::stat(processFolder.c_str(), &info) == 0 ? ::getpwuid(info.st_uid) : nullptr;
    prefix = fs::path(owner != nullptr ? owner->pw_dir : "/") / ".wine";
  }
  if (prefix.is_relative()) {
    std::error_code ec;
    prefix = fs::read_symlink(processFolder / "cwd", ec) / prefix;
  }
  return prefix;
}

// One spelling for every path of the same folder.
std::string folderIdentity(const fs::path& folder) {
  std::error_code ec;
  fs::path canonical = fs::weakly_canonical(folder, ec);
  std::string text = (ec ? folder.lexically_normal() : canonical).string();
  while (text.size() > 1 && text.back() == '/') {
    text.pop_back();
  }
  return text;
}

// The image name of a process: the last part of its argv[0], or the kernel's name for it.
std::string imageName(const fs::path& processFolder) {
  std::string name = readWhole(processFolder / "cmdline");
  name = name.substr(0, name.find('\0'));
  if (!name.empty()) {
    size_t slash = name.find_last_of("/\\");
    return slash == std::string::npos ? name : name.substr(slash + 1);
  }
  // Kernel threads have no command line; their name may hold a "/" that is not a folder.
  name = readWhole(processFolder / "comm");
  while (!name.empty() && (name.back() == '\n' || name.back() == '\0')) {
    name.pop_back();
  }
  return name;
}

}  // namespace

PosixProcesses::PosixProcesses(const PathMapper& paths, fs::path programFolder, fs::path procRoot)
    : paths_(paths), programFolder_(std::move(programFolder)), procRoot_(std::move(procRoot)) {}

PosixProcesses::~PosixProcesses() {
  reapEnded();
}

std::vector<std::string> PosixProcesses::resolve(const std::string& commandLine) const {
  std::vector<std::string> words = splitCommandLine(commandLine);
  if (words.empty()) {
    throw platformError(err::kFileNotFound, kSource);
  }
  const std::string& word = words.front();
  std::optional<fs::path> program;
  if (hasDrive(word) || word.starts_with('\\')) {
    program = paths_.toHost(word);
  } else if (word.starts_with('/')) {
    program = fs::path(word);
  } else if (word.find_first_of("\\/") != std::string::npos) {
    std::string relative = word;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    program = programFolder_ / relative;
  } else {
    for (const std::string& name : candidateNames(word)) {
      if ((program = findInFolderIgnoringCase(programFolder_, name))) {
        break;
      }
    }
    for (const std::string& name : candidateNames(word)) {
      if (program || (program = findOnPath(name))) {
        break;
      }
    }
  }
  if (!program || !isRegularFile(*program)) {
    throw platformError(err::kFileNotFound, kSource);
  }

  std::vector<std::string> argv;
  if (isNative(*program)) {
    if (::access(program->c_str(), X_OK) != 0) {
      throw platformError(err::kPermissionDenied, kSource);
    }
  } else {
    std::optional<fs::path> wine = findOnPath("wine");
    if (!wine) {
      throw platformError(err::kFileNotFound, kSource);
    }
    argv.push_back(wine->string());
  }
  argv.push_back(program->string());
  argv.insert(argv.end(), words.begin() + 1, words.end());
  return argv;
}

int PosixProcesses::spawn(const std::string& commandLine, int outputFd) {
  std::vector<std::string> words = resolve(commandLine);
  std::vector<char*> argv;
  for (std::string& word : words) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);
  std::vector<std::string> environment = prefixEnvironment(paths_.prefix());
  std::vector<char*> envp;
  for (std::string& entry : environment) {
    envp.push_back(entry.data());
  }
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  // A capture the caller asked for wins over the output sent to the log.
  if (outputFd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, outputFd, STDERR_FILENO);
    if (outputFd > STDERR_FILENO) {
      posix_spawn_file_actions_addclose(&actions, outputFd);
    }
  } else if (!output_.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output_.c_str(),
                                     O_WRONLY | O_APPEND | O_CREAT, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  }
  pid_t pid = 0;
  int result = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (result != 0) {
    throw platformError(err::kFileNotFound, kSource);
  }
  return pid;
}

void PosixProcesses::reapEnded() {
  for (auto& [pid, code] : children_) {
    int status = 0;
    if (!code && ::waitpid(pid, &status, WNOHANG) == pid) {
      code = decodeStatus(status);
    }
  }
}

void PosixProcesses::sendOutputTo(const std::string& path) {
  output_ = path.empty() ? std::filesystem::path() : paths_.toHost(path);
}

int PosixProcesses::start(const std::string& commandLine, WindowState /*state*/) {
  // Children that ended meanwhile are reaped now, so that none lingers as a zombie.
  reapEnded();
  int pid = spawn(commandLine);
  children_[pid] = std::nullopt;
  return pid;
}

int PosixProcesses::wait(int pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      return 255;
    }
  }
  return decodeStatus(status);
}

int PosixProcesses::syncShell(const std::string& commandLine, WindowState /*state*/) {
  return wait(spawn(commandLine));
}

Processes::Ended PosixProcesses::syncShellTakingOutput(const std::string& commandLine,
                                                       WindowState /*state*/) {
  // A file, not a pipe: a child that writes much never blocks on a reader that waits for it.
  std::FILE* file = std::tmpfile();
  if (file == nullptr) {
    throw platformError(err::kPathFileAccess, kSource);
  }
  Ended ended;
  try {
    ended.exitCode = wait(spawn(commandLine, ::fileno(file)));
  } catch (...) {
    std::fclose(file);
    throw;
  }
  const int fd = ::fileno(file);
  const off_t size = std::max<off_t>(0, ::lseek(fd, 0, SEEK_END));
  const off_t from = std::max<off_t>(0, size - static_cast<off_t>(kOutputKept));
  ended.output.resize(static_cast<std::size_t>(size - from));
  const ssize_t got = size > from ? ::pread(fd, ended.output.data(), ended.output.size(), from) : 0;
  ended.output.resize(static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
  std::fclose(file);
  return ended;
}

std::optional<int> PosixProcesses::exitCode(int pid) {
  auto child = children_.find(pid);
  if (child == children_.end()) {
    return std::nullopt;
  }
  if (child->second) {
    return child->second;
  }
  int status = 0;
  pid_t result = ::waitpid(pid, &status, WNOHANG);
  if (result == 0) {
    return kStillActive;
  }
  if (result != pid) {
    return std::nullopt;
  }
  child->second = decodeStatus(status);
  return child->second;
}

std::vector<ProcessEntry> PosixProcesses::list() const {
  DIR* dir = ::opendir(procRoot_.c_str());
  if (dir == nullptr) {
    throw platformError(err::kPathFileAccess, kSource);
  }
  const std::string own = folderIdentity(paths_.prefix());
  // Most processes name one of a few prefixes, each resolved once.
  std::unordered_map<std::string, bool> ours;
  std::vector<ProcessEntry> processes;
  while (const dirent* entry = ::readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name.empty() || name.find_first_not_of("0123456789") != std::string_view::npos) {
      continue;
    }
    const fs::path folder = procRoot_ / name;
    const std::optional<std::string> environment = readIfAllowed(folder / "environ");
    if (!environment) {
      continue;
    }
    const std::string prefix = prefixOfProcess(*environment, folder).string();
    auto known = ours.find(prefix);
    if (known == ours.end()) {
      known = ours.emplace(prefix, folderIdentity(prefix) == own).first;
    }
    if (!known->second) {
      continue;
    }
    // A process that ended while the list was read leaves nothing to read and is skipped.
    std::string image = imageName(folder);
    if (!image.empty()) {
      processes.push_back({std::atoi(entry->d_name), std::move(image)});
    }
  }
  ::closedir(dir);
  return processes;
}

std::unique_ptr<Processes> makeProcesses(const PathMapper& paths, const fs::path& programFolder) {
  return std::make_unique<PosixProcesses>(paths, programFolder);
}

std::vector<std::string> hostCommand(const PathMapper& paths, const fs::path& programFolder,
                                     const std::string& commandLine) {
  return PosixProcesses(paths, programFolder).resolve(commandLine);
}

std::vector<std::string> prefixEnvironment(const fs::path& prefix) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (!std::string_view(*entry).starts_with(kPrefixVariable)) {
      environment.emplace_back(*entry);
    }
  }
  std::error_code ec;
  const fs::path absolute = fs::absolute(prefix, ec);
  environment.push_back(std::string(kPrefixVariable) + (ec ? prefix : absolute).string());
  return environment;
}

}  // namespace fd
