#include "window/WindowControls.h"

#include <algorithm>
#include <array>

#include "window/frmActualiza1.h"

namespace fd {

namespace {

using F = frmActualiza1;
constexpr bool kIdleOnly = true;

const std::array<ControlDescription, 24> kControls{{
    {"txtDirFD", &F::txtDirFD, kIdleOnly},
    {"cmdRaiz", &F::cmdRaiz, kIdleOnly},
    {"txtCom", &F::txtCom, kIdleOnly},
    {"txtDirCom", &F::txtDirCom},
    {"txtCon", &F::txtCon, kIdleOnly},
    {"txtDirCon", &F::txtDirCon},
    {"txtCRM", &F::txtCRM, kIdleOnly},
    {"txtDirCRM", &F::txtDirCRM},
    {"txtMRP", &F::txtMRP, kIdleOnly},
    {"txtDirMRP", &F::txtDirMRP},
    {"txtIni", &F::txtIni, kIdleOnly},
    {"txtDirIni", &F::txtDirIni},
    {"txtServidor", &F::txtServidor, kIdleOnly},
    {"flxBases", &F::flxBases, kIdleOnly},
    {"flxRar", &F::flxRar},
    {"cmdDes", &F::cmdDes, kIdleOnly},
    {"flxFile", &F::flxFile},
    {"flxScrp", &F::flxScrp},
    {"chkFiles", &F::chkFiles, kIdleOnly},
    {"chkComandos", &F::chkComandos, kIdleOnly},
    {"chkScripts", &F::chkScripts, kIdleOnly},
    {"cmdAct", &F::cmdAct, kIdleOnly},
    {"flxLog", &F::flxLog},
    {"txtEstado", &F::txtEstado},
}};

}  // namespace

std::span<const ControlDescription> windowControls() {
  return kControls;
}

const ControlDescription* findControl(std::string_view name) {
  const auto found = std::find_if(kControls.begin(), kControls.end(),
                                  [name](const ControlDescription& c) { return c.name == name; });
  return found == kControls.end() ? nullptr : &*found;
}

}  // namespace fd
