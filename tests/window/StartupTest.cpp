#include <gtest/gtest.h>

#include "fixtures/UpdaterFixture.h"

namespace fd::test {
namespace {

struct StampCase {
  LocalDateTime when;
  std::string logName;
};

class LogStamp : public ::testing::TestWithParam<StampCase> {};

TEST_P(LogStamp, NamesTheLogWithoutLeadingZeros) {
  UpdaterFixture f;
  f.clock.setNow(GetParam().when);
  ASSERT_TRUE(f.window().Form_Load());
  EXPECT_EQ(f.window().state.mArchivoLog, f.act() + GetParam().logName);
  EXPECT_TRUE(f.exists(f.window().state.mArchivoLog));
}

INSTANTIATE_TEST_SUITE_P(Stamps, LogStamp,
                         ::testing::Values(StampCase{{2027, 3, 1, 8, 4, 0}, "ACT_20273184.log"},
                                           StampCase{{2026, 12, 25, 23, 59, 0},
                                                     "ACT_202612252359.log"},
                                           StampCase{{2026, 12, 7, 9, 5, 0}, "ACT_202612795.log"}));

TEST(Startup, ExistingLogOfTheSameNameIsKeptAndAppendedTo) {
  UpdaterFixture f;
  f.clock.setNow({2026, 12, 8, 6, 1, 0});
  f.writeFile(f.act() + "ACT_202612861.log", "earlier run\r\n");
  ASSERT_TRUE(f.window().Form_Load());
  auto lines = f.logLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "earlier run");
  EXPECT_EQ(lines[1], "--- Log de Actualización de Sistemas Fendal ---");
}

TEST(Startup, LogThatCannotBeCreatedTellsTheUserAndStops) {
  // A folder in the log's place cannot be opened as a file, even by root.
  UpdaterFixture f;
  f.clock.setNow({2026, 12, 8, 6, 1, 0});
  f.makeFolder(f.act() + "ACT_202612861.log");
  EXPECT_FALSE(f.window().Form_Load());
  ASSERT_EQ(f.desktop.boxes.size(), 1u);
  EXPECT_NE(f.desktop.boxes[0].prompt.find(f.act() + "ACT_202612861.log"), std::string::npos);
  EXPECT_EQ(f.desktop.boxes[0].prompt.find("No se pudo crear el archivo de log "), 0u);
}

TEST(Startup, SetsUpEveryGridWithOnlyItsHeader) {
  UpdaterFixture f;
  ASSERT_TRUE(f.window().Form_Load());
  auto& w = f.window();
  for (const Grid* grid : {&w.flxBases, &w.flxFile, &w.flxScrp, &w.flxRar, &w.flxLog}) {
    EXPECT_EQ(grid->Rows(), 1);
    EXPECT_TRUE(grid->CellBold(0, 1));
  }
  int visible = 0;
  for (int col = 0; col < w.flxFile.Cols(); ++col)
    visible += w.flxFile.ColHidden(col) ? 0 : 1;
  EXPECT_EQ(visible, 5);
  EXPECT_EQ(w.flxRar.TextMatrix(0, kRarApplicationPath), "Path Aplicación");
  EXPECT_EQ(w.flxFile.TextMatrix(0, kFileSource), "Orígen");
  EXPECT_EQ(w.flxBases.ColDataType(kBasesTicked), ColumnType::Boolean);
  EXPECT_EQ(w.chkFiles.Value(), 1);
  EXPECT_EQ(w.chkScripts.Value(), 1);
  EXPECT_EQ(w.state.mClave, "Murales");  // no server answers: the legacy one was tried last
}

}  // namespace
}  // namespace fd::test
