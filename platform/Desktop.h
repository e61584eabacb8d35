#pragma once

#include <string>

namespace fd {

// Message box styles and answers, with the values of the platform the updater was written for.
namespace msgbox {
constexpr int kOkOnly = 0;
constexpr int kYesNo = 4;
constexpr int kCritical = 16;
constexpr int kQuestion = 32;
constexpr int kExclamation = 48;
constexpr int kInformation = 64;
constexpr int kDefaultButton2 = 256;

constexpr int kOk = 1;
constexpr int kYes = 6;
constexpr int kNo = 7;
}  // namespace msgbox

// The title of a message box that has none of its own.
inline constexpr const char* kProgramTitle = "Vadelo";

// What the logic needs from the window system: letting the window handle its pending events,
// modal message boxes and the busy pointer. Each view provides it (Qt, Win32); tests script it.
class Desktop {
 public:
  virtual ~Desktop() = default;

  // Lets the window process its pending events once, then returns.
  virtual void doEvents() = 0;
  // Shows a modal box; style is buttons + icon + default button (msgbox constants). An empty
  // title shows kProgramTitle. Returns the answer (msgbox::kOk, kYes, kNo).
  virtual int msgBox(const std::string& prompt, int style, const std::string& title) = 0;
  // Shows or restores the busy (hourglass) pointer over the window.
  virtual void setBusyPointer(bool busy) = 0;
};

}  // namespace fd
