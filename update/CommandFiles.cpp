#include "update/CommandFiles.h"

#include <vector>

#include "platform/AppError.h"
#include "platform/CommandLine.h"
#include "platform/Desktop.h"
#include "platform/FileSystem.h"
#include "platform/Processes.h"
#include "platform/Text.h"
#include "session/UpdateLog.h"
#include "update/FileBackup.h"

namespace fd {

CommandFiles::CommandFiles(Folders folders, FileSystem& fs, Processes& processes, Desktop& desktop,
                           UpdateLog& log, FileBackup* backup)
    : folders_(folders),
      fs_(fs),
      processes_(processes),
      desktop_(desktop),
      log_(log),
      backup_(backup) {}

bool CommandFiles::isCommandKind(const std::string& tipo) {
  return tipo == ".cfd" || tipo == ".bat";
}

bool CommandFiles::isCommandFile(const std::string& tipo, const std::string& destino) {
  return isCommandKind(tipo) && destino.empty();
}

std::string CommandFiles::substitutedCopy(const std::string& batch) {
  // A file ending in ".log" is not run as a batch, so the substituted lines go to a batch of
  // their own beside the original.
  return dropRightBytes(toLower(batch), 4) + ".act.bat";
}

bool CommandFiles::EjecutarComandos(const std::string& archivo) {
  log_.EscribirLog(" Ejecutar Comandos " + archivo);
  result_ = true;
  const std::string tipo = rightBytes(archivo, 4);
  if (!isCommandKind(tipo))
    return true;

  const std::string bitacora = replaceAll(toLower(archivo), tipo, ".log");
  const std::string carpeta = archivo.substr(0, archivo.rfind('\\') + 1);
  std::vector<std::string> lines;
  try {
    lines = fs_.readLines(archivo);
  } catch (const AppError& error) {
    reportFailure(error);
    return result_;
  }

  if (tipo == ".cfd") {
    for (const std::string& raw : lines) {
      if (raw.empty())
        continue;
      runLine(substitute(raw, carpeta), bitacora);
    }
    return result_;
  }

  std::vector<std::string> sustituidas;
  for (const std::string& raw : lines) {
    sustituidas.push_back(substitute(raw, carpeta));
    logStep(bitacora, sustituidas.back());
  }
  try {
    const std::string copia = substitutedCopy(archivo);
    fs_.writeLines(copia, sustituidas, false);
    // Quoted, so that a folder with a space in its name does not split the program's path.
    processes_.syncShell(joinCommandLine({copia}), WindowState::NormalFocus);
  } catch (const AppError& error) {
    reportFailure(error);
  }
  return result_;
}

std::vector<std::string> CommandFiles::substitutedLines(const std::string& archivo) const {
  const bool cfd = rightBytes(archivo, 4) == ".cfd";
  const std::string carpeta = archivo.substr(0, archivo.rfind('\\') + 1);
  std::vector<std::string> lines;
  for (const std::string& raw : fs_.readLines(archivo)) {
    if (!cfd || !raw.empty())
      lines.push_back(substitute(raw, carpeta));
  }
  return lines;
}

std::string CommandFiles::substitute(const std::string& line, const std::string& carpeta) const {
  std::string text = replaceAll(line, "%PathActTmp%", carpeta);
  text = replaceAll(text, "%FileINI%", folders_.txtDirIni.Text());
  text = replaceAll(text, "%PathCom%", folders_.txtDirFD.Text() + folders_.txtCom.Text());
  return replaceAll(text, "%PathFD%", folders_.txtDirFD.Text());
}

void CommandFiles::runLine(const std::string& line, const std::string& bitacora) {
  // Single spaces separate the words: two spaces in a row give an empty word.
  const std::vector<std::string> words = splitText(line, ' ');
  const std::string verbo = toUpper(words[0]);
  // Outside the step's own error handling: a file without its backup must stop the run.
  if (verbo == "COPY" && words.size() >= 3 && backup_) {
    const std::string& target = words[2];
    backup_->keep(
        endsWith(target, "\\") ? target + words[1].substr(words[1].rfind('\\') + 1) : target,
        words[1]);
  } else if (verbo == "MAKEDIR" && words.size() >= 2 && backup_) {
    backup_->keepFolder(words[1]);
  }
  try {
    if (verbo == "COPY") {
      if (words.size() < 3)
        return;
      logStep(bitacora, "Copy " + words[1] + "  " + words[2]);
      fs_.copyFile(words[1], words[2], true);
    } else if (verbo == "MAKEDIR") {
      if (words.size() < 2)
        return;
      logStep(bitacora, "MakeDir " + words[1]);
      fs_.createFolder(words[1]);
    } else if (verbo == "SYNCSHELL") {
      logStep(bitacora, "FSyncShell " + line);
      std::size_t space = line.find(' ');
      processes_.syncShell(space == std::string::npos ? "" : line.substr(space + 1),
                           WindowState::NormalFocus);
    } else {
      logStep(bitacora, "Shell " + line);
      processes_.start(line, WindowState::NormalFocus);
    }
  } catch (const AppError& error) {
    reportFailure(error);
  }
}

void CommandFiles::logStep(const std::string& bitacora, const std::string& text) {
  try {
    fs_.appendLine(bitacora, text);
  } catch (const AppError& error) {
    reportFailure(error);
  }
}

void CommandFiles::reportFailure(const AppError& error) {
  result_ = false;
  desktop_.msgBox(std::to_string(error.number()) + " " + error.description(), msgbox::kExclamation,
                  kProgramTitle);
}

}  // namespace fd
