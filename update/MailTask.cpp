#include "update/MailTask.h"

#include <chrono>
#include <vector>

#include "platform/AppError.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/Processes.h"
#include "session/UpdateLog.h"

namespace fd {

namespace {
constexpr int kPausaMs = 100;
constexpr int kEsperaMaximaMs = 10000;
}  // namespace

MailTask::MailTask(Processes& processes, Clock& clock, Desktop& desktop, UpdateLog& log,
                   TextBox& txtEstado, Switch& windowEnabled)
    : processes_(processes),
      clock_(clock),
      desktop_(desktop),
      log_(log),
      txtEstado_(txtEstado),
      windowEnabled_(windowEnabled) {}

bool MailTask::DetenerTareaMails() {
  log_.plainLine(std::string("FSyncShell ") + kComandoDetener);
  processes_.syncShell(kComandoDetener, WindowState::NormalFocus);
  windowEnabled_.setValue(false);
  txtEstado_.setText("Deteniendo tarea de envío de mails...");
  bool running = true;
  try {
    for (int waited = 0; waited <= kEsperaMaximaMs && running; waited += kPausaMs) {
      running = BuscarProceso(kProceso);
      desktop_.doEvents();
      clock_.sleep(std::chrono::milliseconds(kPausaMs));
    }
  } catch (...) {
    // Whatever ends the wait, the window is not left disabled.
    windowEnabled_.setValue(true);
    throw;
  }
  windowEnabled_.setValue(true);
  txtEstado_.setText("");
  if (running) {
    desktop_.msgBox(kCannotStopMessage, msgbox::kOkOnly, "");
    return false;
  }
  log_.plainLine("Tarea fdEnvioMails detenida con éxito");
  return true;
}

void MailTask::IniciarTareaMails() {
  log_.plainLine(std::string("Shell ") + kComandoIniciar);
  // Started blindly: a missing task or a refused start is not the run's concern.
  try {
    processes_.start(kComandoIniciar, WindowState::NormalFocus);
  } catch (const AppError&) {
  }
}

bool MailTask::BuscarProceso(const std::string& nombre) {
  int paso = 1;
  try {
    bool found = false;
    paso = 2;
    std::vector<ProcessEntry> processes = processes_.list();
    paso = 3;
    for (const ProcessEntry& process : processes) {
      if (process.name == nombre)
        found = true;
    }
    return found;
  } catch (const AppError& error) {
    desktop_.msgBox("Actualizar : BuscarProceso : (" + std::to_string(error.number()) +
                        "). Línea : " + std::to_string(paso) + ". " + error.description(),
                    msgbox::kQuestion, "");
    return false;
  }
}

}  // namespace fd
