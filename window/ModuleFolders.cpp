// The module folder boxes of the window: derivation, validations, the root picker, PathSistema.
// While the window is busy they are ignored: the operation under way reads these folders.
#include <array>
#include <utility>

#include "platform/FileSystem.h"
#include "window/frmActualiza1.h"
#include "window/frmPath.h"

namespace fd {

std::string frmActualiza1::PathSistema(const std::string& code) const {
  const std::array<std::pair<const char*, const TextBox*>, 8> table{{
      {"COMERCIAL", &txtDirCom},
      {"SMALLCOM", &txtDirCom},
      {"COM", &txtDirCom},
      {"COM_MEDIO", &txtDirCom},
      {"ESTUDIOS", &txtDirCom},
      {"CONTABILIDAD", &txtDirCon},
      {"CRM", &txtDirCRM},
      {"MRP", &txtDirMRP},
  }};
  for (const auto& [system, box] : table) {
    if (code == system)
      return box->Text();
  }
  return txtDirFD.Text();
}

void frmActualiza1::txtDirFD_Validate() {
  if (busy.Value())
    return;
  const std::string& root = txtDirFD.Text();
  txtDirCom.setText(root + txtCom.Text() + "\\");
  txtDirCon.setText(root + txtCon.Text() + "\\");
  txtDirCRM.setText(root + txtCRM.Text() + "\\");
  txtDirMRP.setText(root + txtMRP.Text() + "\\");
  if (!services.fs.folderExists(txtDirCom.Text())) {
    txtCom.setText("Estudios");
    txtDirCom.setText(root + txtCom.Text() + "\\");
    if (!services.fs.folderExists(txtDirCom.Text())) {
      txtCom.setText("Comercial");
      txtDirCom.setText(root + txtCom.Text() + "\\");
    }
  }
  txtDirIni.setText(root + txtCom.Text() + "\\" + txtIni.Text());
  RefrescarPathAplicacion();
}

void frmActualiza1::txtCom_Validate() {
  if (busy.Value())
    return;
  txtDirCom.setText(txtDirFD.Text() + txtCom.Text() + "\\");
  txtDirIni.setText(txtDirFD.Text() + txtCom.Text() + "\\" + txtIni.Text());
  RefrescarPathAplicacion();
}

void frmActualiza1::showModuleFolder(TextBox& txtDir, const TextBox& txtName) {
  if (busy.Value())
    return;
  txtDir.setText(txtDirFD.Text() + txtName.Text() + "\\");
  RefrescarPathAplicacion();
}

void frmActualiza1::txtCon_Validate() {
  showModuleFolder(txtDirCon, txtCon);
}

void frmActualiza1::txtCRM_Validate() {
  showModuleFolder(txtDirCRM, txtCRM);
}

void frmActualiza1::txtMRP_Validate() {
  showModuleFolder(txtDirMRP, txtMRP);
}

void frmActualiza1::txtIni_Validate() {
  if (busy.Value())
    return;
  txtDirIni.setText(txtDirFD.Text() + txtCom.Text() + "\\" + txtIni.Text());
}

void frmActualiza1::cmdRaiz_Click() {
  if (busy.Value())
    return;
  frmPath picker(services.paths, services.fs);
  picker.Ruta = txtDirFD.Text();
  picker.Form_Load();
  if (showPicker)
    showPicker(picker);
  txtDirFD.setText(picker.Ruta);
  if (!txtDirFD.Text().ends_with('\\'))
    txtDirFD.setText(txtDirFD.Text() + "\\");
  txtDirFD_Validate();
}

}  // namespace fd
