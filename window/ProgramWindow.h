#pragma once

#include <memory>

namespace fd {

class Desktop;
class frmActualiza1;

// The window of a host's program, as its toolkit makes it: made only when the command line opens
// the window, so that the modes without one need no display. The program's start makes the form
// over its desktop, asks for the view over the form and runs it.
class ProgramWindow {
 public:
  // The view bound to the form; it goes before the form does.
  class View {
   public:
    virtual ~View() = default;
    // Runs the form's start-up as an event of the view; false: the program ends (the user was
    // told why).
    virtual bool load() = 0;
  };

  virtual ~ProgramWindow() = default;

  // The toolkit's message boxes and events, for the form's services.
  virtual Desktop& desktop() = 0;
  virtual std::unique_ptr<View> view(frmActualiza1& form) = 0;
  // Runs the toolkit's event loop until the window has closed; the program's exit code.
  virtual int exec() = 0;
};

}  // namespace fd
