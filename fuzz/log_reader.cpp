// The query tool's output reader (LeerLog) over any bytes the tool may leave.
#include "FuzzSupport.h"
#include "fixtures/TempPrefix.h"
#include "platform/Text.h"
#include "platform/posix/PosixFileSystem.h"
#include "session/UpdateLog.h"
#include "update/ScriptLogReader.h"

using namespace fd;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::ScratchFiles scratch;
  fuzz::RecordingFileSystem& fs = scratch.fs;
  static fuzz::StillClock clock;
  scratch.prefix.writeFile("C:\\Act\\Paquete\\01.log", fuzz::bytesOf(data, size));

  UpdateLog log(fs, clock);
  log.create("C:\\Act\\Actualiza.log");
  fs.changes.clear();
  const std::string block = LeerLog("C:\\Act\\Paquete\\01.log", fs, log);
  if (!block.empty()) {
    const std::string upper = toUpper(block);
    if (upper.find("ERROR") == std::string::npos && upper.find("MENSAJE") == std::string::npos) {
      fuzz::broken("a block without its marker: " + block);
    }
  }
  // The entry line, then one line per line read.
  if (fs.changes.empty()) {
    fuzz::broken("nothing was logged");
  }
  return 0;
}
