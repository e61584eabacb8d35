#include <gtest/gtest.h>

#include "fixtures/TempPrefix.h"
#include "fixtures/UpdaterFixture.h"
#include "platform/posix/PosixFileSystem.h"
#include "window/frmPath.h"

namespace fd::test {
namespace {

class FolderPicker : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix.addDrive('D');
    prefix.makeFolder("C:\\Fendal\\Comercial");
    prefix.makeFolder("D:\\Datos");
  }
  TempPrefix prefix;
  PosixFileSystem fs{prefix.mapper()};
};

struct StartCase {
  std::string start;
  std::string ruta;
};

class PickerStart : public FolderPicker, public ::testing::WithParamInterface<StartCase> {};

TEST_P(PickerStart, OpensOnTheStartingFolderOrOnTheDefaultRoot) {
  frmPath picker(prefix.mapper(), fs);
  picker.Ruta = GetParam().start;
  picker.Form_Load();
  EXPECT_EQ(picker.Ruta, GetParam().ruta);
}

INSTANTIATE_TEST_SUITE_P(
    Starts, PickerStart,
    ::testing::Values(StartCase{"C:\\Fendal\\", "C:\\Fendal\\"},
                      StartCase{"c:\\fendal\\comercial", "c:\\fendal\\comercial\\"},
                      StartCase{"D:\\Datos\\", "D:\\Datos\\"}, StartCase{"D:\\", "D:\\"},
                      StartCase{"Q:\\Missing\\", "C:\\Fendal\\"},
                      StartCase{"D:\\Missing\\", "C:\\Fendal\\"}, StartCase{"", ""}));

TEST_F(FolderPicker, MovingToADriveRootKeepsOneBackslash) {
  frmPath picker(prefix.mapper(), fs);
  picker.Ruta = "C:\\Fendal\\";
  picker.Form_Load();
  picker.setDrive("d:");
  EXPECT_EQ(picker.Ruta, "D:\\");
  picker.setPath("D:\\Datos");
  EXPECT_EQ(picker.Ruta, "D:\\Datos\\");
  EXPECT_TRUE(picker.Form_KeyDown(frmPath::kKeyF12));
  EXPECT_FALSE(picker.Form_KeyDown(13));
}

TEST_F(FolderPicker, ListsTheDrivesAndSubFolders) {
  frmPath picker(prefix.mapper(), fs);
  picker.Ruta = "C:\\Fendal\\";
  picker.Form_Load();
  auto drives = picker.Drives();
  EXPECT_NE(std::find(drives.begin(), drives.end(), "d:"), drives.end());
  EXPECT_EQ(picker.SubFolders(), std::vector<std::string>{"Comercial"});
}

TEST(RootPicker, ClosingAtOnceOnAnEmptyRootGivesABackslash) {
  UpdaterFixture f;
  auto& w = f.window();
  std::string shownWith = "unset";
  w.showPicker = [&](frmPath& picker) { shownWith = picker.Ruta; };
  w.txtDirFD.setText("");
  w.cmdRaiz_Click();
  EXPECT_EQ(shownWith, "");
  EXPECT_EQ(w.txtDirFD.Text(), "\\");
}

TEST(RootPicker, TakesTheFolderThePickerMovedTo) {
  UpdaterFixture f;
  f.prefix.makeFolder("C:\\Otra\\Estudios");
  auto& w = f.window();
  w.txtCom.setText("Comercial");
  w.showPicker = [](frmPath& picker) { picker.setPath("C:\\Otra"); };
  w.txtDirFD.setText("C:\\Fendal\\");
  w.cmdRaiz_Click();
  EXPECT_EQ(w.txtDirFD.Text(), "C:\\Otra\\");
  EXPECT_EQ(w.txtDirCom.Text(), "C:\\Otra\\Estudios\\");
}

}  // namespace
}  // namespace fd::test
