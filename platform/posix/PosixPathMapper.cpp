// PathMapper on POSIX: Windows paths onto the folders of a Wine-style prefix.
#include "platform/PathMapper.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <system_error>

#include "platform/AnsiCodec.h"

namespace fs = std::filesystem;

namespace fd {

namespace {

bool isDriveLetter(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

// The components of a Windows path after its drive, with "." dropped and ".." taking back the
// component before it (never above the root, as Windows does).
std::vector<std::string> windowsComponents(std::string_view rest) {
  std::vector<std::string> components;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find_first_of("\\/", start);
    if (end == std::string_view::npos) {
      end = rest.size();
    }
    std::string_view part = rest.substr(start, end - start);
    if (part == "..") {
      if (!components.empty()) {
        components.pop_back();
      }
    } else if (!part.empty() && part != ".") {
      components.emplace_back(part);
    }
    start = end + 1;
  }
  return components;
}

// The coarse clock, which stamps folder times.
timespec coarseNow() {
  timespec tick{};
  ::clock_gettime(CLOCK_REALTIME_COARSE, &tick);
  return tick;
}

fs::path canonicalOrNormal(const fs::path& path) {
  std::error_code ec;
  fs::path result = fs::weakly_canonical(path, ec);
  return ec ? path.lexically_normal() : result;
}

// The components of path below folder, or nullopt when folder is not a prefix of path.
std::optional<std::vector<std::string>> componentsBelow(const fs::path& folder,
                                                        const fs::path& path) {
  auto it = path.begin();
  for (const fs::path& part : folder) {
    if (part.empty()) {
      continue;
    }
    while (it != path.end() && it->empty()) {
      ++it;
    }
    if (it == path.end() || *it != part) {
      return std::nullopt;
    }
    ++it;
  }
  std::vector<std::string> rest;
  for (; it != path.end(); ++it) {
    if (!it->empty() && *it != "/") {
      rest.push_back(it->string());
    }
  }
  return rest;
}

// Folder times come from the coarse clock: a change within the tick of the folder's last one
// could leave its stamp as it is, so what was read of a folder changed in the tick of the
// reading (tick, taken before it) is read again next time.
bool settledBefore(const PathMapper::FolderStamp& stamp, const timespec& tick) {
  const std::pair<long long, long long> now(tick.tv_sec, tick.tv_nsec);
  return std::pair(stamp.modified, stamp.modifiedNs) < now &&
         std::pair(stamp.changed, stamp.changedNs) < now;
}

}  // namespace

PathMapper::PathMapper(fs::path prefix) : prefix_(std::move(prefix)) {}

PathMapper PathMapper::fromEnvironment() {
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix != nullptr && *prefix != '\0') {
    return PathMapper(prefix);
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') {
    const passwd* entry = getpwuid(getuid());
    home = entry != nullptr ? entry->pw_dir : "/";
  }
  return PathMapper(fs::path(home) / ".wine");
}

std::map<char, fs::path> PathMapper::drives() const {
  return currentDrives();
}

const std::map<char, fs::path>& PathMapper::currentDrives() const {
  const fs::path dosdevices = prefix_ / "dosdevices";
  const timespec tick = coarseNow();
  const std::optional<FolderStamp> stamp = stampOf(dosdevices);
  if (!stamp) {
    // Without the folder, C: and Z: as Wine makes them, under the stamp no folder has.
    if (!drives_ || !(drives_->stamp == FolderStamp{})) {
      drives_ = DriveTable{{}, false, {{'C', prefix_ / "drive_c"}, {'Z', fs::path("/")}}};
    }
    return drives_->drives;
  }
  if (drives_ && drives_->settled && drives_->stamp == *stamp) {
    return drives_->drives;
  }
  std::map<char, fs::path> result;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(dosdevices, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() != 2 || !isDriveLetter(name[0]) || name[1] != ':') {
      continue;
    }
    fs::path folder;
    if (entry.is_symlink(ec)) {
      fs::path target = fs::read_symlink(entry.path(), ec);
      if (ec) {
        continue;
      }
      folder = target.is_absolute() ? target : (dosdevices / target).lexically_normal();
    } else if (entry.is_directory(ec)) {
      folder = entry.path();
    } else {
      continue;
    }
    result[static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])))] = folder;
  }
  drives_ = DriveTable{*stamp, settledBefore(*stamp, tick), std::move(result)};
  return drives_->drives;
}

std::optional<PathMapper::FolderStamp> PathMapper::stampOf(const fs::path& hostFolder) {
  struct stat info;
  if (::stat(hostFolder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    return std::nullopt;
  }
  return stampOf(info);
}

PathMapper::FolderStamp PathMapper::stampOf(const struct stat& info) {
  return FolderStamp{info.st_dev,          info.st_ino,         info.st_mtim.tv_sec,
                     info.st_mtim.tv_nsec, info.st_ctim.tv_sec, info.st_ctim.tv_nsec};
}

void PathMapper::noteCreated(const fs::path& hostFolder, const std::string& name,
                             const FolderStamp& before) const {
  auto listing = listings_.find(hostFolder.string());
  if (listing == listings_.end()) {
    return;
  }
  std::optional<FolderStamp> now = stampOf(hostFolder);
  if (!now || !(listing->second.stamp == before)) {
    listings_.erase(listing);
    return;
  }
  auto [entry, added] = listing->second.names.emplace(foldCase(name), name);
  if (!added && name < entry->second) {
    entry->second = name;
  }
  listing->second.stamp = *now;
  listing->second.settled = true;
}

// The entry of a folder whose name equals name without regard to letter case; among several,
// the first in byte order so that the choice does not depend on the directory's order.
std::optional<std::string> PathMapper::findIgnoringCase(const fs::path& folder,
                                                        const std::string& name) const {
  // Stamped before the reading, so that a change made while reading shows at the next lookup.
  const timespec tick = coarseNow();
  std::optional<FolderStamp> stamp = stampOf(folder);
  if (!stamp) {
    return std::nullopt;
  }
  Listing& listing = listings_[folder.string()];
  if (!listing.settled || !(listing.stamp == *stamp)) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
      listings_.erase(folder.string());
      return std::nullopt;
    }
    listing.names.clear();
    while (const dirent* entry = ::readdir(dir)) {
      const std::string candidate = entry->d_name;
      if (candidate == "." || candidate == "..") {
        continue;
      }
      auto [found, added] = listing.names.emplace(foldCase(candidate), candidate);
      if (!added && candidate < found->second) {
        found->second = candidate;
      }
    }
    ::closedir(dir);
    listing.stamp = *stamp;
    listing.settled = settledBefore(*stamp, tick);
  }
  auto found = listing.names.find(foldCase(name));
  return found == listing.names.end() ? std::nullopt : std::optional<std::string>(found->second);
}

fs::path PathMapper::toHost(std::string_view windowsPath) const {
  // The platform's file functions take texts that end at a NUL: whatever follows one is not
  // part of the path (and must not reach the host, where it would cut a component short).
  windowsPath = windowsPath.substr(0, windowsPath.find('\0'));
  char drive = defaultDrive_;
  if (windowsPath.size() >= 2 && isDriveLetter(windowsPath[0]) && windowsPath[1] == ':') {
    drive = static_cast<char>(std::toupper(static_cast<unsigned char>(windowsPath[0])));
    windowsPath.remove_prefix(2);
  }
  const std::map<char, fs::path>& known = currentDrives();
  auto found = known.find(drive);
  // An unknown drive maps to where Wine would look for it, which does not exist, so that every
  // operation on it fails as on a missing drive.
  fs::path current =
      found != known.end()
          ? found->second
          : prefix_ / "dosdevices" / (std::string(1, static_cast<char>(std::tolower(drive))) + ":");
  const std::vector<std::string> components = windowsComponents(windowsPath);
  // Paths mostly come with their folders' own letter case: when the whole path, or its folder,
  // is there as written, every component before it matches exactly, and one look tells.
  fs::path exact = current;
  for (const std::string& component : components) {
    exact /= component;
  }
  struct stat info;
  if (components.empty() || ::lstat(exact.c_str(), &info) == 0) {
    return exact;
  }
  if (::lstat(exact.parent_path().c_str(), &info) == 0) {
    // Only the last component may differ in letter case from the name that is there.
    const std::optional<std::string> match =
        findIgnoringCase(exact.parent_path(), components.back());
    return match ? exact.parent_path() / *match : exact;
  }
  bool matching = true;
  for (const std::string& component : components) {
    if (matching) {
      std::error_code ec;
      if (fs::exists(fs::symlink_status(current / component, ec))) {
        current /= component;
        continue;
      }
      if (std::optional<std::string> match = findIgnoringCase(current, component)) {
        current /= *match;
        continue;
      }
      matching = false;
    }
    current /= component;
  }
  return current;
}

std::string PathMapper::toWindows(const fs::path& hostPath) const {
  std::error_code ec;
  const fs::path path = canonicalOrNormal(fs::absolute(hostPath, ec));
  char bestDrive = 0;
  size_t bestDepth = 0;
  std::vector<std::string> bestRest;
  char rootDrive = 0;
  for (const auto& [letter, folder] : currentDrives()) {
    const fs::path canonicalFolder = canonicalOrNormal(folder);
    if (canonicalFolder == canonicalFolder.root_path()) {
      if (rootDrive == 0 || letter == 'Z') {
        rootDrive = letter;
      }
      continue;
    }
    std::optional<std::vector<std::string>> rest = componentsBelow(canonicalFolder, path);
    size_t depth = std::distance(canonicalFolder.begin(), canonicalFolder.end());
    if (rest && depth > bestDepth) {
      bestDrive = letter;
      bestDepth = depth;
      bestRest = std::move(*rest);
    }
  }
  if (bestDrive == 0) {
    bestDrive = rootDrive != 0 ? rootDrive : 'Z';
    bestRest = *componentsBelow(path.root_path(), path);
  }
  std::string text{bestDrive, ':', '\\'};
  for (size_t i = 0; i < bestRest.size(); ++i) {
    text += (i == 0 ? "" : "\\") + bestRest[i];
  }
  return text;
}

}  // namespace fd
