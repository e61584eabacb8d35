#include "platform/Host.h"

#include <cctype>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Processes.h"
#include "platform/Registry.h"
#include "platform/odbc/OdbcDatabase.h"

namespace fd {

Host::Host(PathMapper paths, const std::filesystem::path& hostFolder)
    : paths_(std::move(paths)),
      programFolder_(paths_.toWindows(hostFolder)),
      databases_(std::make_unique<OdbcDatabaseProvider>()) {
  if (programFolder_.size() >= 2 && programFolder_[1] == ':') {
    paths_.setDefaultDrive(
        static_cast<char>(std::toupper(static_cast<unsigned char>(programFolder_[0]))));
  }
}

Host::~Host() = default;

}  // namespace fd
