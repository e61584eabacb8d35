// The ODBC layer against the SQL stand-in: on POSIX through unixODBC and FreeTDS, on Windows
// through odbc32 and its wide functions (under Wine, the driver FD_ODBC_DRIVER names).
#include "platform/odbc/OdbcDatabase.h"

#include <gtest/gtest.h>

#include <chrono>

#include "fixtures/TdsTestServer.h"
#include "platform/AppError.h"
#include "platform/OdbcConnectionText.h"

namespace fd {
namespace {

using test::TdsServerConfig;
using test::TdsTestServer;

const char* const kUsersQuery =
    "SELECT COUNT(*) as CC FROM master..SYSPROCESSES SP INNER JOIN master..SYSDATABASES SD  ON "
    "SP.dbid = SD.dbid  WHERE SP.LOGINAME = 'Fendal' ";

TdsServerConfig suiteServer() {
  TdsServerConfig config;
  config.logins = {{"Fendal", "Murales"}, {"otro", "secreto"}};
  config.databases = {"COMERCIAL_A", "Contab1", "Comercial2019", "Master", "TEMPDB"};
  return config;
}

class OdbcDatabaseTest : public ::testing::Test {
 protected:
  std::unique_ptr<Connection> connect(const std::string& dataSource,
                                      const std::string& database = "master",
                                      const std::string& password = "Murales",
                                      const std::string& user = "Fendal") {
    auto connection = provider_.createConnection();
    connection->setMode(3);
    connection->setCursorLocation(3);
    connection->setProvider("SQLOLEDB");
    connection->setProperty("Initial Catalog", database);
    connection->setProperty("Data Source", dataSource);
    connection->setProperty("User Id", user);
    connection->setProperty("Password", password);
    connection->open();
    return connection;
  }

  static std::vector<std::string> column(Recordset& recordset, const std::string& name) {
    std::vector<std::string> values;
    for (; !recordset.eof(); recordset.moveNext())
      values.push_back(recordset.field(name));
    return values;
  }

  AppError openError(const std::string& dataSource, const std::string& database,
                     const std::string& password) {
    try {
      connect(dataSource, database, password);
    } catch (const AppError& e) {
      return e;
    }
    ADD_FAILURE() << "open succeeded";
    return AppError(0, "", "");
  }

  OdbcDatabaseProvider provider_;
};

TEST_F(OdbcDatabaseTest, ListsDatabasesInTheServersCaseInsensitiveOrder) {
  TdsTestServer server(suiteServer());
  auto connection = connect(server.dataSource());
  auto recordset = connection->execute("SELECT name FROM SYSDATABASES ORDER BY name");
  EXPECT_EQ(column(*recordset, "Name"),
            (std::vector<std::string>{"COMERCIAL_A", "Comercial2019", "Contab1", "Master", "model",
                                      "msdb", "TEMPDB"}));
}

TEST_F(OdbcDatabaseTest, OpenConnectionReportsOpenUntilClosed) {
  TdsTestServer server(suiteServer());
  auto connection = connect(server.dataSource(), "Contab1");
  EXPECT_EQ(connection->state(), kStateOpen);
  connection->close();
  EXPECT_EQ(connection->state(), kStateClosed);
}

TEST_F(OdbcDatabaseTest, WrongPasswordFailsWithTheServersMessage) {
  TdsTestServer server(suiteServer());
  AppError e = openError(server.dataSource(), "master", "Murales7261qz");
  EXPECT_EQ(e.number(), err::kDbLoginFailed);
  EXPECT_EQ(e.description(), "Login failed for user 'Fendal'.");
  auto logins = server.entries("LOGIN", "Fendal");
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_EQ(logins[0].text, "FAILED 18456");
}

TEST_F(OdbcDatabaseTest, MissingDatabaseFailsWithTheServersMessage) {
  TdsTestServer server(suiteServer());
  AppError e = openError(server.dataSource(), "Empresa9", "Murales");
  EXPECT_EQ(e.description(),
            "Cannot open database \"Empresa9\" requested by the login. The login failed.");
  EXPECT_EQ(server.entries("LOGIN", "Fendal").at(0).text, "FAILED 4060");
}

TEST_F(OdbcDatabaseTest, NothingListeningFailsWithinSeconds) {
  std::string source;
  {
    TdsTestServer gone(suiteServer());
    source = gone.dataSource();
  }  // the port is now free and nobody listens on it
  auto start = std::chrono::steady_clock::now();
  AppError e = openError(source, "master", "x");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(e.description().empty());
}

TEST_F(OdbcDatabaseTest, UsersQueryCountsLiveSessionsAndOtherSessions) {
  TdsServerConfig config = suiteServer();
  config.otherSessions = {{"Fendal", 2, ""}, {"Fendal", 5, "Borrada"}, {"otro", 7, ""}};
  TdsTestServer server(config);
  auto first = connect(server.dataSource(), "COMERCIAL_A");
  auto second = connect(server.dataSource(), "Contab1");
  auto stranger = connect(server.dataSource(), "master", "secreto", "otro");
  auto recordset = second->execute(kUsersQuery);
  ASSERT_FALSE(recordset->eof());
  EXPECT_EQ(recordset->field("CC"), "4");
  EXPECT_EQ(server.entries("SQL", "Fendal").back().text, kUsersQuery);
}

TEST_F(OdbcDatabaseTest, ClosedSessionsAreNoLongerCountedAtOnce) {
  TdsTestServer server(suiteServer());
  auto mine = connect(server.dataSource());
  connect(server.dataSource())->close();
  EXPECT_EQ(mine->execute(kUsersQuery)->field("cc"), "1");
}

struct PasswordChange {
  const char* name;
  const char* statement;
};

class PasswordChangeTest : public OdbcDatabaseTest,
                           public ::testing::WithParamInterface<PasswordChange> {};

TEST_P(PasswordChangeTest, NewPasswordLogsInAndOldOneNoLonger) {
  TdsTestServer server(suiteServer());
  connect(server.dataSource())->execute(GetParam().statement);
  EXPECT_NO_THROW(connect(server.dataSource(), "master", "Murales7261qz"));
  EXPECT_THROW(connect(server.dataSource(), "master", "Murales"), AppError);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, PasswordChangeTest,
    ::testing::Values(
        PasswordChange{"SpPassword", "sp_password 'Murales', 'Murales7261qz', 'Fendal'"},
        PasswordChange{"SpPasswordOwnLogin", "EXEC sp_password NULL, 'Murales7261qz'"},
        PasswordChange{"AlterLogin",
                       "ALTER LOGIN [Fendal] WITH PASSWORD = 'Murales7261qz' OLD_PASSWORD = "
                       "'Murales'"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OdbcDatabaseTest, PasswordChangeWithWrongOldPasswordFails) {
  TdsTestServer server(suiteServer());
  auto connection = connect(server.dataSource());
  EXPECT_THROW(connection->execute("sp_password 'nada', 'Murales7261qz'"), AppError);
  EXPECT_NO_THROW(connect(server.dataSource(), "master", "Murales"));
}

TEST_F(OdbcDatabaseTest, CommandErrorCarriesTheServersText) {
  TdsTestServer server(suiteServer());
  auto connection = connect(server.dataSource());
  try {
    connection->execute("PRINT 'antes'\nRAISERROR('falta la tabla', 16, 1)");
    FAIL() << "no error";
  } catch (const AppError& e) {
    EXPECT_EQ(e.number(), err::kDbCommandFailed);
    EXPECT_EQ(e.description(), "falta la tabla");
  }
}

TEST_F(OdbcDatabaseTest, UseChangesTheSessionsDatabase) {
  TdsTestServer server(suiteServer());
  auto connection = connect(server.dataSource());
  connection->execute("USE Contab1");
  connection->execute("SET NOCOUNT ON");
  EXPECT_EQ(server.entries("SQL", "Fendal").back().database, "Contab1");
}

TEST_F(OdbcDatabaseTest, FieldOfUnknownNameFails) {
  TdsTestServer server(suiteServer());
  auto recordset = connect(server.dataSource())->execute(kUsersQuery);
  EXPECT_EQ(recordset->field("cC"), "1");
  try {
    recordset->field("Name");
    FAIL() << "no error";
  } catch (const AppError& e) {
    EXPECT_EQ(e.number(), err::kDbItemNotFound);
  }
}

TEST_F(OdbcDatabaseTest, StatementWithoutRowsGivesAnEmptyRecordset) {
  TdsTestServer server(suiteServer());
  EXPECT_TRUE(connect(server.dataSource())->execute("SET NOCOUNT ON")->eof());
}

TEST_F(OdbcDatabaseTest, PropertyNamesIgnoreLetterCase) {
  TdsTestServer server(suiteServer());
  auto connection = provider_.createConnection();
  connection->setProvider("sqloledb");
  connection->setProperty("DATA SOURCE", server.dataSource());
  connection->setProperty("initial catalog", "Contab1");
  connection->setProperty("user id", "Fendal");
  connection->setProperty("PASSWORD", "Murales");
  connection->open();
  EXPECT_EQ(server.entries("LOGIN", "Fendal").at(0).database, "Contab1");
}

// One key of the login at a time carries an injection; the real server and a decoy watch.
constexpr const char* kLoginKeys[] = {"Server", "Database", "PWD", "UID"};

class InjectionTest : public OdbcDatabaseTest,
                      public ::testing::WithParamInterface<std::tuple<int, test::Injection>> {};

TEST_P(InjectionTest, IsRefusedBeforeAnythingConnects) {
  TdsTestServer server(suiteServer());
  test::SilentServer decoy;
  std::string values[] = {server.dataSource(), "master", "Murales", "Fendal"};
  const int field = std::get<0>(GetParam());
  values[field] = test::injected(values[field], std::get<1>(GetParam()), decoy.port());
  try {
    connect(values[0], values[1], values[2], values[3]);
    FAIL() << "opened";
  } catch (const AppError& e) {
    const char* keys[] = {"Server", "Database", "PWD", "UID"};
    EXPECT_EQ(e.number(), err::kDbFailure);
    EXPECT_EQ(
        e.description().rfind(
            std::string("La conexión no admite el valor de ") + keys[field] + ": contiene ", 0),
        0u)
        << e.description();
  }
  EXPECT_EQ(decoy.connections(), 0);
  EXPECT_TRUE(server.logEntries().empty());
}

std::string injectionName(const ::testing::TestParamInfo<InjectionTest::ParamType>& info) {
  return std::string(kLoginKeys[std::get<0>(info.param)]) + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Keys, InjectionTest,
                         ::testing::Combine(::testing::Range(0, 4),
                                            ::testing::ValuesIn(test::kInjections)),
                         injectionName);

// Each value holds one character that could end it or cut it, and nothing else hostile: the
// login reaches the server exactly as given, or is refused before anything connects.
struct OneCharacter {
  const char* name;
  char character;
};
constexpr OneCharacter kOneCharacters[] = {
    {"Semicolon", ';'}, {"Equals", '='}, {"OpeningBrace", '{'}, {"ClosingBrace", '}'},
    {"Nul", '\0'},      {"Del", '\x7F'}, {"NewLine", '\n'},     {"Tab", '\t'}};

class OneCharacterTest : public OdbcDatabaseTest,
                         public ::testing::WithParamInterface<std::tuple<int, OneCharacter>> {};

TEST_P(OneCharacterTest, ReachesTheServerWholeOrIsRefused) {
  const std::string hostile = std::string("Con") + std::get<1>(GetParam()).character + "tab";
  const int field = std::get<0>(GetParam());
  const std::string fault = odbcValueFault(hostile, sqlServerDriver());
  TdsServerConfig config = suiteServer();
  // The server knows the database, login and password that may pass (the password under the
  // login "clave").
  if (fault.empty()) {
    config.databases.push_back(hostile);
    config.logins.emplace_back(hostile, "Murales");
    config.logins.emplace_back("clave", hostile);
  }
  TdsTestServer server(config);
  std::string values[] = {server.dataSource(), "Contab1", "Murales", "Fendal"};
  values[field] = field == 0 ? server.dataSource() + hostile : hostile;
  if (field == 2)
    values[3] = "clave";
  try {
    connect(values[0], values[1], values[2], values[3]);
    EXPECT_EQ(fault, "");
    if (field > 0) {
      const auto logins = server.entries("LOGIN", values[3]);
      ASSERT_EQ(logins.size(), 1u);
      EXPECT_EQ(logins[0].database, values[1]);
      EXPECT_EQ(logins[0].text, "OK");
    }
  } catch (const AppError& e) {
    const char* keys[] = {"Server", "Database", "PWD", "UID"};
    if (field > 0 || !fault.empty()) {
      EXPECT_EQ(e.description(), std::string("La conexión no admite el valor de ") + keys[field] +
                                     ": " + fault + ".");
      EXPECT_TRUE(server.logEntries().empty());
    }
  }
  // What no value may carry, on any driver; the others pass everywhere but for "}" on FreeTDS.
  const char c = std::get<1>(GetParam()).character;
  EXPECT_EQ(fault.empty(),
            c == ';' || c == '=' || c == '{' || (c == '}' && sqlServerDriver() != "FreeTDS"));
}

INSTANTIATE_TEST_SUITE_P(Keys, OneCharacterTest,
                         ::testing::Combine(::testing::Range(0, 4),
                                            ::testing::ValuesIn(kOneCharacters)),
                         [](const auto& info) {
                           return std::string(kLoginKeys[std::get<0>(info.param)]) +
                                  std::get<1>(info.param).name;
                         });

TEST(OdbcTimeoutTest, AServerThatNeverAnswersTheLoginIsGivenUp) {
  // ADO's defaults; the stall below uses a short login time-out instead of the 15 seconds.
  EXPECT_EQ(OdbcTimeouts{}.loginSeconds, 15);
  EXPECT_EQ(OdbcTimeouts{}.statementSeconds, 30);
  test::SilentServer stalled;
  OdbcDatabaseProvider provider({2, 30});
  auto connection = provider.createConnection();
  connection->setProvider("SQLOLEDB");
  connection->setProperty("Data Source", stalled.dataSource());
  const auto start = std::chrono::steady_clock::now();
  try {
    connection->open();
    FAIL() << "opened";
  } catch (const AppError& e) {
    EXPECT_EQ(e.number(), err::kDbFailure);
    EXPECT_FALSE(e.description().empty());
  }
  // Generous for a loaded machine; without the time-out the login waits for ever.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
  EXPECT_EQ(stalled.connections(), 1);
}

}  // namespace
}  // namespace fd
