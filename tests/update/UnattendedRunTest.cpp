#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "fixtures/PackageBuilder.h"
#include "fixtures/TdsTestServer.h"
#include "fixtures/UpdaterFixture.h"
#include "window/ConsoleCommand.h"
#include "window/ConsoleDesktop.h"
#include "window/ProgramArguments.h"

namespace fd::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kExe = "C:\\Fendal\\Comercial\\Comercial.exe";
constexpr const char* kReport = "C:\\Fendal\\RPT\\Leeme.txt";
constexpr const char* kNewFile = "C:\\Fendal\\Comercial\\Leeme.txt";
constexpr const char* kMarker = "C:\\Tmp\\reiniciado.txt";

struct Output {
  int code = -1;
  std::string out, err, log;
  std::string lastLine() const {
    std::string text = out.substr(0, out.size() - 1);
    return text.substr(text.rfind('\n') + 1);
  }
};

// Each file under a folder, by its path inside it, with its bytes.
std::map<std::string, std::string> filesUnder(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      std::ifstream in(entry.path(), std::ios::binary);
      files[fs::relative(entry.path(), root).string()] =
          std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  return files;
}

// An installation with a replaced program, a new file, a command file that copies over a report
// and a script, updated by the window or by the program without it.
class UnattendedRunTest : public ::testing::Test {
 protected:
  void SetUp() override { startServer(0); }
  void TearDown() override { unsetenv("WINEPREFIX"); }

  void startServer(int otherUsers) {
    server.reset();
    server = std::make_unique<TdsTestServer>(TdsServerConfig{"TDSTEST",
                                                             {{"Fendal", "Murales7261qz"}},
                                                             {"COMERCIAL_A", "Otra"},
                                                             {{"Fendal", otherUsers, "Otra"}}});
  }

  void install(UpdaterFixture& u) {
    setenv("WINEPREFIX", u.prefix.root().c_str(), 1);
    u.prefix.writeFile("C:\\Fendal\\Comercial\\fdCom.ini",
                       "[Comercial]\r\nServidor=" + server->dataSource() + "\r\n");
    u.prefix.writeFile(kExe, "viejo");
    fs::last_write_time(u.prefix.host(kExe),
                        fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
    u.prefix.writeFile(kReport, "leeme viejo");
    PackageBuilder packages(u, u.programFolder);
    for (const char* tool : {"Winrar95.exe", "taskkill", "schtasks"})
      packages.installTool(tool);
    u.registerQueryTool();
    u.writeMailTask();
    packages.make("COMERCIAL_5_2_7_x.rar",
                  {{"info.txt", "[Destino]\r\nAlta.cfd=\r\n01.sql=\r\n"},
                   {"Comercial.exe", "nuevo"},
                   {"Leeme.txt", "leeme nuevo"},
                   {"Alta.cfd", "COPY %PathActTmp%Leeme.txt C:\\Fendal\\RPT\\Leeme.txt\r\n"},
                   {"01.sql", "PRINT 'alta'\r\nGO\r\n"}});
  }

  // The program started with these switches, as main starts it.
  Output console(UpdaterFixture& u, const std::vector<std::string>& args) {
    setenv("WINEPREFIX", u.prefix.root().c_str(), 1);
    const ProgramArguments arguments = ProgramArguments::parse(args);
    std::ostringstream out, err;
    ConsoleDesktop desktop(err, arguments.continueWithUsers);
    frmActualiza1 form(u.services(desktop));
    Output result;
    result.code = ConsoleCommand::make(arguments, form, desktop, out)->run(err);
    result.out = out.str();
    result.err = err.str();
    result.log = form.log.path();
    return result;
  }

  std::vector<std::string> statements(std::size_t from) {
    std::vector<std::string> texts;
    auto entries = server->logEntries();
    for (std::size_t i = from; i < entries.size(); ++i)
      texts.push_back(entries[i].kind + " " + entries[i].database + " " + entries[i].text);
    return texts;
  }
  std::map<std::string, std::string> suite(UpdaterFixture& u) {
    return filesUnder(u.prefix.host("C:\\Fendal"));
  }

  std::unique_ptr<TdsTestServer> server;
  UpdaterFixture f;
};

TEST_F(UnattendedRunTest, UpdatesTheInstallationAsTheWindowDoes) {
  UpdaterFixture window;
  install(window);
  std::size_t start = server->logEntries().size();
  ASSERT_TRUE(window.window().Form_Load());
  window.window().cmdDes_Click();
  window.window().cmdAct_Click();
  ASSERT_EQ(window.desktop.boxes.back().prompt, "Terminó la Actualización");
  const auto windowStatements = statements(start);

  install(f);
  start = server->logEntries().size();
  Output run = console(f, {"/desatendido"});
  EXPECT_EQ(run.code, 0) << run.out << run.err;
  EXPECT_EQ(suite(f), suite(window));
  EXPECT_EQ(statements(start), windowStatements);
  std::vector<std::string> texts;
  for (const std::string& text : UpdaterFixture::textsOf(f.fs.readLines(run.log))) {
    if (!text.starts_with(" Mensaje "))
      texts.push_back(text);
  }
  EXPECT_EQ(texts, window.logTexts());
  EXPECT_NE(run.out.find("\nCopiando Comercial.exe\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.lastLine(), "Terminó la Actualización");
  EXPECT_EQ(run.err, "Fendal: Terminó la Actualización\n");
}

TEST_F(UnattendedRunTest, KeepsWhatItReplacesAndRestoresIt) {
  install(f);
  const auto before = suite(f);
  const auto exeTime = fs::last_write_time(f.prefix.host(kExe));
  Output run = console(f, {"/desatendido"});
  ASSERT_EQ(run.code, 0) << run.out << run.err;
  ASSERT_EQ(f.prefix.readFile(kExe), "nuevo");

  const std::string stamp = UpdateLog::stampOf(run.log);
  const std::string backup = "C:\\Act\\Respaldo\\" + stamp + "\\";
  EXPECT_EQ(f.prefix.readFile(backup + "C\\Fendal\\Comercial\\Comercial.exe"), "viejo");
  EXPECT_EQ(fs::last_write_time(f.prefix.host(backup + "C\\Fendal\\Comercial\\Comercial.exe")),
            exeTime);
  EXPECT_EQ(f.prefix.readFile(backup + "C\\Fendal\\RPT\\Leeme.txt"), "leeme viejo");
  const std::string index = f.prefix.readFile(backup + "respaldo.txt");
  EXPECT_NE(index.find(std::string(kExe) + "\t5\t"), std::string::npos) << index;
  EXPECT_NE(index.find(std::string(kNewFile) + "\tnuevo\r\n"), std::string::npos) << index;
  EXPECT_NE(index.find(std::string(kReport) + "\t11\t"), std::string::npos) << index;
  auto texts = UpdaterFixture::textsOf(f.fs.readLines(run.log));
  EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                          [](const std::string& t) { return t.starts_with(" Respaldo "); }),
            2);

  // The run restarted the task; the restore must do it again.
  ASSERT_TRUE(eventually([&] { return f.prefix.exists(kMarker); }));
  fs::remove(f.prefix.host(kMarker));
  f.clock.advance(std::chrono::minutes(5));
  Output restore = console(f, {"-RESTAURAR"});
  EXPECT_EQ(restore.code, 0) << restore.out << restore.err;
  EXPECT_EQ(suite(f), before);
  EXPECT_EQ(fs::last_write_time(f.prefix.host(kExe)), exeTime);
  EXPECT_NE(restore.log, run.log);
  EXPECT_TRUE(eventually([&] { return f.prefix.exists(kMarker); }));
  texts = UpdaterFixture::textsOf(f.fs.readLines(restore.log));
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Tarea fdEnvioMails detenida con éxito"),
            texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), " Eliminado " + std::string(kNewFile)),
            texts.end());
}

struct EndCase {
  std::string name;
  std::vector<std::string> args;
  int otherUsers = 0;
  std::function<void(UpdaterFixture&)> before;
  int code = 0;
  std::string lastLine;  // its beginning; "" when nothing is printed on standard output
  bool scriptsRun = false;
  bool filesReplaced = false;
};

class UnattendedEnds : public UnattendedRunTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(UnattendedEnds, ExitCodeAndReason) {
  const EndCase& c = GetParam();
  startServer(c.otherUsers);
  install(f);
  if (c.before)
    c.before(f);
  Output run = console(f, c.args);
  EXPECT_EQ(run.code, c.code) << run.out << run.err;
  if (c.lastLine.empty())
    EXPECT_NE(run.err.find("no se "), std::string::npos) << run.err;
  else
    EXPECT_EQ(run.lastLine().substr(0, c.lastLine.size()), c.lastLine) << run.out;
  auto sql = server->entries("SQL", "Fendal");
  EXPECT_EQ(std::any_of(sql.begin(), sql.end(), [](auto& e) { return e.text == "PRINT 'alta'"; }),
            c.scriptsRun);
  EXPECT_EQ(f.prefix.readFile(kExe), c.filesReplaced ? "nuevo" : "viejo");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnattendedEnds,
    ::testing::Values(
        EndCase{"OtherUsersStopTheScripts",
                {"/desatendido"},
                1,
                nullptr,
                1,
                "ERROR: Hay otros usuarios conectados",
                false,
                true},
        EndCase{"OtherUsersAccepted",
                {"/desatendido", "/usuarios:continuar"},
                1,
                nullptr,
                0,
                "Terminó la Actualización",
                true,
                true},
        EndCase{"FailingCopy",
                {"/desatendido"},
                0,
                [](UpdaterFixture& u) {
                  PackageBuilder(u, u.programFolder)
                      .make("CRM_1_0_0_a.rar",
                            {{"info.txt", "[Destino]\r\nb.dll=C:\\No\\Existe\\\r\n"},
                             {"b.dll", "b"}});
                },
                1,
                "ERROR: Actualizar : (76). Línea : 3. ",
                false,
                false},
        EndCase{"BackupThatCannotBeWritten",
                {"/desatendido"},
                0,
                [](UpdaterFixture& u) { u.prefix.writeFile("C:\\Act\\Respaldo", "no es carpeta"); },
                1,
                "ERROR: Actualizar : (75). Línea : 3. No se pudo respaldar el archivo "
                "C:\\Fendal\\Comercial\\",
                false,
                false},
        EndCase{"UnknownDatabase",
                {"/desatendido", "/bases:COMERCIAL_A,NoExiste"},
                0,
                nullptr,
                2,
                "",
                false,
                false},
        EndCase{"NoSuchBackup", {"/restaurar:2026128610"}, 0, nullptr, 2, "", false, false}),
    [](const auto& info) { return info.param.name; });

TEST_F(UnattendedRunTest, DryRunChangesNothingAndListsWhatTheRunDoes) {
  install(f);
  const auto before = suite(f);
  fs::remove(f.prefix.host(kMarker));
  Output dry = console(f, {"/Simular"});
  ASSERT_EQ(dry.code, 0) << dry.out << dry.err;
  EXPECT_EQ(suite(f), before);
  EXPECT_FALSE(f.prefix.exists(kMarker));
  EXPECT_FALSE(f.prefix.exists("C:\\Act\\Respaldo"));
  for (const auto& entry : server->entries("SQL", "Fendal"))
    EXPECT_EQ(entry.text.find("PRINT"), std::string::npos) << entry.text;
  const std::string pkg = "C:\\Act\\COMERCIAL_5_2_7_x\\";
  for (const std::string& line : std::vector<std::string>{
           "Detener la tarea de envío de mails: taskkill /f /im fdEnvioMails.exe",
           "Copiar " + pkg + "Comercial.exe a " + kExe + " (reemplaza)",
           "Copiar " + pkg + "Leeme.txt a " + kNewFile + " (nuevo)",
           "    COPY " + pkg + "Leeme.txt C:\\Fendal\\RPT\\Leeme.txt",
           "Base de datos COMERCIAL_A: 1 sesiones de Fendal",
           "Ejecutar \"C:\\SQL\\90\\Tools\\Binn\\osql.exe\" -S " + server->dataSource() +
               " -d COMERCIAL_A -U Fendal -P ******** -i \"" + pkg + "01.sql\" -o \"" + pkg +
               "01.log\""}) {
    EXPECT_NE(dry.out.find("\n" + line + "\n"), std::string::npos) << line << "\n" << dry.out;
  }
  EXPECT_EQ(dry.out.find("Murales"), std::string::npos);
}

}  // namespace
}  // namespace fd::test
