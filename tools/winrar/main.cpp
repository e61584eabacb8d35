// Winrar95.exe: the RAR extractor the updater runs as "Winrar95.exe e -o+ ARCHIVE TARGET".
#include <cctype>
#include <clocale>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "platform/CommandLine.h"
#include "tools/winrar/RarExtractor.h"
#include "tools/winrar/TargetFolder.h"
#include "tools/winrar/WinrarHost.h"

namespace {

constexpr const char* kUsage = "Uso: Winrar95.exe e [-o+] [-y] ARCHIVO.rar CARPETA\\";

std::string unquoted(std::string text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// The arguments as UTF-8 text. A quoted folder ending in "\" ("C:\Mis cosas\") reaches a Windows
// program with the closing quote kept, since Windows reads \" as a quote; no name holds a quote.
std::vector<std::string> arguments(int argc, char** argv) {
  std::vector<std::string> args = fd::programArguments(argc, argv);
  for (std::string& arg : args) {
    if (arg.size() > 1 && arg.back() == '"' && arg.front() != '"') {
      arg.pop_back();
    }
  }
  return args;
}

int usage(const std::string& problem) {
  std::cerr << "Winrar95: " << problem << ". " << kUsage << "\n";
  return fd::rarexit::kUsage;
}

}  // namespace

int main(int argc, char** argv) {
  // Entry names reach the host as UTF-8 whatever the caller's locale.
  if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) {
    std::setlocale(LC_CTYPE, "");
  }
  fd::removePendingFileOnSignal();

  const std::vector<std::string> args = arguments(argc, argv);
  std::vector<std::string> positional;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string arg = unquoted(args[i]);
    if (arg.size() > 1 && arg.front() == '-') {
      if (!equalsIgnoringCase(arg, "-o+") && !equalsIgnoringCase(arg, "-y")) {
        return usage("opción desconocida " + arg);
      }
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.empty() || !equalsIgnoringCase(positional[0], "e")) {
    return usage("falta la orden e");
  }
  if (positional.size() > 3) {
    return usage("sobra el argumento " + positional[3]);
  }
  if (positional.size() != 3) {
    return usage("hacen falta el archivo y la carpeta de destino");
  }
  const std::string& archiveText = positional[1];
  std::filesystem::path archive;
  std::filesystem::path target;
  try {
    archive = fd::argumentPath(archiveText);
    target = fd::argumentPath(positional[2]);
  } catch (const std::exception& e) {
    std::cerr << "Winrar95: " << e.what() << "\n";
    return fd::rarexit::kOpen;
  }

  const fd::ExtractResult result = fd::extractArchive(archive, target, archiveText);
  if (result.exitCode != fd::rarexit::kSuccess) {
    std::cerr << "Winrar95: " << result.reason;
    if (result.failures > 1) {
      const int more = result.failures - 1;
      std::cerr << " (y " << more << (more == 1 ? " error más)" : " errores más)");
    }
    std::cerr << "\n";
  }
  return result.exitCode;
}
