#pragma once

#include "session/Services.h"

namespace fd {

class Host;

// The services the window wires into its stages: the host's, with the view's desktop.
Services hostServices(Host& host, Desktop& desktop);

}  // namespace fd
