// The script stage end to end on the real Windows services: the query tool found through the
// system's registry, run as osql.exe (built for Windows) through the system's ODBC against the
// SQL stand-in, and its output file read back into the grids.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "databases/ServerConnection.h"
#include "fixtures/UpdaterFixture.h"
#include "grid/Grid.h"
#include "platform/AnsiCodec.h"
#include "platform/win32/Win32Text.h"
#include "update/ScriptParameters.h"
#include "update/ScriptRunner.h"
#include "update/SqlToolDiscovery.h"

namespace fd::test {
namespace {

// Against the SQL stand-in the Windows test script starts (FD_TEST_SQL_PORT, the login Fendal
// with the current password, databases FD_A and FD_B), through the driver FD_ODBC_DRIVER names.
class Win32ScriptStage : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* port = std::getenv("FD_TEST_SQL_PORT");
    if (port == nullptr || *port == '\0') {
      GTEST_SKIP() << "no SQL stand-in (FD_TEST_SQL_PORT) for this run";
    }
    // The client tools' layout: SQLPath names the folder whose Binn holds the tool.
    f.registerQueryTool(f.root() + "SQL");
    const std::string tool = f.root() + "SQL\\Binn\\osql.exe";

    auto& s = w().state;
    ASSERT_TRUE(ConseguirPathISQL(s.mISQL, f.registry, f.fs, w().log, f.desktop));
    EXPECT_EQ(s.mISQL, tool);
    s.mServidor = std::string("127.0.0.1,") + port;
    s.mCatalogo = "FD_A";
    s.mClave = kClaveActual;
  }
  std::string run(const std::string& name, const std::string& content) {
    const std::string script = f.act() + "P\\" + name;
    // Scripts are ANSI text, as the packages bring them.
    f.writeFile(script, utf8ToAnsi(content));
    w().flxScrp.AddItem("1\t" + name + "\t\t" + script + "\t\t.sql");
    ScriptParameters parameters(f.fs, w().log);
    ScriptRunner runner(w().state, w().flxScrp, w().flxLog, f.fs, f.processes(), f.clock, f.desktop,
                        w().log, parameters);
    return runner.EjecutarPaquete(script, w().flxScrp.Rows() - 1);
  }
  frmActualiza1& w() { return f.started(); }

  UpdaterFixture f;
};

struct ScriptCase {
  std::string name;
  std::string content;
  std::string clave;    // the password osql is given
  std::string message;  // what the run reports ("" when it went well)
  std::string output;   // text a line of the tool's output file holds ("" for no check)
};

void PrintTo(const ScriptCase& c, std::ostream* out) {
  *out << c.name;
}

class Win32Scripts : public Win32ScriptStage, public ::testing::WithParamInterface<ScriptCase> {};

TEST_P(Win32Scripts, RunThroughOsqlAndReportTheirOutput) {
  const ScriptCase& c = GetParam();
  if (!c.clave.empty()) {
    w().state.mClave = c.clave;
  }
  EXPECT_EQ(run(c.name + ".sql", c.content), c.message);
  EXPECT_EQ(w().flxScrp.CellBackColor(1, 1),
            c.message.empty() ? colors::kLightGreen : colors::kLightRed);
  const std::vector<std::string> output = f.fs.readLines(f.act() + "P\\" + c.name + ".log");
  EXPECT_TRUE(c.output.empty() || std::any_of(output.begin(), output.end(),
                                              [&](const std::string& line) {
                                                return line.find(c.output) != std::string::npos;
                                              }))
      << ::testing::PrintToString(output);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, Win32Scripts,
    ::testing::Values(
        ScriptCase{"Alta", "PRINT 'alta hecha'\r\nGO\r\n", "", "", "1> 2> alta hecha"},
        ScriptCase{"Bases", "SELECT name FROM master..sysdatabases ORDER BY name\r\nGO\r\n", "", "",
                   " FD_A"},
        // The block's first line comes once as read and once trimmed, as on any host.
        ScriptCase{"Aviso", "PRINT 'ERROR: falta la tabla'\r\nGO\r\n", "",
                   "1> 2> ERROR: falta la tabla\r\n1> 2> ERROR: falta la tabla",
                   "1> 2> ERROR: falta la tabla"},
        // The class and line come from the driver's own diagnostic fields.
        ScriptCase{"Falla",
                   "PRINT 'antes'\r\nRAISERROR('Hubo un error de prueba', 11, 1)\r\nGO\r\n", "",
                   "Hubo un error de prueba\r\nHubo un error de prueba",
                   "Msg 50000, Level 11, State 1, Server TDSTEST, Line 2"},
        ScriptCase{"Clave", "PRINT 'nada'\r\nGO\r\n", "otra", "No se pudo ejecutar", ""}),
    [](const auto& info) { return info.param.name; });

// The tool reads its arguments from the wide command line and writes in the system's code page.
TEST_F(Win32ScriptStage, NamesAndTextOutsideAsciiReachTheToolWhole) {
  EXPECT_EQ(run("Año.sql", "PRINT 'año nuevo'\r\nGO\r\n"), "");
  EXPECT_EQ(f.fs.readLines(f.act() + "P\\Año.log"), std::vector<std::string>{"1> 2> año nuevo"});
}

}  // namespace
}  // namespace fd::test
