// schtasks as the updater runs it ("schtasks /run /tn NAME"), with task files in a prefix.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ToolTestSupport.h"
#include "fixtures/TempPrefix.h"
#include "platform/Text.h"

namespace fd {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTaskFile = "C:\\Windows\\System32\\Tasks\\fdEnvioMails";
constexpr const char* kProgram = "C:\\Fendal\\fdEnvioMails.exe";

std::string xmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// A task as Task Scheduler writes it, with one Exec action.
std::string taskXml(const std::string& command, const std::string& arguments,
                    const std::string& workingDirectory = "") {
  std::string exec = "      <Command>" + xmlEscaped(command) + "</Command>\r\n";
  if (!arguments.empty()) {
    exec += "      <Arguments>" + xmlEscaped(arguments) + "</Arguments>\r\n";
  }
  if (!workingDirectory.empty()) {
    exec += "      <WorkingDirectory>" + xmlEscaped(workingDirectory) + "</WorkingDirectory>\r\n";
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
         "<Task version=\"1.2\" "
         "xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
         "  <RegistrationInfo>\r\n    <URI>\\fdEnvioMails</URI>\r\n  </RegistrationInfo>\r\n"
         "  <!-- <Exec><Command>/bin/false</Command></Exec> -->\r\n"
         "  <Triggers>\r\n    <BootTrigger>\r\n      <Enabled>true</Enabled>\r\n"
         "    </BootTrigger>\r\n  </Triggers>\r\n"
         "  <Settings>\r\n    <Enabled>true</Enabled>\r\n    <Hidden>false</Hidden>\r\n"
         "  </Settings>\r\n"
         "  <Actions Context=\"Author\">\r\n    <Exec>\r\n" +
         exec + "    </Exec>\r\n  </Actions>\r\n</Task>\r\n";
}

std::string utf16le(const std::string& utf8) {
  std::string out = "\xFF\xFE";
  for (std::size_t i = 0; i < utf8.size();) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    unsigned code = byte;
    std::size_t length = 1;
    if (byte >= 0xE0) {
      code = ((byte & 0x0F) << 12) | ((utf8[i + 1] & 0x3F) << 6) | (utf8[i + 2] & 0x3F);
      length = 3;
    } else if (byte >= 0xC0) {
      code = ((byte & 0x1F) << 6) | (utf8[i + 1] & 0x3F);
      length = 2;
    }
    out += static_cast<char>(code & 0xFF);
    out += static_cast<char>(code >> 8);
    i += length;
  }
  return out;
}

// Reads a file written whole by a renaming, waiting for it up to 30 s (a busy machine may take a
// while to start a shell).
std::optional<std::string> awaitFile(const fs::path& file) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!fs::exists(file)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return readHostFile(file);
}

// A prefix with a program that writes its process id, current folder and arguments (one per
// line, in brackets) to a marker file and then keeps running.
class SchtasksTest : public ::testing::Test {
 protected:
  ~SchtasksTest() override {
    // The program is no child of ours: it is ended by the process id it wrote.
    if (fs::exists(marker_)) {
      const std::vector<std::string> lines = splitText(readHostFile(marker_), '\n');
      if (!lines.empty() && !lines[0].empty()) {
        ::kill(std::stoi(lines[0]), SIGKILL);
      }
    }
  }

  // Writes the program at a Windows path of the prefix and returns its host path.
  fs::path placeProgram(const std::string& windowsPath) {
    prefix_.writeFile(windowsPath,
                      "#!/bin/sh\n"
                      "{ echo \"$$\"; pwd; for a in \"$@\"; do echo \"[$a]\"; done; } "
                      "> '" +
                          marker_.string() + ".tmp' && mv '" + marker_.string() + ".tmp' '" +
                          marker_.string() + "'\n" + "exec sleep 30\n");
    const fs::path host = prefix_.host(windowsPath);
    fs::permissions(host, fs::perms::owner_exec, fs::perm_options::add);
    return host;
  }

  ToolRun runSchtasks(const std::vector<std::string>& args) {
    return runTool("schtasks", args, prefix_.root());
  }

  // The marker's lines after the process id, once the program has written them.
  std::vector<std::string> markerLines() {
    const std::optional<std::string> text = awaitFile(marker_);
    if (!text) {
      return {};
    }
    std::vector<std::string> lines = splitText(*text, '\n');
    if (!lines.empty() && lines.back().empty()) {
      lines.pop_back();
    }
    return lines;
  }

  TempPrefix prefix_;
  fs::path marker_ = prefix_.root() / "marker.txt";
};

// How a task file is encoded.
struct EncodingCase {
  std::string label;
  std::string (*encode)(const std::string&);
};

class SchtasksEncodingTest : public SchtasksTest,
                             public ::testing::WithParamInterface<EncodingCase> {};

TEST_P(SchtasksEncodingTest, StartsTheProgramWithItsArguments) {
  placeProgram(kProgram);
  prefix_.writeFile(kTaskFile,
                    GetParam().encode(taskXml(kProgram, "-a \"Envío de mails\" x&y <z> it's")));

  const ToolRun run = runSchtasks({"/run", "/tn", "fdEnvioMails"});

  EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(run.output, "CORRECTO: se intentó ejecutar \"fdEnvioMails\".\n");
  const std::vector<std::string> lines = markerLines();
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()),
            (std::vector<std::string>{"[-a]", "[Envío de mails]", "[x&y]", "[<z>]", "[it's]"}));
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, SchtasksEncodingTest,
    ::testing::Values(EncodingCase{"Utf16WithByteOrderMark", utf16le},
                      EncodingCase{"Utf8WithByteOrderMark",
                                   [](const std::string& text) { return "\xEF\xBB\xBF" + text; }},
                      EncodingCase{"Utf8", [](const std::string& text) { return text; }}),
    [](const auto& info) { return info.param.label; });

TEST_F(SchtasksTest, ReturnsAtOnceAndLeavesTheProgramRunningInItsOwnSession) {
  placeProgram(kProgram);
  prefix_.writeFile(kTaskFile, utf16le(taskXml(kProgram, "")));

  const ToolRun run = runSchtasks({"/run", "/tn", "fdEnvioMails"});

  // Had it waited for the program, which sleeps 30 s, the run would have timed out.
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  const std::optional<std::string> marker = awaitFile(marker_);
  ASSERT_TRUE(marker);
  const pid_t pid = std::stoi(*marker);
  EXPECT_EQ(::kill(pid, 0), 0);
  EXPECT_NE(::getsid(pid), ::getsid(0));
  // Its standard streams are none of the caller's (which may be the updater's log).
  for (int stream = 0; stream <= 2; ++stream) {
    EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(pid) + "/fd/" + std::to_string(stream)),
              "/dev/null")
        << stream;
  }
}

// Where the program is and how the task's Command names it.
struct CommandCase {
  std::string label;
  std::string programPath;
  std::string command;  // "HOST" stands for the program's host path
};

class SchtasksCommandTest : public SchtasksTest,
                            public ::testing::WithParamInterface<CommandCase> {};

TEST_P(SchtasksCommandTest, FindsTheProgram) {
  const fs::path host = placeProgram(GetParam().programPath);
  const std::string command = GetParam().command == "HOST" ? host.string() : GetParam().command;
  prefix_.writeFile(kTaskFile, utf16le(taskXml(command, "uno")));

  const ToolRun run = runSchtasks({"/run", "/tn", "fdEnvioMails"});

  EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
  const std::vector<std::string> lines = markerLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "[uno]");
}

INSTANTIATE_TEST_SUITE_P(Commands, SchtasksCommandTest,
                         ::testing::Values(CommandCase{"WindowsPath", kProgram, kProgram},
                                           CommandCase{"WindowsPathInOtherCase", kProgram,
                                                       "c:\\FENDAL\\FDENVIOMAILS.EXE"},
                                           CommandCase{
                                               "QuotedPathWithSpaces",
                                               "C:\\Program Files\\Fendal\\fdEnvioMails.exe",
                                               "\"C:\\Program Files\\Fendal\\fdEnvioMails.exe\""},
                                           CommandCase{"HostPath", kProgram, "HOST"}),
                         [](const auto& info) { return info.param.label; });

TEST_F(SchtasksTest, RunsTheProgramInTheWorkingDirectory) {
  placeProgram(kProgram);
  prefix_.makeFolder("C:\\Fendal\\Mails");
  prefix_.writeFile(kTaskFile, utf16le(taskXml(kProgram, "", "C:\\Fendal\\Mails")));

  ASSERT_EQ(runSchtasks({"/run", "/tn", "fdEnvioMails"}).exitCode, 0);

  const std::vector<std::string> lines = markerLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(fs::path(lines[1]), fs::canonical(prefix_.host("C:\\Fendal\\Mails")));
}

TEST_F(SchtasksTest, FindsTheTaskByNameInAnyCase) {
  placeProgram(kProgram);
  prefix_.writeFile(kTaskFile, utf16le(taskXml(kProgram, "")));

  const ToolRun run = runSchtasks({"-RUN", "-TN", "\\FDENVIOMAILS"});

  EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(markerLines().size(), 2u);
}

TEST_F(SchtasksTest, ReportsAMissingTask) {
  const ToolRun run = runSchtasks({"/run", "/tn", "fdEnvioMails"});

  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.errorOutput, "ERROR: El sistema no puede encontrar el archivo especificado.\n");
  EXPECT_EQ(run.output, "");
}

// A program the task cannot start, and why.
struct StartFailureCase {
  std::string label;
  std::string program;  // written without execute permission when not empty
  std::string command;
  std::string reason;
};

class SchtasksStartFailureTest : public SchtasksTest,
                                 public ::testing::WithParamInterface<StartFailureCase> {};

TEST_P(SchtasksStartFailureTest, SaysWhyTheProgramCannotBeStarted) {
  if (!GetParam().program.empty()) {
    prefix_.writeFile(GetParam().program, "#!/bin/sh\nexit 0\n");
  }
  prefix_.writeFile(kTaskFile, utf16le(taskXml(GetParam().command, "")));

  const ToolRun run = runSchtasks({"/run", "/tn", "fdEnvioMails"});

  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.errorOutput, "ERROR: no se pudo iniciar la tarea \"fdEnvioMails\" (" +
                                 GetParam().command + "): " + GetParam().reason + ".\n");
  EXPECT_EQ(run.output, "");
}

INSTANTIATE_TEST_SUITE_P(
    Programs, SchtasksStartFailureTest,
    ::testing::Values(StartFailureCase{"Missing", "", "C:\\Fendal\\noexiste.exe",
                                       "No se encontró el archivo"},
                      StartFailureCase{"NotExecutable", kProgram, kProgram, "Permiso denegado"}),
    [](const auto& info) { return info.param.label; });

TEST_F(SchtasksTest, ReportsATaskWithoutAProgram) {
  prefix_.writeFile(kTaskFile, utf16le("<?xml version=\"1.0\"?><Task><Actions/></Task>"));

  const ToolRun run = runSchtasks({"/run", "/tn", "fdEnvioMails"});

  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.errorOutput.starts_with("ERROR: ")) << run.errorOutput;
}

class SchtasksUsageTest : public SchtasksTest,
                          public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(SchtasksUsageTest, RefusesWithoutStartingAnything) {
  placeProgram(kProgram);
  prefix_.writeFile(kTaskFile, utf16le(taskXml(kProgram, "")));

  const ToolRun run = runSchtasks(GetParam());

  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.errorOutput.starts_with("ERROR: ")) << run.errorOutput;
  EXPECT_FALSE(fs::exists(marker_));
}

INSTANTIATE_TEST_SUITE_P(
    BadCommandLines, SchtasksUsageTest,
    ::testing::Values(std::vector<std::string>{}, std::vector<std::string>{"/run"},
                      std::vector<std::string>{"/tn", "fdEnvioMails"},
                      std::vector<std::string>{"/run", "/tn"},
                      std::vector<std::string>{"/query", "/tn", "fdEnvioMails"}));

}  // namespace
}  // namespace fd
