#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fixtures/Helpers.h"
#include "fixtures/TempPrefix.h"
#include "platform/posix/RegFileRegistry.h"

namespace fd::test {
namespace {

namespace fs = std::filesystem;

class RegFile : public ::testing::Test {
 protected:
  void write(const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
  std::string contents() const {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // The data of a value as RegQueryValueExA gives it, read by a fresh object; "<code>" on failure.
  std::string query(const std::string& key, const std::string& name, std::uint32_t* type = nullptr,
                    RegHandle root = reg::kLocalMachine) {
    RegFileRegistry fresh(path);
    RegHandle handle = 0;
    if (long code = fresh.openKeyEx(root, key, reg::kRead, handle); code != reg::kSuccess) {
      return "<" + std::to_string(code) + ">";
    }
    std::string buffer(1024, '\0');
    std::uint32_t size = 1024;
    std::uint32_t found = 0;
    long code = fresh.queryValueEx(handle, name, found, buffer, size);
    fresh.closeKey(handle);
    if (type != nullptr) {
      *type = found;
    }
    return code == reg::kSuccess ? buffer.substr(0, size) : "<" + std::to_string(code) + ">";
  }
  void setSz(const std::string& key, const std::string& name, const std::string& data) {
    RegHandle handle = 0;
    bool created = false;
    ASSERT_EQ(
        registry.createKeyEx(reg::kLocalMachine, key, "", 0, reg::kAllAccess, handle, created),
        reg::kSuccess);
    ASSERT_EQ(registry.setValueEx(handle, name, reg::kSz, data), reg::kSuccess);
    registry.closeKey(handle);
  }

  TempPrefix prefix;
  fs::path path = registryFilePath(prefix.mapper());
  RegFileRegistry registry{path};
};

TEST_F(RegFile, LivesInThePrefix) {
  EXPECT_EQ(path, prefix.root() / "updater.reg");
}

TEST_F(RegFile, MissingFileIsAnEmptyRegistry) {
  RegHandle handle = 0;
  EXPECT_EQ(registry.openKeyEx(reg::kLocalMachine, "SOFTWARE", reg::kRead, handle),
            reg::kFileNotFound);
  EXPECT_EQ(registry.openKey(reg::kLocalMachine, "", handle), reg::kSuccess);
  EXPECT_FALSE(fs::exists(path));
}

struct ValueCase {
  std::string name;
  std::string line;  // the value line below [HKEY_LOCAL_MACHINE\SOFTWARE\T]
  std::uint32_t type;
  std::string data;  // ANSI bytes
};

class RegFileValues : public RegFile, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(RegFileValues, ReadsEachValueForm) {
  write("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\r\n" +
        GetParam().line + "\r\n");
  std::uint32_t type = 99;
  const std::string name = GetParam().line.starts_with('@') ? "" : "v";
  EXPECT_EQ(query("SOFTWARE\\T", name, &type), GetParam().data);
  EXPECT_EQ(type, GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, RegFileValues,
    ::testing::Values(
        ValueCase{"Text", R"("v"="C:\\Program Files\\SQL")", reg::kSz,
                  std::string("C:\\Program Files\\SQL\0", 21)},
        ValueCase{"EscapedQuote", R"("v"="di \"hola\"")", reg::kSz,
                  std::string("di \"hola\"\0", 10)},
        ValueCase{"Utf8BecomesAnsi", "\"v\"=\"a\xC3\xB1o\"", reg::kSz, std::string("a\xF1o\0", 4)},
        ValueCase{"Dword", "\"v\"=dword:0000002a", reg::kDword, std::string("\x2a\0\0\0", 4)},
        ValueCase{"DwordMax", "\"v\"=dword:ffffffff", reg::kDword, "\xFF\xFF\xFF\xFF"},
        ValueCase{"Binary", "\"v\"=hex:01,ff,00", reg::kBinary, std::string("\x01\xFF\0", 3)},
        ValueCase{"ExpandUtf16", "\"v\"=hex(2):25,00,41,00,25,00,00,00", reg::kExpandSz,
                  std::string("%A%\0", 4)},
        ValueCase{"MultiUtf16", "\"v\"=hex(7):61,00,00,00,62,00,00,00,00,00", reg::kMultiSz,
                  std::string("a\0b\0\0", 5)},
        ValueCase{"ContinuedHex", "\"v\"=hex:01,02,\\\r\n  03,04", reg::kBinary,
                  "\x01\x02\x03\x04"},
        ValueCase{"OtherType", "\"v\"=hex(b):01,00,00,00,00,00,00,00", 11,
                  std::string("\x01\0\0\0\0\0\0\0", 8)},
        ValueCase{"Default", "@=\"por defecto\"", reg::kSz, std::string("por defecto\0", 12)}),
    [](const auto& info) { return info.param.name; });

TEST_F(RegFile, KeyAndValueNamesIgnoreLetterCase) {
  write(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Microsoft SQL Server\\90\\Tools\\ClientSetup]\r\n"
      "\"SQLPath\"=\"C:\\\\SQL\"\r\n");
  EXPECT_EQ(query("software\\MICROSOFT\\microsoft sql server\\90\\tools\\clientsetup", "sqlpath"),
            std::string("C:\\SQL\0", 7));
}

TEST_F(RegFile, ReadsUtf16FilesAsRegeditWritesThem) {
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\r\n"
      "\"v\"=\"\xC3\xA1\"\r\n";
  std::string bytes = "\xFF\xFE";
  for (size_t i = 0; i < text.size(); ++i) {
    // ASCII plus one two-byte letter (á, U+00E1).
    if (text[i] == '\xC3') {
      bytes += "\xE1";
      bytes += '\0';
      ++i;
    } else {
      bytes += text[i];
      bytes += '\0';
    }
  }
  write(bytes);
  EXPECT_EQ(query("SOFTWARE\\T", "v"), std::string("\xE1\0", 2));
}

TEST_F(RegFile, HivesAreSeparate) {
  write(
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\T]\r\n"
      "\"v\"=\"usuario\"\r\n");
  EXPECT_EQ(query("Software\\T", "v", nullptr, reg::kCurrentUser), std::string("usuario\0", 8));
  EXPECT_EQ(query("Software\\T", "v"), "<2>");
}

TEST_F(RegFile, WrittenValuesSurviveInAFileThatAFreshReaderReads) {
  setSz(kClientSetup, "SQLPath", "C:\\Program Files\\Microsoft SQL Server\\90\\Tools");
  RegHandle handle = 0;
  ASSERT_EQ(registry.openKeyEx(reg::kLocalMachine, kClientSetup, reg::kAllAccess, handle), 0);
  ASSERT_EQ(registry.setValueEx(handle, "Nivel", reg::kDword, std::string("\x0a\0\0\0", 4)), 0);
  ASSERT_EQ(registry.setValueEx(handle, "Lista", reg::kMultiSz, std::string("x\0y\0\0", 5)), 0);
  ASSERT_EQ(registry.setValueEx(handle, "Texto", reg::kSz, "con \"comillas\" y \\"), 0);
  registry.closeKey(handle);

  const std::string file = contents();
  EXPECT_TRUE(file.starts_with("Windows Registry Editor Version 5.00\r\n"));
  EXPECT_NE(file.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Microsoft SQL "
                      "Server\\90\\Tools\\ClientSetup]\r\n"),
            std::string::npos);
  EXPECT_NE(file.find("\"Nivel\"=dword:0000000a"), std::string::npos);
  EXPECT_EQ(query(kClientSetup, "SQLPath"),
            std::string("C:\\Program Files\\Microsoft SQL Server\\90\\Tools\0", 47));
  EXPECT_EQ(query(kClientSetup, "Nivel"), std::string("\x0a\0\0\0", 4));
  EXPECT_EQ(query(kClientSetup, "Lista"), std::string("x\0y\0\0", 5));
  EXPECT_EQ(query(kClientSetup, "Texto"), std::string("con \"comillas\" y \\\0", 19));

  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(prefix.root())) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(std::count(names.begin(), names.end(), "updater.reg"), 1);
  for (const std::string& name : names) {
    EXPECT_FALSE(name.starts_with(".updater.reg")) << "temporary file left: " << name;
  }
}

TEST_F(RegFile, LongBinaryValuesWrapAndReadBack) {
  std::string bytes;
  for (int i = 0; i < 200; ++i) {
    bytes += static_cast<char>(i);
  }
  RegHandle handle = 0;
  bool created = false;
  ASSERT_EQ(registry.createKeyEx(reg::kLocalMachine, "SOFTWARE\\B", "", 0, reg::kAllAccess, handle,
                                 created),
            0);
  ASSERT_EQ(registry.setValueEx(handle, "datos", reg::kBinary, bytes), 0);
  registry.closeKey(handle);
  for (const std::string& line : [&] {
         std::vector<std::string> lines;
         std::string file = contents();
         for (size_t start = 0, end; (end = file.find("\r\n", start)) != std::string::npos;
              start = end + 2) {
           lines.push_back(file.substr(start, end - start));
         }
         return lines;
       }()) {
    EXPECT_LE(line.size(), 80u) << line;
  }
  EXPECT_EQ(query("SOFTWARE\\B", "datos"), bytes);
}

TEST_F(RegFile, CreateTellsWhetherTheKeyWasNew) {
  RegHandle handle = 0;
  bool created = false;
  ASSERT_EQ(registry.createKeyEx(reg::kLocalMachine, "SOFTWARE\\A\\B", "1", 0, reg::kSetValue,
                                 handle, created),
            0);
  EXPECT_TRUE(created);
  registry.closeKey(handle);
  ASSERT_EQ(registry.createKeyEx(reg::kLocalMachine, "software\\a\\b", "1", 0, reg::kSetValue,
                                 handle, created),
            0);
  EXPECT_FALSE(created);
  registry.closeKey(handle);
  EXPECT_NE(contents().find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\B]"), std::string::npos);
}

TEST_F(RegFile, AccessMaskLimitsWhatAHandleMayDo) {
  setSz("SOFTWARE\\T", "v", "x");
  RegHandle handle = 0;
  ASSERT_EQ(registry.openKeyEx(reg::kLocalMachine, "SOFTWARE\\T", reg::kEnumerateSubKeys, handle),
            0);
  std::string buffer(260, '\0');
  std::uint32_t size = 260;
  std::uint32_t type = 0;
  EXPECT_EQ(registry.queryValueEx(handle, "v", type, buffer, size), reg::kAccessDenied);
  EXPECT_EQ(registry.setValueEx(handle, "v", reg::kSz, "y"), reg::kAccessDenied);
  EXPECT_EQ(registry.closeKey(handle), reg::kSuccess);
  EXPECT_EQ(registry.closeKey(handle), reg::kInvalidHandle);
}

// A query of SOFTWARE\T into a buffer too small or for a value that is not there.
struct BufferCase {
  std::string name;
  std::string data;   // of the value "v"
  std::string value;  // the name queried
  std::string buffer;
  std::uint32_t type;  // as the caller's variable holds it
  long code;
  std::uint32_t size, typeAfter;  // as the call leaves them
  std::string bufferAfter;
};

class RegFileBuffers : public RegFile, public ::testing::WithParamInterface<BufferCase> {};

TEST_P(RegFileBuffers, FollowTheSizeRules) {
  const BufferCase& c = GetParam();
  setSz("SOFTWARE\\T", "v", c.data);
  RegHandle handle = 0;
  ASSERT_EQ(registry.openKey(reg::kLocalMachine, "SOFTWARE\\T", handle), 0);
  std::string buffer = c.buffer;
  auto size = static_cast<std::uint32_t>(buffer.size());
  std::uint32_t type = c.type;
  EXPECT_EQ(registry.queryValueEx(handle, c.value, type, buffer, size), c.code);
  EXPECT_EQ(size, c.size);
  EXPECT_EQ(type, c.typeAfter);
  EXPECT_EQ(buffer, c.bufferAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Queries, RegFileBuffers,
    ::testing::Values(BufferCase{"DataLargerThanTheBufferIsCutAndAsksForMore",
                                 std::string(300, 'a'), "v", std::string(260, '\0'), 0,
                                 reg::kMoreData, 301, reg::kSz, std::string(260, 'a')},
                      BufferCase{"MissingValueLeavesTheBufferUntouched", "x", "otro", "########",
                                 77, reg::kFileNotFound, 8, 77, "########"}),
    [](const auto& info) { return info.param.name; });

TEST_F(RegFile, EnumerationEndsWithNoMoreItems) {
  setSz("SOFTWARE\\T\\beta", "v", "x");
  setSz("SOFTWARE\\T\\Alfa", "v", "x");
  RegHandle handle = 0;
  ASSERT_EQ(registry.openKeyEx(reg::kLocalMachine, "SOFTWARE\\T", reg::kRead, handle), 0);
  std::vector<std::string> names;
  for (std::uint32_t index = 0;; ++index) {
    std::string name(260, ' ');
    std::string className(260, ' ');
    std::uint32_t nameSize = 260;
    std::uint32_t classSize = 260;
    long code = registry.enumKeyEx(handle, index, name, nameSize, className, classSize);
    if (code != reg::kSuccess) {
      EXPECT_EQ(code, reg::kNoMoreItems);
      break;
    }
    names.push_back(name.substr(0, nameSize));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Alfa", "beta"}));
}

TEST_F(RegFile, KeyWithSubKeysIsNotDeleted) {
  setSz("SOFTWARE\\T\\Hijo", "v", "x");
  EXPECT_EQ(registry.deleteKey(reg::kLocalMachine, "SOFTWARE\\T"), reg::kAccessDenied);
  EXPECT_EQ(registry.deleteKey(reg::kLocalMachine, "SOFTWARE\\T\\hijo"), reg::kSuccess);
  EXPECT_EQ(registry.deleteKey(reg::kLocalMachine, "SOFTWARE\\T\\hijo"), reg::kFileNotFound);
  EXPECT_EQ(contents().find("Hijo"), std::string::npos);
}

TEST_F(RegFile, ReadOnlyFileRefusesChangesAndStaysAsItWas) {
  setSz("SOFTWARE\\T", "v", "x");
  const std::string before = contents();
  ::chmod(path.c_str(), 0444);
  RegHandle handle = 0;
  ASSERT_EQ(registry.openKey(reg::kLocalMachine, "SOFTWARE\\T", handle), 0);
  EXPECT_EQ(registry.setValueEx(handle, "v", reg::kSz, "y"), reg::kAccessDenied);
  EXPECT_EQ(contents(), before);
}

// Opening a key reads the file once: what another program writes afterwards shows at the next
// open, while this object's own changes show at once.
TEST_F(RegFile, AnOpenKeyReadsTheFileAsItWasOpenedWithItsOwnChanges) {
  setSz("SOFTWARE\\T", "v", "x");
  RegHandle handle = 0;
  ASSERT_EQ(registry.openKey(reg::kLocalMachine, "SOFTWARE\\T", handle), 0);
  const auto read = [&](const std::string& name) {
    std::string buffer(8, '\0');
    std::uint32_t size = 8;
    std::uint32_t type = 0;
    registry.queryValueEx(handle, name, type, buffer, size);
    return buffer.substr(0, size);
  };
  write(
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\r\n"
      "\"v\"=\"otro\"\r\n");
  EXPECT_EQ(read("v"), std::string("x\0", 2));
  ASSERT_EQ(registry.setValueEx(handle, "w", reg::kSz, "nuevo"), 0);
  EXPECT_EQ(read("v"), std::string("otro\0", 5));
  EXPECT_EQ(read("w"), "nuevo");
}

TEST_F(RegFile, UnknownHandleIsRefused) {
  RegHandle handle = 0;
  EXPECT_EQ(registry.openKey(0x1234, "SOFTWARE", handle), reg::kInvalidHandle);
}

}  // namespace
}  // namespace fd::test
