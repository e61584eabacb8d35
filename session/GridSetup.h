#pragma once

#include "grid/ColumnSetup.h"
#include "grid/GridRow.h"

namespace fd {

class Grid;

// Each grid's columns: one enum value and one row of its table per column, in the same order.
// Column 0 holds the row number (in flxLog it stays empty). A stage fills a grid's rows through
// GridRow with these names.

enum BasesColumn : int { kBasesNumber, kBasesName, kBasesTicked, kBasesColumnCount };
inline constexpr ColumnTable<BasesColumn, kBasesColumnCount> kBasesColumns{{
    {kBasesNumber, "", 420},
    {kBasesName, "Base", 4500},
    {kBasesTicked, "Actualiza", 1500, ColumnType::Boolean},
}};

enum RarColumn : int {
  kRarNumber,
  kRarPackage,
  kRarSystem,
  kRarVersion,
  kRarApplicationPath,
  kRarTemporaryPath,
  kRarColumnCount,
};
inline constexpr ColumnTable<RarColumn, kRarColumnCount> kRarColumns{{
    {.column = kRarNumber, .caption = "", .width = 420, .alignment = Alignment::Center},
    {kRarPackage, "Actualización", 4500},
    {kRarSystem, "Sistema", std::nullopt},
    {kRarVersion, "Versión", 1500},
    {kRarApplicationPath, "Path Aplicación", 2400},
    {kRarTemporaryPath, "Path Temporal", 2400},
}};

enum FileColumn : int {
  kFileNumber,
  kFileName,
  kFileDate,
  kFileSource,
  kFileDestination,
  kFileKind,
  kFileFullDestination,
  kFileColumnCount,
};
inline constexpr ColumnTable<FileColumn, kFileColumnCount> kFileColumns{{
    {kFileNumber, "", 420},
    {kFileName, "Archivo", 3000},
    {kFileDate, "Fecha", 1000, ColumnType::Date},
    {kFileSource, "Orígen", 4500},
    {kFileDestination, "Destino", 4500},
    {.column = kFileKind, .hidden = true},
    {.column = kFileFullDestination, .hidden = true},
}};

enum ScriptColumn : int {
  kScriptNumber,
  kScriptName,
  kScriptDate,
  kScriptSource,
  kScriptDestination,
  kScriptKind,
  kScriptColumnCount,
};
inline constexpr ColumnTable<ScriptColumn, kScriptColumnCount> kScriptColumns{{
    {kScriptNumber, "", 420},
    {kScriptName, "Archivo", 3000},
    {kScriptDate, "Fecha", 1000, ColumnType::Date},
    {kScriptSource, "Orígen", 4500},
    {kScriptDestination, "Destino", 4500},
    {.column = kScriptKind, .hidden = true},
}};

enum LogColumn : int { kLogNumber, kLogStatus, kLogMessage, kLogColumnCount };
inline constexpr ColumnTable<LogColumn, kLogColumnCount> kLogColumns{{
    {kLogNumber, "", 420},
    {kLogStatus, "Archivo", 3600},
    {kLogMessage, "Mensaje", 9000},
}};

static_assert(inColumnOrder(kBasesColumns) && inColumnOrder(kRarColumns) &&
              inColumnOrder(kFileColumns) && inColumnOrder(kScriptColumns) &&
              inColumnOrder(kLogColumns));

using BasesRow = GridRow<BasesColumn>;
using RarRow = GridRow<RarColumn>;
using FileRow = GridRow<FileColumn>;
using ScriptRow = GridRow<ScriptColumn>;
using LogRow = GridRow<LogColumn>;

// The set-up of each of the window's grids from its table: header captions, widths, data types,
// hidden columns, header row bold and centred, no data rows.
void ConfigurarBases(Grid& flxBases);
void ConfigurarArchivos(Grid& flxFile);
void ConfigurarScripts(Grid& flxScrp);
void ConfigurarPaquetes(Grid& flxRar);
void ConfigurarLog(Grid& flxLog);

}  // namespace fd
