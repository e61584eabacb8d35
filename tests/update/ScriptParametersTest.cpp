#include <gtest/gtest.h>

#include <vector>

#include "fixtures/UpdaterFixture.h"
#include "platform/AppError.h"
#include "update/ScriptParameters.h"

namespace fd::test {
namespace {

class Parameters : public ::testing::Test {
 protected:
  void replace(const std::string& script, const std::string& catalogo = "Ventas") {
    run.ReemplazarParametros(script, catalogo, "SRV1");
  }

  StageFixture f;
  ScriptParameters run{f.fs, f.log};
  const std::string kScript = f.root() + "Tmp\\P1\\MANTEN_Indices.sql";
  const std::string kBackup = f.root() + "Tmp\\P1\\MANTEN_Indices.old";
};

struct RewriteCase {
  std::string name;
  std::string script;     // bytes as delivered
  std::string rewritten;  // bytes after the run for Ventas on SRV1
};

class Rewrites : public Parameters, public ::testing::WithParamInterface<RewriteCase> {};

TEST_P(Rewrites, SubstituteAndTrimEveryLine) {
  f.writeFile(kScript, GetParam().script);
  replace(kScript);
  EXPECT_EQ(f.readFile(kScript), GetParam().rewritten);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Rewrites,
    ::testing::Values(
        RewriteCase{"SpacesAroundAreRemoved", "   BACKUP DATABASE %Catalogo%  \r\n",
                    "BACKUP DATABASE Ventas\r\n"},
        RewriteCase{"OtherLetterCaseStays", "  use %catalogo% \r\n", "use %catalogo%\r\n"},
        RewriteCase{"BothPlaceholdersEveryTime", "%Servidor%.%Catalogo%.dbo %Catalogo%\r\n",
                    "SRV1.Ventas.dbo Ventas\r\n"},
        RewriteCase{"LastLineGetsALineEnd", "GO\r\nPRINT '%Catalogo%'", "GO\r\nPRINT 'Ventas'\r\n"},
        RewriteCase{"TabsStay", "\tSELECT 1  \r\n  \t  x\r\n", "\tSELECT 1\r\n\t  x\r\n"},
        RewriteCase{"LoneCarriageReturns", "a\rb\r", "a\r\nb\r\n"},
        RewriteCase{"BlankLinesKept", "a\r\n   \r\n\r\nb\r\n", "a\r\n\r\n\r\nb\r\n"},
        RewriteCase{"AnsiBytesKept", "PRINT 'a\xF1o'\r\n", "PRINT 'a\xF1o'\r\n"},
        RewriteCase{"EmptyScript", "", ""}),
    [](const auto& info) { return info.param.name; });

TEST_F(Parameters, BackupHoldsTheScriptAsDeliveredWithALineEnd) {
  f.writeFile(kScript, "  USE %Catalogo%\r\nGO");
  replace(kScript);
  EXPECT_EQ(f.readFile(kBackup), "  USE %Catalogo%\r\nGO\r\n");
}

TEST_F(Parameters, WritesADatedEntry) {
  f.writeFile(kScript, "x\r\n");
  replace(kScript);
  EXPECT_EQ(f.entries(), std::vector<std::string>{" ReemplazarParametros " + kScript});
}

TEST_F(Parameters, LaterDatabasesAndLaterRunsAreWrittenFromTheFirstBackup) {
  f.writeFile(kScript, "BACKUP DATABASE %Catalogo% TO %Servidor%\r\n");
  replace(kScript, "Ventas");
  replace(kScript, "Compras");
  EXPECT_EQ(f.readFile(kScript), "BACKUP DATABASE Compras TO SRV1\r\n");
  ScriptParameters laterRun{f.fs, f.log};
  laterRun.ReemplazarParametros(kScript, "Stock", "SRV1");
  EXPECT_EQ(f.readFile(kScript), "BACKUP DATABASE Stock TO SRV1\r\n");
  EXPECT_EQ(f.readFile(kBackup), "BACKUP DATABASE %Catalogo% TO %Servidor%\r\n");
}

struct UntouchedCase {
  std::string name;
  std::string script;  // below the fixture's root
  bool readOnly;
  bool hidden;
};

class Untouched : public Parameters, public ::testing::WithParamInterface<UntouchedCase> {};

TEST_P(Untouched, ScriptStaysAndNoOtherFileAppears) {
  const std::string content = "  USE %Catalogo%  \r\n";
  std::string script = f.root() + GetParam().script;
  f.writeFile(script, content);
  if (GetParam().readOnly) {
    f.makeReadOnly(script);
  }
  if (GetParam().hidden) {
    script = f.hide(script);
  }
  const auto folder = f.host(script).parent_path();
  const auto count = [&] { return std::distance(std::filesystem::directory_iterator(folder), {}); };
  const auto before = count();
  replace(script);
  EXPECT_EQ(f.readFile(script), content);
  EXPECT_EQ(count(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, Untouched,
    ::testing::Values(
        UntouchedCase{"ReadOnly", "Tmp\\P1\\MANTEN_Indices.sql", true, false},
        UntouchedCase{"Hidden", "Tmp\\P1\\MANTEN.sql", false, true},
        UntouchedCase{"OddExtensionCase", "Tmp\\P1\\MANTEN_Indices.sQl", false, false},
        UntouchedCase{"BackupFolderMissing", "Tmp\\P1.sql\\MANTEN.SQL", false, false}),
    [](const auto& info) { return info.param.name; });

struct BackupCase {
  std::string name;
  std::string script;
  std::string backup;
};

class BackupPaths : public ::testing::TestWithParam<BackupCase> {};

TEST_P(BackupPaths, ReplaceTheThreeExtensionSpellings) {
  EXPECT_EQ(ScriptParameters::backupPath(GetParam().script), GetParam().backup);
}

INSTANTIATE_TEST_SUITE_P(
    Extensions, BackupPaths,
    ::testing::Values(BackupCase{"Lower", "C:\\T\\MANTEN.sql", "C:\\T\\MANTEN.old"},
                      BackupCase{"Capital", "C:\\T\\MANTEN.Sql", "C:\\T\\MANTEN.old"},
                      BackupCase{"Upper", "C:\\Tmp\\P1\\MANTEN_Indices.SQL",
                                 "C:\\Tmp\\P1\\MANTEN_Indices.old"},
                      BackupCase{"Odd", "C:\\T\\MANTEN.sQl", "C:\\T\\MANTEN.sQl"},
                      BackupCase{"FolderToo", "C:\\P.sql\\MANTEN.SQL", "C:\\P.old\\MANTEN.old"}),
    [](const auto& info) { return info.param.name; });

class OtherExtensions : public Parameters, public ::testing::WithParamInterface<BackupCase> {};

// Written below the fixture's root.
TEST_P(OtherExtensions, AreBackedUpAndRewritten) {
  const std::string script = f.root() + GetParam().script;
  f.writeFile(script, "USE %Catalogo%\r\n");
  replace(script);
  EXPECT_EQ(f.readFile(script), "USE Ventas\r\n");
  EXPECT_EQ(f.readFile(f.root() + GetParam().backup), "USE %Catalogo%\r\n");
}

INSTANTIATE_TEST_SUITE_P(Spellings, OtherExtensions,
                         ::testing::Values(BackupCase{"Capital", "T\\MANTEN.Sql", "T\\MANTEN.old"},
                                           BackupCase{"Upper", "T\\MANTEN.SQL", "T\\MANTEN.old"}),
                         [](const auto& info) { return info.param.name; });

TEST_F(Parameters, MissingScriptPassesError53Up) {
  try {
    replace(kScript);
    FAIL() << "no error";
  } catch (const AppError& error) {
    EXPECT_EQ(error.number(), err::kFileNotFound);
  }
  EXPECT_EQ(f.entries(), std::vector<std::string>{" ReemplazarParametros " + kScript});
}

}  // namespace
}  // namespace fd::test
