#include "window/UpdateLog.h"

#include "platform/Clock.h"
#include "platform/FileSystem.h"

namespace fd {

UpdateLog::UpdateLog(FileSystem& fs, Clock& clock) : fs_(fs), clock_(clock) {}

void UpdateLog::create(const std::string& path) {
  // An earlier start within the same minute (or one whose stamp prints alike) keeps its lines.
  fs_.writeLines(path, {kHeader}, true);
  path_ = path;
}

void UpdateLog::EscribirLog(const std::string& text) {
  fs_.appendLine(path_, formatGeneralDate(clock_.now()) + text);
}

void UpdateLog::plainLine(const std::string& text) {
  fs_.appendLine(path_, text);
}

}  // namespace fd
