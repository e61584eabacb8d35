// A package's command file (".cfd" command language or ".bat" batch) with any lines: the first
// byte picks the kind, the rest is the file. Nothing is run: changes and starts are recorded.
#include "FuzzSupport.h"
#include "session/UpdateLog.h"
#include "update/CommandFiles.h"

using namespace fd;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::ScratchFiles scratch;
  fuzz::RecordingFileSystem& fs = scratch.fs;
  if (size == 0) {
    return 0;
  }
  const bool batch = (data[0] & 1) != 0;
  const std::string name = batch ? "Alta.bat" : "Alta.cfd";
  scratch.prefix.writeFile("C:\\Act\\Paquete\\" + name, fuzz::bytesOf(data + 1, size - 1));

  fs.changes.clear();
  fuzz::RecordingProcesses processes;
  fuzz::StillClock clock;
  fuzz::CountingDesktop desktop;
  UpdateLog log(fs, clock);
  log.create("C:\\Act\\Actualiza.log");
  TextBox txtDirIni;
  TextBox txtDirFD;
  TextBox txtCom;
  txtDirIni.setText("C:\\Fendal\\Comercial\\fdCom.ini");
  txtDirFD.setText("C:\\Fendal\\");
  txtCom.setText("Comercial\\");
  CommandFiles files({txtDirIni, txtDirFD, txtCom}, fs, processes, desktop, log);

  // Every step succeeds here, so the file as a whole must too, without a message.
  if (!files.EjecutarComandos("C:\\Act\\Paquete\\" + name) || desktop.boxes != 0) {
    fuzz::broken("a step failed although nothing could fail");
  }
  if (batch && processes.started.size() != 1) {
    fuzz::broken("a batch file was not run exactly once");
  }
  return 0;
}
