// The server box's validation against a SQL stand-in configured per case, whose statement log
// shows each login tried.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "fixtures/ServerValidationFixture.h"
#include "fixtures/TdsTestServer.h"

namespace fd::test {
namespace {

TEST_F(ServerValidation, ListsUserDatabasesInServerOrderTickingComercial) {
  TdsTestServer server({"TDSTEST",
                        {{"Fendal", "Murales7261qz"}},
                        {"COMERCIAL_A", "Contab1", "Comercial2019", "Master", "TEMPDB"},
                        {}});
  validate(server.dataSource());
  frmActualiza1& w = f.started();
  EXPECT_EQ(databaseRows(w.flxBases), (std::vector<DatabaseRow>{{"1", "COMERCIAL_A", "ticked"},
                                                                {"2", "Comercial2019", "ticked"},
                                                                {"3", "Contab1", ""}}));
  EXPECT_TRUE(w.cmdDes.Enabled());
  EXPECT_TRUE(w.cmdAct.Enabled());
  EXPECT_EQ(w.state.mClave, "Murales7261qz");
  EXPECT_EQ(server.entries("LOGIN", "Fendal").size(), 1u);
  EXPECT_EQ(newLogTexts(), std::vector<std::string>{" Cambio de SERVIDOR"});
  EXPECT_EQ(f.desktop.boxes.size(), boxesStart);
  EXPECT_FALSE(w.state.mConexion);
}

TEST_F(ServerValidation, ServerThatAcceptsOnlyTheLegacyPasswordIsTriedTwice) {
  TdsTestServer server({"TDSTEST", {{"Fendal", "Murales"}}, {"Comercial2019"}, {}});
  validate(server.dataSource());
  EXPECT_EQ(w().state.mClave, "Murales");
  auto logins = server.entries("LOGIN", "Fendal");
  ASSERT_EQ(logins.size(), 2u);
  EXPECT_NE(logins[0].text, "OK");
  EXPECT_EQ(logins[1].text, "OK");
  EXPECT_EQ(w().flxBases.Rows(), 2);
  EXPECT_EQ(f.desktop.boxes.size(), boxesStart);
}

TEST_F(ServerValidation, BothPasswordsRefusedIsReportedOnce) {
  TdsTestServer server({"TDSTEST", {{"Fendal", "Otra"}}, {"Comercial2019"}, {}});
  validate(server.dataSource());
  frmActualiza1& w = f.started();
  EXPECT_EQ(server.entries("LOGIN", "Fendal").size(), 2u);
  EXPECT_EQ(newLogTexts(),
            (std::vector<std::string>{" Cambio de SERVIDOR",
                                      " ERROR no se pudo conectar a " + server.dataSource()}));
  ASSERT_EQ(f.desktop.boxes.size(), boxesStart + 1);
  EXPECT_EQ(f.desktop.boxes.back().prompt,
            "No se pudo conectar al servidor " + server.dataSource());
  EXPECT_EQ(f.desktop.boxes.back().style, msgbox::kQuestion);
  EXPECT_EQ(f.desktop.boxes.back().title, "Vadelo");
  EXPECT_EQ(w.flxBases.Rows(), 1);
  EXPECT_FALSE(w.cmdDes.Enabled());
  EXPECT_FALSE(w.cmdAct.Enabled());
  EXPECT_EQ(w.state.mClave, "Murales");
}

TEST_F(ServerValidation, OnlySystemDatabasesListsNothingWithoutAMessage) {
  TdsTestServer server({"TDSTEST", {{"Fendal", "Murales7261qz"}}, {}, {}});
  validate(server.dataSource());
  EXPECT_EQ(w().flxBases.Rows(), 1);
  EXPECT_FALSE(w().cmdAct.Enabled());
  EXPECT_EQ(f.desktop.boxes.size(), boxesStart);
}

TEST_F(ServerValidation, NothingListeningFailsWithoutHanging) {
  int port;
  {
    TdsTestServer gone({"TDSTEST", {{"Fendal", "Murales7261qz"}}, {}, {}});
    port = gone.port();
  }
  auto begin = std::chrono::steady_clock::now();
  validate("127.0.0.1," + std::to_string(port));
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(20));
  EXPECT_EQ(f.desktop.boxes.size(), boxesStart + 1);
  EXPECT_EQ(w().flxBases.Rows(), 1);
}

TEST_F(ServerValidation, BusyPointerIsRestoredOnEveryPath) {
  TdsTestServer good({"TDSTEST", {{"Fendal", "Murales7261qz"}}, {"Comercial2019"}, {}});
  TdsTestServer refusing({"TDSTEST", {{"Fendal", "Otra"}}, {}, {}});
  for (const auto& source : {good.dataSource(), refusing.dataSource()}) {
    int changes = f.desktop.busyChanges;
    validate(source);
    EXPECT_EQ(f.desktop.busyDepth, 0);
    EXPECT_EQ(f.desktop.busyChanges, changes + 2);
  }
}

TEST_F(ServerValidation, NamesThatCannotBePassedSafelyAreListedUntickedAndLogged) {
  const std::string hostile = "Comercial_Z};Driver={/tmp/fd-evil.so};Database={COMERCIAL_A";
  TdsTestServer server({"TDSTEST",
                        {{"Fendal", "Murales7261qz"}},
                        {"COMERCIAL_A", hostile, "Comercial/**/DROP", "Comercial-Dos"},
                        {}});
  validate(server.dataSource());
  auto rows = databaseRows(w().flxBases);
  auto ticked = [&](const std::string& name) {
    for (const DatabaseRow& row : rows) {
      if (row[1] == name)
        return row[2];
    }
    return std::string("not listed");
  };
  EXPECT_EQ(ticked("COMERCIAL_A"), "ticked");
  EXPECT_EQ(ticked(hostile), "");
  EXPECT_EQ(ticked("Comercial/**/DROP"), "");
  EXPECT_EQ(ticked("Comercial-Dos"), "");
  auto texts = newLogTexts();
  for (const char* entry :
       {" ERROR la base Comercial_Z};Driver={/tmp/fd-evil.so};Database={COMERCIAL_A no se puede "
        "actualizar: contiene \"}\"",
        " ERROR la base Comercial/**/DROP no se puede actualizar: contiene \"/\"",
        " ERROR la base Comercial-Dos no se puede actualizar: contiene \"-\""}) {
    EXPECT_NE(std::find(texts.begin(), texts.end(), entry), texts.end()) << entry;
  }
}

}  // namespace
}  // namespace fd::test
