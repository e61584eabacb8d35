// The manifest reading (LeerFiles) over real extracted package folders of growing size.
#include <benchmark/benchmark.h>

#include <fstream>

#include "BenchSupport.h"
#include "fixtures/UpdaterFixture.h"

namespace fd::bench {
namespace {

// Four packages, one per module, share the files evenly, so each package grows with the total.
constexpr const char* kPackages[] = {"COMERCIAL_5_2_7_a", "CONTABILIDAD_3_1_0_a", "CRM_1_9_3_a",
                                     "MRP_2_0_1_a"};

// An updater that has listed the packages and whose package folders hold what extraction left:
// every file, and an info.txt naming each one's destination, as package authors write them.
// One in fifty files is a script (empty destination), one in fifty a report, the rest go to the
// module folder or a sub-folder of it.
class ExtractedPackages {
 public:
  explicit ExtractedPackages(int files) {
    for (const char* folder : {"Comercial", "Contabilidad", "CRM", "MRP", "RPT"})
      f.prefix.makeFolder(std::string("C:\\Fendal\\") + folder);
    for (const char* package : kPackages)
      f.prefix.writeFile(std::string("C:\\Act\\") + package + ".rar", "");
    if (!f.window().Form_Load())
      throw std::runtime_error("Form_Load failed");

    const int perPackage = files / static_cast<int>(std::size(kPackages));
    int number = 0;  // file names differ across packages, so no two rows share a destination
    for (const char* package : kPackages) {
      const auto folder = f.prefix.host(std::string("C:\\Act\\") + package);
      std::filesystem::create_directories(folder);
      std::ofstream manifest(folder / "info.txt", std::ios::binary);
      manifest << "[Destino]\r\n";
      for (int i = 0; i < perPackage; ++i, ++number) {
        char name[32];
        if (i % 50 == 0) {
          std::snprintf(name, sizeof name, "%05d_cambio.sql", number);
          manifest << name << "=\r\n";
        } else if (i % 50 == 1) {
          std::snprintf(name, sizeof name, "Informe%05d.rpt", number);
          manifest << name << "=<Unidad>\\Fendal\\RPT\\\r\n";
        } else if (i % 2 == 0) {
          std::snprintf(name, sizeof name, "Modulo%05d.dll", number);
          manifest << name << "=<Destino>Bin\\\r\n";
        } else {
          std::snprintf(name, sizeof name, "Pantalla%05d.ocx", number);
          manifest << name << "=<Destino>\r\n";
        }
        std::ofstream(folder / name, std::ios::binary) << "MZ" << name;
      }
    }
  }

  frmActualiza1& window() { return f.window(); }

 private:
  test::UpdaterFixture f;
};

void LeerFiles(benchmark::State& state) {
  const int files = static_cast<int>(state.range(0));
  frmActualiza1& window = madeOnce<ExtractedPackages>(files).window();
  for (auto _ : state) {
    window.LeerFiles();
  }
  if (window.flxFile.Rows() + window.flxScrp.Rows() - 2 != files)
    state.SkipWithError(("LeerFiles listed " + std::to_string(window.flxFile.Rows() - 1) +
                         " files and " + std::to_string(window.flxScrp.Rows() - 1) + " scripts")
                            .c_str());
  state.SetItemsProcessed(state.iterations() * files);
}

BENCHMARK(LeerFiles)->Arg(1000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

const bool declared = [] {
  addFigure({"LeerFiles: 20,000 files / 10,000 files, real time (at most 2.5)", "LeerFiles/20000",
             "LeerFiles/10000", "", 2.5});
  addFigure({"LeerFiles: 20,000 files / 10,000 files, processor time (at most 2.5)",
             "LeerFiles/20000", "LeerFiles/10000", "", 2.5, true});
  addFigure({"LeerFiles: 10,000 files / 1,000 files, real time (10 is linear)", "LeerFiles/10000",
             "LeerFiles/1000", "", 0});
  return true;
}();

}  // namespace
}  // namespace fd::bench
