#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "ToolTestSupport.h"
#include "fixtures/TempPrefix.h"

namespace fd {
namespace {

namespace fs = std::filesystem;
using test::TdsTestServer;

constexpr const char* kPassword = "Murales7261qz";

// Runs osql.exe and gives its exit code; with a file-size limit (blocks of 512 bytes) through
// the shell's ulimit.
int run(std::vector<std::string> args, int fileSizeLimit = -1, const fs::path& winePrefix = {}) {
  fs::path program = fs::path(FD_BIN_DIR) / "osql.exe";
  if (fileSizeLimit >= 0) {
    args.insert(args.begin(),
                {"-c", "ulimit -f " + std::to_string(fileSizeLimit) + "; exec \"$0\" \"$@\"",
                 program.string()});
    program = "/bin/sh";
  }
  return runProgram(program, args, winePrefix, std::chrono::seconds(60)).exitCode;
}

class OsqlTest : public ::testing::Test {
 protected:
  ~OsqlTest() override { removeTree(folder_); }

  int osql(const std::string& password, const fs::path& script, const fs::path& output) {
    return run({"-S", server_.dataSource(), "-d", "Empresa1", "-U", "Fendal", "-P", password, "-i",
                script.string(), "-o", output.string()});
  }

  TdsTestServer server_{fdsrvServer()};
  fs::path folder_ = makeTempFolder("osql");
};

TEST_F(OsqlTest, WritesEachBatchsOutputInOsqlFormat) {
  writeHostFile(
      folder_ / "s.sql",
      "PRINT 'ERROR: falta la tabla'\r\n"
      "GO\r\n"
      "RAISERROR('malo', 16, 3)\r\n"
      "PRINT 'sigue; con punto y coma'\r\n"
      "GO\r\n"
      "SELECT COUNT(*) as CC FROM master..SYSPROCESSES SP INNER JOIN master..SYSDATABASES SD  ON "
      "SP.dbid = SD.dbid  WHERE SP.LOGINAME = 'Fendal' \r\n"
      "go\r\n"
      "select name from sysdatabases order by name\r\n"
      "GO\r\n"
      "SET NOCOUNT ON\r\n"
      " GO \r\n"
      "PRINT 'a\xF1o'\r\n");
  ASSERT_EQ(osql(kPassword, folder_ / "s.sql", folder_ / "s.log"), 0);
  auto nameLine = [](const std::string& name) {
    return " " + name + std::string(128 - name.size(), ' ') + "\r\n";
  };
  std::string expected =
      "1> 2> ERROR: falta la tabla\r\n"
      "1> 2> 3> Msg 50000, Level 16, State 1, Server FDSRV, Line 1\r\n"
      "malo\r\n"
      "sigue; con punto y coma\r\n"
      "1> 2>  CC         \r\n"
      " -----------\r\n"
      "           1\r\n"
      "\r\n"
      "(1 row affected)\r\n"
      "1> 2> " +
      nameLine("name") + " " + std::string(128, '-') + "\r\n" + nameLine("Empresa1") +
      nameLine("master") + nameLine("model") + nameLine("msdb") + nameLine("tempdb") +
      "\r\n"
      "(5 rows affected)\r\n"
      "1> 2> 1> a\xF1o\r\n";
  EXPECT_EQ(readHostFile(folder_ / "s.log"), expected);
}

TEST_F(OsqlTest, ErrorLinesCountFromTheBatchStart) {
  writeHostFile(folder_ / "s.sql",
                "PRINT 'uno'\r\nGO\r\nSET NOCOUNT ON\r\n\r\nRAISERROR('tres', 11, 1)\r\nGO\r\n");
  ASSERT_EQ(osql(kPassword, folder_ / "s.sql", folder_ / "s.log"), 0);
  EXPECT_EQ(readHostFile(folder_ / "s.log"),
            "1> 2> uno\r\n"
            "1> 2> 3> 4> Msg 50000, Level 11, State 1, Server FDSRV, Line 3\r\n"
            "tres\r\n");
}

TEST_F(OsqlTest, WrongPasswordExitsWithOneAndTheMessage) {
  writeHostFile(folder_ / "s.sql", "PRINT 'x'\r\nGO\r\n");
  EXPECT_EQ(osql("otra", folder_ / "s.sql", folder_ / "s.log"), 1);
  EXPECT_NE(readHostFile(folder_ / "s.log").find("Login failed for user 'Fendal'.\r\n"),
            std::string::npos);
  EXPECT_TRUE(server_.entries("SQL", "Fendal").empty());
}

TEST_F(OsqlTest, MissingInputFileExitsWithOneAndTheMessage) {
  EXPECT_EQ(osql(kPassword, folder_ / "nada.sql", folder_ / "s.log"), 1);
  EXPECT_EQ(readHostFile(folder_ / "s.log"),
            "Cannot open input file - " + (folder_ / "nada.sql").string() + "\r\n");
}

TEST_F(OsqlTest, TakesWindowsPathsAndOptionsInAnyOrder) {
  fs::create_directories(folder_ / "prefix" / "drive_c" / "Tmp" / "P1");
  writeHostFile(folder_ / "prefix" / "drive_c" / "Tmp" / "P1" / "Alta.sql", "PRINT 'hecho'\r\n");
  EXPECT_EQ(run({"-o", "C:\\Tmp\\P1\\Alta.log", "-P", kPassword, "-i", "C:\\TMP\\p1\\Alta.sql",
                 "-U", "Fendal", "-d", "Empresa1", "-S", server_.dataSource()},
                -1, folder_ / "prefix"),
            0);
  EXPECT_EQ(readHostFile(folder_ / "prefix" / "drive_c" / "Tmp" / "P1" / "Alta.log"),
            "1> hecho\r\n");
}

TEST_F(OsqlTest, AnOutputFileThatCannotBeWrittenIsAnErrorExitNotACrash) {
  writeHostFile(folder_ / "s.sql", "PRINT '" + std::string(4000, 'x') + "'\r\n");
  EXPECT_EQ(run({"-S", server_.dataSource(), "-d", "Empresa1", "-U", "Fendal", "-P", kPassword,
                 "-i", (folder_ / "s.sql").string(), "-o", (folder_ / "s.log").string()},
                1),
            1);
}

// -S, -d, -U and -P in turn carry an injection; the real server and a decoy watch.
constexpr const char* kOptionKeys[][2] = {
    {"-S", "Server"}, {"-d", "Database"}, {"-U", "UID"}, {"-P", "PWD"}};

class OsqlInjectionTest : public OsqlTest,
                          public ::testing::WithParamInterface<std::tuple<int, test::Injection>> {};

TEST_P(OsqlInjectionTest, IsRefusedWithAReasonBeforeAnythingConnects) {
  test::SilentServer decoy;
  writeHostFile(folder_ / "s.sql", "PRINT 'x'\r\n");
  std::vector<std::string> args = {
      "-S", server_.dataSource(), "-d", "Empresa1", "-U", "Fendal", "-P", kPassword};
  const int option = std::get<0>(GetParam());
  std::string& value = args[2 * static_cast<std::size_t>(option) + 1];
  value = test::injected(value, std::get<1>(GetParam()), decoy.port());
  // A NUL cannot travel in an argument: the value then ends there and passes as it is.
  const bool cut = value.find('\0') != std::string::npos;
  args.insert(args.end(), {"-i", (folder_ / "s.sql").string(), "-o", (folder_ / "s.log").string()});
  const int code = run(args);
  EXPECT_EQ(decoy.connections(), 0);
  if (cut) {
    EXPECT_EQ(code, 0);
    return;
  }
  EXPECT_EQ(code, 1);
  EXPECT_EQ(readHostFile(folder_ / "s.log"), std::string("La conexi\xF3n no admite el valor de ") +
                                                 kOptionKeys[option][1] + ": contiene \"}\".\r\n");
  EXPECT_TRUE(server_.logEntries().empty());
}

std::string optionInjectionName(
    const ::testing::TestParamInfo<OsqlInjectionTest::ParamType>& info) {
  return std::string(kOptionKeys[std::get<0>(info.param)][1]) + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Options, OsqlInjectionTest,
                         ::testing::Combine(::testing::Range(0, 4),
                                            ::testing::ValuesIn(test::kInjections)),
                         optionInjectionName);

TEST_F(OsqlTest, AServerThatNeverAnswersTheLoginIsGivenUpAfterTheLoginTimeOut) {
  test::SilentServer stalled;
  writeHostFile(folder_ / "s.sql", "PRINT 'x'\r\n");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(
      run({"-S", stalled.dataSource(), "-d", "Empresa1", "-U", "Fendal", "-P", kPassword, "-l", "2",
           "-i", (folder_ / "s.sql").string(), "-o", (folder_ / "s.log").string()}),
      1);
  // Generous for a loaded machine; without the time-out the login waits for ever.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
  EXPECT_NE(readHostFile(folder_ / "s.log").find("Timeout expired\r\n"), std::string::npos);
  EXPECT_EQ(stalled.connections(), 1);
}

}  // namespace
}  // namespace fd
