#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <thread>

#include "databases/ServerConnection.h"
#include "fixtures/ConsoleRun.h"
#include "fixtures/PackageBuilder.h"
#include "fixtures/TdsTestServer.h"
#include "fixtures/UpdaterFixture.h"
#include "platform/Text.h"
#include "session/GridSetup.h"

namespace fd::test {
namespace {

namespace fs = std::filesystem;

// Where the mail task's stand-in notes that it ran (POSIX).
constexpr const char* kMarker = "C:\\Tmp\\reiniciado.txt";

using Output = ConsoleRun;

// A console log's texts, with what the started programs printed into it: they may end their
// lines with LF alone.
std::vector<std::string> consoleLogTexts(const UpdaterFixture& u, const std::string& log) {
  std::vector<std::string> lines;
  for (const std::string& line : u.fs.readLines(log)) {
    for (const std::string& piece : splitText(line, '\n'))
      lines.push_back(piece);
  }
  return UpdaterFixture::textsOf(lines);
}

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

// The texts with the fixture's root, also as a backup names it (its colon left out), as "{root}":
// on Windows each fixture has a root of its own.
std::vector<std::string> rootless(std::vector<std::string> texts, const UpdaterFixture& u) {
  const std::string root = u.root();
  const std::string kept = root.substr(0, 1) + root.substr(2);
  for (std::string& text : texts)
    text = replaceAll(replaceAll(text, root, "{root}"), kept, "{root}");
  return texts;
}

// An installation with a replaced program, a new file, a command file that copies over a report
// and a script, updated by the window or by the program without it.
class UnattendedRunTest : public ::testing::Test {
 protected:
  void SetUp() override { startServer(0); }

  void startServer(int otherUsers, const std::string& password = "Murales7261qz",
                   const std::vector<std::string>& databases = {"COMERCIAL_A", "Otra"},
                   const std::vector<std::string>& offline = {}) {
    server.reset();
    server = std::make_unique<TdsTestServer>(TdsServerConfig{
        "TDSTEST", {{"Fendal", password}}, databases, {{"Fendal", otherUsers, "Otra"}}, offline});
  }

  // The installation's replaced program, its report and the package's new file.
  static std::string exe(const UpdaterFixture& u) {
    return u.fendal() + "Comercial\\Comercial.exe";
  }
  static std::string report(const UpdaterFixture& u) { return u.fendal() + "RPT\\Leeme.txt"; }
  static std::string newFile(const UpdaterFixture& u) {
    return u.fendal() + "Comercial\\Leeme.txt";
  }

  void install(UpdaterFixture& u) {
    u.writeFile(u.fendal() + "Comercial\\fdCom.ini",
                "[Comercial]\r\nServidor=" + server->dataSource() + "\r\n");
    u.writeFile(exe(u), "viejo");
    fs::last_write_time(u.host(exe(u)),
                        fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
    u.writeFile(report(u), "leeme viejo");
    PackageBuilder packages(u, u.programFolder);
    packages.installTools();
    u.registerQueryTool();
    taskRuns = u.writeMailTask();
    packages.make("COMERCIAL_5_2_7_x.rar",
                  {{"info.txt", "[Destino]\r\nAlta.cfd=\r\n01.sql=\r\n"},
                   {"Comercial.exe", "nuevo"},
                   {"Leeme.txt", "leeme nuevo"},
                   {"Alta.cfd", "COPY %PathActTmp%Leeme.txt " + report(u) + "\r\n"},
                   {"01.sql", "PRINT 'alta'\r\nGO\r\n"}});
  }

  static Output console(UpdaterFixture& u, const std::vector<std::string>& args) {
    return runConsole(u, args);
  }

  std::vector<std::string> statements(std::size_t from) {
    std::vector<std::string> texts;
    auto entries = server->logEntries();
    for (std::size_t i = from; i < entries.size(); ++i)
      texts.push_back(entries[i].kind + " " + entries[i].database + " " + entries[i].text);
    return texts;
  }
  std::map<std::string, std::string> suite(UpdaterFixture& u) {
    return filesUnder(u.host(u.fendal()));
  }

  std::unique_ptr<TdsTestServer> server;
  UpdaterFixture f;
  bool taskRuns = false;  // the mail task restarts the fixture's own program (POSIX)
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
  // Besides the messages, the console's log holds what the started programs printed.
  const std::vector<std::string> windowTexts = rootless(window.logTexts(), window);
  const std::vector<std::string> allTexts = rootless(consoleLogTexts(f, run.log), f);
  std::vector<std::string> texts;
  for (const std::string& text : allTexts) {
    if (std::find(windowTexts.begin(), windowTexts.end(), text) != windowTexts.end())
      texts.push_back(text);
  }
  EXPECT_EQ(texts, windowTexts);
  EXPECT_TRUE(std::any_of(allTexts.begin(), allTexts.end(), [](const std::string& text) {
    return text.find("\"fdEnvioMails.exe\"") != std::string::npos;
  })) << "taskkill's own message is not in the log";
  EXPECT_NE(run.out.find("\nCopiando Comercial.exe\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.lastLine(), "Terminó la Actualización");
  EXPECT_EQ(run.err, "Fendal: Terminó la Actualización\n");
}

TEST_F(UnattendedRunTest, KeepsWhatItReplacesAndRestoresIt) {
  install(f);
  const auto before = suite(f);
  const auto exeTime = fs::last_write_time(f.host(exe(f)));
  Output run = console(f, {"/desatendido"});
  ASSERT_EQ(run.code, 0) << run.out << run.err;
  ASSERT_EQ(f.readFile(exe(f)), "nuevo");

  // A file's copy lies below the backup at its path, the drive's colon left out.
  // The folder takes the second the program started.
  const std::string backup = f.act() + "Respaldo\\20261208-061057\\";
  auto kept = [&](const std::string& file) { return backup + file.substr(0, 1) + file.substr(2); };
  EXPECT_EQ(f.readFile(kept(exe(f))), "viejo");
  EXPECT_EQ(fs::last_write_time(f.host(kept(exe(f)))), exeTime);
  EXPECT_EQ(f.readFile(kept(report(f))), "leeme viejo");
  const std::string index = f.readFile(backup + "respaldo.txt");
  EXPECT_NE(index.find(exe(f) + "\t5\t"), std::string::npos) << index;
  EXPECT_NE(index.find(newFile(f) + "\tnuevo\t11\r\n"), std::string::npos) << index;
  EXPECT_NE(index.find(report(f) + "\t11\t"), std::string::npos) << index;
  auto texts = UpdaterFixture::textsOf(f.fs.readLines(run.log));
  EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                          [](const std::string& t) { return t.starts_with(" Respaldo "); }),
            2);

  // The run restarted the task; the restore must do it again.
  if (taskRuns) {
    ASSERT_TRUE(eventually([&] { return f.prefix.exists(kMarker); }));
    fs::remove(f.prefix.host(kMarker));
  }
  f.clock.advance(std::chrono::minutes(5));
  Output restore = console(f, {"-RESTAURAR"});
  EXPECT_EQ(restore.code, 0) << restore.out << restore.err;
  EXPECT_EQ(suite(f), before);
  EXPECT_EQ(fs::last_write_time(f.host(exe(f))), exeTime);
  EXPECT_NE(restore.log, run.log);
  if (taskRuns) {
    EXPECT_TRUE(eventually([&] { return f.prefix.exists(kMarker); }));
  }
  texts = consoleLogTexts(f, restore.log);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Tarea fdEnvioMails detenida con éxito"),
            texts.end());
  EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const std::string& text) {
    return text.find("\"fdEnvioMails.exe\"") != std::string::npos;
  })) << "taskkill's own message is not in the restore's log";
  EXPECT_NE(std::find(texts.begin(), texts.end(), " Eliminado " + newFile(f)), texts.end());
}

TEST_F(UnattendedRunTest, TwoRunsOfOneDayKeepTwoBackupsAndTheNewestUndoesTheSecond) {
  install(f);
  // Their log stamps print alike (2026129115); their backups must not.
  f.clock.setNow({2026, 12, 9, 1, 15, 0});
  ASSERT_EQ(console(f, {"/desatendido"}).code, 0);
  f.writeFile(exe(f), "entre las dos");
  const auto between = suite(f);
  f.clock.setNow({2026, 12, 9, 11, 5, 0});
  Output second = console(f, {"/desatendido"});
  ASSERT_EQ(second.code, 0) << second.out << second.err;
  ASSERT_EQ(f.readFile(exe(f)), "nuevo");
  EXPECT_EQ(f.fs.listFolders(f.act() + "Respaldo\\"),
            (std::vector<std::string>{"20261209-011500", "20261209-110500"}));
  const auto texts = UpdaterFixture::textsOf(f.fs.readLines(second.log));
  EXPECT_NE(std::find(texts.begin(), texts.end(),
                      " Carpeta de respaldo " + f.act() + "Respaldo\\20261209-110500\\"),
            texts.end());

  Output restore = console(f, {"/restaurar"});
  EXPECT_EQ(restore.code, 0) << restore.out << restore.err;
  EXPECT_EQ(restore.lastLine(),
            "Restauración terminada: " + f.act() + "Respaldo\\20261209-110500\\");
  EXPECT_EQ(suite(f), between);
}

struct EndCase {
  std::string name;
  std::vector<std::string> args;
  int otherUsers = 0;
  std::function<void(UpdaterFixture&)> before;
  int code = 0;
  // Its beginning, "{Fendal}" standing for the suite's root; "" when nothing is printed on
  // standard output.
  std::string lastLine;
  bool scriptsRun = false;
  bool filesReplaced = false;
  // The server: its login's password and its databases.
  std::string password = "Murales7261qz";
  std::vector<std::string> databases = {"COMERCIAL_A", "Otra"};
  // The run failed with the mail task stopped, and left it so.
  bool mailLeftStopped = false;
};

// A second package whose script reports an error.
void failingScript(UpdaterFixture& u) {
  PackageBuilder(u, u.programFolder)
      .make("CRM_1_0_0_a.rar", {{"info.txt", "[Destino]\r\n02.sql=\r\n"},
                                {"02.sql", "PRINT 'ERROR: falta la tabla'\r\nGO\r\n"}});
}
// The suite's server as its INI names it, where nothing listens.
void serverDown(UpdaterFixture& u) {
  u.writeFile(u.fendal() + "Comercial\\fdCom.ini", "[Comercial]\r\nServidor=127.0.0.1,1\r\n");
}

// The package whose bytes hold marker, damaged as how says.
std::function<void(UpdaterFixture&)> damagedPackage(const char* marker,
                                                    PackageBuilder::Damage how) {
  return [=](UpdaterFixture& u) {
    PackageBuilder(u, u.programFolder).damage("COMERCIAL_5_2_7_x.rar", marker, how);
  };
}

class UnattendedEnds : public UnattendedRunTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(UnattendedEnds, ExitCodeAndReason) {
  const EndCase& c = GetParam();
  startServer(c.otherUsers, c.password, c.databases);
  install(f);
  if (c.before)
    c.before(f);
  Output run = console(f, c.args);
  EXPECT_EQ(run.code, c.code) << run.out << run.err;
  std::string lastLine = c.lastLine;
  if (const auto at = lastLine.find("{Fendal}"); at != std::string::npos)
    lastLine.replace(at, 8, f.fendal());
  if (lastLine.empty())
    EXPECT_NE(run.err.find("no se "), std::string::npos) << run.err;
  else
    EXPECT_EQ(run.lastLine().substr(0, lastLine.size()), lastLine) << run.out;
  auto sql = server->entries("SQL", "Fendal");
  EXPECT_EQ(std::any_of(sql.begin(), sql.end(), [](auto& e) { return e.text == "PRINT 'alta'"; }),
            c.scriptsRun);
  EXPECT_EQ(f.readFile(exe(f)), c.filesReplaced ? "nuevo" : "viejo");
  if (c.mailLeftStopped) {
    EXPECT_NE(run.lastLine().find("la tarea de envío de mails quedó detenida"), std::string::npos);
    EXPECT_FALSE(UpdaterFixture::textsOf(f.fs.readLines(run.log)).empty());
    for (const std::string& text : UpdaterFixture::textsOf(f.fs.readLines(run.log)))
      EXPECT_NE(text, "Shell schtasks /run /tn fdEnvioMails");
  }
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
                            {{"info.txt", "[Destino]\r\nb.dll=" + u.root() + "No\\Existe\\\r\n"},
                             {"b.dll", "b"}});
                },
                1,
                "ERROR: Actualizar : (76). Línea : 3. ",
                false,
                false,
                "Murales7261qz",
                {"COMERCIAL_A", "Otra"},
                true},
        EndCase{"BackupThatCannotBeWritten",
                {"/desatendido"},
                0,
                [](UpdaterFixture& u) { u.writeFile(u.act() + "Respaldo", "no es carpeta"); },
                1,
                "ERROR: Actualizar : (75). Línea : 3. No se pudo respaldar el archivo "
                "{Fendal}Comercial\\",
                false,
                false},
        EndCase{"OneScriptFails",
                {"/desatendido"},
                0,
                failingScript,
                1,
                "ERROR: La actualización terminó con errores en: COMERCIAL_A: Ejecutar 02.sql",
                true,
                true},
        EndCase{"NoDatabaseTicked",
                {"/desatendido"},
                0,
                nullptr,
                1,
                "ERROR: No hay ninguna base de datos marcada para ejecutar los scripts",
                false,
                false,
                "Murales7261qz",
                {"Otra"}},
        EndCase{"ServerDown",
                {"/desatendido"},
                0,
                serverDown,
                1,
                "ERROR: No se pudo conectar al servidor 127.0.0.1,1",
                false,
                false},
        EndCase{"ServerDownWithNamedDatabases",
                {"/desatendido", "/bases:COMERCIAL_A"},
                0,
                serverDown,
                1,
                "ERROR: No se pudo conectar al servidor 127.0.0.1,1",
                false,
                false},
        EndCase{"WrongPassword",
                {"/desatendido"},
                0,
                nullptr,
                1,
                "ERROR: No se pudo conectar al servidor 127.0.0.1,",
                false,
                false,
                "OtraClave"},
        EndCase{"DamagedPackage",
                {"/desatendido"},
                0,
                damagedPackage("PRINT 'alta'", PackageBuilder::Damage::CutShort),
                1,
                "ERROR: No se pudo descomprimir y no se aplicó: COMERCIAL_5_2_7_x.rar",
                false,
                false},
        EndCase{"DamagedPackageDryRun",
                {"/simular"},
                0,
                damagedPackage("nuevo", PackageBuilder::Damage::ByteChanged),
                1,
                "ERROR: No se pudo descomprimir y no se aplicó: COMERCIAL_5_2_7_x.rar",
                false,
                false},
        EndCase{"UnknownDatabase",
                {"/desatendido", "/bases:COMERCIAL_A,NoExiste"},
                0,
                nullptr,
                1,
                "ERROR: La base de datos NoExiste no está en el servidor ",
                false,
                false},
        EndCase{"NoSuchBackup", {"/restaurar:2026128610"}, 0, nullptr, 2, "", false, false}),
    [](const auto& info) { return info.param.name; });

TEST_F(UnattendedRunTest, TheWindowAppliesOnlyThePackagesExtractedWhole) {
  install(f);
  PackageBuilder packages(f, f.programFolder);
  packages.damage("COMERCIAL_5_2_7_x.rar", "PRINT 'alta'", PackageBuilder::Damage::CutShort);
  packages.make("CRM_1_0_0_a.rar", {{"info.txt", "[Destino]\r\n"}, {"b.dll", "b"}});
  f.makeFolder(f.fendal() + "CRM");
  frmActualiza1& w = f.window();
  ASSERT_TRUE(w.Form_Load());
  w.cmdDes_Click();
  w.cmdAct_Click();
  EXPECT_EQ(f.desktop.boxes.back().prompt, "Terminó la Actualización");
  ASSERT_EQ(w.flxRar.Rows(), 3);
  EXPECT_EQ(w.flxRar.CellBackColor(1, kRarPackage), colors::kLightRed);
  EXPECT_EQ(w.flxRar.CellBackColor(2, kRarPackage), colors::kWhite);
  EXPECT_EQ(f.readFile(f.fendal() + "CRM\\b.dll"), "b");
  EXPECT_EQ(f.readFile(exe(f)), "viejo");
  EXPECT_EQ(f.readFile(report(f)), "leeme viejo");
  EXPECT_FALSE(f.exists(newFile(f)));
  for (const auto& entry : server->entries("SQL", "Fendal"))
    EXPECT_EQ(entry.text.find("PRINT"), std::string::npos) << entry.text;
}

TEST_F(UnattendedRunTest, DryRunChangesNothingAndListsWhatTheRunDoes) {
  install(f);
  const auto before = suite(f);
  Output dry = console(f, {"/Simular"});
  ASSERT_EQ(dry.code, 0) << dry.out << dry.err;
  EXPECT_EQ(suite(f), before);
  if (taskRuns) {
    EXPECT_FALSE(f.prefix.exists(kMarker));
  }
  EXPECT_FALSE(f.exists(f.act() + "Respaldo"));
  for (const auto& entry : server->entries("SQL", "Fendal"))
    EXPECT_EQ(entry.text.find("PRINT"), std::string::npos) << entry.text;
  const std::string pkg = f.act() + "COMERCIAL_5_2_7_x\\";
  for (const std::string& line : std::vector<std::string>{
           "Detener la tarea de envío de mails: taskkill /f /im fdEnvioMails.exe",
           "Copiar " + pkg + "Comercial.exe a " + exe(f) + " (reemplaza)",
           "Copiar " + pkg + "Leeme.txt a " + newFile(f) + " (nuevo)",
           "    COPY " + pkg + "Leeme.txt " + report(f),
           "Base de datos COMERCIAL_A: 1 sesiones de Fendal",
           "Ejecutar \"" + f.root() + "SQL\\90\\Tools\\Binn\\osql.exe\" -S " +
               server->dataSource() + " -d COMERCIAL_A -U Fendal -P ******** -i \"" + pkg +
               "01.sql\" -o \"" + pkg + "01.log\""}) {
    EXPECT_NE(dry.out.find("\n" + line + "\n"), std::string::npos) << line << "\n" << dry.out;
  }
  EXPECT_EQ(dry.out.find("Murales"), std::string::npos);
}

// A database name as the server returns it: ticked when it holds "comercial", unless the update
// refuses it, and named by /bases: it is updated or stops the run before anything changes.
struct NameCase {
  const char* name;
  bool ticked;
  const char* reason;  // why it is refused; empty when it passes
};
constexpr NameCase kNames[] = {
    {"Comercial2019", true, ""},
    {"Comercial-2019", true, ""},
    {"Empresa.Comercial", true, ""},
    {"Comercial 2019", true, ""},
    {"Compañía", false, ""},
    {"Comercial'A", false, "contiene \"'\""},
    {"Comercial\"A", false, "contiene \"\"\""},
    {"Comercial[A]", false, "contiene \"[\""},
    {"Comercial;A", false, "contiene \";\""},
    {"Comercial%A", false, "contiene \"%\""},
    {"Comercial\x7F", false, "contiene un carácter de control"},
};

void PrintTo(const NameCase& c, std::ostream* out) {
  *out << printableName(c.name);
}

class DatabaseNames : public UnattendedRunTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(DatabaseNames, AreTickedOrRefusedAndRunAsTheDryRunShows) {
  const NameCase& c = GetParam();
  const std::string refusal = c.reason;
  TdsServerConfig config{"TDSTEST", {{"Fendal", "Murales7261qz"}}, {}, {}};
  for (const NameCase& each : kNames)
    config.databases.push_back(each.name);
  server = std::make_unique<TdsTestServer>(config);

  UpdaterFixture window;
  install(window);
  ASSERT_TRUE(window.window().Form_Load());
  const Grid& bases = window.window().flxBases;
  int row = 1;
  while (row < bases.Rows() && bases.TextMatrix(row, kBasesName) != c.name)
    ++row;
  ASSERT_LT(row, bases.Rows());
  EXPECT_EQ(bases.CellChecked(row, kBasesTicked) == kChecked, c.ticked);
  const auto listing = window.logTexts();
  const std::string logged =
      " ERROR la base " + printableName(c.name) + " no se puede actualizar: " + refusal;
  EXPECT_EQ(std::find(listing.begin(), listing.end(), logged) != listing.end(), !refusal.empty());

  install(f);
  const std::string named = std::string("/bases:") + c.name;
  if (!refusal.empty()) {
    Output run = console(f, {"/desatendido", named});
    EXPECT_EQ(run.code, 1) << run.out << run.err;
    EXPECT_EQ(run.lastLine(), "ERROR: La base de datos " + printableName(c.name) +
                                  " no se puede actualizar: " + refusal +
                                  "; no se actualizó nada.");
    EXPECT_EQ(f.readFile(exe(f)), "viejo");
    EXPECT_TRUE(server->entries("SQL", "Fendal").empty() ||
                server->entries("SQL", "Fendal").back().text != "PRINT 'alta'");
    return;
  }
  Output dry = console(f, {"/simular", named});
  ASSERT_EQ(dry.code, 0) << dry.out << dry.err;
  const std::size_t shown = dry.out.find("\nEjecutar \"");
  ASSERT_NE(shown, std::string::npos) << dry.out;
  const std::string command =
      dry.out.substr(shown + 10, dry.out.find('\n', shown + 1) - shown - 10);
  Output run = console(f, {"/desatendido", named});
  EXPECT_EQ(run.code, 0) << run.out << run.err;
  const auto texts = UpdaterFixture::textsOf(f.fs.readLines(run.log));
  EXPECT_NE(std::find(texts.begin(), texts.end(), " " + command), texts.end()) << command;
  const auto sql = server->entries("SQL", "Fendal");
  EXPECT_TRUE(std::any_of(sql.begin(), sql.end(), [&](const StatementLogEntry& e) {
    return e.database == c.name && e.text == "PRINT 'alta'";
  }));
}

INSTANTIATE_TEST_SUITE_P(Names, DatabaseNames, ::testing::ValuesIn(kNames),
                         [](const auto& info) { return "Name" + std::to_string(info.index); });

TEST_F(UnattendedRunTest, ANamedDatabaseOnAServerThatDoesNotAnswerIsAConnectionFailure) {
  install(f);
  const std::string source = server->dataSource();
  server->stop();
  Output run = console(f, {"/desatendido", "/bases:COMERCIAL_A"});
  EXPECT_EQ(run.code, 1) << run.out << run.err;
  EXPECT_EQ(run.lastLine(), "ERROR: No se pudo conectar al servidor " + source);
  EXPECT_EQ(f.readFile(exe(f)), "viejo");
}

struct DryRunCase {
  std::string name;
  std::vector<std::string> args;
  int otherUsers = 0;
  std::vector<std::string> databases = {"COMERCIAL_A", "Otra"};
  std::function<void(UpdaterFixture&)> before;
  int code = 0;
  std::string lastLine;  // its beginning
  // Beginnings of lines the output holds ("{act}" for the updater's folder, "{lowerAct}" for it
  // in lower case), and of lines it must not hold.
  std::vector<std::string> listed, unlisted;
  std::vector<std::string> offline = {};  // databases the server lists but cannot open
};

class DryRunEnds : public UnattendedRunTest, public ::testing::WithParamInterface<DryRunCase> {};

// Whatever the dry run meets, it ends with its verdict and changes nothing.
TEST_P(DryRunEnds, ListsWhatTheRunWouldDoAndRefusesWhatItWouldRefuse) {
  const DryRunCase& c = GetParam();
  startServer(c.otherUsers, "Murales7261qz", c.databases, c.offline);
  install(f);
  if (c.before)
    c.before(f);
  const auto before = suite(f);
  Output dry = console(f, c.args);
  EXPECT_EQ(dry.code, c.code) << dry.out << dry.err;
  EXPECT_EQ(dry.lastLine().substr(0, c.lastLine.size()), c.lastLine) << dry.out;
  for (const std::string& line : c.listed) {
    const std::string text =
        replaceAll(replaceAll(line, "{act}", f.act()), "{lowerAct}", toLower(f.act()));
    EXPECT_NE(dry.out.find("\n" + text), std::string::npos) << text << "\n" << dry.out;
  }
  for (const std::string& line : c.unlisted)
    EXPECT_EQ(dry.out.find("\n" + line), std::string::npos) << line << "\n" << dry.out;
  EXPECT_EQ(suite(f), before);
  EXPECT_FALSE(f.exists(f.act() + "Respaldo"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DryRunEnds,
    ::testing::Values(
        DryRunCase{"WithoutFiles",
                   {"/simular", "/sin-archivos"},
                   0,
                   {"COMERCIAL_A", "Otra"},
                   nullptr,
                   0,
                   "Fin de la simulación",
                   {"Base de datos COMERCIAL_A: "},
                   {"Copiar ", "Ejecutar el archivo de comandos", "Detener la tarea"}},
        DryRunCase{"WithoutCommandFiles",
                   {"/simular", "/sin-cfd"},
                   0,
                   {"COMERCIAL_A", "Otra"},
                   nullptr,
                   0,
                   "Fin de la simulación",
                   {"Copiar ", "Iniciar la tarea"},
                   {"Ejecutar el archivo de comandos", "    COPY "}},
        DryRunCase{"BatchFileRunsAsItsCopy",
                   {"/simular"},
                   0,
                   {"COMERCIAL_A", "Otra"},
                   [](UpdaterFixture& u) {
                     PackageBuilder(u, u.programFolder)
                         .make("CRM_1_0_0_a.rar", {{"info.txt", "[Destino]\r\nFin.bat=\r\n"},
                                                   {"Fin.bat", "echo %PathFD%\r\n"}});
                   },
                   0,
                   "Fin de la simulación",
                   {"Ejecutar el archivo de comandos {act}CRM_1_0_0_a\\Fin.bat como "
                    "{lowerAct}crm_1_0_0_a\\fin.act.bat:\n    echo "},
                   {}},
        // Listed as "Com?ercial", which is not on the server.
        DryRunCase{"DatabaseThatCannotBeOpened",
                   {"/simular", "/bases:Comercial_Cerrada"},
                   0,
                   {"COMERCIAL_A", "Comercial_Cerrada"},
                   nullptr,
                   1,
                   "ERROR: La actualización se detendría en la base de datos Comercial_Cerrada: (",
                   {"Copiar "},
                   {"Ejecutar \""},
                   {"Comercial_Cerrada"}},
        DryRunCase{"OtherUsers",
                   {"/simular"},
                   1,
                   {"COMERCIAL_A", "Otra"},
                   nullptr,
                   1,
                   "ERROR: Hay otros usuarios conectados",
                   {"Base de datos COMERCIAL_A: 2 sesiones de Fendal"},
                   {"Ejecutar \""}},
        DryRunCase{"ServerDown",
                   {"/simular"},
                   0,
                   {"COMERCIAL_A", "Otra"},
                   serverDown,
                   1,
                   "ERROR: No se pudo conectar al servidor 127.0.0.1,1",
                   {},
                   {"Copiar "}}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace fd::test
