#include <gtest/gtest.h>

#include <QComboBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QStringList>
#include <QTimer>

#include "UiTestSupport.h"
#include "fixtures/TempPrefix.h"
#include "platform/posix/PosixFileSystem.h"
#include "ui/qt/PickerDialog.h"
#include "window/frmPath.h"

namespace fd {
namespace {

class PickerDialogTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { test::ensureApplication(); }

  PickerDialogTest() : fs(prefix.mapper()), picker(prefix.mapper(), fs) {
    prefix.makeFolder("C:\\Fendal\\Comercial");
    prefix.makeFolder("C:\\Fendal\\CRM");
  }

  QStringList folders(PickerDialog& dialog) {
    QStringList names;
    auto* list = dialog.findChild<QListWidget*>("Dir1");
    for (int i = 0; i < list->count(); ++i)
      names << list->item(i)->text();
    return names;
  }

  static void press(QWidget* widget, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
  }

  TempPrefix prefix;
  PosixFileSystem fs;
  frmPath picker;
};

TEST_F(PickerDialogTest, ListsTheStartingFolderWithAWayUp) {
  picker.Ruta = "C:\\Fendal\\";
  picker.Form_Load();
  PickerDialog dialog(picker);
  EXPECT_EQ(dialog.windowTitle(), "Seleccionar carpeta");
  EXPECT_EQ(dialog.size(), QSize(316, 297));
  EXPECT_EQ(folders(dialog), (QStringList{"..", "Comercial", "CRM"}));
  EXPECT_EQ(dialog.findChild<QComboBox*>("Drive1")->currentText(), "c:");
  dialog.show();
  test::saveScreenshot(dialog, "picker");
}

TEST_F(PickerDialogTest, OpeningFoldersMovesRuta) {
  picker.Ruta = "C:\\Fendal\\";
  picker.Form_Load();
  PickerDialog dialog(picker);
  dialog.openFolder("CRM");
  EXPECT_EQ(picker.Ruta, "C:\\Fendal\\CRM\\");
  dialog.openFolder("..");
  dialog.openFolder("..");
  EXPECT_EQ(picker.Ruta, "C:\\");
  EXPECT_FALSE(folders(dialog).contains(".."));
}

TEST_F(PickerDialogTest, F12ClosesTheDialogAndEscapeDoesNot) {
  picker.Ruta = "C:\\Fendal\\";
  picker.Form_Load();
  PickerDialog dialog(picker);
  bool closedByEscape = true;
  QTimer::singleShot(0, &dialog, [&] {
    press(&dialog, Qt::Key_Escape);
    closedByEscape = !dialog.isVisible();
    press(dialog.findChild<QListWidget*>("Dir1"), Qt::Key_F12);
  });
  QTimer::singleShot(5000, &dialog, [&] { dialog.done(-1); });  // never hang the suite
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_FALSE(closedByEscape);
  EXPECT_EQ(picker.Ruta, "C:\\Fendal\\");
}

}  // namespace
}  // namespace fd
