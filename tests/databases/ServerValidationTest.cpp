// The server box's validation against the SQL stand-ins both hosts share: the updater's login
// through the host's ODBC and the user databases it lists.
#include <gtest/gtest.h>

#include "databases/ServerConnection.h"
#include "fixtures/ServerValidationFixture.h"
#include "platform/Desktop.h"

namespace fd::test {
namespace {

struct ServerCase {
  std::string name;
  std::optional<SharedServer> server;  // none: a port nothing listens on
  std::vector<DatabaseRow> databases;
  std::string clave;  // the password the updater goes on with
};

void PrintTo(const ServerCase& c, std::ostream* out) {
  *out << c.name;
}

class Servers : public ServerValidation, public ::testing::WithParamInterface<ServerCase> {};

TEST_P(Servers, ListUserDatabasesTickingComercialOrReportTheServer) {
  const ServerCase& c = GetParam();
  // Nothing listens on the loopback's port 1 (tcpmux has no service here).
  const std::string server = c.server ? f.sharedServer(*c.server) : "127.0.0.1,1";
  if (server.empty()) {
    GTEST_SKIP() << "no such SQL stand-in for this run";
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
    Shared, Servers,
    ::testing::Values(
        // In the server's order; master and tempdb are left out whatever their letter case.
        ServerCase{"CurrentPassword",
                   SharedServer::Current,
                   {{"1", "COMERCIAL_A", "ticked"},
                    {"2", "Comercial2019", "ticked"},
                    {"3", "Contab1", ""},
                    {"4", "FD_A", ""},
                    {"5", "FD_B", ""}},
                   kClaveActual},
        ServerCase{"FormerPassword",
                   SharedServer::Legacy,
                   {{"1", "Comercial2019", "ticked"}},
                   kClaveAnterior},
        // Both passwords are tried before the one message.
        ServerCase{"NothingListening", std::nullopt, {}, kClaveAnterior}),
    [](const auto& info) { return info.param.name; });

TEST_F(ServerValidation, EveryValidationTicksAfresh) {
  const std::string server = f.sharedServer();
  if (server.empty()) {
    GTEST_SKIP() << "no SQL stand-in (FD_TEST_SQL_PORT) for this run";
  }
  validate(server);
  w().flxBases.userEdit(1, 2, "");
  w().flxBases.userEdit(4, 2, "1");
  EXPECT_EQ(w().flxBases.CellChecked(4, 2), kChecked);
  validate(server);
  EXPECT_EQ(databaseRows(w().flxBases), (std::vector<DatabaseRow>{{"1", "COMERCIAL_A", "ticked"},
                                                                  {"2", "Comercial2019", "ticked"},
                                                                  {"3", "Contab1", ""},
                                                                  {"4", "FD_A", ""},
                                                                  {"5", "FD_B", ""}}));
}

}  // namespace
}  // namespace fd::test
