#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include <string>

namespace fd {
namespace {

struct Outcome {
  int code = -1;
  std::string out;
};

// The real program, with no display at all and its errors discarded.
Outcome program(const std::string& args) {
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                              std::string(FD_BIN_DIR) + "/actualizador " + args + " 2>/dev/null";
  Outcome run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr)
    return run;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
    run.out += buffer;
  const int status = ::pclose(pipe);
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(NoWindow, SwitchesNeedNoDisplay) {
  Outcome usage = program("-?");
  EXPECT_EQ(usage.code, 0);
  EXPECT_EQ(usage.out.rfind("Uso: actualizador", 0), 0u) << usage.out;
  Outcome bad = program("/rapido");
  EXPECT_EQ(bad.code, 2);
  EXPECT_EQ(bad.out, "");
}

}  // namespace
}  // namespace fd
