#include <gtest/gtest.h>

#include "fixtures/TempPrefix.h"
#include "platform/posix/PosixFileSystem.h"
#include "support/clsIni.h"

namespace fd::test {
namespace {

struct IniCase {
  std::string name;
  std::string content;
  bool found;
  std::string servidor;
};

class IniReading : public ::testing::TestWithParam<IniCase> {};

TEST_P(IniReading, FindsTheServerOfTheComercialSection) {
  TempPrefix prefix;
  PosixFileSystem fs(prefix.mapper());
  prefix.writeFile("C:\\Fendal\\Comercial\\fdCom.ini", GetParam().content);
  clsIni ini(fs);
  EXPECT_EQ(ini.LeerINI("C:\\Fendal\\Comercial\\fdCom.ini"), GetParam().found);
  EXPECT_EQ(ini.Servidor(), GetParam().servidor);
}

INSTANTIATE_TEST_SUITE_P(
    Files, IniReading,
    ::testing::Values(
        IniCase{"Named", "[Comercial]\r\nServidor = srv01\\sqlexpress\r\n", true,
                "SRV01\\SQLEXPRESS"},
        IniCase{"UpperSectionLowerKey", "[COMERCIAL]\r\nservidor=x\r\n", true, "X"},
        IniCase{"OtherSection", "[Contable]\r\nServidor=x\r\n", false, ""},
        IniCase{"NoSection", "Servidor=x\r\n", false, ""},
        IniCase{"FirstOfTwo", "[Comercial]\r\nServidor=uno\r\nServidor=dos\r\n", true, "UNO"},
        IniCase{"EmptyValue", "[Comercial]\r\nServidor=\r\n", false, ""},
        IniCase{"EmptyFile", "", false, ""},
        IniCase{"LinesWithoutEqualsIgnored", "; notas\r\n[Comercial]\r\nbasura\r\nServidor=s\r\n",
                true, "S"},
        IniCase{"LoneCrLineEnds", "[Comercial]\rServidor=s2\r", true, "S2"},
        IniCase{"SectionWithSpacesDoesNotMatch", " [Comercial] \r\nServidor=s\r\n", false, ""},
        IniCase{"AnsiAccents", "[Comercial]\r\nServidor=se\xF1or\r\n", true, "SE\xC3\x91OR"}),
    [](const auto& info) { return info.param.name; });

TEST(IniReading, MissingFileGivesFalseAtOnce) {
  TempPrefix prefix;
  PosixFileSystem fs(prefix.mapper());
  clsIni ini(fs);
  EXPECT_FALSE(ini.LeerINI("C:\\Fendal\\Comercial\\fdCom.ini"));
  EXPECT_EQ(ini.Servidor(), "");
}

}  // namespace
}  // namespace fd::test
