#include "update/ScriptLogReader.h"

#include <vector>

#include "platform/AppError.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "session/UpdateLog.h"

namespace fd {

namespace {

constexpr const char* kSource = "LeerLog";
constexpr const char* kEntry = " LeerLog ";
constexpr const char* kLineEntry = " ---> ";
constexpr const char* kErrorPrefix = "LeerLog. Error # ";

// A marker counts only after the line's first character; its first occurrence decides.
bool holdsAfterStart(const std::string& upper, const char* marker) {
  const size_t at = upper.find(marker);
  return at != std::string::npos && at >= 1;
}

bool startsBlock(const std::string& line) {
  const std::string upper = toUpper(line);
  return (holdsAfterStart(upper, "ERROR") || holdsAfterStart(upper, "MENSAJE")) &&
         upper.find("DBCC") == std::string::npos;
}

}  // namespace

std::string LeerLog(const std::string& salida, const FileSystem& fs, UpdateLog& log) {
  try {
    log.EscribirLog(kEntry + salida);
    std::string result;
    for (const std::string& line : fs.readLines(salida)) {
      log.EscribirLog(kLineEntry + line);
      if (startsBlock(line)) {
        result = line;
      }
      if (!result.empty()) {
        const std::string trimmed = trimSpaces(line);
        if (trimmed.empty()) {
          break;
        }
        result += "\r\n" + trimmed;
      }
    }
    return result;
  } catch (const AppError& error) {
    throw AppError(error.number(), kSource,
                   kErrorPrefix + signedNumber(error.number()) + "\r" + error.description());
  }
}

}  // namespace fd
