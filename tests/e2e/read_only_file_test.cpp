// The one place TarnweldCheck.exe opens a file, and the hash made through it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/win/file_digest_win.h"
#include "platform/win/read_only_file_win.h"
#include "tests/e2e/entry_fixture.h"

namespace tarnweld::e2e {
namespace {

class ReadOnlyFile : public EntryFixture {};

TEST_F(ReadOnlyFile, ReadsNormalFilesOnlyAndLetsNoOneWriteMeanwhile) {
  const std::wstring file = folder_ / L"INSTALL.LOG";
  WriteFile(file, std::string(200000, 'x'));
  struct Case {
    const char* what;
    std::wstring path;
    const char* sha256;  // empty: not read
  };
  WriteFile(folder_ / L"ABC.LOG", "abc");
  WriteFile(folder_ / L"EMPTY.LOG", "");
  const Case cases[] = {
      {"a file read in several pieces", file,
       "91e3faafd322bcdf160f3f0ce886acb092b9b9e2a1e8526b40f21a8898a8700b"},
      {"three bytes", folder_ / L"ABC.LOG",
       "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"nothing", folder_ / L"EMPTY.LOG",
       "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"a folder", folder_.path(), ""},
      {"no such file", folder_ / L"GONE.LOG", ""},
  };
  platform::win::CryptoDigest digest;
  for (const Case& c : cases) {
    EXPECT_EQ(Ascii(digest.Sha256(c.path)), c.sha256) << c.what;
  }

  // While it is open, others may read or delete it, but not write it.
  {
    platform::win::ReadOnlyFile open(file);
    ASSERT_TRUE(open.IsOpen()) << open.error();
    HANDLE writer = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  }
  // And while someone writes it, it is not read.
  HANDLE writer = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  platform::win::ReadOnlyFile busy(file);
  EXPECT_FALSE(busy.IsOpen());
  EXPECT_EQ(busy.error(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(writer);
}

// What lies below a folder others could change need not be what the
// uninstaller would get: only files below trusted folders are read.
TEST_F(ReadOnlyFile, TheCheckHashesFilesOnlyBelowFoldersOnlyAdministratorsCanChange) {
  const std::wstring unwise = folder_ / L"App\\UNWISE.EXE";
  const std::wstring log = folder_ / L"App\\INSTALL.LOG";
  Install(unwise, log);
  WriteFile(log, "log\r\n");
  SetFileAttributesW(unwise.c_str(), FILE_ATTRIBUTE_READONLY);
  const Captured run = RunCaptured(CheckExe(), L"/json " + Tail());
  EXPECT_EQ(run.exit_code, 0u) << run.err;
  const auto json = nlohmann::json::parse(run.out);
  const std::string sha = json["uninstallerSha256"];
  EXPECT_EQ(sha.size(), 64u);
  EXPECT_EQ(sha.find_first_not_of("0123456789abcdef"), std::string::npos) << sha;
  EXPECT_FALSE(json["logSha256"].is_null());

  LetEveryoneChange(folder_ / L"App");
  const Captured open = RunCaptured(CheckExe(), L"/json " + Tail());
  EXPECT_EQ(open.exit_code, 16u) << open.err;
  EXPECT_TRUE(nlohmann::json::parse(open.out)["uninstallerSha256"].is_null());
  const Captured text = RunCaptured(CheckExe(), Tail());
  EXPECT_NE(text.out.find("uninstaller [" + Ascii(unwise) + "]: not read for its SHA-256"),
            std::string::npos)
      << text.out;
  SetFileAttributesW(unwise.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace tarnweld::e2e
