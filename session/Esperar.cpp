#include "session/Esperar.h"

#include <algorithm>
#include <chrono>

#include "platform/Clock.h"
#include "platform/Desktop.h"

namespace fd {

void Esperar(Clock& clock, Desktop& desktop, double seconds) {
  using std::chrono::milliseconds;
  // Short enough that the window repaints and answers clicks without a visible delay.
  constexpr milliseconds kSlice{20};
  const milliseconds total{static_cast<long long>(seconds * 1000.0)};
  const milliseconds start = clock.elapsed();
  while (true) {
    milliseconds passed = clock.elapsed() - start;
    if (passed >= total)
      return;
    desktop.doEvents();
    clock.sleep(std::min(kSlice, total - passed));
  }
}

}  // namespace fd
