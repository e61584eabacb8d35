#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Text.h"

namespace fd::test {
namespace {

// Polls a started process until it ends; a real process, so a real (short) wait.
int waitForExit(Win32Processes& processes, int pid) {
  for (int i = 0; i < 600; ++i) {
    std::optional<int> code = processes.exitCode(pid);
    if (!code || *code != kStillActive) {
      return code.value_or(-1);
    }
    Sleep(50);
  }
  return -2;
}

std::string ownProgram() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return narrow(path);
}

// Run as a child by the tests below (with FD_WIN32_HELPER set): a process that stays until it
// is ended.
TEST(Win32ProcessHelper, WaitsWhenAsked) {
  if (GetEnvironmentVariableW(L"FD_WIN32_HELPER", nullptr, 0) == 0) {
    GTEST_SKIP() << "only as a child process";
  }
  Sleep(60000);
}

TEST(Win32Processes, ARunningProcessReportsStillActiveAndIsListedUntilEnded) {
  Win32Processes processes;
  SetEnvironmentVariableW(L"FD_WIN32_HELPER", L"1");
  int pid = processes.start("\"" + ownProgram() + "\" --gtest_filter=Win32ProcessHelper.*",
                            WindowState::MinimizedNoFocus);
  SetEnvironmentVariableW(L"FD_WIN32_HELPER", nullptr);
  EXPECT_EQ(processes.exitCode(pid), kStillActive);
  std::vector<ProcessEntry> list = processes.list();
  auto entry =
      std::find_if(list.begin(), list.end(), [&](const ProcessEntry& e) { return e.pid == pid; });
  ASSERT_NE(entry, list.end());
  EXPECT_EQ(entry->name, ownProgram().substr(ownProgram().find_last_of('\\') + 1));
  EXPECT_EQ(processes.syncShell("taskkill /f /pid " + std::to_string(pid), WindowState::Hidden), 0);
  EXPECT_NE(waitForExit(processes, pid), kStillActive);
}

TEST(Win32Processes, TheListHoldsThisProcessUnderItsImageName) {
  std::string image = ownProgram();
  image = image.substr(image.find_last_of('\\') + 1);
  std::vector<ProcessEntry> list = Win32Processes().list();
  auto self = std::find_if(list.begin(), list.end(), [](const ProcessEntry& e) {
    return e.pid == static_cast<int>(GetCurrentProcessId());
  });
  ASSERT_NE(self, list.end());
  EXPECT_EQ(self->name, image);
}

TEST(Win32Processes, WindowStatesAreTheSystemShowCommands) {
  EXPECT_EQ(showCommand(WindowState::Hidden), SW_HIDE);
  EXPECT_EQ(showCommand(WindowState::NormalFocus), SW_SHOWNORMAL);
  EXPECT_EQ(showCommand(WindowState::MinimizedFocus), SW_SHOWMINIMIZED);
  EXPECT_EQ(showCommand(WindowState::NormalNoFocus), SW_SHOWNOACTIVATE);
  EXPECT_EQ(showCommand(WindowState::MinimizedNoFocus), SW_SHOWMINNOACTIVE);
}

}  // namespace
}  // namespace fd::test
