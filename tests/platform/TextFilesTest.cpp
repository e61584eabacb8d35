// Text files through the host's file system: ANSI inside the file, UTF-8 for the updater, lines
// ended by CR LF.
#include <gtest/gtest.h>

#include "PlatformTestSupport.h"
#include "platform/AnsiCodec.h"

namespace fd::test {
namespace {

class TextFiles : public HostFileSystem {};

TEST_F(TextFiles, WrittenLinesAreAnsiWithCrLfAndReadBack) {
  if (utf8ToAnsi("í€") != "\xED\x80") {
    GTEST_SKIP() << "the host's code page is not Windows-1252";
  }
  f.makeFolder(at("Act"));
  f.fs.writeLines(at("Act\\ACT.log"), {"Línea uno", "", "€ dos"}, false);
  f.fs.appendLine(at("Act\\ACT.log"), "tres");
  EXPECT_EQ(f.readFile(at("Act\\ACT.log")), "L\xEDnea uno\r\n\r\n\x80 dos\r\ntres\r\n");
  EXPECT_EQ(f.fs.readLines(at("Act\\act.LOG")),
            (std::vector<std::string>{"Línea uno", "", "€ dos", "tres"}));
  f.fs.writeLines(at("Act\\ACT.log"), {"nuevo"}, false);
  EXPECT_EQ(f.readFile(at("Act\\ACT.log")), "nuevo\r\n");
}

TEST_F(TextFiles, TextGoesThroughTheSystemCodePageWithCrLf) {
  f.fs.writeLines(at("log.txt"), {"Actualización", "año"}, false);
  f.fs.appendLine(at("log.txt"), "fin");
  const std::string expected = utf8ToAnsi("Actualización\r\naño\r\nfin\r\n");
  EXPECT_EQ(f.readFile(at("log.txt")), expected);
  EXPECT_EQ(f.fs.readLines(at("log.txt")),
            (std::vector<std::string>{"Actualización", "año", "fin"}));
}

TEST_F(TextFiles, ReadLinesEndAtLoneCrButNotAtLoneLf) {
  f.writeFile(at("a.txt"), "uno\rdos\nmitad\r\n");
  EXPECT_EQ(f.fs.readLines(at("a.txt")), (std::vector<std::string>{"uno", "dos\nmitad"}));
  f.writeFile(at("mixed.txt"), "a\rb\r\nc\nd");
  EXPECT_EQ(f.fs.readLines(at("mixed.txt")), (std::vector<std::string>{"a", "b", "c\nd"}));
  EXPECT_EQ(errorNumberOf([&] { f.fs.readLines(at("missing.txt")); }), 53);
}

TEST_F(TextFiles, WriteLinesFromTheStartEmptiesAHiddenFile) {
  f.writeFile(at("hidden.log"), "old old old");
  const std::string hidden = f.hide(at("hidden.log"));
  f.fs.writeLines(hidden, {"new"}, false);
  EXPECT_EQ(f.readFile(hidden), "new\r\n");
}

TEST_F(TextFiles, TextFileErrorsHaveThePlatformNumbers) {
  f.makeFolder(at("Carpeta"));
  f.writeFile(at("ro.txt"), "x");
  f.makeReadOnly(at("ro.txt"));
  EXPECT_EQ(errorNumberOf([&] { f.fs.readLines(at("b.txt")); }), 53);
  EXPECT_EQ(errorNumberOf([&] { f.fs.readLines(at("Nada\\b.txt")); }), 76);
  EXPECT_EQ(errorNumberOf([&] { f.fs.readLines(at("Carpeta")); }), 70);
  EXPECT_EQ(errorNumberOf([&] { f.fs.writeLines(at("Nada\\b.txt"), {"x"}, true); }), 76);
  EXPECT_EQ(errorNumberOf([&] { f.fs.writeLines(at("Carpeta"), {"x"}, true); }), 70);
  EXPECT_EQ(errorNumberOf([&] { f.fs.writeLines(at("ro.txt"), {"y"}, true); }), 70);
  EXPECT_EQ(f.readFile(at("ro.txt")), "x");
}

}  // namespace
}  // namespace fd::test
