#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

#include "databases/ServerConnection.h"
#include "fixtures/TdsTestServer.h"
#include "fixtures/UpdaterFixture.h"
#include "platform/AnsiCodec.h"
#include "platform/AppError.h"
#include "session/GridSetup.h"
#include "update/ScriptParameters.h"
#include "update/ScriptRunner.h"
#include "update/SqlToolDiscovery.h"

namespace fd::test {
namespace {

// Processes whose exit codes come from a script: each read takes the next one.
class ScriptedProcesses : public Processes {
 public:
  explicit ScriptedProcesses(std::deque<std::optional<int>> codes) : codes_(std::move(codes)) {}
  int start(const std::string& commandLine, WindowState state) override {
    started.push_back(commandLine);
    states.push_back(state);
    return 42;
  }
  int syncShell(const std::string&, WindowState) override { return 0; }
  Ended syncShellTakingOutput(const std::string&, WindowState) override { return {}; }
  std::optional<int> exitCode(int) override {
    auto code = codes_.front();
    if (codes_.size() > 1)
      codes_.pop_front();
    return code;
  }
  std::vector<ProcessEntry> list() const override { return {}; }
  void sendOutputTo(const std::string&) override {}

  std::vector<std::string> started;
  std::vector<WindowState> states;

 private:
  std::deque<std::optional<int>> codes_;
};

// The stage alone: its two grids, the state and the log, without the window.
class ScriptRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ConfigurarScripts(flxScrp);
    ConfigurarLog(flxLog);
    state.mISQL = "C:\\SQL\\Binn\\osql.exe";
    state.mServidor = "SRV1";
    state.mCatalogo = "Ventas";
    state.mClave = "Murales";
    appendRow(flxScrp, ScriptRow()
                           .set(kScriptNumber, "1")
                           .set(kScriptName, "Alta.SQL")
                           .set(kScriptSource, tmp + "Alta.SQL")
                           .set(kScriptKind, ".sql"));
    // The status row the run writes before each script.
    appendRow(flxLog, LogRow().set(kLogStatus, "Ventas: Ejecutar Alta.SQL"));
  }
  std::string run(Processes& processes, const std::string& script, int row = 1) {
    ScriptParameters parameters(f.fs, f.log);
    ScriptRunner runner(state, flxScrp, flxLog, f.fs, processes, f.clock, f.desktop, f.log,
                        parameters);
    return runner.EjecutarPaquete(script, row);
  }

  StageFixture f;  // the host's file system, the fake clock, the scripted desktop and the log
  const std::string tmp = f.root() + "Tmp\\P1\\";  // the package's folder
  Grid flxScrp;
  Grid flxLog;
  UpdaterState state;
};

TEST_F(ScriptRunnerTest, BuildsTheCommandLineAndMasksThePasswordInTheLog) {
  f.writeFile(tmp + "Alta.log", "1> (1 row affected)\r\n");
  ScriptedProcesses processes({kStillActive, kStillActive, 0});
  EXPECT_EQ(run(processes, tmp + "Alta.SQL"), "");
  ASSERT_EQ(processes.started.size(), 1u);
  const std::string files = "-i \"" + tmp + "Alta.SQL\" -o \"" + tmp + "Alta.log\"";
  EXPECT_EQ(processes.started[0],
            "\"C:\\SQL\\Binn\\osql.exe\" -S SRV1 -d Ventas -U Fendal -P Murales " + files);
  EXPECT_EQ(processes.states[0], WindowState::MinimizedNoFocus);
  const auto texts = f.entries();
  EXPECT_NE(
      std::find(texts.begin(), texts.end(),
                " \"C:\\SQL\\Binn\\osql.exe\" -S SRV1 -d Ventas -U Fendal -P ******** " + files),
      texts.end());
  EXPECT_EQ(flxScrp.CellBackColor(1, 1), colors::kLightGreen);
  // Three reads of the exit code, each followed by a round of events and a 100 ms pause.
  EXPECT_EQ(f.clock.sleepCount(), 3);
}

TEST_F(ScriptRunnerTest, AProcessThatCannotBeWatchedCountsAsFailed) {
  ScriptedProcesses processes({std::nullopt});
  EXPECT_EQ(run(processes, tmp + "Alta.SQL"), "No se pudo ejecutar");
  EXPECT_EQ(flxLog.TextMatrix(flxLog.Rows() - 1, 2), "No se pudo ejecutar");
  EXPECT_EQ(flxScrp.CellBackColor(1, 1), colors::kLightRed);
}

struct PasswordCase {
  std::string name;
  std::string script;
  std::string claveBefore;
  std::string claveAfter;
};

class PasswordRule : public ScriptRunnerTest, public ::testing::WithParamInterface<PasswordCase> {};

TEST_P(PasswordRule, OnlyThePasswordChangeScriptSwitchesToTheCurrentPassword) {
  state.mClave = GetParam().claveBefore;
  ScriptedProcesses processes({1});
  run(processes, tmp + GetParam().script);
  EXPECT_EQ(state.mClave, GetParam().claveAfter);
  EXPECT_NE(processes.started[0].find(" -P " + GetParam().claveBefore + " -i "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, PasswordRule,
    ::testing::Values(PasswordCase{"Marked", "CambioDeClavesSQL.sql", "Murales", "Murales7261qz"},
                      PasswordCase{"OtherCase", "cambiodeclavessql.sql", "Murales", "Murales"},
                      PasswordCase{"AlreadyCurrent", "CambioDeClavesSQL.sql", "Murales7261qz",
                                   "Murales7261qz"},
                      PasswordCase{"Unmarked", "Alta.sql", "Murales", "Murales"}),
    [](const auto& info) { return info.param.name; });

struct MarkCase {
  std::string name;
  std::string script;  // in the package's folder; "" for a bare name starting with the mark
  bool substituted;
};

class MaintenanceMark : public ScriptRunnerTest, public ::testing::WithParamInterface<MarkCase> {};

TEST_P(MaintenanceMark, InAnyLetterCaseFromTheSecondCharacterOnSubstitutes) {
  ScriptedProcesses processes({1});
  if (GetParam().script.empty()) {
    // Not substituted: the script is not even opened (it does not exist).
    EXPECT_NO_THROW(run(processes, "MANTEN.sql"));
    return;
  }
  const std::string script = tmp + GetParam().script;
  f.writeFile(script, "USE %Catalogo%\r\n");
  run(processes, script);
  EXPECT_EQ(f.readFile(script), GetParam().substituted ? "USE Ventas\r\n" : "USE %Catalogo%\r\n");
}

INSTANTIATE_TEST_SUITE_P(Scripts, MaintenanceMark,
                         ::testing::Values(MarkCase{"Upper", "MANTEN_Indices.sql", true},
                                           MarkCase{"Lower", "manten_x.sql", true},
                                           MarkCase{"Mixed", "Manten_X.Sql", true},
                                           MarkCase{"Unmarked", "Alta.sql", false},
                                           MarkCase{"AtTheFirstCharacter", "", false}),
                         [](const auto& info) { return info.param.name; });

struct UnsafeNames {
  const char* name;
  const char* servidor;
  const char* catalogo;
};

class UnsafeName : public ScriptRunnerTest, public ::testing::WithParamInterface<UnsafeNames> {};

TEST_P(UnsafeName, NeverReachesTheToolNorTheMaintenanceScript) {
  const std::string script = tmp + "MANTEN_Indices.sql";
  f.writeFile(script, "BACKUP DATABASE %Catalogo%\r\n");
  state.mServidor = GetParam().servidor;
  state.mCatalogo = GetParam().catalogo;
  ScriptedProcesses processes({0});
  EXPECT_EQ(run(processes, script), "No se pudo ejecutar");
  EXPECT_TRUE(processes.started.empty());
  EXPECT_EQ(f.readFile(script), "BACKUP DATABASE %Catalogo%\r\n");
  EXPECT_EQ(flxScrp.CellBackColor(1, 1), colors::kLightRed);
}

INSTANTIATE_TEST_SUITE_P(
    Names, UnsafeName,
    ::testing::Values(UnsafeNames{"DriverInjection", "SRV1", "Ventas};Driver={/tmp/x.so"},
                      UnsafeNames{"Bracket", "SRV1", "Ventas]; DROP DATABASE [Otra"},
                      UnsafeNames{"Placeholder", "SRV1", "Ventas%Servidor%"},
                      UnsafeNames{"Quote", "SRV1", "Ventas\" -o \"C:\\Windows\\x.txt"},
                      UnsafeNames{"ServerOption", "SRV1 -n", "Ventas"},
                      UnsafeNames{"ServerComment", "SRV1--", "Ventas"}),
    [](const auto& info) { return std::string(info.param.name); });

// The stage end to end: the query tool found through the registry, run as the real osql.exe
// against the SQL stand-in (the login Fendal with the current password), and its output file read
// back into the grids.
class ScriptRunnerOsql : public ScriptRunnerTest {
 protected:
  void SetUp() override {
    ScriptRunnerTest::SetUp();
    // The client tools' layout: SQLPath names the folder whose Binn holds the tool.
    f.registerQueryTool(f.root() + "SQL");
    ASSERT_TRUE(ConseguirPathISQL(state.mISQL, f.registry, f.fs, f.log, f.desktop));
    EXPECT_EQ(state.mISQL, f.root() + "SQL\\Binn\\osql.exe");
    state.mServidor = server.dataSource();
    state.mCatalogo = "FD_A";
    state.mClave = kClaveActual;
  }
  // Runs a script of the package folder as the row after the others.
  std::string runScript(const std::string& name, const std::string& content) {
    const std::string script = f.act() + "P\\" + name;
    // Scripts are ANSI text, as the packages bring them.
    f.writeFile(script, utf8ToAnsi(content));
    appendRow(flxScrp, ScriptRow()
                           .set(kScriptNumber, "2")
                           .set(kScriptName, name)
                           .set(kScriptSource, script)
                           .set(kScriptKind, ".sql"));
    return run(f.processes(), script, flxScrp.Rows() - 1);
  }

  TdsTestServer server{{"TDSTEST", {{"Fendal", kClaveActual}}, {"FD_A"}, {}}};
};

struct OsqlCase {
  std::string name;
  std::string content;
  std::string clave;    // the password osql is given ("" for the current one)
  std::string message;  // what the run reports ("" when it went well)
  std::string output;   // text a line of the tool's output file holds ("" for no check)
};

void PrintTo(const OsqlCase& c, std::ostream* out) {
  *out << c.name;
}

class OsqlScripts : public ScriptRunnerOsql, public ::testing::WithParamInterface<OsqlCase> {};

TEST_P(OsqlScripts, RunThroughOsqlAndReportTheirOutput) {
  const OsqlCase& c = GetParam();
  if (!c.clave.empty()) {
    state.mClave = c.clave;
  }
  EXPECT_EQ(runScript(c.name + ".sql", c.content), c.message);
  EXPECT_EQ(flxScrp.CellBackColor(flxScrp.Rows() - 1, 1),
            c.message.empty() ? colors::kLightGreen : colors::kLightRed);
  const std::vector<std::string> output = f.fs.readLines(f.act() + "P\\" + c.name + ".log");
  EXPECT_TRUE(c.output.empty() || std::any_of(output.begin(), output.end(),
                                              [&](const std::string& line) {
                                                return line.find(c.output) != std::string::npos;
                                              }))
      << ::testing::PrintToString(output);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, OsqlScripts,
    ::testing::Values(
        OsqlCase{"Alta", "PRINT 'alta hecha'\r\nGO\r\n", "", "", "1> 2> alta hecha"},
        OsqlCase{"Bases", "SELECT name FROM master..sysdatabases ORDER BY name\r\nGO\r\n", "", "",
                 " FD_A"},
        // The block's first line comes once as read and once trimmed.
        OsqlCase{"Aviso", "PRINT 'ERROR: falta la tabla'\r\nGO\r\n", "",
                 "1> 2> ERROR: falta la tabla\r\n1> 2> ERROR: falta la tabla",
                 "1> 2> ERROR: falta la tabla"},
        // The class and line come from the driver's own diagnostic fields.
        OsqlCase{"Falla", "PRINT 'antes'\r\nRAISERROR('Hubo un error de prueba', 11, 1)\r\nGO\r\n",
                 "", "Hubo un error de prueba\r\nHubo un error de prueba",
                 "Msg 50000, Level 11, State 1, Server TDSTEST, Line 2"},
        OsqlCase{"Clave", "PRINT 'nada'\r\nGO\r\n", "otra", "No se pudo ejecutar", ""}),
    [](const auto& info) { return info.param.name; });

// The tool reads its arguments whole and writes in the system's code page.
TEST_F(ScriptRunnerOsql, NamesAndTextOutsideAsciiReachTheToolWhole) {
  EXPECT_EQ(runScript("Año.sql", "PRINT 'año nuevo'\r\nGO\r\n"), "");
  EXPECT_EQ(f.fs.readLines(f.act() + "P\\Año.log"), std::vector<std::string>{"1> 2> año nuevo"});
}

}  // namespace
}  // namespace fd::test
