// What Morlett.exe carries, read back the way Windows reads it: the version record, the
// icon and the manifest.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include <string>
#include <vector>

namespace {

std::string program;  // the path of Morlett.exe, from the command line

std::vector<char> VersionRecord() {
  DWORD ignored = 0;
  std::vector<char> record(GetFileVersionInfoSizeA(program.c_str(), &ignored));
  if (!record.empty() &&
      !GetFileVersionInfoA(program.c_str(), 0, static_cast<DWORD>(record.size()), record.data())) {
    record.clear();
  }
  return record;
}

std::string VersionString(const std::vector<char>& record, const std::string& name) {
  void* value = nullptr;
  UINT length = 0;
  const std::string key = "\\StringFileInfo\\040904b0\\" + name;
  if (!VerQueryValueA(record.data(), key.c_str(), &value, &length) || length == 0) return {};
  return std::string(static_cast<const char*>(value), length - 1);  // without the NUL
}

TEST(MorlettExe, CarriesItsVersionStrings) {
  const std::vector<char> record = VersionRecord();
  ASSERT_FALSE(record.empty()) << "no version record in " << program;
  const struct {
    const char* name;
    const char* value;
  } strings[] = {
      {"FileVersion", "1.01"},    {"ProductVersion", "1.01"},  {"FileDescription", "Morlett v1.1"},
      {"ProductName", "Morlett"}, {"Comments", "Morlett 1.0"},
  };
  for (const auto& s : strings) EXPECT_EQ(VersionString(record, s.name), s.value) << s.name;
}

class MorlettExeResources : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(module, nullptr) << program; }
  void TearDown() override { FreeLibrary(module); }

  std::string_view Resource(LPCSTR type, LPCSTR name) const {
    const HRSRC found = FindResourceA(module, name, type);
    if (!found) return {};
    return {static_cast<const char*>(LockResource(LoadResource(module, found))),
            SizeofResource(module, found)};
  }

  const HMODULE module = LoadLibraryExA(program.c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
};

// The first icon group is the program file's icon: the bulb, 32 and 16 pixels.
TEST_F(MorlettExeResources, TheProgramIconHoldsBothBulbImages) {
#pragma pack(push, 2)
  struct IconDirectoryEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
  };
#pragma pack(pop)
  const std::string_view group = Resource(MAKEINTRESOURCEA(14), MAKEINTRESOURCEA(1));
  ASSERT_GE(group.size(), 6u);
  const WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
  ASSERT_EQ(group.size(), 6 + count * sizeof(IconDirectoryEntry));
  std::vector<int> sizes;
  for (WORD i = 0; i < count; ++i) {
    const auto* entry = reinterpret_cast<const IconDirectoryEntry*>(group.data() + 6) + i;
    sizes.push_back(entry->width);
  }
  EXPECT_EQ(sizes, (std::vector<int>{32, 16}));
}

TEST_F(MorlettExeResources, TheManifestAsksForWhatTheWindowNeeds) {
  const std::string manifest(Resource(MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1)));
  for (const char* wanted : {"Microsoft.Windows.Common-Controls", "PerMonitorV2", "asInvoker",
                             "<activeCodePage", ">UTF-8<"}) {
    EXPECT_NE(manifest.find(wanted), std::string::npos) << wanted;
  }
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <path of Morlett.exe>\n", argv[0]);
    return 2;
  }
  program = argv[1];
  return RUN_ALL_TESTS();
}
