#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/win32/Win32Registry.h"
#include "support/clsRegistro.h"

namespace fd::test {
namespace {

// Every test works below a key of its own in HKEY_CURRENT_USER, removed afterwards.
class Win32RegistryTest : public ::testing::Test {
 protected:
  Win32RegistryTest()
      : key_("Software\\fd-win32-test-" + std::to_string(GetCurrentProcessId()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name()) {}
  ~Win32RegistryTest() override { RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str()); }

  std::string key(const std::string& below = "") const {
    return below.empty() ? key_ : key_ + "\\" + below;
  }

  static constexpr std::int32_t kCurrentUser = static_cast<std::int32_t>(reg::kCurrentUser);
  Win32Registry registry;
  clsRegistro registro{registry};

 private:
  std::string key_;
};

TEST_F(Win32RegistryTest, AStringValueRoundTripsThroughClsRegistro) {
  registro.SetRegistryValue(key("Tools"), "SQLPath", "C:\\Archivos de programa\\SQL", kCurrentUser);
  EXPECT_EQ(registro.GetRegistryValue(key("tools"), "sqlpath", kCurrentUser),
            RegVariant("C:\\Archivos de programa\\SQL"));
}

TEST_F(Win32RegistryTest, ADwordIsWrittenFromTextAndReadAsAmpersandHText) {
  registro.SetRegistryValue(key(), "Decimal", "255", kCurrentUser, reg::kDword);
  registro.SetRegistryValue(key(), "Hex", "&H1F", kCurrentUser, reg::kDword);
  EXPECT_EQ(registro.GetRegistryValue(key(), "Decimal", kCurrentUser), RegVariant("&HFF"));
  EXPECT_EQ(registro.GetRegistryValue(key(), "Hex", kCurrentUser), RegVariant("&H1F"));
  DWORD stored = 0;
  DWORD size = sizeof stored;
  ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, key().c_str(), "Decimal", RRF_RT_REG_DWORD, nullptr,
                         &stored, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(stored, 255u);
}

TEST_F(Win32RegistryTest, AMissingValueIsTheEmptyStringAndAMissingKeyIsEmpty) {
  registro.SetRegistryValue(key(), "Present", "x", kCurrentUser);
  EXPECT_EQ(registro.GetRegistryValue(key(), "Absent", kCurrentUser), RegVariant(""));
  EXPECT_TRUE(registro.GetRegistryValue(key("none"), "Absent", kCurrentUser).isEmpty());
}

TEST_F(Win32RegistryTest, ValuesAndKeysAreEnumeratedWithTheirTypes) {
  registro.SetRegistryValue(key(), "Name", "texto", kCurrentUser);
  registro.SetRegistryValue(key(), "Count", "&H10", kCurrentUser, reg::kDword);
  registro.SetRegistryValue(key("Beta"), "x", "1", kCurrentUser);
  registro.SetRegistryValue(key("alpha"), "x", "1", kCurrentUser);

  RegVariant values = registro.EnumerateRegistryValues(key(), kCurrentUser);
  ASSERT_EQ(values.items().size(), 2u);
  std::vector<std::string> seen;
  for (const RegVariant& value : values.items()) {
    seen.push_back(value.item(0).text() + "=" + value.item(1).text() + ":" + value.item(2).text());
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{"Count=&H10:REG_DWORD", "Name=texto:REG_SZ"}));

  RegVariant keys = registro.EnumerateRegistryKeys(key(), kCurrentUser);
  ASSERT_EQ(keys.items().size(), 2u);
  EXPECT_EQ(keys.item(1).item(0).text(), "alpha");
  EXPECT_EQ(keys.item(2).item(0).text(), "Beta");
}

TEST_F(Win32RegistryTest, DeletingAKeyWithSubKeysIsRefused) {
  registro.SetRegistryValue(key("Parent\\Child"), "x", "1", kCurrentUser);
  EXPECT_FALSE(registro.DeleteRegistryKey(key("Parent"), kCurrentUser));
  EXPECT_TRUE(registro.DeleteRegistryKey(key("Parent\\Child"), kCurrentUser));
  EXPECT_TRUE(registro.DeleteRegistryKey(key("Parent"), kCurrentUser));
  EXPECT_TRUE(registro.EnumerateRegistryKeys(key("Parent"), kCurrentUser).isEmpty());
}

TEST_F(Win32RegistryTest, DeleteValueRemovesOnlyThatValue) {
  registro.SetRegistryValue(key(), "Keep", "1", kCurrentUser);
  registro.SetRegistryValue(key(), "Drop", "2", kCurrentUser);
  EXPECT_TRUE(registro.DeleteRegistryValue(key(), "Drop", kCurrentUser));
  EXPECT_FALSE(registro.DeleteRegistryValue(key(), "Drop", kCurrentUser));
  EXPECT_EQ(registro.GetRegistryValue(key(), "Keep", kCurrentUser), RegVariant("1"));
}

TEST_F(Win32RegistryTest, DataLargerThanTheBufferGivesMoreDataWithThePartThatFits) {
  registro.SetRegistryValue(key(), "Long", "0123456789", kCurrentUser);
  RegHandle handle = 0;
  ASSERT_EQ(registry.openKeyEx(reg::kCurrentUser, key(), reg::kRead, handle), reg::kSuccess);
  std::string buffer(4, '.');
  std::uint32_t size = 4;
  std::uint32_t type = 0;
  EXPECT_EQ(registry.queryValueEx(handle, "Long", type, buffer, size), reg::kMoreData);
  EXPECT_EQ(buffer, "0123");
  EXPECT_GE(size, 10u);  // with or without the NUL the system may have added
  EXPECT_EQ(type, reg::kSz);
  EXPECT_EQ(registry.closeKey(handle), reg::kSuccess);
}

TEST_F(Win32RegistryTest, AHandleThatIsNotOpenIsInvalid) {
  RegHandle handle = 0;
  EXPECT_EQ(registry.closeKey(12345), reg::kInvalidHandle);
  EXPECT_EQ(registry.openKey(12345, "x", handle), reg::kInvalidHandle);
  EXPECT_EQ(registry.openKey(reg::kCurrentUser, key("missing"), handle), reg::kFileNotFound);
}

}  // namespace
}  // namespace fd::test
