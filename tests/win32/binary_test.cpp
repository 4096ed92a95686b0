// Morlett.exe's version strings, read back the way Windows reads them.
#include <windows.h>

#include "win32_test_support.h"

namespace morlett::testing {
namespace {

TEST(MorlettExe, CarriesItsVersionStrings) {
  DWORD ignored = 0;
  std::vector<char> record(GetFileVersionInfoSizeA(morlettExe.c_str(), &ignored));
  ASSERT_TRUE(
      GetFileVersionInfoA(morlettExe.c_str(), 0, static_cast<DWORD>(record.size()), record.data()))
      << "no version record in " << morlettExe;
  const std::pair<const char*, const char*> strings[] = {
      {"FileVersion", "1.01"},    {"ProductVersion", "1.01"},  {"FileDescription", "Morlett v1.1"},
      {"ProductName", "Morlett"}, {"Comments", "Morlett 1.0"},
  };
  for (const auto& [name, value] : strings) {
    const std::string key = std::string("\\StringFileInfo\\040904b0\\") + name;
    char* found = nullptr;
    UINT length = 0;
    ASSERT_TRUE(
        VerQueryValueA(record.data(), key.c_str(), reinterpret_cast<void**>(&found), &length))
        << name;
    EXPECT_STREQ(found, value) << name;
  }
}

}  // namespace
}  // namespace morlett::testing
