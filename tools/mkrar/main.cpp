// mkrar: writes a RAR 5.0 archive of stored files.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include "tools/mkrar/RarWriter.h"

namespace {

constexpr std::string_view kUsage =
    "Uso: mkrar ARCHIVO.rar ENTRADA...\n"
    "Escribe un archivo RAR 5.0 con los archivos sin comprimir, en el orden dado.\n"
    "\n"
    "Entradas:\n"
    "  RUTA               guarda el archivo RUTA con su propio nombre (sin carpetas)\n"
    "  -n NOMBRE RUTA     guarda el archivo RUTA como NOMBRE; NOMBRE se guarda tal cual, en\n"
    "                     UTF-8, y puede llevar carpetas (\"a/b.txt\"), \"../\", espacios o "
    "acentos\n"
    "  -d NOMBRE          guarda una entrada de carpeta NOMBRE\n"
    "  -c NOMBRE ORIGEN   guarda NOMBRE como copia de la entrada ORIGEN ya guardada (referencia\n"
    "                     de RAR 5, sin datos propios)\n"
    "  -l NOMBRE ORIGEN   guarda NOMBRE como enlace físico a la entrada ORIGEN ya guardada\n"
    "  -t SEGUNDOS        fecha de modificación (segundos Unix) de las entradas siguientes\n"
    "  -T                 las entradas siguientes llevan la fecha de su archivo (por defecto;\n"
    "                     una carpeta sin -t lleva la hora actual)\n"
    "  -h, --help         muestra esta ayuda\n"
    "\n"
    "Ejemplo: mkrar paquete.rar info.txt -n \"RPT/Informe año.rpt\" /tmp/inf.rpt -d RPT\n";

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string_view nextArgument(int argc, char** argv, int& i, std::string_view option) {
  if (i + 1 >= argc) {
    throw UsageError("falta el valor de " + std::string(option));
  }
  return argv[++i];
}

std::time_t parseSeconds(std::string_view text) {
  std::size_t used = 0;
  long long value = 0;
  try {
    value = std::stoll(std::string(text), &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size() || text.empty()) {
    throw UsageError("fecha no válida: " + std::string(text));
  }
  return static_cast<std::time_t>(value);
}

int run(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::cout << kUsage;
      return 0;
    }
  }
  if (argc < 2) {
    throw UsageError("falta el nombre del archivo RAR");
  }
  const std::filesystem::path archive = argv[1];
  fd::RarWriter writer(archive);
  try {
    std::optional<std::time_t> fixedTime;
    for (int i = 2; i < argc; ++i) {
      const std::string_view arg = argv[i];
      if (arg == "-n") {
        const std::string name(nextArgument(argc, argv, i, arg));
        const std::filesystem::path source(nextArgument(argc, argv, i, arg));
        writer.addFile(name, source, fixedTime.value_or(fd::modificationTime(source)));
      } else if (arg == "-d") {
        const std::string_view name = nextArgument(argc, argv, i, arg);
        writer.addFolder(name, fixedTime.value_or(std::time(nullptr)));
      } else if (arg == "-c") {
        const std::string name(nextArgument(argc, argv, i, arg));
        const std::string_view original = nextArgument(argc, argv, i, arg);
        writer.addFileCopy(name, original, fixedTime.value_or(std::time(nullptr)));
      } else if (arg == "-l") {
        const std::string name(nextArgument(argc, argv, i, arg));
        const std::string_view original = nextArgument(argc, argv, i, arg);
        writer.addHardLink(name, original, fixedTime.value_or(std::time(nullptr)));
      } else if (arg == "-t") {
        fixedTime = parseSeconds(nextArgument(argc, argv, i, arg));
      } else if (arg == "-T") {
        fixedTime.reset();
      } else if (arg.size() > 1 && arg.front() == '-') {
        throw UsageError("opción desconocida: " + std::string(arg));
      } else {
        const std::filesystem::path source(arg);
        writer.addFile(source.filename().string(), source,
                       fixedTime.value_or(fd::modificationTime(source)));
      }
    }
    writer.finish();
  } catch (const std::exception&) {
    // A half-written archive must not look like a good one.
    std::error_code ignored;
    std::filesystem::remove(archive, ignored);
    throw;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const UsageError& e) {
    std::cerr << "mkrar: " << e.what() << "\n" << kUsage;
    return 7;
  } catch (const std::exception& e) {
    std::cerr << "mkrar: " << e.what() << "\n";
    return 2;
  }
}
