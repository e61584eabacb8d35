// The suite's INI reader (clsIni) over any bytes an INI file may hold.
#include "FuzzSupport.h"
#include "fixtures/TempPrefix.h"
#include "platform/Text.h"
#include "platform/posix/PosixFileSystem.h"
#include "support/clsIni.h"

using namespace fd;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::ScratchFiles scratch;
  fuzz::RecordingFileSystem& fs = scratch.fs;
  scratch.prefix.writeFile("C:\\Fendal\\Comercial\\fdCom.ini", fuzz::bytesOf(data, size));

  clsIni ini(fs);
  const bool found = ini.LeerINI("C:\\Fendal\\Comercial\\fdCom.ini");
  if (found && ini.Servidor().empty()) {
    fuzz::broken("a server was found with an empty name");
  }
  if (ini.Servidor() != toUpper(ini.Servidor())) {
    fuzz::broken("the server name is not upper-cased: " + ini.Servidor());
  }
  return 0;
}
