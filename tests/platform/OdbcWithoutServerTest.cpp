// The ODBC layer's cases that need no server, on both hosts.
#include <gtest/gtest.h>

#include <string>

#include "platform/AppError.h"
#include "platform/odbc/OdbcDatabase.h"

namespace fd {
namespace {

// A data source with the login FD, sa, p, the server FreeTDS is given for it and the one the
// system's driver is given (as typed, which it resolves itself).
struct ServerCase {
  const char* dataSource;
  const char* freeTdsServer;
  const char* systemServer;
};

class OdbcConnectionString : public ::testing::TestWithParam<ServerCase> {};

TEST_P(OdbcConnectionString, NamesTheDriverServerAndLogin) {
  const OdbcLogin login{GetParam().dataSource, "FD", "sa", "p"};
  const std::string keys = "};Database={FD};UID={sa};PWD={p};";
  EXPECT_EQ(odbcConnectionString("SQL Server", login),
            std::string("Driver={SQL Server};Server={") + GetParam().systemServer + keys);
  EXPECT_EQ(freeTdsConnectionString(login), std::string("Driver={FreeTDS};Server={") +
                                                GetParam().freeTdsServer + keys +
                                                "TDS_Version=7.4;ClientCharset=UTF-8;");
}

INSTANTIATE_TEST_SUITE_P(
    DataSources, OdbcConnectionString,
    ::testing::Values(ServerCase{"(local)", "127.0.0.1,1433", "(local)"},
                      ServerCase{".", "127.0.0.1,1433", "."},
                      ServerCase{"LOCALHOST", "127.0.0.1,1433", "LOCALHOST"},
                      ServerCase{" LocalHost ", "127.0.0.1,1433", "LocalHost"},
                      ServerCase{".\\SQLEXPRESS", "127.0.0.1\\SQLEXPRESS", ".\\SQLEXPRESS"},
                      ServerCase{"(local)\\SQL2005", "127.0.0.1\\SQL2005", "(local)\\SQL2005"},
                      ServerCase{"(LOCAL),1501", "127.0.0.1,1501", "(LOCAL),1501"},
                      ServerCase{"servidor,1500", "servidor,1500", "servidor,1500"},
                      ServerCase{"servidor\\SQLEXPRESS", "servidor\\SQLEXPRESS",
                                 "servidor\\SQLEXPRESS"}));

// Every value is braced: spaces, emptiness, ";", "=" and "{" stay inside it. The system's driver
// reads "}}" as "}"; with FreeTDS (and unixODBC before it) a "}" cannot pass at all.
TEST(OdbcConnectionText, BracesKeepEveryValueWhole) {
  EXPECT_EQ(odbcConnectionString("SQL Server", {"servidor,1500", "Mi Base", "s;a", ""}),
            "Driver={SQL Server};Server={servidor,1500};Database={Mi Base};UID={s;a};PWD={};");
  EXPECT_EQ(odbcConnectionString("SQL Server", {"servidor", "Base}x", "sa", "p}"}),
            "Driver={SQL Server};Server={servidor};Database={Base}}x};UID={sa};PWD={p}}};");
  EXPECT_EQ(freeTdsConnectionString({"servidor", "F=D", "sa", "p w{"}),
            "Driver={FreeTDS};Server={servidor};Database={F=D};UID={sa};PWD={p w{};"
            "TDS_Version=7.4;ClientCharset=UTF-8;");
  EXPECT_THROW(freeTdsConnectionString({"servidor", "Base}x", "sa", "p"}), AppError);
  // FreeTDS reads the string as ISO-8859-1: "ñ" passes, a Greek letter cannot.
  EXPECT_EQ(odbcValueFault("Compañía", "FreeTDS"), "");
  EXPECT_EQ(odbcValueFault("Εταιρεία", "FreeTDS"),
            "contiene un carácter que la conexión no admite");
  EXPECT_EQ(odbcValueFault("Εταιρεία", "SQL Server"), "");
  EXPECT_EQ(latin1FromUtf8("Compañía"), std::string("Compa\xF1") + "\xED" + "a");
}

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
