#pragma once

#include <functional>
#include <string>

#include "session/Controls.h"

namespace fd {

class FileSystem;
class Grid;
class UpdateLog;
struct UpdaterState;

// The module folder of a system code (the window's PathSistema).
using PathSistemaFn = std::function<std::string(const std::string& code)>;

// Lists the packages (*.rar) in the updater's folder into flxRar: system, version, application
// folder, temporary folder; sorted by system and version, numbered; buttons enabled when any.
void CargarPaquetes(Grid& flxRar, UpdaterState& state, const FileSystem& fs, UpdateLog& log,
                    const PathSistemaFn& pathSistema, ActionButtons buttons);

// Recomputes the application folder of every package row from its system code.
void RefrescarPathAplicacion(Grid& flxRar, const PathSistemaFn& pathSistema);

// A version piece with at least `digits` digits when it reads as a number, unchanged otherwise.
std::string formatVersionPiece(const std::string& piece, int digits);

}  // namespace fd
