#include <gtest/gtest.h>

#include "fixtures/TdsTestServer.h"
#include "fixtures/UpdaterFixture.h"
#include "platform/AppError.h"
#include "update/UsersCheck.h"

namespace fd::test {
namespace {

class UsersCheckTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(f.window().Form_Load()); }
  UsersCheck check(const std::string& server, const std::string& catalogo,
                   bool continueWithOtherUsers = false) {
    auto& w = f.window();
    w.state.mServidor = server;
    w.state.mCatalogo = catalogo;
    w.state.mProveedor = "SQLOLEDB";
    w.state.mClave = "Murales7261qz";
    return UsersCheck(w.state, f.databases, f.desktop, w.log, w.txtEstado, continueWithOtherUsers);
  }
  std::vector<std::string> tail(std::size_t n) {
    auto texts = f.logTexts();
    return std::vector<std::string>(texts.end() - static_cast<long>(n), texts.end());
  }
  UpdaterFixture f;
};

TEST_F(UsersCheckTest, AloneOnTheServerGoesOnWithoutAQuestion) {
  TdsTestServer server({"TDSTEST", {{"Fendal", "Murales7261qz"}}, {"Empresa1"}, {}});
  auto users = check(server.dataSource(), "Empresa1");
  users.ConectarBase();
  size_t boxes = f.desktop.boxes.size();
  EXPECT_TRUE(users.RevisarUsuariosConectados());
  EXPECT_EQ(f.desktop.boxes.size(), boxes);
  EXPECT_EQ(tail(2), (std::vector<std::string>{" Conectando a " + server.dataSource() + ".Empresa1",
                                               " Revisar Usuarios Conectados"}));
  auto sql = server.entries("SQL", "Fendal");
  ASSERT_FALSE(sql.empty());
  EXPECT_EQ(
      sql.back().text,
      "SELECT COUNT(*) as CC FROM master..SYSPROCESSES SP INNER JOIN master..SYSDATABASES SD  "
      "ON SP.dbid = SD.dbid  WHERE SP.LOGINAME = 'Fendal' ");
  EXPECT_EQ(sql.back().database, "Empresa1");
}

struct AnswerCase {
  std::string name;
  int answer;
  bool goesOn;
  // The run's option to go on: the user is not asked, and the log reads as for a Yes.
  bool continueWithOtherUsers = false;
};

class UsersAnswer : public UsersCheckTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(UsersAnswer, OthersConnectedAskTheUser) {
  TdsTestServer server(
      {"TDSTEST", {{"Fendal", "Murales7261qz"}}, {"Empresa1", "Otra"}, {{"Fendal", 2, "Otra"}}});
  auto users = check(server.dataSource(), "Empresa1", GetParam().continueWithOtherUsers);
  users.ConectarBase();
  f.desktop.answer(GetParam().answer);
  const std::size_t boxes = f.desktop.boxes.size();
  EXPECT_EQ(users.RevisarUsuariosConectados(), GetParam().goesOn);
  if (GetParam().continueWithOtherUsers) {
    EXPECT_EQ(f.desktop.boxes.size(), boxes);
  } else {
    ASSERT_EQ(f.desktop.boxes.size(), boxes + 1);
    const auto& box = f.desktop.boxes.back();
    EXPECT_EQ(box.prompt,
              "Hay usuarios usando los sistemas Fendal. Asegúrese que no estén usando el módulo "
              "que está por actualizar. ¿ Desea aplicar actualización  ?");
    EXPECT_EQ(box.style, msgbox::kYesNo + msgbox::kQuestion + msgbox::kDefaultButton2);
    EXPECT_EQ(box.title, "Advertencia");
  }
  auto texts = f.logTexts();
  if (GetParam().goesOn) {
    EXPECT_EQ(tail(2),
              (std::vector<std::string>{" Hay 3 Usuarios Conectados", " Continua igual "}));
  } else {
    EXPECT_EQ(texts.back(), " Hay 3 Usuarios Conectados");
    ASSERT_TRUE(f.window().state.mConexion);
    EXPECT_EQ(f.window().state.mConexion->state(), kStateClosed);
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, UsersAnswer,
                         ::testing::Values(AnswerCase{"Yes", msgbox::kYes, true},
                                           AnswerCase{"No", msgbox::kNo, false},
                                           AnswerCase{"ContinueOption", msgbox::kNo, true, true}),
                         [](const auto& info) { return info.param.name; });

TEST_F(UsersCheckTest, StatusTextNamesServerAndDatabase) {
  auto users = check("(local)", "Empresa1");
  EXPECT_THROW(users.ConectarBase(), AppError);
  EXPECT_EQ(f.window().txtEstado.Text(), "Conectando a (local).Empresa1");
}

TEST_F(UsersCheckTest, MissingDatabaseFailsWithTheProvidersMessage) {
  TdsTestServer server({"TDSTEST", {{"Fendal", "Murales7261qz"}}, {"Empresa1"}, {}});
  auto users = check(server.dataSource(), "NoExiste");
  try {
    users.ConectarBase();
    FAIL() << "no failure";
  } catch (const AppError& error) {
    EXPECT_NE(error.description().find("NoExiste"), std::string::npos) << error.description();
  }
}

}  // namespace
}  // namespace fd::test
