#include <gtest/gtest.h>
#include <sys/stat.h>

#include <vector>

#include "fixtures/FakeClock.h"
#include "fixtures/LogEntries.h"
#include "fixtures/TempPrefix.h"
#include "platform/AppError.h"
#include "platform/posix/PosixFileSystem.h"
#include "session/UpdateLog.h"
#include "update/ScriptParameters.h"

namespace fd::test {
namespace {

const std::string kScript = "C:\\Tmp\\P1\\MANTEN_Indices.sql";
const std::string kBackup = "C:\\Tmp\\P1\\MANTEN_Indices.old";

class Parameters : public ::testing::Test {
 protected:
  Parameters() {
    prefix.makeFolder("C:\\Act");
    log.create("C:\\Act\\ACT.log");
  }
  void replace(const std::string& script, const std::string& catalogo = "Ventas") {
    run.ReemplazarParametros(script, catalogo, "SRV1");
  }
  void makeReadOnly(const std::string& path) { ::chmod(prefix.host(path).c_str(), 0444); }
  std::vector<std::string> entries() const {
    return logEntries(fs.readLines("C:\\Act\\ACT.log"), clock.now());
  }

  TempPrefix prefix;
  PosixFileSystem fs{prefix.mapper()};
  mutable FakeClock clock;
  UpdateLog log{fs, clock};
  ScriptParameters run{fs, log};
};

struct RewriteCase {
  std::string name;
  std::string script;     // bytes as delivered
  std::string rewritten;  // bytes after the run for Ventas on SRV1
};

class Rewrites : public Parameters, public ::testing::WithParamInterface<RewriteCase> {};

TEST_P(Rewrites, SubstituteAndTrimEveryLine) {
  prefix.writeFile(kScript, GetParam().script);
  replace(kScript);
  EXPECT_EQ(prefix.readFile(kScript), GetParam().rewritten);
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
  prefix.writeFile(kScript, "  USE %Catalogo%\r\nGO");
  replace(kScript);
  EXPECT_EQ(prefix.readFile(kBackup), "  USE %Catalogo%\r\nGO\r\n");
}

TEST_F(Parameters, WritesADatedEntry) {
  prefix.writeFile(kScript, "x\r\n");
  replace(kScript);
  EXPECT_EQ(entries(), std::vector<std::string>{" ReemplazarParametros " + kScript});
}

TEST_F(Parameters, LaterDatabasesAndLaterRunsAreWrittenFromTheFirstBackup) {
  prefix.writeFile(kScript, "BACKUP DATABASE %Catalogo% TO %Servidor%\r\n");
  replace(kScript, "Ventas");
  replace(kScript, "Compras");
  EXPECT_EQ(prefix.readFile(kScript), "BACKUP DATABASE Compras TO SRV1\r\n");
  ScriptParameters laterRun{fs, log};
  laterRun.ReemplazarParametros(kScript, "Stock", "SRV1");
  EXPECT_EQ(prefix.readFile(kScript), "BACKUP DATABASE Stock TO SRV1\r\n");
  EXPECT_EQ(prefix.readFile(kBackup), "BACKUP DATABASE %Catalogo% TO %Servidor%\r\n");
}

struct UntouchedCase {
  std::string name;
  std::string script;
  bool readOnly;
};

class Untouched : public Parameters, public ::testing::WithParamInterface<UntouchedCase> {};

TEST_P(Untouched, ScriptStaysAndNoOtherFileAppears) {
  const std::string content = "  USE %Catalogo%  \r\n";
  prefix.writeFile(GetParam().script, content);
  if (GetParam().readOnly) {
    makeReadOnly(GetParam().script);
  }
  const auto folder = prefix.host(GetParam().script).parent_path();
  const auto count = [&] { return std::distance(std::filesystem::directory_iterator(folder), {}); };
  const auto before = count();
  replace(GetParam().script);
  EXPECT_EQ(prefix.readFile(GetParam().script), content);
  EXPECT_EQ(count(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, Untouched,
    ::testing::Values(UntouchedCase{"ReadOnly", kScript, true},
                      UntouchedCase{"Hidden", "C:\\Tmp\\P1\\.MANTEN.sql", false},
                      UntouchedCase{"OddExtensionCase", "C:\\Tmp\\P1\\MANTEN_Indices.sQl", false},
                      UntouchedCase{"BackupFolderMissing", "C:\\Tmp\\P1.sql\\MANTEN.SQL", false}),
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

struct ExtensionCase {
  std::string name;
  std::string script;
  std::string backup;
};

class OtherExtensions : public Parameters, public ::testing::WithParamInterface<ExtensionCase> {};

TEST_P(OtherExtensions, AreBackedUpAndRewritten) {
  prefix.writeFile(GetParam().script, "USE %Catalogo%\r\n");
  replace(GetParam().script);
  EXPECT_EQ(prefix.readFile(GetParam().script), "USE Ventas\r\n");
  EXPECT_EQ(prefix.readFile(GetParam().backup), "USE %Catalogo%\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, OtherExtensions,
    ::testing::Values(ExtensionCase{"Capital", "C:\\T\\MANTEN.Sql", "C:\\T\\MANTEN.old"},
                      ExtensionCase{"Upper", "C:\\T\\MANTEN.SQL", "C:\\T\\MANTEN.old"}),
    [](const auto& info) { return info.param.name; });

TEST_F(Parameters, MissingScriptPassesError53Up) {
  try {
    replace(kScript);
    FAIL() << "no error";
  } catch (const AppError& error) {
    EXPECT_EQ(error.number(), err::kFileNotFound);
  }
  EXPECT_EQ(entries(), std::vector<std::string>{" ReemplazarParametros " + kScript});
}

}  // namespace
}  // namespace fd::test
