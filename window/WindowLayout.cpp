#include "window/WindowLayout.h"

#include <array>

#include "window/frmActualiza1.h"

namespace fd::layout {

namespace {

using F = frmActualiza1;
constexpr int kBasesRowTwips = 360;
constexpr int kGridRowTwips = 390;

constexpr std::array<std::string_view, PageCount> kPageCaptions = {
    "    General    ", "    Descomprimir    ", "    Actualizar   ", "    Resultados    "};

const std::array<ModuleRow, 5> kModuleRows{{
    {"Comercial", "txtCom", &F::txtCom, "txtDirCom", &F::txtDirCom,
     [](F& f) { f.txtCom_Validate(); }},
    {"Contabilidad", "txtCon", &F::txtCon, "txtDirCon", &F::txtDirCon,
     [](F& f) { f.txtCon_Validate(); }},
    {"CRM", "txtCRM", &F::txtCRM, "txtDirCRM", &F::txtDirCRM, [](F& f) { f.txtCRM_Validate(); }},
    {"MRP", "txtMRP", &F::txtMRP, "txtDirMRP", &F::txtDirMRP, [](F& f) { f.txtMRP_Validate(); }},
    {"INI", "txtIni", &F::txtIni, "txtDirIni", &F::txtDirIni, [](F& f) { f.txtIni_Validate(); }},
}};

const std::array<GridPlace, 5> kGrids{{
    {General, "", "flxBases", &F::flxBases, kBasesRowTwips, 1},
    {Descomprimir, "Paquetes", "flxRar", &F::flxRar, kGridRowTwips, 1},
    {Actualizar, "Archivos", "flxFile", &F::flxFile, kGridRowTwips, 3},
    {Actualizar, "Scripts", "flxScrp", &F::flxScrp, kGridRowTwips, 2},
    {Resultados, "Logs", "flxLog", &F::flxLog, kGridRowTwips, 1},
}};

const std::array<CheckPlace, 3> kCheckBoxes{{
    {Actualizar, "chkFiles", "Bajar Archivos", &F::chkFiles},
    {Actualizar, "chkComandos", "Ejecutar cfd", &F::chkComandos},
    {Actualizar, "chkScripts", "Ejecutar Scripts", &F::chkScripts},
}};

const std::array<ButtonPlace, 2> kButtons{{
    {Descomprimir, "cmdDes", "Descomprimir", [](F& f) { f.cmdDes_Click(); }},
    {Actualizar, "cmdAct", "Actualizar", [](F& f) { f.cmdAct_Click(); }},
}};

constexpr Logo kLogo{40,
                     17,
                     {28, 68, 140},
                     40,
                     {0, 12},
                     {72, 92},
                     {120, 220, 120},
                     {{78, 18}, {92, 40}, {83, 40}, {83, 80}, {73, 80}, {73, 40}, {64, 40}}};

}  // namespace

std::string_view pageCaption(int page) {
  return kPageCaptions.at(static_cast<std::size_t>(page));
}

std::span<const ModuleRow> moduleRows() {
  return kModuleRows;
}

std::span<const GridPlace> grids() {
  return kGrids;
}

std::span<const CheckPlace> checkBoxes() {
  return kCheckBoxes;
}

std::span<const ButtonPlace> buttons() {
  return kButtons;
}

const Logo& logo() {
  return kLogo;
}

}  // namespace fd::layout
