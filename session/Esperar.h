#pragma once

namespace fd {

class Clock;
class Desktop;

// Waits the given seconds while the window keeps handling its events. Between two rounds of
// events the thread sleeps briefly, so the wait does not keep a processor busy.
void Esperar(Clock& clock, Desktop& desktop, double seconds);

}  // namespace fd
