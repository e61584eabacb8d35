#include "window/UpdateCommand.h"

#include <algorithm>

#include "databases/ServerConnection.h"
#include "grid/Grid.h"
#include "platform/Text.h"
#include "session/GridSetup.h"
#include "window/ConsoleDesktop.h"
#include "window/frmActualiza1.h"

namespace fd {

UpdateCommand::UpdateCommand(ProgramArguments arguments, frmActualiza1& form,
                             ConsoleDesktop& desktop, std::ostream& out)
    : ConsoleCommand(form, desktop, out), arguments_(std::move(arguments)) {}

std::optional<ConsoleCommand::Outcome> UpdateCommand::prepare() {
  const std::size_t shown = desktop_.shown();
  if (!form_.Form_Load())
    return failed("No se pudo iniciar el Actualizador");
  sendChildrenOutputToLog();
  // The one message of a start-up that goes on is the server's refusal, which leaves no
  // database listed.
  if (form_.flxBases.Rows() <= 1 && desktop_.shown() > shown)
    connectionFailure_ = desktop_.lastPrompt();
  if (std::optional<Outcome> unknown = chooseDatabases())
    return unknown;
  if (form_.flxRar.Rows() <= 1)
    return failed("No hay ninguna Actualización");
  const PackageExtraction::Outcome extraction = form_.cmdDes_Click();
  if (extraction.ending != PackageExtraction::Outcome::Ending::Done) {
    return failed(extraction.message.empty() ? "La descompresión no terminó"
                                             : oneLine(extraction.message));
  }
  tickStages();
  if (form_.chkScripts.Value() == 1 && form_.flxScrp.Rows() > 1 && !anyDatabaseTicked()) {
    return failed(connectionFailure_.empty()
                      ? "No hay ninguna base de datos marcada para ejecutar los scripts"
                      : connectionFailure_);
  }
  return std::nullopt;
}

std::optional<ConsoleCommand::Outcome> UpdateCommand::chooseDatabases() {
  if (arguments_.databases.empty())
    return std::nullopt;
  // Without the server the names cannot be checked: its failure is the reason.
  if (!connectionFailure_.empty())
    return failed(connectionFailure_);
  Grid& databases = form_.flxBases;
  const auto named = [&](int row) {
    return std::any_of(arguments_.databases.begin(), arguments_.databases.end(),
                       [&](const std::string& name) {
                         return equalsNoCase(databases.TextMatrix(row, kBasesName), name);
                       });
  };
  // Nothing changes before every name is listed and can be updated.
  for (const std::string& name : arguments_.databases) {
    int row = 1;
    while (row < databases.Rows() && !equalsNoCase(databases.TextMatrix(row, kBasesName), name))
      ++row;
    if (row == databases.Rows()) {
      // An empty list from a server that did not answer says nothing about the name.
      if (!form_.serverAnswered)
        return failed("No se pudo conectar al servidor " + form_.txtServidor.Text());
      return failed("La base de datos " + printableName(name) + " no está en el servidor " +
                    form_.txtServidor.Text() + "; no se actualizó nada.");
    }
    if (const std::string fault = databaseNameFault(databases.TextMatrix(row, kBasesName));
        !fault.empty()) {
      return failed("La base de datos " + printableName(name) +
                    " no se puede actualizar: " + fault + "; no se actualizó nada.");
    }
  }
  for (int row = 1; row < databases.Rows(); ++row)
    databases.setCellChecked(row, kBasesTicked, row, kBasesTicked,
                             named(row) ? kChecked : kUnchecked);
  return std::nullopt;
}

std::optional<std::string> UpdateCommand::failedPackages() const {
  const std::vector<std::string>& packages = form_.state.failedPackages;
  if (packages.empty())
    return std::nullopt;
  std::string names;
  for (const std::string& name : packages)
    names += (names.empty() ? "" : ", ") + printableName(name);
  return "No se pudo descomprimir y no se aplicó: " + names;
}

UpdateRunOptions UpdateCommand::runOptions() const {
  UpdateRunOptions options;
  options.continueWithOtherUsers = arguments_.continueWithUsers;
  return options;
}

void UpdateCommand::tickStages() {
  form_.chkFiles.setValue(arguments_.noFiles ? 0 : 1);
  form_.chkComandos.setValue(arguments_.noCommandFiles ? 0 : 1);
  form_.chkScripts.setValue(arguments_.noScripts ? 0 : 1);
}

bool UpdateCommand::anyDatabaseTicked() const {
  for (int row = 1; row < form_.flxBases.Rows(); ++row) {
    if (form_.flxBases.CellChecked(row, kBasesTicked) == kChecked)
      return true;
  }
  return false;
}

}  // namespace fd
