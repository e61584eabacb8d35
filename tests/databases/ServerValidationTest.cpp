// The server box's validation against a SQL stand-in set up per case: the updater's login through
// the host's ODBC, tried with the current and then the legacy password, and the user databases
// it lists.
#include <gtest/gtest.h>

#include <optional>

#include "databases/ServerConnection.h"
#include "fixtures/ServerValidationFixture.h"
#include "fixtures/TdsTestServer.h"
#include "platform/Desktop.h"

namespace fd::test {
namespace {

const TdsServerConfig kCurrent{
    "TDSTEST",
    {{"Fendal", kClaveActual}},
    {"COMERCIAL_A", "Contab1", "Comercial2019", "Master", "TEMPDB", "FD_A"},
    {},
    {}};

struct ServerCase {
  std::string name;
  std::optional<TdsServerConfig> server;  // none: a port nothing listens on
  std::vector<DatabaseRow> databases;
  std::string clave;                // the password the updater goes on with
  std::vector<std::string> logins;  // the outcome of each login, as the server logged it
  bool reported = false;            // "No se pudo conectar" shown and logged
};

void PrintTo(const ServerCase& c, std::ostream* out) {
  *out << c.name;
}

class Servers : public ServerValidation, public ::testing::WithParamInterface<ServerCase> {};

TEST_P(Servers, ListUserDatabasesTickingComercialOrReportTheServer) {
  const ServerCase& c = GetParam();
  std::optional<TdsTestServer> server;
  std::string source;
  if (c.server) {
    server.emplace(*c.server);
    source = server->dataSource();
  } else {
    TdsTestServer gone(kCurrent);
    source = gone.dataSource();
  }
  validate(source);

  EXPECT_EQ(databaseRows(w().flxBases), c.databases);
  EXPECT_EQ(w().state.mClave, c.clave);
  EXPECT_EQ(w().cmdDes.Enabled(), !c.databases.empty());
  EXPECT_EQ(w().cmdAct.Enabled(), !c.databases.empty());
  EXPECT_FALSE(w().state.mConexion);
  EXPECT_EQ(f.desktop.busyDepth, 0);
  EXPECT_EQ(f.desktop.busyChanges, busyChangesStart + 2);
  if (server) {
    std::vector<std::string> logins;
    for (const StatementLogEntry& login : server->entries("LOGIN", "Fendal"))
      logins.push_back(login.text);
    EXPECT_EQ(logins, c.logins);
  }
  if (c.reported) {
    EXPECT_EQ(newLogTexts(), (std::vector<std::string>{" Cambio de SERVIDOR",
                                                       " ERROR no se pudo conectar a " + source}));
    ASSERT_EQ(f.desktop.boxes.size(), boxesStart + 1);
    EXPECT_EQ(f.desktop.boxes.back().prompt, "No se pudo conectar al servidor " + source);
    EXPECT_EQ(f.desktop.boxes.back().style, msgbox::kQuestion);
    EXPECT_EQ(f.desktop.boxes.back().title, "Vadelo");
  } else {
    EXPECT_EQ(newLogTexts(), std::vector<std::string>{" Cambio de SERVIDOR"});
    EXPECT_EQ(f.desktop.boxes.size(), boxesStart);
  }
}

INSTANTIATE_TEST_SUITE_P(
    PerCase, Servers,
    ::testing::Values(
        // In the server's order; master and tempdb are left out whatever their letter case.
        ServerCase{"CurrentPassword",
                   kCurrent,
                   {{"1", "COMERCIAL_A", "ticked"},
                    {"2", "Comercial2019", "ticked"},
                    {"3", "Contab1", ""},
                    {"4", "FD_A", ""}},
                   kClaveActual,
                   {"OK"}},
        ServerCase{
            "FormerPassword",
            TdsServerConfig{"TDSTEST", {{"Fendal", kClaveAnterior}}, {"Comercial2019"}, {}, {}},
            {{"1", "Comercial2019", "ticked"}},
            kClaveAnterior,
            {"FAILED 18456", "OK"}},
        // Both passwords are tried before the one message.
        ServerCase{"BothPasswordsRefused",
                   TdsServerConfig{"TDSTEST", {{"Fendal", "Otra"}}, {"Comercial2019"}, {}, {}},
                   {},
                   kClaveAnterior,
                   {"FAILED 18456", "FAILED 18456"},
                   true},
        ServerCase{"OnlySystemDatabases",
                   TdsServerConfig{"TDSTEST", {{"Fendal", kClaveActual}}, {}, {}, {}},
                   {},
                   kClaveActual,
                   {"OK"}},
        ServerCase{"NothingListening", std::nullopt, {}, kClaveAnterior, {}, true}),
    [](const auto& info) { return info.param.name; });

TEST_F(ServerValidation, EveryValidationTicksAfresh) {
  TdsTestServer server(kCurrent);
  validate(server.dataSource());
  w().flxBases.userEdit(1, 2, "");
  w().flxBases.userEdit(4, 2, "1");
  EXPECT_EQ(w().flxBases.CellChecked(4, 2), kChecked);
  validate(server.dataSource());
  EXPECT_EQ(databaseRows(w().flxBases), (std::vector<DatabaseRow>{{"1", "COMERCIAL_A", "ticked"},
                                                                  {"2", "Comercial2019", "ticked"},
                                                                  {"3", "Contab1", ""},
                                                                  {"4", "FD_A", ""}}));
}

}  // namespace
}  // namespace fd::test
