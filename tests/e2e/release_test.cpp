// The version record of the shipped 32-bit program, read back the way
// Explorer and inventory tools read it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace tarnweld::e2e {
namespace {

struct Program {
  std::wstring exe;
  std::wstring name;  // Tarnweld or TarnweldCheck
  std::wstring comments;
};

class VersionRecord : public ::testing::TestWithParam<Program> {
 protected:
  void SetUp() override {
    const std::wstring& exe = GetParam().exe;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version record in the executable";
    data_.resize(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, data_.data()));
  }

  std::wstring String(const std::wstring& name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = L"\\StringFileInfo\\040904B0\\" + name;
    if (!VerQueryValueW(data_.data(), path.c_str(), &value, &length) || length == 0) {
      return L"<missing>";
    }
    return std::wstring(static_cast<const wchar_t*>(value), length - 1);
  }

  std::vector<unsigned char> data_;
};

TEST_P(VersionRecord, MatchesTheProductExactly) {
  EXPECT_EQ(String(L"FileVersion"), L"1.00.0001");
  EXPECT_EQ(String(L"ProductVersion"), L"1.00.0001");
  EXPECT_EQ(String(L"Comments"), GetParam().comments);
  EXPECT_EQ(String(L"ProductName"), L"Tarnweld");
  EXPECT_EQ(String(L"InternalName"), GetParam().name);
  EXPECT_EQ(String(L"OriginalFilename"), GetParam().name + L".exe");

  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  const auto* translation = static_cast<const WORD*>(value);
  EXPECT_EQ(translation[0], 0x0409);
  EXPECT_EQ(translation[1], 1200);

  ASSERT_TRUE(VerQueryValueW(data_.data(), L"\\", &value, &length));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(1, 0));
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 1));
  EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(1, 0));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

// The manifest as the loader finds it: resource 1 of type RT_MANIFEST.
TEST_P(VersionRecord, ManifestAsksForNoElevationAndNoVirtualization) {
  const HMODULE image = LoadLibraryExW(GetParam().exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(image, nullptr);
  const HRSRC resource = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(resource, nullptr);
  const auto* bytes = static_cast<const char*>(LockResource(LoadResource(image, resource)));
  const std::string manifest(bytes, SizeofResource(image, resource));
  FreeLibrary(image);
  EXPECT_NE(manifest.find("<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">"),
            std::string::npos);
  EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"),
            std::string::npos);
}

std::string BuildName(std::size_t index) {
  static const char* const kNames[] = {"win32", "win64", "check_win32", "check_win64"};
  return kNames[index];
}

const wchar_t kRemove[] = L"Remove old Wise Installations";
const wchar_t kExplain[] = L"Explain and list what Tarnweld would remove";

INSTANTIATE_TEST_SUITE_P(Release, VersionRecord,
                         ::testing::Values(Program{ReleaseExe(), L"Tarnweld", kRemove},
                                           Program{TarnweldExe(), L"Tarnweld", kRemove},
                                           Program{ReleaseCheckExe(), L"TarnweldCheck", kExplain},
                                           Program{CheckExe(), L"TarnweldCheck", kExplain}),
                         [](const auto& info) { return BuildName(info.index); });

}  // namespace
}  // namespace tarnweld::e2e
