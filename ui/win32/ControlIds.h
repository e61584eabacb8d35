#pragma once

#include <span>
#include <string_view>

namespace fd {

// The controls' identifiers, for the window's own messages and for whoever drives it.
namespace controlid {
enum : int {
  SSTab1 = 100,
  txtEstado,
  iLogo,
  txtDirFD,
  cmdRaiz,
  txtCom,
  txtDirCom,
  txtCon,
  txtDirCon,
  txtCRM,
  txtDirCRM,
  txtMRP,
  txtDirMRP,
  txtIni,
  txtDirIni,
  txtServidor,
  flxBases,
  flxRar,
  cmdDes,
  flxFile,
  flxScrp,
  chkFiles,
  chkComandos,
  chkScripts,
  cmdAct,
  flxLog,
  // The caption beside or above a control: captionOf(id).
  firstCaption = 200,
  // The section bars of the General page.
  sectionDirectorios = 300,
  sectionBases,
};

constexpr int captionOf(int id) {
  return id - SSTab1 + firstCaption;
}

// A control with a name: the name of its model in frmActualiza1 or, for the others, the one both
// views give it. Screen readers read it by that name where its window text is not its name
// (content, or none at all); the others read their own text.
struct NamedControl {
  int id;
  std::string_view name;
  bool readByName;
};
std::span<const NamedControl> namedControls();
// The control of that name; 0 when there is none.
int named(std::string_view name);

}  // namespace controlid
}  // namespace fd
