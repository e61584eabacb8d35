#include <gtest/gtest.h>

#include "fixtures/UpdaterFixture.h"
#include "packages/SectionedReader.h"
#include "platform/AppError.h"

namespace fd::test {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

class SectionedReader : public ::testing::Test {
 protected:
  bool leer(const std::string& content) {
    f.writeFile(info, content);
    return Leer(info, datos, f.fs, f.clock, f.desktop);
  }
  UpdaterFixture f;
  const std::string info = f.root() + "Tmp\\info.txt";
  KeyTable datos;
};

struct FileCase {
  std::string name;
  std::string content;
  Entries entries;
};

class SectionedFiles : public SectionedReader, public ::testing::WithParamInterface<FileCase> {};

TEST_P(SectionedFiles, ReadsOneEntryPerKeyLineWithItsSection) {
  EXPECT_TRUE(leer(GetParam().content));
  EXPECT_EQ(datos.entries, GetParam().entries);
  EXPECT_TRUE(f.desktop.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, SectionedFiles,
    ::testing::Values(
        FileCase{"TwoKeys",
                 "[Destino]\r\na.dll=C:\\X\\\r\nb.rpt = <Unidad>\\R\\\r\n",
                 {{"[Destino].a.dll", "C:\\X\\"}, {"[Destino].b.rpt", "<Unidad>\\R\\"}}},
        FileCase{"KeyBeforeAnySection", "a.dll=1\r\n", {{".a.dll", "1"}}},
        FileCase{"SectionKeepsItsSpaces", "  [Destino]  \r\nx=1\r\n", {{"  [Destino]  .x", "1"}}},
        FileCase{"FurtherEqualsBelongToTheValue",
                 "[S]\r\nx=1=2\r\ny=\r\n",
                 {{"[S].x", "1=2"}, {"[S].y", ""}}},
        FileCase{"TabsArePartOfTheText", "[S]\r\n\tx\t= 1\t\r\n", {{"[S].\tx\t", "1\t"}}},
        FileCase{
            "RepeatedKeysInFileOrder", "[S]\r\nx=1\r\nx=2\r\n", {{"[S].x", "1"}, {"[S].x", "2"}}},
        FileCase{"EmptyLinesAndLoneCr", "\r\n[S]\r\rx=1\r", {{"[S].x", "1"}}},
        FileCase{"CommentsAreKeys", "[S]\r\n;x=1\r\n#y=2\r\n", {{"[S].;x", "1"}, {"[S].#y", "2"}}},
        FileCase{"SectionsOnly", "[A]\r\n[B]\r\n", {}}, FileCase{"EmptyFile", "", {}},
        FileCase{"AnsiAccents", "[S]\r\nLe\xF3n.txt=C:\\\r\n", {{"[S].Le\xC3\xB3n.txt", "C:\\"}}}),
    [](const auto& info) { return info.param.name; });

TEST_F(SectionedReader, BadLineStopsWithAnErrorKeepingTheEntriesAbove) {
  try {
    leer("[Destino]\r\na=1\r\nsin igual\r\nb=2\r\n");
    FAIL() << "no error";
  } catch (const AppError& error) {
    EXPECT_EQ(error.number(), 5);
    EXPECT_EQ(error.source(), "Leer");
    EXPECT_EQ(error.description(),
              "Actualizador::Leer::. Error #  5\rLlamada a procedimiento o argumento no válido");
  }
  EXPECT_EQ(datos.entries, (Entries{{"[Destino].a", "1"}}));
}

TEST_F(SectionedReader, LineOfSpacesIsABadLine) {
  EXPECT_THROW(leer("[S]\r\n   \r\nx=1\r\n"), AppError);
}

TEST_F(SectionedReader, MissingFileIsTriedSixTimesThenReportedOnce) {
  f.makeFolder(f.root() + "Tmp");
  datos.entries = {{"old", "1"}};
  EXPECT_FALSE(Leer(info, datos, f.fs, f.clock, f.desktop));
  EXPECT_TRUE(datos.entries.empty());
  EXPECT_EQ(f.clock.elapsed().count(), 50'000);
  ASSERT_EQ(f.desktop.boxes.size(), 1u);
  EXPECT_EQ(f.desktop.boxes[0].prompt,
            "No se pudo leer el archivo " + info + ". Mensaje: (53) No se encontró el archivo");
  EXPECT_EQ(f.desktop.boxes[0].style, msgbox::kOkOnly);
  EXPECT_EQ(f.desktop.boxes[0].title, "Vadelo");
}

TEST_F(SectionedReader, FileThatAppearsDuringTheWaitsIsRead) {
  int rounds = 0;
  f.desktop.onEvents = [&] {
    if (++rounds == 600)
      f.writeFile(info, "[S]\r\nx=1\r\n");
  };
  EXPECT_TRUE(Leer(info, datos, f.fs, f.clock, f.desktop));
  EXPECT_EQ(datos.entries, (Entries{{"[S].x", "1"}}));
  EXPECT_TRUE(f.desktop.boxes.empty());
}

KeyTable tablaDestinos() {
  return {{{"[Destino].a.dll", "1"}, {"[Destino].b.rpt", "2"}, {"[DESTINO].A.DLL", "3"}}};
}

struct SearchCase {
  std::string key;
  int start;
  int expected;
};

class BuscarClaveCases : public ::testing::TestWithParam<SearchCase> {};

TEST_P(BuscarClaveCases, FindsTheFirstMatchAtOrAfterTheStartIgnoringCase) {
  EXPECT_EQ(BuscarClave(tablaDestinos(), GetParam().key, GetParam().start), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Searches, BuscarClaveCases,
    ::testing::Values(SearchCase{"[destino].A.dll", 0, 1}, SearchCase{"[destino].A.dll", 2, 3},
                      SearchCase{"[destino].A.dll", 4, -1}, SearchCase{"[destino].A.dll", 1, 1},
                      SearchCase{"[Destino].b.RPT", 0, 2}, SearchCase{"[Destino].c.dll", 0, -1},
                      SearchCase{"[destino].a.dll", 99, -1}));

TEST(BuscarClave, EmptyTableFindsNothing) {
  EXPECT_EQ(BuscarClave(KeyTable{}, "x", 0), -1);
}

}  // namespace
}  // namespace fd::test
