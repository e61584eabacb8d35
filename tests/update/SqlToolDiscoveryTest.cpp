#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "fixtures/UpdaterFixture.h"
#include "support/clsRegistro.h"
#include "update/SqlToolDiscovery.h"

namespace fd::test {
namespace {

const std::string kSetup80 = "SOFTWARE\\Microsoft\\MSSQLServer\\Setup";
const std::string kSetupFD = "SOFTWARE\\Microsoft\\Microsoft SQL Server\\FD\\Setup";
const std::string kNotFound =
    "No es posible ejecutar los scripts porque no se encontró el archivo osql.exe en la carpeta de "
    "Microsoft SQL";

// Over the prefix's own drive C: and registry file.
class Discovery : public ::testing::Test {
 protected:
  void registerFolder(const std::string& key, const std::string& folder) {
    clsRegistro(f.registry).SetRegistryValue(key, "SQLPath", folder);
  }
  void place(const std::string& path) { f.writeFile(path, "tool"); }
  bool run() { return ConseguirPathISQL(mISQL, f.registry, f.fs, f.log, f.desktop); }

  StageFixture f;
  std::string mISQL;
};

struct SearchCase {
  std::string name;
  std::vector<std::pair<std::string, std::string>> keys;  // key, SQLPath
  std::vector<std::string> tools;
  std::string found;
};

class Searches : public Discovery, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(Searches, FindTheToolThatComesFirst) {
  for (const auto& [key, folder] : GetParam().keys) {
    registerFolder(key, folder);
  }
  for (const std::string& tool : GetParam().tools) {
    place(tool);
  }
  EXPECT_TRUE(run());
  EXPECT_EQ(mISQL, GetParam().found);
  EXPECT_TRUE(f.desktop.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Registry, Searches,
    ::testing::Values(
        SearchCase{"ProgramFilesX86ThroughQ",
                   {{kClientSetup, "C:\\Program Files (x86)\\Microsoft SQL Server\\90\\Tools"}},
                   {"C:\\Program Files\\Microsoft SQL Server\\90\\Tools\\Binn\\osql.exe"},
                   "C:\\Program Files\\Microsoft SQL Server\\90\\Tools\\Binn\\osql.exe"},
        SearchCase{"IsqlwPreferred",
                   {{kClientSetup, "C:\\SQL\\90\\Tools"}},
                   {"C:\\SQL\\90\\Tools\\Binn\\osql.exe", "C:\\SQL\\90\\Tools\\Binn\\isqlw.exe"},
                   "C:\\SQL\\90\\Tools\\Binn\\isqlw.exe"},
        SearchCase{"DeeperFolderFirst",
                   {{kSetup80, "C:\\Program Files\\Microsoft SQL Server\\MSSQL"}},
                   {"C:\\Program Files\\Microsoft SQL Server\\MSSQL\\80\\Tools\\Binn\\osql.exe",
                    "C:\\Program Files\\Microsoft SQL Server\\80\\Tools\\Binn\\isqlw.exe"},
                   "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\80\\Tools\\Binn\\osql.exe"},
        SearchCase{"ParentFolderWhenDeeperHasNone",
                   {{kSetup80, "C:\\Program Files\\Microsoft SQL Server\\MSSQL"}},
                   {"C:\\Program Files\\Microsoft SQL Server\\80\\Tools\\Binn\\isqlw.exe"},
                   "C:\\Program Files\\Microsoft SQL Server\\80\\Tools\\Binn\\isqlw.exe"},
        SearchCase{"DriveRootLast",
                   {{kSetup80, "C:\\Program Files\\Microsoft SQL Server"}},
                   {"C:\\80\\Tools\\Binn\\osql.exe"},
                   "C:\\80\\Tools\\Binn\\osql.exe"},
        SearchCase{"FirstPhaseWinsOverANewerTool",
                   {{kSetup80, "C:\\MSSQL"}, {kClientSetup, "C:\\SQL90\\Tools"}},
                   {"C:\\MSSQL\\80\\Tools\\Binn\\osql.exe", "C:\\SQL90\\Tools\\Binn\\isqlw.exe"},
                   "C:\\MSSQL\\80\\Tools\\Binn\\osql.exe"},
        SearchCase{"SecondPhase",
                   {{kSetupFD, "C:\\FD"}},
                   {"C:\\FD\\80\\Tools\\Binn\\osql.exe"},
                   "C:\\FD\\80\\Tools\\Binn\\osql.exe"},
        SearchCase{
            "NoKeysButToolOnTheCurrentDrive", {}, {"C:\\Binn\\osql.exe"}, "\\Binn\\osql.exe"},
        SearchCase{"LetterCaseOfTheFolderDoesNotMatter",
                   {{kClientSetup, "c:\\sql\\90\\TOOLS"}},
                   {"C:\\SQL\\90\\Tools\\Binn\\OSQL.EXE"},
                   "c:\\sql\\90\\TOOLS\\Binn\\osql.exe"}),
    [](const auto& info) { return info.param.name; });

TEST_F(Discovery, FoundToolIsLoggedOnce) {
  registerFolder(kClientSetup, "C:\\SQL\\90\\Tools");
  place("C:\\SQL\\90\\Tools\\Binn\\osql.exe");
  ASSERT_TRUE(run());
  EXPECT_EQ(f.entries(), std::vector<std::string>{" C:\\SQL\\90\\Tools\\Binn\\osql.exe"});
}

TEST_F(Discovery, NoKeysAndNoToolLogsTheLastCandidateAndTellsTheUser) {
  EXPECT_FALSE(run());
  EXPECT_EQ(mISQL, "\\Binn\\osql.exe");
  EXPECT_EQ(f.entries(),
            (std::vector<std::string>{" \\Binn\\osql.exe", " ERROR mISQL no se encontro"}));
  ASSERT_EQ(f.desktop.boxes.size(), 1u);
  EXPECT_EQ(f.desktop.boxes[0].prompt, kNotFound);
  EXPECT_EQ(f.desktop.boxes[0].style, 0);
  EXPECT_EQ(f.desktop.boxes[0].title, kProgramTitle);
}

TEST_F(Discovery, FolderIsNoTool) {
  registerFolder(kClientSetup, "C:\\SQL\\90\\Tools");
  f.makeFolder("C:\\SQL\\90\\Tools\\Binn\\osql.exe");
  EXPECT_FALSE(run());
  EXPECT_EQ(mISQL, "C:\\Binn\\osql.exe");
}

}  // namespace
}  // namespace fd::test
