#include <gtest/gtest.h>

#include <stdexcept>

#include "fixtures/IdleOnlyControls.h"
#include "fixtures/UpdaterFixture.h"
#include "window/WindowControls.h"

namespace fd::test {
namespace {

struct StatusCase {
  std::string name;
  std::vector<std::string> texts;
  int rowsAdded;
};

class StatusRows : public ::testing::TestWithParam<StatusCase> {};

TEST_P(StatusRows, EveryChangeOfTheStatusAddsOneLogRow) {
  UpdaterFixture f;
  ASSERT_TRUE(f.window().Form_Load());
  auto& w = f.window();
  int before = w.flxLog.Rows();
  for (const auto& text : GetParam().texts)
    w.txtEstado.setText(text);
  EXPECT_EQ(w.flxLog.Rows() - before, GetParam().rowsAdded);
  EXPECT_EQ(w.flxLog.TextMatrix(w.flxLog.Rows() - 1, 1), GetParam().texts.back());
  EXPECT_EQ(w.flxLog.TextMatrix(w.flxLog.Rows() - 1, 0), "");
}

INSTANTIATE_TEST_SUITE_P(Statuses, StatusRows,
                         ::testing::Values(StatusCase{"SameTextTwice", {"A", "A"}, 1},
                                           StatusCase{"TextEmptyText", {"A", "", "A"}, 3},
                                           StatusCase{"Two", {"A", "B"}, 2}),
                         [](const auto& info) { return info.param.name; });

TEST(StatusRows, LongTextsWidenTheTextColumnsButNotColumnZero) {
  UpdaterFixture f;
  ASSERT_TRUE(f.window().Form_Load());
  auto& w = f.window();
  int before = w.flxLog.ColWidth(kLogStatus);
  w.txtEstado.setText(std::string(200, 'x'));
  EXPECT_GT(w.flxLog.ColWidth(kLogStatus), before);
  EXPECT_EQ(w.flxLog.ColWidth(kLogNumber), 420);
}

class DatabaseTicks : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(f.window().Form_Load());
    auto& grid = f.window().flxBases;
    appendRow(
        grid,
        BasesRow().set(kBasesNumber, "1").set(kBasesName, "COMERCIAL_A").set(kBasesTicked, "1"));
    appendRow(grid, BasesRow().set(kBasesNumber, "2").set(kBasesName, "Contab1"));
  }
  UpdaterFixture f;
};

TEST_F(DatabaseTicks, UntickingTheOnlyTickedDatabaseDisablesBothButtons) {
  auto& w = f.window();
  w.cmdDes.setEnabled(true);
  w.cmdAct.setEnabled(true);
  EXPECT_TRUE(w.flxBases.userEdit(1, 2, ""));
  EXPECT_FALSE(w.cmdDes.Enabled());
  EXPECT_FALSE(w.cmdAct.Enabled());
  EXPECT_TRUE(w.flxBases.userEdit(2, 2, "1"));
  EXPECT_TRUE(w.cmdDes.Enabled());
  EXPECT_TRUE(w.cmdAct.Enabled());
}

TEST_F(DatabaseTicks, NamesNumbersAndHeaderCannotBeEdited) {
  auto& w = f.window();
  EXPECT_FALSE(w.flxBases.userEdit(1, 1, "otra"));
  EXPECT_FALSE(w.flxBases.userEdit(0, 2, "1"));
  EXPECT_FALSE(w.flxBases.userEdit(2, 0, "9"));
  EXPECT_EQ(w.flxBases.TextMatrix(1, kBasesName), "COMERCIAL_A");
}

// The server box's validation may wait on its message; whatever the user does meanwhile is
// ignored, closing the window waits for its end, and all works again once it has ended.
TEST(BusyWindow, EveryOtherActionWaitsForTheServerValidation) {
  UpdaterFixture f;
  auto& w = f.started();
  const std::size_t boxes = f.desktop.boxes.size();
  const std::size_t entries = f.logTexts().size();
  const std::string server = w.txtServidor.Text();
  int closes = 0;
  w.closeWindow = [&] { ++closes; };
  int tries = 0;
  f.desktop.onBox = [&] {
    if (tries++ > 0)
      return;
    EXPECT_TRUE(w.running());
    for (const ControlDescription& control : windowControls())
      EXPECT_EQ(w.available(control), !isIdleOnly(control.name)) << control.name;
    for (std::string_view name : kIdleOnlyControls)
      EXPECT_NE(findControl(name), nullptr) << name;
    appendRow(w.flxBases, BasesRow().set(kBasesNumber, "1").set(kBasesName, "COMERCIAL_A"));
    EXPECT_FALSE(w.flxBases.userEdit(1, 2, "1"));
    EXPECT_FALSE(w.txtServidor.userEdit("otro"));
    EXPECT_FALSE(w.chkScripts.userEdit(0));
    w.txtCom.setText("Otro");
    w.txtCom_Validate();
    w.cmdRaiz_Click();
    w.txtServidor_Validate();
    EXPECT_EQ(w.cmdDes_Click().ending, PackageExtraction::Outcome::Ending::NotRun);
    EXPECT_EQ(w.cmdAct_Click().ending, UpdateRun::Outcome::Ending::NotRun);
    EXPECT_FALSE(w.Form_QueryUnload());
    EXPECT_EQ(closes, 0);
  };
  w.txtServidor_Validate();
  EXPECT_FALSE(w.running());
  EXPECT_EQ(closes, 1);
  // Only the validation's own log line and failure message.
  EXPECT_EQ(f.desktop.boxes.size(), boxes + 1);
  EXPECT_EQ(f.logTexts().size(), entries + 2);
  EXPECT_EQ(w.txtDirCom.Text(), f.fendal() + "Comercial\\");
  EXPECT_EQ(w.txtServidor.Text(), server);
  EXPECT_EQ(w.chkScripts.Value(), 1);

  appendRow(w.flxBases, BasesRow().set(kBasesNumber, "1").set(kBasesName, "COMERCIAL_A"));
  EXPECT_TRUE(w.flxBases.userEdit(1, 2, "1"));
  EXPECT_TRUE(w.cmdAct.Enabled());
  EXPECT_TRUE(w.chkScripts.userEdit(0));
  EXPECT_TRUE(w.Form_QueryUnload());
}

// A failure no stage traps reaches the view's trap; the window is free again meanwhile.
TEST(BusyWindow, AnUntrappedFailureStillFreesTheWindow) {
  UpdaterFixture f;
  auto& w = f.started();
  f.desktop.onBox = [] { throw std::runtime_error("sin memoria"); };
  EXPECT_THROW(w.txtServidor_Validate(), std::runtime_error);
  EXPECT_FALSE(w.running());
  f.desktop.onBox = nullptr;
  w.chkFiles.setValue(0);
  w.chkScripts.setValue(0);
  EXPECT_EQ(w.cmdAct_Click().ending, UpdateRun::Outcome::Ending::Done);
}

}  // namespace
}  // namespace fd::test
