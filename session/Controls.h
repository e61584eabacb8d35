#pragma once

#include <functional>
#include <string>
#include <vector>

namespace fd {

// Plain models of the window's controls. The logic reads and writes them; the views mirror them
// both ways and listen for changes.
class Control {
 public:
  using Listener = std::function<void()>;
  void addListener(Listener listener) { listeners_.push_back(std::move(listener)); }

  // Asked before the user's input changes the control; false refuses it, as the grids'
  // beforeEdit does.
  std::function<bool()> beforeEdit;

 protected:
  bool editAllowed() const { return !beforeEdit || beforeEdit(); }
  void notify() {
    for (auto& listener : listeners_)
      listener();
  }
  // Sets a property and notifies the listeners when that changed it; false when it was so.
  template <class T>
  bool change(T& property, const T& value) {
    if (property == value)
      return false;
    property = value;
    notify();
    return true;
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
    if (change(text_, text) && onChange)
      onChange();
  }
  // What a view calls when the user changes the text: false, and nothing changed, when refused.
  bool userEdit(const std::string& text) {
    if (!editAllowed())
      return false;
    setText(text);
    return true;
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
  void setValue(int value) { change(value_, value); }
  // What a view calls when the user ticks or clears the box: false, and nothing changed, when
  // refused.
  bool userEdit(int value) {
    if (!editAllowed())
      return false;
    setValue(value);
    return true;
  }

 private:
  int value_ = 0;
};

class CommandButton : public Control {
 public:
  bool Enabled() const { return enabled_; }
  void setEnabled(bool enabled) { change(enabled_, enabled); }

 private:
  bool enabled_ = true;
};

// A plain on/off property of the window itself.
class Switch : public Control {
 public:
  explicit Switch(bool value = true) : value_(value) {}
  bool Value() const { return value_; }
  void setValue(bool value) { change(value_, value); }

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
  void setTab(int tab) { change(tab_, tab); }

 private:
  int tab_ = 0;
};

}  // namespace fd
