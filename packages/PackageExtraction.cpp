#include "packages/PackageExtraction.h"

#include <algorithm>
#include <optional>

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
constexpr const char* kNoSeAplicara = ". El paquete no se aplicará.";

// Quoted only when a space or tab would split the path, so that an ordinary line reads plain.
std::string quotedWhenSpaced(const std::string& path) {
  return path.find_first_of(" \t") == std::string::npos ? path : "\"" + path + "\"";
}

// A quote or a line break would end the argument early wherever it stands.
bool quotable(const std::string& text) {
  return std::none_of(text.begin(), text.end(),
                      [](char c) { return c == '"' || static_cast<unsigned char>(c) < 0x20; });
}

// The last line a program wrote, without the blank ones after it.
std::string lastLine(const std::string& output) {
  std::string text = replaceAll(output, "\r", "\n");
  while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  const std::size_t from = text.rfind('\n');
  return printableName(from == std::string::npos ? text : text.substr(from + 1));
}
}  // namespace

std::string extractionCommand(const std::string& pathApp, const std::string& archivo,
                              const std::string& destino) {
  return quotedWhenSpaced(pathApp + "Winrar95.exe") + " e -o+ " +
         quotedWhenSpaced(pathApp + archivo) + " " + quotedWhenSpaced(destino);
}

PackageExtraction::PackageExtraction(Grid& flxRar, UpdaterState& state, FileSystem& fs,
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
    state_.failedPackages.clear();
    flxRar_.setCellBackColor(1, kRarPackage, flxRar_.Rows() - 1, flxRar_.Cols() - 1,
                             colors::kWhite);
    for (int row = 1; row < flxRar_.Rows() && !stopRequested_; ++row) {
      if (std::optional<std::string> why = extract(row))
        refuse(row, *why);
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

std::optional<std::string> PackageExtraction::extract(int row) {
  const std::string archivo = flxRar_.TextMatrix(row, kRarPackage);
  const std::string destino = dropRightBytes(flxRar_.TextMatrix(row, kRarTemporaryPath), 1);
  // The folder is emptied below: it must be the package's own, directly inside the updater's
  // folder, whatever the name ("..rar", "...rar") or the grid says.
  const std::string carpeta = dropRightBytes(archivo, 4);
  if (!isWindowsFileName(archivo) || carpeta.empty() || carpeta.ends_with('.') ||
      carpeta.ends_with(' '))
    return "su nombre no puede ir en la línea de órdenes de Winrar95.exe";
  if (!quotable(state_.mPathApp))
    return "la carpeta del Actualizador no puede ir en la línea de órdenes de Winrar95.exe";
  if (destino != state_.mPathApp + carpeta)
    return "su carpeta temporal no está en la carpeta del Actualizador";
  if (!fs_.folderExists(destino)) {
    fs_.createFolder(destino);
  } else if ((fs_.attributes(destino) & attr::kReparsePoint) != 0) {
    return "su carpeta " + destino + " es un vínculo a otra carpeta";
  } else {
    // Whatever an earlier extraction or run left there (a command file's log, a script's
    // backup) would pass for the package's own files.
    try {
      for (const std::string& name : fs_.listFiles(destino, "*", true))
        fs_.removeFile(destino + "\\" + name);
    } catch (const AppError& error) {
      return "no se pudo vaciar su carpeta " + destino + ": (" + std::to_string(error.number()) +
             ") " + error.description();
    }
  }
  const std::string comando = extractionCommand(state_.mPathApp, archivo, destino);
  log_.EscribirLog(" " + comando);
  const Processes::Ended ended =
      processes_.syncShellTakingOutput(comando, WindowState::NormalFocus);
  if (ended.exitCode == 0)
    return std::nullopt;
  const std::string reason = lastLine(ended.output);
  return "Winrar95.exe terminó con el código " + std::to_string(ended.exitCode) +
         (reason.empty() ? "" : ": " + reason);
}

void PackageExtraction::refuse(int row, const std::string& why) {
  const std::string archivo = flxRar_.TextMatrix(row, kRarPackage);
  log_.EscribirLog(" ERROR No se pudo descomprimir " + printableName(archivo) + ": " + why +
                   kNoSeAplicara);
  flxRar_.setCellBackColor(row, kRarPackage, row, flxRar_.Cols() - 1, colors::kLightRed);
  state_.failedPackages.push_back(archivo);
}

}  // namespace fd
