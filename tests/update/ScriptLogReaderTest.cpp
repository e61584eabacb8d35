#include <gtest/gtest.h>

#include <vector>

#include "fixtures/ForwardingFileSystem.h"
#include "fixtures/UpdaterFixture.h"
#include "platform/AppError.h"
#include "update/ScriptLogReader.h"

namespace fd::test {
namespace {

class Reader : public ::testing::Test {
 protected:
  std::string read(const std::string& output) {
    f.writeFile(kSalida, output);
    return LeerLog(kSalida, f.fs, f.log);
  }

  StageFixture f;
  const std::string kSalida = f.root() + "Tmp\\P1\\Alta.log";
};

struct BlockCase {
  std::string name;
  std::string output;
  std::string block;
};

class Blocks : public Reader, public ::testing::WithParamInterface<BlockCase> {};

TEST_P(Blocks, PickTheFirstErrorOrMessageBlock) {
  EXPECT_EQ(read(GetParam().output), GetParam().block);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, Blocks,
    ::testing::Values(
        BlockCase{"ThreeLineExample", "1> 2> ERROR: falta la tabla\r\n  no se actualizo  \r\n\r\n",
                  "1> 2> ERROR: falta la tabla\r\n1> 2> ERROR: falta la tabla\r\nno se actualizo"},
        BlockCase{"NoMarkers", "1> 2> (1 rows affected)\r\nlisto\r\n", ""},
        BlockCase{"EmptyFile", "", ""},
        BlockCase{"MarkerAtTheFirstCharacter", "ERROR al principio\r\nsigue\r\n", ""},
        BlockCase{"FirstOccurrenceDecides", "ERROR y otro ERROR\r\n", ""},
        BlockCase{"DbccLine",
                  "DBCC execution completed. If DBCC printed error messages, contact your "
                  "system administrator.\r\n",
                  ""},
        BlockCase{"MensajeInAnyCase", "1> mensaje: listo\r\n",
                  "1> mensaje: listo\r\n1> mensaje: listo"},
        BlockCase{"StartingLineTwiceUntrimmedThenTrimmed", "  x Error  \r\n",
                  "  x Error  \r\nx Error"},
        BlockCase{"StopsAtTheFirstBlankLine", "x ERROR\r\na\r\n   \r\nb ERROR\r\n",
                  "x ERROR\r\nx ERROR\r\na"},
        BlockCase{"SecondStartRestarts", "x ERROR 1\r\ny\r\nx ERROR 2\r\nz\r\n",
                  "x ERROR 2\r\nx ERROR 2\r\nz"},
        BlockCase{"DbccInsideTheBlockIsKept", "x ERROR\r\nDBCC error\r\n",
                  "x ERROR\r\nx ERROR\r\nDBCC error"},
        BlockCase{"BlankLinesBeforeTheBlockSkipped", "\r\n\r\nMsg 208: ERROR\r\n",
                  "Msg 208: ERROR\r\nMsg 208: ERROR"},
        BlockCase{"LoneCarriageReturns", "x ERROR\ry\r\r", "x ERROR\r\nx ERROR\r\ny"},
        BlockCase{"AnsiText", "1> Mensaje: configuraci\xF3n\r\n",
                  "1> Mensaje: configuraci\xC3\xB3n\r\n1> Mensaje: configuraci\xC3\xB3n"}),
    [](const auto& info) { return info.param.name; });

TEST_F(Reader, WholeFileGoesToTheLogWhenThereIsNoBlock) {
  read("1> 2>   uno\r\n\r\ndos  \r\n");
  EXPECT_EQ(f.entries(), (std::vector<std::string>{" LeerLog " + kSalida, " ---> 1> 2>   uno",
                                                   " ---> ", " ---> dos  "}));
}

TEST_F(Reader, LinesAfterTheBlockAreNotLogged) {
  read("antes\r\nx ERROR\r\n\r\ndespues\r\n");
  EXPECT_EQ(f.entries(), (std::vector<std::string>{" LeerLog " + kSalida, " ---> antes",
                                                   " ---> x ERROR", " ---> "}));
}

TEST_F(Reader, MissingFileRaisesItsErrorAgain) {
  f.makeFolder(f.root() + "Tmp\\P1");
  try {
    LeerLog(kSalida, f.fs, f.log);
    FAIL() << "no error";
  } catch (const AppError& error) {
    EXPECT_EQ(error.number(), 53);
    EXPECT_EQ(error.source(), "LeerLog");
    EXPECT_EQ(error.description(), "LeerLog. Error #  53\rNo se encontró el archivo");
  }
  EXPECT_EQ(f.entries(), std::vector<std::string>{" LeerLog " + kSalida});
}

TEST_F(Reader, NegativeNumbersKeepTheirSign) {
  // The host's file system, failing to read every file.
  struct FailingFileSystem : ForwardingFileSystem {
    using ForwardingFileSystem::ForwardingFileSystem;
    std::vector<std::string> readLines(const std::string&) const override {
      throw AppError(-2147217900, "ADO", "falla");
    }
  } failing(f.fs);
  try {
    LeerLog(kSalida, failing, f.log);
    FAIL() << "no error";
  } catch (const AppError& error) {
    EXPECT_EQ(error.number(), -2147217900);
    EXPECT_EQ(error.description(), "LeerLog. Error # -2147217900\rfalla");
  }
}

}  // namespace
}  // namespace fd::test
