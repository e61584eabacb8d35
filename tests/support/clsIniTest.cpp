#include <gtest/gtest.h>

#include "fixtures/UpdaterFixture.h"
#include "support/clsIni.h"

namespace fd::test {
namespace {

struct IniCase {
  std::string name;
  std::string content;
  bool found;
  std::string servidor;
  std::string file = "fdCom.ini";  // the name it is written under
};

class IniReading : public ::testing::TestWithParam<IniCase> {};

TEST_P(IniReading, FindsTheServerOfTheComercialSection) {
  UpdaterFixture f;
  const std::string folder = f.fendal() + "Comercial\\";
  f.writeFile(folder + GetParam().file, GetParam().content);
  clsIni ini(f.fs);
  EXPECT_EQ(ini.LeerINI(folder + "fdCom.ini"), GetParam().found);
  EXPECT_EQ(ini.Servidor(), GetParam().servidor);
}

INSTANTIATE_TEST_SUITE_P(
    Files, IniReading,
    ::testing::Values(
        IniCase{"Named", "[Comercial]\r\nServidor = srv01\\sqlexpress\r\n", true,
                "SRV01\\SQLEXPRESS"},
        IniCase{"UpperSectionLowerKey", "[COMERCIAL]\r\nservidor=x\r\n", true, "X"},
        // The file is found whatever the case it was written under, as Windows finds it.
        IniCase{"FileInOtherCase", "[COMERCIAL]\r\nservidor=x\r\n", true, "X", "FDCOM.INI"},
        IniCase{"OtherSection", "[Contable]\r\nServidor=x\r\n", false, ""},
        IniCase{"NoSection", "Servidor=x\r\n", false, ""},
        IniCase{"FirstOfTwo", "[Comercial]\r\nServidor=uno\r\nServidor=dos\r\n", true, "UNO"},
        IniCase{"EmptyValue", "[Comercial]\r\nServidor=\r\n", false, ""},
        IniCase{"EmptyFile", "", false, ""},
        IniCase{"LinesWithoutEqualsIgnored", "; notas\r\n[Comercial]\r\nbasura\r\nServidor=s\r\n",
                true, "S"},
        IniCase{"LoneCrLineEnds", "[Comercial]\rServidor=s2\r", true, "S2"},
        IniCase{"SectionWithSpacesDoesNotMatch", " [Comercial] \r\nServidor=s\r\n", false, ""},
        // Windows-1252 bytes: ñ upper-cased as a letter, € (outside Latin-1) kept.
        IniCase{"AnsiAccents", "[Comercial]\r\nServidor=se\xF1or\r\n", true, "SE\xC3\x91OR"},
        IniCase{"AnsiLetters", "[Comercial]\r\nServidor=se\xF1or\x80\r\n", true, "SEÑOR€"},
        IniCase{"Missing", "[Comercial]\r\nServidor=x\r\n", false, "", "otro.ini"}),
    [](const auto& info) { return info.param.name; });

TEST(IniReading, MissingFileGivesFalseAtOnce) {
  UpdaterFixture f;
  clsIni ini(f.fs);
  EXPECT_FALSE(ini.LeerINI(f.fendal() + "Comercial\\fdCom.ini"));
  EXPECT_EQ(ini.Servidor(), "");
}

}  // namespace
}  // namespace fd::test
