#pragma once

namespace fd {

class Grid;

// The columns of each grid, in the order its set-up below gives them. Column 0 holds the row
// number (in flxLog it stays empty).
enum BasesColumn : int { kBasesNumber, kBasesName, kBasesTicked };
enum RarColumn : int {
  kRarNumber,
  kRarPackage,
  kRarSystem,
  kRarVersion,
  kRarApplicationPath,
  kRarTemporaryPath,
};
enum FileColumn : int {
  kFileNumber,
  kFileName,
  kFileDate,
  kFileSource,
  kFileDestination,
  kFileKind,
  kFileFullDestination,
};
enum ScriptColumn : int {
  kScriptNumber,
  kScriptName,
  kScriptDate,
  kScriptSource,
  kScriptDestination,
  kScriptKind,
};
enum LogColumn : int { kLogNumber, kLogStatus, kLogMessage };

// The set-up of each of the window's grids: header captions, widths, data types, hidden columns,
// header row bold and centred, no data rows.
void ConfigurarBases(Grid& flxBases);
void ConfigurarArchivos(Grid& flxFile);
void ConfigurarScripts(Grid& flxScrp);
void ConfigurarPaquetes(Grid& flxRar);
void ConfigurarLog(Grid& flxLog);

}  // namespace fd
