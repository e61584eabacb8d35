#include "window/ProgramArguments.h"

#include "platform/Text.h"

namespace fd {

const char* const ProgramArguments::kUsage =
    "Uso: actualizador [opciones]\n"
    "Sin opciones abre la ventana del Actualizador.\n"
    "  /desatendido          actualiza sin ventana: descomprime los paquetes y ejecuta la\n"
    "                        actualización con las tres etapas marcadas\n"
    "  /simular              muestra lo que haría la actualización sin cambiar nada\n"
    "  /bases:A,B            las bases de datos a actualizar (por omisión, las que se marcan\n"
    "                        al iniciar)\n"
    "  /sin-archivos         no copia archivos (ni ejecuta archivos de comandos)\n"
    "  /sin-cfd              no ejecuta los archivos de comandos\n"
    "  /sin-scripts          no ejecuta los scripts\n"
    "  /usuarios:continuar   sigue aunque haya otros usuarios conectados\n"
    "  /restaurar[:ESTAMPA]  repone los archivos reemplazados por una actualización (por\n"
    "                        omisión, la última) desde Respaldo\\ESTAMPA\n"
    "  /?                    muestra esta ayuda\n"
    "Las opciones pueden escribirse con \"-\" en lugar de \"/\" y en mayúsculas o minúsculas.\n"
    "Código de salida: 0 terminó bien, 1 terminó con errores, 2 línea de comandos incorrecta.\n";

namespace {

ProgramArguments bad(const std::string& why) {
  ProgramArguments arguments;
  arguments.mode = ProgramArguments::Mode::Usage;
  arguments.error = why;
  return arguments;
}

}  // namespace

ProgramArguments ProgramArguments::parse(const std::vector<std::string>& args) {
  ProgramArguments result;
  bool restore = false;
  bool runOptions = false;
  for (const std::string& arg : args) {
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-'))
      return bad("Opción no reconocida: " + arg);
    const std::string text = arg.substr(1);
    const std::size_t colon = text.find(':');
    const std::string name = toLower(text.substr(0, colon));
    const bool hasValue = colon != std::string::npos;
    const std::string value = hasValue ? text.substr(colon + 1) : "";
    if (name == "?" && !hasValue) {
      result.mode = Mode::Usage;
      return result;
    }
    if (name == "desatendido" && !hasValue) {
      result.mode = result.mode == Mode::DryRun ? Mode::DryRun : Mode::Unattended;
    } else if (name == "simular" && !hasValue) {
      result.mode = Mode::DryRun;
    } else if (name == "restaurar") {
      if (hasValue && value.empty())
        return bad("Falta la estampa del respaldo en " + arg);
      restore = true;
      result.stamp = value;
    } else if (name == "bases" && hasValue) {
      for (const std::string& base : splitText(value, ',')) {
        if (trimSpaces(base).empty())
          return bad("Falta el nombre de una base de datos en " + arg);
        result.databases.push_back(trimSpaces(base));
      }
      runOptions = true;
    } else if (name == "sin-archivos" && !hasValue) {
      result.noFiles = runOptions = true;
    } else if (name == "sin-cfd" && !hasValue) {
      result.noCommandFiles = runOptions = true;
    } else if (name == "sin-scripts" && !hasValue) {
      result.noScripts = runOptions = true;
    } else if (name == "usuarios" && toLower(value) == "continuar") {
      result.continueWithUsers = runOptions = true;
    } else {
      return bad("Opción no reconocida: " + arg);
    }
  }
  if (restore) {
    if (result.mode != Mode::Window || runOptions)
      return bad("/restaurar no se combina con otras opciones");
    result.mode = Mode::Restore;
  } else if (runOptions && result.mode == Mode::Window) {
    return bad("Las opciones de la actualización requieren /desatendido o /simular");
  }
  return result;
}

}  // namespace fd
