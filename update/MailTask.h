#pragma once

#include <string>

#include "session/Controls.h"

namespace fd {

class Clock;
class Desktop;
class Processes;
class UpdateLog;

// The suite's mail-sending program and its scheduled task, stopped around the file copy.
class MailTask {
 public:
  static constexpr const char* kComandoDetener = "taskkill /f /im fdEnvioMails.exe";
  static constexpr const char* kComandoIniciar = "schtasks /run /tn fdEnvioMails";
  static constexpr const char* kProceso = "fdEnvioMails.exe";
  // What the user is told when the program is still running after the wait.
  static constexpr const char* kCannotStopMessage =
      "No se puede detener la tarea de envío de mails. Para actualizar, deberá\r\n"
      "detenerla manualmente a través del Administrador de Tareas (buscar el proceso "
      "\"fdEnvioMails.exe\")";

  // windowEnabled is the window's own property that is off while the program is awaited.
  MailTask(Processes& processes, Clock& clock, Desktop& desktop, UpdateLog& log, TextBox& txtEstado,
           Switch& windowEnabled);

  // Ends the program and waits up to ten seconds for it to go; false (after telling the user)
  // when it is still running.
  bool DetenerTareaMails();
  // Starts the scheduled task again without waiting.
  void IniciarTareaMails();
  // Whether a process with exactly this image name runs; false (after a message) when the
  // process list cannot be read.
  bool BuscarProceso(const std::string& nombre);

 private:
  Processes& processes_;
  Clock& clock_;
  Desktop& desktop_;
  UpdateLog& log_;
  TextBox& txtEstado_;
  Switch& windowEnabled_;
};

}  // namespace fd
