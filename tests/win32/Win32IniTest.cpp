// The suite's fdCom.ini read through the real Windows file system: Windows-1252 text with CR LF
// line ends, as the suite writes it.
#include <gtest/gtest.h>

#include "Win32TestFolder.h"
#include "platform/win32/Win32FileSystem.h"
#include "support/clsIni.h"

namespace fd::test {
namespace {

struct IniCase {
  std::string name;
  std::string file;  // the name it is written under
  std::string content;
  bool found;
  std::string servidor;
};

void PrintTo(const IniCase& c, std::ostream* out) {
  *out << c.name;
}

class Win32Ini : public ::testing::TestWithParam<IniCase> {
 protected:
  Win32TestFolder folder;
  Win32FileSystem fs;
};

TEST_P(Win32Ini, FindsTheServerOfTheComercialSection) {
  folder.write(GetParam().file, GetParam().content);
  clsIni ini(fs);
  EXPECT_EQ(ini.LeerINI(folder.path("fdCom.ini")), GetParam().found);
  EXPECT_EQ(ini.Servidor(), GetParam().servidor);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Win32Ini,
    ::testing::Values(
        IniCase{"Named", "fdCom.ini", "[Comercial]\r\nServidor = srv01\\sqlexpress\r\n", true,
                "SRV01\\SQLEXPRESS"},
        // Windows finds the file whatever the case it was written under.
        IniCase{"FileInOtherCase", "FDCOM.INI", "[COMERCIAL]\r\nservidor=x\r\n", true, "X"},
        IniCase{"OtherSection", "fdCom.ini", "[Contable]\r\nServidor=x\r\n", false, ""},
        IniCase{"FirstOfTwo", "fdCom.ini", "[Comercial]\r\nServidor=uno\r\nServidor=dos\r\n", true,
                "UNO"},
        IniCase{"EmptyValue", "fdCom.ini", "[Comercial]\r\nServidor=\r\n", false, ""},
        IniCase{"LinesWithoutEqualsIgnored", "fdCom.ini",
                "; notas\r\n[Comercial]\r\nbasura\r\nServidor=s\r\n", true, "S"},
        IniCase{"LoneCrLineEnds", "fdCom.ini", "[Comercial]\rServidor=s2\r", true, "S2"},
        // Windows-1252 bytes: ñ upper-cased as a letter, € (outside Latin-1) kept.
        IniCase{"AnsiLetters", "fdCom.ini", "[Comercial]\r\nServidor=se\xF1or\x80\r\n", true,
                "SEÑOR€"},
        IniCase{"Missing", "otro.ini", "[Comercial]\r\nServidor=x\r\n", false, ""}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace fd::test
