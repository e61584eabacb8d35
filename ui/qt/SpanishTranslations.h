#pragma once

class QCoreApplication;

namespace fd {

// Installs Qt's own Spanish texts (standard buttons, text box menus, dialogs) whatever the
// machine's locale, for the window is Spanish by design. False when Qt's translations are not
// installed: the program runs all the same, and its own message boxes name their buttons.
bool loadSpanishTranslations(QCoreApplication& app);

}  // namespace fd
