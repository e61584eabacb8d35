#include "session/UpdateLog.h"

#include "platform/AppError.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"

namespace fd {

UpdateLog::UpdateLog(FileSystem& fs, Clock& clock) : fs_(fs), clock_(clock) {}

void UpdateLog::create(const std::string& path) {
  // An earlier start within the same minute (or one whose stamp prints alike) keeps its lines.
  fs_.writeLines(path, {kHeader}, true);
  path_ = path;
}

std::string UpdateLog::stampNow(Clock& clock) {
  return std::to_string(clock.now().year) + std::to_string(clock.now().month) +
         std::to_string(clock.now().day) + std::to_string(clock.now().hour) +
         std::to_string(clock.now().minute);
}

void UpdateLog::EscribirLog(const std::string& text) {
  plainLine(formatGeneralDate(clock_.now()) + text);
}

void UpdateLog::plainLine(const std::string& text) {
  try {
    fs_.appendLine(path_, text);
  } catch (const AppError& error) {
    // Whoever reports it names the file, which the platform's own text does not.
    throw AppError(error.number(), error.source(),
                   "No se pudo escribir el archivo de log " + path_ + ": " + error.description());
  }
}

}  // namespace fd
