#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fixtures/TempPrefix.h"
#include "platform/posix/RegFileRegistry.h"
#include "support/clsRegistro.h"

namespace fd::test {
namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
constexpr std::int32_t kCurrentUser = static_cast<std::int32_t>(0x80000001);

class Registro : public ::testing::Test {
 protected:
  void write(const std::string& text) { std::ofstream(file, std::ios::binary) << kHeader << text; }
  std::string contents() const {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  RegVariant get(const std::string& key, const std::string& name) {
    RegFileRegistry fresh(file);
    return clsRegistro(fresh).GetRegistryValue(key, name);
  }

  TempPrefix prefix;
  std::filesystem::path file = registryFilePath(prefix.mapper());
  RegFileRegistry registry{file};
  clsRegistro registro{registry};
};

RegVariant pair(const std::string& a, const std::string& b) {
  return RegVariant::list({a, b}, 0);
}

RegVariant triple(const std::string& a, const std::string& b, const std::string& c) {
  return RegVariant::list({a, b, c}, 0);
}

struct DwordCase {
  std::string name;
  std::string fileData;
  std::string text;
};

class DwordTexts : public Registro, public ::testing::WithParamInterface<DwordCase> {};

TEST_P(DwordTexts, AreUpperCaseHexWithoutLeadingZeros) {
  write("[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\r\n\"n\"=" + GetParam().fileData + "\r\n");
  EXPECT_EQ(registro.GetRegistryValue("SOFTWARE\\T", "n"), RegVariant(GetParam().text));
}

TEST_P(DwordTexts, WriteBackAsTheSameNumber) {
  registro.SetRegistryValue("SOFTWARE\\T", "n", GetParam().text, 0, 4);
  EXPECT_EQ(get("SOFTWARE\\T", "n"), RegVariant(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Numbers, DwordTexts,
                         ::testing::Values(DwordCase{"One", "dword:00000001", "&H1"},
                                           DwordCase{"Max", "dword:ffffffff", "&HFFFFFFFF"},
                                           DwordCase{"Zero", "dword:00000000", "&H0"},
                                           DwordCase{"Byte", "dword:000000ff", "&HFF"},
                                           DwordCase{"Mixed", "dword:00a0b0c0", "&HA0B0C0"}),
                         [](const auto& info) { return info.param.name; });

struct ReadCase {
  std::string name;
  std::string file;  // below the header
  std::string key;
  std::string value;
  RegVariant result;
};

class Reading : public Registro, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(Reading, GivesTextEmptyStringOrEmptyVariant) {
  write(GetParam().file);
  EXPECT_EQ(registro.GetRegistryValue(GetParam().key, GetParam().value), GetParam().result);
}

const std::string kSqlKey = "SOFTWARE\\Microsoft\\Microsoft SQL Server\\90\\Tools\\ClientSetup";
const std::string kSqlSection =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Microsoft SQL Server\\90\\Tools\\ClientSetup]\r\n";

INSTANTIATE_TEST_SUITE_P(
    Values, Reading,
    ::testing::Values(
        ReadCase{"FolderPathWithoutNul",
                 kSqlSection + "\"SQLPath\"=\"C:\\\\Program Files\\\\Microsoft SQL "
                               "Server\\\\90\\\\Tools\"\r\n",
                 kSqlKey, "SQLPath",
                 RegVariant("C:\\Program Files\\Microsoft SQL Server\\90\\Tools")},
        ReadCase{"MissingKeyIsEmpty", kSqlSection, "SOFTWARE\\Nada", "SQLPath", RegVariant()},
        ReadCase{"MissingValueIsEmptyString", kSqlSection, kSqlKey, "SQLPath", RegVariant("")},
        ReadCase{"MultiStringGivesTheFirst",
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\r\n"
                 "\"m\"=hex(7):75,00,6e,00,6f,00,00,00,64,00,6f,00,73,00,00,00,00,00\r\n",
                 "SOFTWARE\\T", "m", RegVariant("uno")},
        ReadCase{"ExpandStringAsStored",
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\r\n"
                 "\"e\"=hex(2):25,00,50,00,25,00,00,00\r\n",
                 "SOFTWARE\\T", "e", RegVariant("%P%")},
        ReadCase{"AnsiLetters",
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\r\n\"v\"=\"Compa\xC3\xB1\xC3\xAD\x61\"\r\n",
                 "SOFTWARE\\T", "v", RegVariant("Compa\xC3\xB1\xC3\xAD\x61")},
        ReadCase{"Longest259Characters",
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\r\n\"v\"=\"" + std::string(259, 'x') + "\"\r\n",
                 "SOFTWARE\\T", "v", RegVariant(std::string(259, 'x'))},
        ReadCase{"LongerFillsTheBufferAndIsEmpty",
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\r\n\"v\"=\"" + std::string(300, 'x') + "\"\r\n",
                 "SOFTWARE\\T", "v", RegVariant()}),
    [](const auto& info) { return info.param.name; });

TEST_F(Registro, EmptyVariantDiffersFromEmptyString) {
  EXPECT_TRUE(RegVariant().isEmpty());
  EXPECT_FALSE(RegVariant("").isEmpty());
  EXPECT_NE(RegVariant(), RegVariant(""));
}

TEST_F(Registro, SetWithoutTypeOrHiveCreatesTheKeyUnderLocalMachine) {
  registro.SetRegistryValue(kSqlKey, "SQLPath", "C:\\SQL\\90\\Tools");
  EXPECT_NE(contents().find(kSqlSection + "\"SQLPath\"=\"C:\\\\SQL\\\\90\\\\Tools\""),
            std::string::npos);
  EXPECT_EQ(get(kSqlKey, "SQLPath"), RegVariant("C:\\SQL\\90\\Tools"));
}

TEST_F(Registro, SetInAnotherHiveStaysThere) {
  registro.SetRegistryValue("Software\\Fendal", "Ruta", "C:\\Fendal", kCurrentUser);
  EXPECT_EQ(registro.GetRegistryValue("Software\\Fendal", "Ruta", kCurrentUser),
            RegVariant("C:\\Fendal"));
  EXPECT_EQ(registro.GetRegistryValue("Software\\Fendal", "Ruta"), RegVariant());
}

TEST_F(Registro, SetOfAnUnknownTypeWritesNothing) {
  registro.SetRegistryValue("SOFTWARE\\T", "b", "01", 0, 3);
  EXPECT_EQ(registro.GetRegistryValue("SOFTWARE\\T", "b"), RegVariant(""));
}

TEST_F(Registro, SetOfDecimalDword) {
  registro.SetRegistryValue("SOFTWARE\\T", "n", "42", 0, 4);
  EXPECT_EQ(registro.GetRegistryValue("SOFTWARE\\T", "n"), RegVariant("&H2A"));
  registro.SetRegistryValue("SOFTWARE\\T", "n", "-1", 0, 4);
  EXPECT_EQ(registro.GetRegistryValue("SOFTWARE\\T", "n"), RegVariant("&HFFFFFFFF"));
}

TEST_F(Registro, DeleteValue) {
  registro.SetRegistryValue("SOFTWARE\\T", "v", "x");
  EXPECT_TRUE(registro.DeleteRegistryValue("SOFTWARE\\T", "v"));
  EXPECT_FALSE(registro.DeleteRegistryValue("SOFTWARE\\T", "v"));
  EXPECT_FALSE(registro.DeleteRegistryValue("SOFTWARE\\Nada", "v"));
  EXPECT_EQ(registro.GetRegistryValue("SOFTWARE\\T", "v"), RegVariant(""));
}

struct KeyDeleteCase {
  std::string name;
  std::string path;
};

class RefusedKeyDeletes : public Registro, public ::testing::WithParamInterface<KeyDeleteCase> {};

TEST_P(RefusedKeyDeletes, LeaveTheRegistryUntouched) {
  registro.SetRegistryValue("SOFTWARE", "v", "x");
  const std::string before = contents();
  const auto written = std::filesystem::last_write_time(file);
  EXPECT_FALSE(registro.DeleteRegistryKey(GetParam().path));
  EXPECT_EQ(contents(), before);
  EXPECT_EQ(std::filesystem::last_write_time(file), written);
}

INSTANTIATE_TEST_SUITE_P(Paths, RefusedKeyDeletes,
                         ::testing::Values(KeyDeleteCase{"DirectlyBelowTheRoot", "SOFTWARE"},
                                           KeyDeleteCase{"SpacesOnly", "   "},
                                           KeyDeleteCase{"Empty", ""},
                                           KeyDeleteCase{"MissingKey", "SOFTWARE\\Nada"}),
                         [](const auto& info) { return info.param.name; });

TEST_F(Registro, DeleteKeyRemovesALeafKey) {
  registro.SetRegistryValue("SOFTWARE\\Fendal\\Viejo", "v", "x");
  EXPECT_FALSE(registro.DeleteRegistryKey("SOFTWARE\\Fendal"));
  EXPECT_TRUE(registro.DeleteRegistryKey("SOFTWARE\\Fendal\\Viejo"));
  EXPECT_EQ(registro.GetRegistryValue("SOFTWARE\\Fendal\\Viejo", "v"), RegVariant());
  EXPECT_EQ(registro.GetRegistryValue("SOFTWARE\\Fendal", "v"), RegVariant(""));
}

TEST_F(Registro, EnumerateValuesListsNameDataAndTypeName) {
  write(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\r\n"
      "\"Ruta\"=\"C:\\\\SQL\"\r\n"
      "\"Nivel\"=dword:0000002a\r\n"
      "\"Lista\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
      "\"Datos\"=hex:41,42,00,43\r\n"
      "\"Raro\"=hex(b):01,00,00,00,00,00,00,00\r\n");
  const RegVariant values = registro.EnumerateRegistryValues("SOFTWARE\\T");
  ASSERT_TRUE(values.isList());
  EXPECT_EQ(values.lowerBound(), 1);
  EXPECT_EQ(values.items(), (std::vector<RegVariant>{
                                triple("Ruta", "C:\\SQL", "REG_SZ"),
                                triple("Nivel", "&H2A", "REG_DWORD"),
                                triple("Lista", "a", "REG_MULTI_SZ"),
                                triple("Datos", "AB", "REG_BINARY"),
                                triple("Raro", "\x01", "UNKNOWN_TYPE"),
                            }));
  EXPECT_EQ(values.item(1).item(0), RegVariant("Ruta"));
}

TEST_F(Registro, EnumerateValuesOfAValueWrittenWithoutNul) {
  registro.SetRegistryValue("SOFTWARE\\T", "v", "abc");
  EXPECT_EQ(registro.EnumerateRegistryValues("SOFTWARE\\T").items(),
            (std::vector<RegVariant>{triple("v", "abc", "REG_SZ")}));
}

TEST_F(Registro, EnumerationStopsAtAValueLongerThanTheBuffer) {
  write("[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\r\n\"a\"=\"1\"\r\n\"b\"=\"" + std::string(300, 'x') +
        "\"\r\n\"c\"=\"3\"\r\n");
  EXPECT_EQ(registro.EnumerateRegistryValues("SOFTWARE\\T").items(),
            (std::vector<RegVariant>{triple("a", "1", "REG_SZ")}));
}

TEST_F(Registro, EnumerateKeysListsNameAndClass) {
  registro.SetRegistryValue("SOFTWARE\\Fendal\\Comercial", "v", "x");
  registro.SetRegistryValue("SOFTWARE\\Fendal\\CRM", "v", "x");
  const RegVariant keys = registro.EnumerateRegistryKeys("software\\fendal");
  EXPECT_EQ(keys, RegVariant::list({pair("Comercial", ""), pair("CRM", "")}, 1));
}

struct EnumerateCase {
  std::string name;
  bool keys;
  std::string path;
  RegVariant result;
};

class EmptyEnumerations : public Registro, public ::testing::WithParamInterface<EnumerateCase> {};

TEST_P(EmptyEnumerations, DistinguishAMissingKeyFromAnEmptyOne) {
  registro.SetRegistryValue("SOFTWARE\\Vacia\\Hoja", "v", "x");
  registro.DeleteRegistryValue("SOFTWARE\\Vacia\\Hoja", "v");
  const RegVariant result = GetParam().keys ? registro.EnumerateRegistryKeys(GetParam().path)
                                            : registro.EnumerateRegistryValues(GetParam().path);
  EXPECT_EQ(result, GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, EmptyEnumerations,
    ::testing::Values(EnumerateCase{"MissingKeyKeys", true, "SOFTWARE\\Nada", RegVariant()},
                      EnumerateCase{"MissingKeyValues", false, "SOFTWARE\\Nada", RegVariant()},
                      EnumerateCase{"NoSubKeys", true, "SOFTWARE\\Vacia\\Hoja",
                                    RegVariant::list({}, 1)},
                      EnumerateCase{"NoValues", false, "SOFTWARE\\Vacia", RegVariant::list({}, 1)}),
    [](const auto& info) { return info.param.name; });

TEST(RegistryTypeNames, FollowThePlatformCodes) {
  const std::vector<std::string> expected = {"REG_NONE",    "REG_SZ",       "REG_EXPAND_SZ",
                                             "REG_BINARY",  "REG_DWORD",    "REG_DWORD_BIG_ENDIAN",
                                             "REG_LINK",    "REG_MULTI_SZ", "REG_RESOURCE_LIST",
                                             "UNKNOWN_TYPE"};
  for (std::uint32_t type = 0; type < expected.size(); ++type) {
    EXPECT_EQ(registryTypeName(type), expected[type]);
  }
}

}  // namespace
}  // namespace fd::test
