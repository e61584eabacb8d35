#include "window/ProgramArguments.h"

#include <algorithm>
#include <span>
#include <string_view>

#include "platform/Text.h"
#include "update/FileBackup.h"

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

// Qt's common options (QGuiApplication, QApplication and the X11 ones it takes), each with one
// or two dashes: those that take the next argument as their value, those that take none, and
// those written with "=".
constexpr std::string_view kToolkitOptionsWithValue[] = {
    "platform",        "platformpluginpath", "platformtheme", "plugin",
    "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session",
    "display",         "geometry",           "style",         "stylesheet"};
constexpr std::string_view kToolkitFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
constexpr std::string_view kToolkitOptionsWithEquals[] = {
    "style=", "stylesheet=", "qmljsdebugger=", "dialogs=", "fontengine="};

bool isOneOf(std::span<const std::string_view> options, std::string_view name) {
  return std::find(options.begin(), options.end(), name) != options.end();
}

// The option's name without its dashes, when arg is one of the toolkit's; "" otherwise.
std::string_view toolkitOption(std::string_view arg) {
  if (!arg.starts_with('-'))
    return {};
  const std::string_view name = arg.substr(arg.starts_with("--") ? 2 : 1);
  const bool withEquals =
      std::any_of(std::begin(kToolkitOptionsWithEquals), std::end(kToolkitOptionsWithEquals),
                  [&](std::string_view option) { return name.starts_with(option); });
  return withEquals || isOneOf(kToolkitOptionsWithValue, name) || isOneOf(kToolkitFlags, name)
             ? name
             : std::string_view();
}

// A switch begins with "/" or "-"; "/home/ana/paquete.rar" is a path, not a switch.
bool isSwitch(const std::string& arg) {
  if (arg.empty() || (arg[0] != '/' && arg[0] != '-'))
    return false;
  const std::size_t colon = arg.find(':');
  const std::string_view name =
      std::string_view(arg).substr(1, colon == std::string::npos ? colon : colon - 1);
  return name.find_first_of("/\\") == std::string_view::npos;
}

// The stamp of a backup an older updater made: its log's stamp, digits without leading zeros.
bool isOldStamp(const std::string& value) {
  return value.size() >= 8 && value.size() <= 12 &&
         std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
}

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
  bool unattended = false;
  bool dryRun = false;
  bool runOptions = false;
  std::string stray;
  for (std::size_t index = 0; index < args.size(); ++index) {
    const std::string& arg = args[index];
    if (const std::string_view option = toolkitOption(arg); !option.empty()) {
      if (isOneOf(kToolkitOptionsWithValue, option))
        ++index;
      continue;
    }
    if (!isSwitch(arg)) {
      if (stray.empty())
        stray = arg;
      continue;
    }
    if (arg.size() < 2)
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
      unattended = true;
    } else if (name == "simular" && !hasValue) {
      dryRun = true;
    } else if (name == "restaurar") {
      if (hasValue && value.empty())
        return bad("Falta la estampa del respaldo en " + arg);
      if (restore)
        return bad("/restaurar se indica una sola vez");
      // A backup's own name (or an older updater's digits), never a path.
      if (hasValue && !FileBackup::isBackupName(value) && !isOldStamp(value))
        return bad("La estampa del respaldo no es válida: " + arg);
      restore = true;
      result.stamp = value;
    } else if (name == "bases" && hasValue) {
      for (const std::string& database : splitText(value, ',')) {
        if (trimSpaces(database).empty())
          return bad("Falta el nombre de una base de datos en " + arg);
        result.databases.push_back(trimSpaces(database));
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
  // Which of the two was meant cannot be told: the real run must never be a guess.
  if (unattended && dryRun)
    return bad("/desatendido y /simular no se combinan: use uno de los dos");
  if (unattended || dryRun)
    result.mode = dryRun ? Mode::DryRun : Mode::Unattended;
  if (restore) {
    if (result.mode != Mode::Window || runOptions)
      return bad("/restaurar no se combina con otras opciones");
    result.mode = Mode::Restore;
  } else if (runOptions && result.mode == Mode::Window) {
    return bad("Las opciones de la actualización requieren /desatendido o /simular");
  }
  if (result.mode != Mode::Window && !stray.empty())
    return bad("Argumento no reconocido: " + stray);
  return result;
}

}  // namespace fd
