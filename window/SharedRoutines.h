#pragma once

#include <string>

#include "window/UpdaterState.h"

namespace fd {

class Clock;
class Desktop;

// Waits the given seconds while the window keeps handling its events. Between two rounds of
// events the thread sleeps briefly, so the wait does not keep a processor busy.
void Esperar(Clock& clock, Desktop& desktop, double seconds);

// The index of the first entry at or after start (0: the first entry) whose key equals the
// given key without regard to letter case, or -1.
int BuscarClave(const KeyTable& table, const std::string& key, int start);

}  // namespace fd
