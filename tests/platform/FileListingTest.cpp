// Listing a folder's ordinary files by a pattern ("*.rar", "fdCom*.ini") through the host's file
// system.
#include <gtest/gtest.h>

#include "PlatformTestSupport.h"

namespace fd::test {
namespace {

struct ListCase {
  const char* name;
  const char* pattern;
  std::vector<std::string> names;
};

class Listing : public HostFileSystem, public testing::WithParamInterface<ListCase> {};

TEST_P(Listing, MatchesWithoutLetterCaseInNameOrder) {
  for (const char* name : {"crm_1_9_3_a.RAR", "COMERCIAL_5_2_7_x.rar", "fdCom.ini", "FDCOMx.ini",
                           "notas.txt", "LEEME", "oculto.rar", "año.txt"}) {
    f.writeFile(at(std::string("Act\\") + name), "x");
  }
  f.hide(at("Act\\oculto.rar"));
  f.makeFolder(at("Act\\carpeta.rar"));
  EXPECT_EQ(f.fs.listFiles(at("act\\"), GetParam().pattern, false), GetParam().names);
  EXPECT_EQ(f.fs.listFiles(at("act\\"), GetParam().pattern, true), GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Listing,
    testing::Values(ListCase{"Rar", "*.rar", {"COMERCIAL_5_2_7_x.rar", "crm_1_9_3_a.RAR"}},
                    ListCase{"IniPrefix", "fdCom*.ini", {"fdCom.ini", "FDCOMx.ini"}},
                    ListCase{"StarDotStar",
                             "*.*",
                             {"año.txt", "COMERCIAL_5_2_7_x.rar", "crm_1_9_3_a.RAR", "fdCom.ini",
                              "FDCOMx.ini", "LEEME", "notas.txt"}},
                    ListCase{"QuestionMarks", "?ÑO.TXT", {"año.txt"}},
                    ListCase{"ExactName", "leeme", {"LEEME"}}, ListCase{"NoMatch", "*.sql", {}}),
    [](const testing::TestParamInfo<ListCase>& info) { return info.param.name; });

class FileListing : public HostFileSystem {};

TEST_F(FileListing, ListFilesMatchesWithoutCaseAndSortsOrdinaryFiles) {
  for (const char* name : {"b_1.RAR", "A_2.rar", "c.rarx", "hidden.rar", "notes.txt"}) {
    f.writeFile(at(std::string("Lista\\") + name), "x");
  }
  f.hide(at("Lista\\hidden.rar"));
  f.makeFolder(at("Lista\\folder.rar"));
  EXPECT_EQ(f.fs.listFiles(at("Lista\\"), "*.rar", false),
            (std::vector<std::string>{"A_2.rar", "b_1.RAR"}));
  EXPECT_EQ(f.fs.listFiles(at("Lista"), "*.*", true).size(), 4u);
  EXPECT_TRUE(f.fs.listFiles(at("missing"), "*.*", false).empty());
}

TEST_F(FileListing, ListingAMissingFolderGivesNothing) {
  EXPECT_TRUE(f.fs.listFiles(at("Nada\\"), "*.*", false).empty());
}

}  // namespace
}  // namespace fd::test
