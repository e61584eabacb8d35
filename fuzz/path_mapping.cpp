// Windows path texts mapped onto a prefix and back.
#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "fixtures/TempPrefix.h"

using namespace fd;

namespace {
bool below(const std::filesystem::path& path, const std::filesystem::path& folder) {
  auto [end, unused] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
  return end == folder.end();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TempPrefix prefix(fuzz::scratchFolder());
  static bool made = [] {
    for (const char* folder : {"Fendal\\Comercial\\RPT", "Fendal\\Contab", "Act\\Paquete 1"}) {
      prefix.makeFolder(std::string("C:\\") + folder);
    }
    return true;
  }();
  (void)made;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const bool hasDrive =
      text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':';
  // Z: is the host's root: walking it would read the whole machine.
  if (hasDrive && (text[0] == 'z' || text[0] == 'Z')) {
    return 0;
  }
  const std::filesystem::path host = prefix.mapper().toHost(text);
  if (!hasDrive || text[0] == 'c' || text[0] == 'C') {
    // ".." never climbs above a drive's root.
    if (!below(host, prefix.root() / "drive_c")) {
      fuzz::broken("a C: path left its drive: " + host.string());
    }
    const std::string back = prefix.mapper().toWindows(host);
    if (back.rfind("C:\\", 0) != 0) {
      fuzz::broken("a C: path came back as " + back);
    }
  }
  return 0;
}
