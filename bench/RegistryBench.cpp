// Reading a registry file of many keys through clsRegistro, as the SQL tool discovery does: one
// value of one key, and every sub-key of a key.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>

#include "BenchSupport.h"
#include "fixtures/TempPrefix.h"
#include "platform/posix/RegFileRegistry.h"
#include "support/clsRegistro.h"

namespace fd::bench {
namespace {

constexpr const char* kClientSetup =
    "SOFTWARE\\Microsoft\\Microsoft SQL Server\\90\\Tools\\ClientSetup";

// A registry file as regedit exports it: keys sub-keys of one key, each with a text and a number
// value, and the query tool's key last.
class RegistryFile {
 public:
  explicit RegistryFile(int keys) {
    std::ofstream file(registryFilePath(prefix.mapper()), std::ios::binary);
    file << "Windows Registry Editor Version 5.00\r\n\r\n";
    for (int i = 0; i < keys; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "Clave%05d", i);
      file << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Fendal\\Equipos\\" << name << "]\r\n"
           << "\"Ruta\"=\"C:\\\\Fendal\\\\" << name << "\"\r\n\"Orden\"=dword:" << std::hex << i
           << std::dec << "\r\n\r\n";
    }
    file << "[HKEY_LOCAL_MACHINE\\" << kClientSetup << "]\r\n"
         << "\"SQLPath\"=\"C:\\\\Program Files\\\\Microsoft SQL Server\\\\90\\\\Tools\"\r\n";
  }
  RegFileRegistry registry() const { return RegFileRegistry(registryFilePath(prefix.mapper())); }

 private:
  TempPrefix prefix;
};

void GetRegistryValue(benchmark::State& state) {
  RegFileRegistry registry = madeOnce<RegistryFile>(static_cast<int>(state.range(0))).registry();
  clsRegistro registro(registry);
  for (auto _ : state) {
    if (registro.GetRegistryValue(kClientSetup, "SQLPath").text().empty())
      state.SkipWithError("SQLPath not read");
  }
}

void EnumerateRegistryKeys(benchmark::State& state) {
  const int keys = static_cast<int>(state.range(0));
  RegFileRegistry registry = madeOnce<RegistryFile>(keys).registry();
  clsRegistro registro(registry);
  for (auto _ : state) {
    if (static_cast<int>(
            registro.EnumerateRegistryKeys("SOFTWARE\\Fendal\\Equipos").items().size()) != keys)
      state.SkipWithError("not every key listed");
  }
}

BENCHMARK(GetRegistryValue)->Arg(8000)->Arg(16000)->Unit(benchmark::kMillisecond);
BENCHMARK(EnumerateRegistryKeys)->Arg(8000)->Arg(16000)->Unit(benchmark::kMillisecond);

const bool declared = [] {
  addFigure({"GetRegistryValue, 16,000-key registry file: seconds (under 1)",
             "GetRegistryValue/16000", "", "", 1.0});
  addFigure({"EnumerateRegistryKeys, 16,000 keys: seconds (under 1)", "EnumerateRegistryKeys/16000",
             "", "", 1.0});
  addFigure({"GetRegistryValue: 16,000 keys / 8,000 keys, real time (2 is linear)",
             "GetRegistryValue/16000", "GetRegistryValue/8000", "", 0});
  return true;
}();

}  // namespace
}  // namespace fd::bench
