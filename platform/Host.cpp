#include "platform/Host.h"

#include <cctype>

#include "platform/PathMapper.h"

namespace fd {

std::string programFolderOf(PathMapper& paths, const std::filesystem::path& hostFolder) {
  std::string folder = paths.toWindows(hostFolder);
  if (folder.size() >= 2 && folder[1] == ':') {
    paths.setDefaultDrive(static_cast<char>(std::toupper(static_cast<unsigned char>(folder[0]))));
  }
  return folder;
}

}  // namespace fd
