#include "ui/win32/ControlIds.h"

#include <algorithm>
#include <iterator>

namespace fd::controlid {

namespace {

constexpr NamedControl kNamedControls[] = {
    {SSTab1, "SSTab1", true},
    {txtEstado, "txtEstado", true},
    {iLogo, "iLogo", true},
    {txtDirFD, "txtDirFD", true},
    {cmdRaiz, "cmdRaiz", true},
    {txtCom, "txtCom", true},
    {txtDirCom, "txtDirCom", true},
    {txtCon, "txtCon", true},
    {txtDirCon, "txtDirCon", true},
    {txtCRM, "txtCRM", true},
    {txtDirCRM, "txtDirCRM", true},
    {txtMRP, "txtMRP", true},
    {txtDirMRP, "txtDirMRP", true},
    {txtIni, "txtIni", true},
    {txtDirIni, "txtDirIni", true},
    {txtServidor, "txtServidor", true},
    {flxBases, "flxBases", true},
    {flxRar, "flxRar", true},
    {cmdDes, "cmdDes", false},
    {flxFile, "flxFile", true},
    {flxScrp, "flxScrp", true},
    {chkFiles, "chkFiles", false},
    {chkComandos, "chkComandos", false},
    {chkScripts, "chkScripts", false},
    {cmdAct, "cmdAct", false},
    {flxLog, "flxLog", true},
};

}  // namespace

std::span<const NamedControl> namedControls() {
  return kNamedControls;
}

int named(std::string_view name) {
  const auto found = std::find_if(std::begin(kNamedControls), std::end(kNamedControls),
                                  [name](const auto& control) { return control.name == name; });
  return found == std::end(kNamedControls) ? 0 : found->id;
}

}  // namespace fd::controlid
