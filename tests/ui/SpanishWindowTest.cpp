#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMenu>
#include <memory>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "fixtures/FakeClock.h"
#include "fixtures/Helpers.h"
#include "fixtures/TdsTestServer.h"
#include "platform/odbc/OdbcDatabase.h"
#include "support/clsRegistro.h"
#include "ui/qt/QtDesktop.h"

namespace fd {
namespace {

using Box = test::MessageBoxAnswerer::Box;

// The real window at start-up, over a server where two other users of the suite are connected,
// with one package and no RAR tool beside the updater. ctest runs this suite under LANG=C and
// LANG=es_ES.UTF-8 as well: the window is Spanish whatever the machine's locale.
class SpanishWindowTest
    : public test::PrefixWindowTest<FakeClock, QtDesktop, OdbcDatabaseProvider> {
 protected:
  SpanishWindowTest() : PrefixWindowTest("C:\\Upd") {}

  void SetUp() override {
    prefix.writeFile("C:\\Fendal\\Comercial\\fdCom.ini",
                     "[Comercial]\r\nServidor=" + server.dataSource() + "\r\n");
    prefix.writeFile("C:\\Upd\\COMERCIAL_5_2_7_x.rar", "");
    clsRegistro(registry).SetRegistryValue(test::kClientSetup, "SQLPath", "C:\\SQL");
    prefix.writeFile("C:\\SQL\\Binn\\osql.exe", "");
    desktop.setParentWindow(&window);
    ASSERT_TRUE(form.Form_Load());
    ASSERT_EQ(form.flxBases.CellChecked(1, kBasesTicked), kChecked);
  }

  test::TdsTestServer server{
      {"TDSTEST", {{"Fendal", "Murales7261qz"}}, {"EMPRESA_COMERCIAL"}, {{"Fendal", 2, ""}}}};
  test::MessageBoxAnswerer answerer{QMessageBox::No};
};

TEST_F(SpanishWindowTest, UsersQuestionAnswersSiOrNo) {
  form.chkFiles.setValue(0);
  click("cmdAct");
  EXPECT_EQ(answerer.boxes,
            (std::vector<Box>{{"Advertencia",
                               "Hay usuarios usando los sistemas Fendal. Asegúrese que no estén "
                               "usando el módulo que está por actualizar. ¿ Desea aplicar "
                               "actualización  ?",
                               {"Sí", "No"}}}));
}

TEST_F(SpanishWindowTest, ErrorBoxIsAccepted) {
  click("cmdDes");
  EXPECT_EQ(answerer.boxes, (std::vector<Box>{{"Vadelo",
                                               "Actualizar : (53) No se encontró el archivo. "
                                               "FALTA EL Archivo WinRar95.exe en la carpeta "
                                               "Actualizar.",
                                               {"Aceptar"}}}));
}

TEST_F(SpanishWindowTest, TextBoxMenusAreSpanish) {
  std::unique_ptr<QMenu> menu(
      window.findChild<QLineEdit*>("txtServidor")->createStandardContextMenu());
  std::vector<std::string> actions;
  for (QAction* action : menu->actions()) {
    if (!action->isSeparator())
      actions.push_back(action->text().remove('&').section('\t', 0, 0).toStdString());
  }
  ASSERT_FALSE(actions.empty());
  EXPECT_EQ(actions.front(), "Deshacer");
  EXPECT_EQ(actions.back(), "Seleccionar todo");
}

}  // namespace
}  // namespace fd
