#include "packages/PackageExtraction.h"

#include "grid/Grid.h"
#include "platform/AppError.h"
#include "platform/Desktop.h"
#include "platform/FileSystem.h"
#include "platform/Processes.h"
#include "platform/Text.h"
#include "session/GridSetup.h"
#include "session/UpdateLog.h"
#include "session/UpdaterState.h"

namespace fd {

namespace {
// Quoted only when a space or tab would split the path, so that an ordinary line reads plain.
std::string quotedWhenSpaced(const std::string& path) {
  return path.find_first_of(" \t") == std::string::npos ? path : "\"" + path + "\"";
}

}  // namespace

std::string extractionCommand(const std::string& pathApp, const std::string& archivo,
                              const std::string& destino) {
  return quotedWhenSpaced(pathApp + "Winrar95.exe") + " e -o+ " +
         quotedWhenSpaced(pathApp + archivo) + " " + quotedWhenSpaced(destino);
}

PackageExtraction::PackageExtraction(const Grid& flxRar, UpdaterState& state, FileSystem& fs,
                                     Processes& processes, UpdateLog& log, Desktop& desktop,
                                     ActionButtons buttons,
                                     std::function<std::vector<std::string>()> leerFiles)
    : flxRar_(flxRar),
      state_(state),
      fs_(fs),
      processes_(processes),
      log_(log),
      desktop_(desktop),
      buttons_(buttons),
      leerFiles_(std::move(leerFiles)) {}

PackageExtraction::Outcome PackageExtraction::extractAll() {
  using Ending = Outcome::Ending;
  stopRequested_ = false;
  if (flxRar_.Rows() == 1) {
    const std::string mensaje = "No hay ninguna Actualización";
    desktop_.msgBox(mensaje, msgbox::kInformation, "");
    return {Ending::NoPackages, mensaje};
  }
  try {
    log_.EscribirLog(" Descomprimir");
    buttons_.setEnabled(false);
    for (int row = 1; row < flxRar_.Rows() && !stopRequested_; ++row) {
      const std::string archivo = flxRar_.TextMatrix(row, kRarPackage);
      const std::string destino = dropRightBytes(flxRar_.TextMatrix(row, kRarTemporaryPath), 1);
      if (!fs_.folderExists(destino))
        fs_.createFolder(destino);
      // Maintenance scripts' backups (".old") of an earlier extraction would pass for the
      // scripts extracted now; any ".old" the package holds comes back with it.
      for (const std::string& backup : fs_.listFiles(destino, "*.old", true))
        fs_.removeFile(destino + "\\" + backup);
      const std::string comando = extractionCommand(state_.mPathApp, archivo, destino);
      log_.EscribirLog(" " + comando);
      processes_.syncShell(comando, WindowState::NormalFocus);
    }
  } catch (const AppError& error) {
    std::string mensaje =
        "Actualizar : (" + std::to_string(error.number()) + ") " + error.description();
    if (error.number() == err::kFileNotFound) {
      mensaje += ". FALTA EL Archivo WinRar95.exe en la carpeta Actualizar.";
    }
    desktop_.msgBox(mensaje, msgbox::kQuestion, "");
    return {Ending::Failed, mensaje};
  }
  if (stopRequested_)
    return {Ending::Stopped, ""};
  const std::vector<std::string> unreadable = leerFiles_();
  if (!unreadable.empty())
    return {Ending::Failed, unreadable.back()};
  return {Ending::Done, ""};
}

}  // namespace fd
