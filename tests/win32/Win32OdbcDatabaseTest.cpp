#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/AppError.h"
#include "platform/odbc/OdbcDatabase.h"

namespace fd::test {
namespace {

// Against the SQL stand-in started by the Windows test script (FD_TEST_SQL_PORT, a login
// "sa"/"clave" and databases FD_A and FD_B), through the driver FD_ODBC_DRIVER names.
class Win32OdbcServer : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* port = std::getenv("FD_TEST_SQL_PORT");
    if (port == nullptr || *port == '\0') {
      GTEST_SKIP() << "no SQL stand-in (FD_TEST_SQL_PORT) for this run";
    }
    connection = provider.createConnection();
    connection->setProvider("SQLOLEDB");
    connection->setProperty("Data Source", std::string("127.0.0.1,") + port);
    connection->setProperty("Initial Catalog", "master");
    connection->setProperty("User Id", "sa");
  }

  OdbcDatabaseProvider provider;
  std::unique_ptr<Connection> connection;
};

TEST_F(Win32OdbcServer, ListsTheDatabasesThroughTheWideFunctions) {
  connection->setProperty("Password", "clave");
  connection->open();
  ASSERT_EQ(connection->state(), kStateOpen);
  auto rs = connection->execute("SELECT name FROM SYSDATABASES ORDER BY name");
  std::vector<std::string> names;
  for (; !rs->eof(); rs->moveNext()) {
    names.push_back(rs->field("NAME"));
  }
  EXPECT_NE(std::find(names.begin(), names.end(), "FD_A"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "FD_B"), names.end());
  connection->close();
}

TEST_F(Win32OdbcServer, AWrongPasswordIsARefusedLogin) {
  connection->setProperty("Password", "otra");
  try {
    connection->open();
    FAIL() << "opened";
  } catch (const AppError& e) {
    EXPECT_EQ(e.number(), err::kDbLoginFailed);
    EXPECT_EQ(e.description(), "Login failed for user 'sa'.");
  }
}

}  // namespace
}  // namespace fd::test
