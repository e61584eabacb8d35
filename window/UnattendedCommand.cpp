#include "window/UnattendedCommand.h"

#include "window/frmActualiza1.h"

namespace fd {

namespace {
constexpr const char* kTermino = "Terminó la Actualización";
constexpr const char* kTareaDetenida =
    "(la tarea de envío de mails quedó detenida: iníciela cuando la instalación esté completa)";

std::string joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items)
    text += (text.empty() ? "" : ", ") + item;
  return text;
}
}  // namespace

ConsoleCommand::Outcome UnattendedCommand::execute() {
  if (std::optional<Outcome> unprepared = prepare())
    return *unprepared;
  using Ending = UpdateRun::Outcome::Ending;
  const UpdateRun::Outcome run = form_.cmdAct_Click(runOptions());
  switch (run.ending) {
    case Ending::Done:
      if (const std::optional<std::string> packages = failedPackages())
        return failed(*packages);
      if (!run.failedSteps.empty())
        return failed("La actualización terminó con errores en: " + joined(run.failedSteps));
      return {kDone, kTermino};
    case Ending::Failed:
      return failed(oneLine(run.message) +
                    (run.mailTaskStopped ? std::string(" ") + kTareaDetenida : ""));
    case Ending::UsersDeclined:
      return failed(
          "Hay otros usuarios conectados: no se ejecutaron los scripts (use "
          "/usuarios:continuar para seguir igual)");
    case Ending::Stopped:
    case Ending::NotRun:
      break;
  }
  return failed("La actualización no terminó");
}

}  // namespace fd
