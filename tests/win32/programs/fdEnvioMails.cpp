// A stand-in for the suite's mail program in the Windows suites: only its image name matters.
// It stays until it is ended, or a minute at most so that a failed test leaves nothing behind.
#include <windows.h>

int main() {
  Sleep(60000);
  return 0;
}
