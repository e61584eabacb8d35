#pragma once

#include <functional>
#include <string>
#include <vector>

namespace fd {

// Plain models of the window's controls. The logic reads and writes them; the Qt view mirrors
// them both ways and listens for changes.
class Control {
 public:
  using Listener = std::function<void()>;
  void addListener(Listener listener) { listeners_.push_back(std::move(listener)); }

 protected:
  void notify() {
    for (auto& listener : listeners_)
      listener();
  }

 private:
  std::vector<Listener> listeners_;
};

class TextBox : public Control {
 public:
  const std::string& Text() const { return text_; }
  // Assigning a different text notifies the listeners and runs onChange; the same text does
  // nothing.
  void setText(const std::string& text) {
    if (text == text_)
      return;
    text_ = text;
    notify();
    if (onChange)
      onChange();
  }
  bool Locked() const { return locked_; }
  void setLocked(bool locked) {
    locked_ = locked;
    notify();
  }
  // The box's _Change event.
  std::function<void()> onChange;

 private:
  std::string text_;
  bool locked_ = false;
};

class CheckBox : public Control {
 public:
  int Value() const { return value_; }  // 1 ticked, 0 not
  void setValue(int value) {
    if (value == value_)
      return;
    value_ = value;
    notify();
  }

 private:
  int value_ = 0;
};

class CommandButton : public Control {
 public:
  bool Enabled() const { return enabled_; }
  void setEnabled(bool enabled) {
    if (enabled == enabled_)
      return;
    enabled_ = enabled;
    notify();
  }

 private:
  bool enabled_ = true;
};

// A plain on/off property of the window itself.
class Switch : public Control {
 public:
  explicit Switch(bool value = true) : value_(value) {}
  bool Value() const { return value_; }
  void setValue(bool value) {
    if (value == value_)
      return;
    value_ = value;
    notify();
  }

 private:
  bool value_;
};

// The two action buttons, which the stages enable and disable together.
struct ActionButtons {
  CommandButton& cmdDes;
  CommandButton& cmdAct;
  void setEnabled(bool enabled) {
    cmdDes.setEnabled(enabled);
    cmdAct.setEnabled(enabled);
  }
};

class TabControl : public Control {
 public:
  int Tab() const { return tab_; }
  void setTab(int tab) {
    if (tab == tab_)
      return;
    tab_ = tab;
    notify();
  }

 private:
  int tab_ = 0;
};

}  // namespace fd
