// The server box's validation end to end on the real Windows services: the updater's login
// through the system's ODBC (FreeTDS under Wine) against the SQL stand-ins the Windows test
// script starts, and the user databases it lists.
#include <gtest/gtest.h>

#include <cstdlib>

#include "databases/ServerConnection.h"
#include "fixtures/UpdaterFixture.h"
#include "grid/Grid.h"
#include "platform/Desktop.h"

namespace fd::test {
namespace {

using Row = std::vector<std::string>;

std::vector<Row> databaseRows(const Grid& grid) {
  std::vector<Row> rows;
  for (int r = 1; r < grid.Rows(); ++r) {
    rows.push_back({grid.TextMatrix(r, 0), grid.TextMatrix(r, 1),
                    grid.CellChecked(r, 2) == kChecked ? "ticked" : ""});
  }
  return rows;
}

// The data source of a stand-in named by the variable holding its port: FD_TEST_SQL_PORT (the
// login Fendal with its current password; databases FD_A, FD_B, COMERCIAL_A, Comercial2019,
// Contab1, and master and tempdb named Master and TEMPDB) or FD_TEST_SQL_LEGACY_PORT (Fendal with
// the former password; Comercial2019). "" when the run has no such server.
std::string dataSource(const std::string& variable) {
  const char* port = std::getenv(variable.c_str());
  return port == nullptr || *port == '\0' ? "" : std::string("127.0.0.1,") + port;
}

class Win32ServerValidation : public ::testing::Test {
 protected:
  void SetUp() override {
    if (dataSource("FD_TEST_SQL_PORT").empty()) {
      GTEST_SKIP() << "no SQL stand-in (FD_TEST_SQL_PORT) for this run";
    }
    // The start-up has validated its own default server; what follows is the user's change.
    w();
  }
  void validate(const std::string& server) {
    w().txtServidor.setText(server);
    logStart = f.logTexts().size();
    boxesStart = f.desktop.boxes.size();
    busyChangesStart = f.desktop.busyChanges;
    w().txtServidor_Validate();
  }
  std::vector<std::string> newLogTexts() const {
    const std::vector<std::string> texts = f.logTexts();
    return std::vector<std::string>(texts.begin() + static_cast<long>(logStart), texts.end());
  }
  frmActualiza1& w() { return f.started(); }

  UpdaterFixture f;
  std::size_t logStart = 0;
  std::size_t boxesStart = 0;
  int busyChangesStart = 0;
};

struct ServerCase {
  std::string name;
  std::string portVariable;  // "" for a port nothing listens on
  std::vector<Row> databases;
  std::string clave;  // the password the updater goes on with
};

void PrintTo(const ServerCase& c, std::ostream* out) {
  *out << c.name;
}

class Win32Servers : public Win32ServerValidation,
                     public ::testing::WithParamInterface<ServerCase> {};

TEST_P(Win32Servers, ListUserDatabasesTickingComercialOrReportTheServer) {
  const ServerCase& c = GetParam();
  // Nothing listens on the loopback's port 1 (tcpmux has no service here).
  const std::string server = c.portVariable.empty() ? "127.0.0.1,1" : dataSource(c.portVariable);
  if (server.empty()) {
    GTEST_SKIP() << "no " << c.portVariable << " for this run";
  }
  validate(server);

  EXPECT_EQ(databaseRows(w().flxBases), c.databases);
  EXPECT_EQ(w().state.mClave, c.clave);
  EXPECT_EQ(w().cmdDes.Enabled(), !c.databases.empty());
  EXPECT_EQ(w().cmdAct.Enabled(), !c.databases.empty());
  EXPECT_FALSE(w().state.mConexion);
  EXPECT_EQ(f.desktop.busyDepth, 0);
  EXPECT_EQ(f.desktop.busyChanges, busyChangesStart + 2);
  if (c.databases.empty()) {
    EXPECT_EQ(newLogTexts(), (std::vector<std::string>{" Cambio de SERVIDOR",
                                                       " ERROR no se pudo conectar a " + server}));
    ASSERT_EQ(f.desktop.boxes.size(), boxesStart + 1);
    EXPECT_EQ(f.desktop.boxes.back().prompt, "No se pudo conectar al servidor " + server);
    EXPECT_EQ(f.desktop.boxes.back().style, msgbox::kQuestion);
    EXPECT_EQ(f.desktop.boxes.back().title, "Vadelo");
  } else {
    EXPECT_EQ(newLogTexts(), std::vector<std::string>{" Cambio de SERVIDOR"});
    EXPECT_EQ(f.desktop.boxes.size(), boxesStart);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Servers, Win32Servers,
    ::testing::Values(
        // In the server's order; master and tempdb are left out whatever their letter case.
        ServerCase{"CurrentPassword",
                   "FD_TEST_SQL_PORT",
                   {{"1", "COMERCIAL_A", "ticked"},
                    {"2", "Comercial2019", "ticked"},
                    {"3", "Contab1", ""},
                    {"4", "FD_A", ""},
                    {"5", "FD_B", ""}},
                   kClaveActual},
        ServerCase{"FormerPassword",
                   "FD_TEST_SQL_LEGACY_PORT",
                   {{"1", "Comercial2019", "ticked"}},
                   kClaveAnterior},
        // Both passwords are tried before the one message.
        ServerCase{"NothingListening", "", {}, kClaveAnterior}),
    [](const auto& info) { return info.param.name; });

TEST_F(Win32ServerValidation, EveryValidationTicksAfresh) {
  const std::string server = dataSource("FD_TEST_SQL_PORT");
  validate(server);
  w().flxBases.userEdit(1, 2, "");
  w().flxBases.userEdit(4, 2, "1");
  EXPECT_EQ(w().flxBases.CellChecked(4, 2), kChecked);
  validate(server);
  EXPECT_EQ(databaseRows(w().flxBases), (std::vector<Row>{{"1", "COMERCIAL_A", "ticked"},
                                                          {"2", "Comercial2019", "ticked"},
                                                          {"3", "Contab1", ""},
                                                          {"4", "FD_A", ""},
                                                          {"5", "FD_B", ""}}));
}

}  // namespace
}  // namespace fd::test
