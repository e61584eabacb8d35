#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <future>
#include <string>
#include <vector>

#include "ToolTestSupport.h"
#include "platform/AppError.h"
#include "platform/odbc/OdbcDatabase.h"

namespace fd {
namespace {

using test::TdsTestServer;

std::unique_ptr<Connection> connect(DatabaseProvider& provider, const TdsTestServer& server,
                                    const std::string& catalog = "Empresa1",
                                    const std::string& login = "Fendal",
                                    const std::string& password = "Murales7261qz") {
  auto connection = provider.createConnection();
  connection->setProvider("SQLOLEDB");
  connection->setProperty("Data Source", server.dataSource());
  connection->setProperty("Initial Catalog", catalog);
  connection->setProperty("User Id", login);
  connection->setProperty("Password", password);
  connection->open();
  return connection;
}

int rawConnect(int port) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  return s;
}

// True when the server closed the connection (a reset when it left bytes unread).
bool serverCloses(int s) {
  char buffer[256];
  timeval timeout{5, 0};
  setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  for (;;) {
    ssize_t n = recv(s, buffer, sizeof buffer, 0);
    if (n == 0 || (n < 0 && errno == ECONNRESET))
      return true;
    if (n < 0)
      return false;
  }
}

std::string databaseCount(DatabaseProvider& provider, const TdsTestServer& server) {
  auto recordset =
      connect(provider, server)->execute("select name from sysdatabases order by name");
  int n = 0;
  for (; !recordset->eof(); recordset->moveNext())
    ++n;
  return std::to_string(n);
}

class TdsServerTest : public ::testing::Test {
 protected:
  TdsTestServer server_{fdsrvServer()};
  OdbcDatabaseProvider provider_;
};

struct Garbage {
  const char* name;
  std::vector<unsigned char> bytes;
};

class TdsServerGarbageTest : public TdsServerTest, public ::testing::WithParamInterface<Garbage> {};

TEST_P(TdsServerGarbageTest, DropsThatClientAndServesTheNext) {
  int s = rawConnect(server_.port());
  const auto& bytes = GetParam().bytes;
  ASSERT_EQ(send(s, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
  EXPECT_TRUE(serverCloses(s));
  close(s);
  EXPECT_EQ(databaseCount(provider_, server_), "5");
  EXPECT_TRUE(server_.running());
}

INSTANTIATE_TEST_SUITE_P(
    Packets, TdsServerGarbageTest,
    ::testing::Values(
        Garbage{"RandomBytes", {0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05}},
        Garbage{"LengthShorterThanHeader", {0x12, 0x01, 0x00, 0x03, 0, 0, 1, 0}},
        Garbage{"UnknownPacketType", {0x7F, 0x01, 0x00, 0x09, 0, 0, 1, 0, 0x00}},
        Garbage{"BatchBeforeLogin", {0x01, 0x01, 0x00, 0x0A, 0, 0, 1, 0, 'A', 0}},
        Garbage{"TruncatedLogin", {0x10, 0x01, 0x00, 0x0C, 0, 0, 1, 0, 0x04, 0, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TdsServerTest, SurvivesAClientLeavingMidPacket) {
  int s = rawConnect(server_.port());
  const unsigned char half[] = {0x12, 0x01, 0x01, 0x00, 0, 0, 1, 0, 0x00, 0x00};  // 256 announced
  send(s, half, sizeof half, MSG_NOSIGNAL);
  close(s);
  EXPECT_EQ(databaseCount(provider_, server_), "5");
}

TEST_F(TdsServerTest, ServesTenClientsAtOnce) {
  std::vector<std::unique_ptr<Connection>> open(10);
  std::vector<std::future<std::unique_ptr<Connection>>> pending;
  for (int i = 0; i < 10; ++i) {
    pending.push_back(std::async(std::launch::async, [this]() {
      auto connection = connect(provider_, server_);
      connection->execute("SELECT name FROM SYSDATABASES ORDER BY name");
      return connection;
    }));
  }
  for (int i = 0; i < 10; ++i)
    open[i] = pending[i].get();
  auto recordset = open[0]->execute(
      "SELECT COUNT(*) as CC FROM master..SYSPROCESSES SP INNER JOIN master..SYSDATABASES SD  ON "
      "SP.dbid = SD.dbid  WHERE SP.LOGINAME = 'Fendal' ");
  EXPECT_EQ(recordset->field("CC"), "10");
}

TEST_F(TdsServerTest, LogsEachLoginAndStatementWithLoginAndDatabase) {
  auto connection = connect(provider_, server_);
  connection->execute("SET NOCOUNT ON;PRINT 'a;b'\r\nUSE master\r\nPRINT 'fin'");
  std::vector<std::string> expected = {
      "Fendal\tEmpresa1\tLOGIN\tOK", "Fendal\tEmpresa1\tSQL\tSET NOCOUNT ON",
      "Fendal\tEmpresa1\tSQL\tPRINT 'a;b'", "Fendal\tEmpresa1\tSQL\tUSE master",
      "Fendal\tmaster\tSQL\tPRINT 'fin'"};
  EXPECT_EQ(server_.statementLog(), expected);
}

TEST_F(TdsServerTest, LoginNamesIgnoreLetterCaseButPasswordsDoNot) {
  EXPECT_NO_THROW(connect(provider_, server_, "EMPRESA1", "FENDAL"));
  EXPECT_THROW(connect(provider_, server_, "Empresa1", "Fendal", "MURALES7261QZ"), AppError);
}

TEST_F(TdsServerTest, UnknownStatementsAreAccepted) {
  auto connection = connect(provider_, server_);
  EXPECT_NO_THROW(connection->execute("UPDATE Clientes SET Nombre = 'x' WHERE Id = 1"));
}

TEST_F(TdsServerTest, UseOfMissingDatabaseFails) {
  auto connection = connect(provider_, server_);
  try {
    connection->execute("USE Nada");
    FAIL() << "no error";
  } catch (const AppError& e) {
    EXPECT_EQ(e.description(),
              "Database 'Nada' does not exist. Make sure that the name is entered correctly.");
  }
}

struct RefusedStatement {
  const char* name;
  std::string statement;
  std::string description;
};

class TdsServerMessageTest : public TdsServerTest,
                             public ::testing::WithParamInterface<RefusedStatement> {};

TEST_P(TdsServerMessageTest, AnswersAsSqlServerAndKeepsTheConnection) {
  auto connection = connect(provider_, server_);
  try {
    connection->execute(GetParam().statement);
    FAIL() << "no error";
  } catch (const AppError& e) {
    EXPECT_EQ(e.description(), GetParam().description);
  }
  EXPECT_NO_THROW(connection->execute("SET NOCOUNT ON"));
}

INSTANTIATE_TEST_SUITE_P(
    Statements, TdsServerMessageTest,
    ::testing::Values(
        // Longer than a 16-bit length: the stream stays whole and the next message arrives.
        RefusedStatement{"LongPrint",
                         "PRINT '" + std::string(70000, 'p') + "'\nRAISERROR('fin', 16, 1)", "fin"},
        RefusedStatement{"LongRaiserror", "RAISERROR('" + std::string(3000, 'e') + "', 16, 1)",
                         std::string(2044, 'e') + "..."},
        RefusedStatement{"NumberTooLarge", "RAISERROR(99999999999999999999, 16, 1)",
                         "Error number 99999999999999999999 is invalid. The number must be from "
                         "13000 through 2147483647 and it cannot be 50000."},
        RefusedStatement{"NumberTooSmall", "RAISERROR(12, 16, 1)",
                         "Error number 12 is invalid. The number must be from 13000 through "
                         "2147483647 and it cannot be 50000."},
        RefusedStatement{"SeverityTooHigh", "RAISERROR('x', 99999999999, 1)",
                         "Error severity levels greater than 18 can only be specified by members "
                         "of the sysadmin role, using the WITH LOG option."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TdsServerTest, RefusesConnectionsPastItsCap) {
  std::vector<int> held;
  for (int i = 0; i < 64; ++i)
    held.push_back(rawConnect(server_.port()));
  int extra = rawConnect(server_.port());
  EXPECT_TRUE(serverCloses(extra));
  close(extra);
  for (int s : held)
    close(s);
  EXPECT_TRUE(server_.running());
}

TEST_F(TdsServerTest, EndsCleanlyOnSigterm) {
  EXPECT_EQ(server_.stop(), 0);
}

TEST_F(TdsServerTest, EndsCleanlyOnSigtermWithClientsConnected) {
  auto connection = connect(provider_, server_);
  EXPECT_EQ(server_.stop(), 0);
}

}  // namespace
}  // namespace fd
