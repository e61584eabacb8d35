// The sectioned key=value reader (Leer) over any bytes a manifest file may hold.
#include "FuzzSupport.h"
#include "fixtures/TempPrefix.h"
#include "packages/SectionedReader.h"
#include "platform/AppError.h"
#include "platform/posix/PosixFileSystem.h"

using namespace fd;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::ScratchFiles scratch;
  fuzz::RecordingFileSystem& fs = scratch.fs;
  static fuzz::StillClock clock;
  static fuzz::CountingDesktop desktop;
  scratch.prefix.writeFile("C:\\Act\\info.txt", fuzz::bytesOf(data, size));

  KeyTable table;
  try {
    if (!Leer("C:\\Act\\info.txt", table, fs, clock, desktop)) {
      fuzz::broken("an existing file was reported unreadable");
    }
  } catch (const AppError& error) {
    // A line that is neither a section nor a key stops the reading.
    if (error.source() != "Leer" || error.number() != err::kInvalidCall) {
      fuzz::broken("unexpected failure " + error.source() + " " + error.description());
    }
  }
  for (const auto& [key, value] : table.entries) {
    if (key.find('.') == std::string::npos) {
      fuzz::broken("a key without its section: " + key);
    }
  }
  return 0;
}
