#pragma once

namespace fd {

class Grid;

// The set-up of each of the window's grids: header captions, widths, data types, hidden columns,
// header row bold and centred, no data rows.
void ConfigurarBases(Grid& flxBases);
void ConfigurarArchivos(Grid& flxFile);
void ConfigurarScripts(Grid& flxScrp);
void ConfigurarPaquetes(Grid& flxRar);
void ConfigurarLog(Grid& flxLog);

}  // namespace fd
