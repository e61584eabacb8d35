#include <gtest/gtest.h>

#include "window/ProgramArguments.h"

namespace fd {
namespace {

using Mode = ProgramArguments::Mode;

struct ArgumentsCase {
  std::string name;
  std::vector<std::string> args;
  Mode mode;
  bool bad = false;
};

class ArgumentsParse : public ::testing::TestWithParam<ArgumentsCase> {};

TEST_P(ArgumentsParse, ModeAndErrors) {
  const ProgramArguments parsed = ProgramArguments::parse(GetParam().args);
  EXPECT_EQ(parsed.mode, GetParam().mode);
  EXPECT_EQ(!parsed.error.empty(), GetParam().bad) << parsed.error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ArgumentsParse,
    ::testing::Values(
        ArgumentsCase{"None", {}, Mode::Window}, ArgumentsCase{"Help", {"/?"}, Mode::Usage},
        ArgumentsCase{"HelpWins", {"/desatendido", "-?"}, Mode::Usage},
        ArgumentsCase{"AnyCaseAndDash", {"-DESATENDIDO", "/Sin-Cfd"}, Mode::Unattended},
        ArgumentsCase{
            "DryRunWithOptions", {"/simular", "/bases:A,B", "/sin-scripts"}, Mode::DryRun},
        ArgumentsCase{"DryRunBesideARun", {"/desatendido", "/simular"}, Mode::Usage, true},
        ArgumentsCase{"RunBesideADryRun", {"-SIMULAR", "/desatendido"}, Mode::Usage, true},
        ArgumentsCase{"RestoreLatest", {"/restaurar"}, Mode::Restore},
        ArgumentsCase{"RestoreStamp", {"/restaurar:202612861"}, Mode::Restore},
        ArgumentsCase{"Unknown", {"/desatendido", "/rapido"}, Mode::Usage, true},
        ArgumentsCase{"AWordIsNotASwitch", {"desatendido"}, Mode::Window},
        ArgumentsCase{"DroppedFile", {"C:\\Paquetes\\CRM_1_9_3.rar"}, Mode::Window},
        ArgumentsCase{"DroppedFilePosix", {"/home/ana/CRM_1_9_3.rar"}, Mode::Window},
        ArgumentsCase{
            "ToolkitOptions",
            {"-platform", "offscreen", "--style", "fusion", "-stylesheet=a.qss", "-reverse"},
            Mode::Window},
        ArgumentsCase{
            "ToolkitOptionBesideASwitch", {"-platform", "offscreen", "/simular"}, Mode::DryRun},
        ArgumentsCase{"StrayBesideASwitch", {"/desatendido", "Contab1"}, Mode::Usage, true},
        ArgumentsCase{
            "ToolkitOptionsAreDashedAndExact", {"/platform", "offscreen"}, Mode::Usage, true},
        ArgumentsCase{"UnknownDashed", {"-plataforma"}, Mode::Usage, true},
        ArgumentsCase{"ValueOnAPlainSwitch", {"/desatendido:si"}, Mode::Usage, true},
        ArgumentsCase{"EmptyDatabaseName", {"/desatendido", "/bases:A,,B"}, Mode::Usage, true},
        ArgumentsCase{"OtherUsersAnswer", {"/desatendido", "/usuarios:parar"}, Mode::Usage, true},
        ArgumentsCase{"OptionsWithoutARun", {"/sin-scripts"}, Mode::Usage, true},
        ArgumentsCase{"RestoreWithARun", {"/restaurar", "/desatendido"}, Mode::Usage, true},
        ArgumentsCase{"RestoreWithoutStamp", {"/restaurar:"}, Mode::Usage, true},
        ArgumentsCase{"RestoreBackupName", {"/restaurar:20261209-011500-2"}, Mode::Restore},
        ArgumentsCase{"RestoreTwoStamps",
                      {"/restaurar:20261209-011500", "/restaurar:20261209-110500"},
                      Mode::Usage,
                      true},
        ArgumentsCase{
            "RestoreStampAndLatest", {"/restaurar:2026129115", "/restaurar"}, Mode::Usage, true},
        ArgumentsCase{"RestoreAPath", {"/restaurar:..\\X"}, Mode::Usage, true},
        ArgumentsCase{"RestoreWithARunOption", {"/restaurar", "/sin-scripts"}, Mode::Usage, true}),
    [](const auto& info) { return info.param.name; });

TEST(ProgramArguments, KeepsTheRunOptions) {
  const ProgramArguments parsed = ProgramArguments::parse(
      {"/desatendido", "/BASES:Comercial2019, Contab1", "/sin-archivos", "/usuarios:CONTINUAR"});
  EXPECT_EQ(parsed.databases, (std::vector<std::string>{"Comercial2019", "Contab1"}));
  EXPECT_TRUE(parsed.noFiles);
  EXPECT_FALSE(parsed.noCommandFiles);
  EXPECT_FALSE(parsed.noScripts);
  EXPECT_TRUE(parsed.continueWithUsers);
}

}  // namespace
}  // namespace fd
