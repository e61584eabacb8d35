// The ODBC layer's cases that need no server, on both hosts.
#include <gtest/gtest.h>

#include <string>

#include "platform/AppError.h"
#include "platform/odbc/OdbcDatabase.h"

namespace fd {
namespace {

struct ConnectionStringCase {
  OdbcLogin login;
  const char* keys;  // after the driver
};

class OdbcConnectionString : public ::testing::TestWithParam<ConnectionStringCase> {};

TEST_P(OdbcConnectionString, NamesTheDriverServerAndLogin) {
  const std::string keys = GetParam().keys;
  EXPECT_EQ(odbcConnectionString("SQL Server", GetParam().login), "Driver={SQL Server};" + keys);
  EXPECT_EQ(freeTdsConnectionString(GetParam().login),
            "Driver={FreeTDS};" + keys + "TDS_Version=7.4;ClientCharset=UTF-8;");
}

INSTANTIATE_TEST_SUITE_P(
    DataSources, OdbcConnectionString,
    ::testing::Values(
        ConnectionStringCase{{"(local)", "FD", "sa", "p"},
                             "Server=127.0.0.1,1433;Database=FD;UID=sa;PWD=p;"},
        ConnectionStringCase{{".", "FD", "sa", "p"},
                             "Server=127.0.0.1,1433;Database=FD;UID=sa;PWD=p;"},
        ConnectionStringCase{{"LOCALHOST", "FD", "sa", "p"},
                             "Server=127.0.0.1,1433;Database=FD;UID=sa;PWD=p;"},
        ConnectionStringCase{{" LocalHost ", "FD", "sa", "p"},
                             "Server=127.0.0.1,1433;Database=FD;UID=sa;PWD=p;"},
        ConnectionStringCase{{".\\SQLEXPRESS", "FD", "sa", "p"},
                             "Server=127.0.0.1\\SQLEXPRESS;Database=FD;UID=sa;PWD=p;"},
        ConnectionStringCase{{"(local)\\SQL2005", "FD", "sa", "p"},
                             "Server=127.0.0.1\\SQL2005;Database=FD;UID=sa;PWD=p;"},
        ConnectionStringCase{{"(LOCAL),1501", "FD", "sa", "p"},
                             "Server=127.0.0.1,1501;Database=FD;UID=sa;PWD=p;"},
        ConnectionStringCase{{"servidor\\SQLEXPRESS", "FD", "sa", "p"},
                             "Server=servidor\\SQLEXPRESS;Database=FD;UID=sa;PWD=p;"},
        // Spaces and empty values are kept by braces; nothing inside them can end them early.
        ConnectionStringCase{{"servidor,1500", "Mi Base", "sa", ""},
                             "Server=servidor,1500;Database={Mi Base};UID=sa;PWD={};"},
        ConnectionStringCase{{"servidor,1500", "FD", "sa", "p w"},
                             "Server=servidor,1500;Database=FD;UID=sa;PWD={p w};"}));

TEST(OdbcDatabase, OnlySqlOledbIsAProvider) {
  OdbcDatabaseProvider provider;
  for (const char* other : {"MSDAORA", "MSDASQL"}) {
    auto connection = provider.createConnection();
    connection->setProvider(other);
    try {
      connection->open();
      ADD_FAILURE() << "opened with " << other;
    } catch (const AppError& e) {
      EXPECT_EQ(e.number(), err::kDbProviderNotFound) << other;
    }
    EXPECT_EQ(connection->state(), kStateClosed) << other;
  }
}

TEST(OdbcDatabase, ExecuteOnAClosedConnectionFails) {
  OdbcDatabaseProvider provider;
  EXPECT_THROW(provider.createConnection()->execute("SELECT 1"), AppError);
}

}  // namespace
}  // namespace fd
