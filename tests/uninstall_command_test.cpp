#include "removal/uninstall_command.h"

#include <gtest/gtest.h>

#include "tests/fake_platform.h"

namespace tarnweld {
namespace {

// Each path exists in the fake, so the status says which rule refused it.
TEST(CheckFile, NamesTheRuleThatRefusedThePath) {
  struct Case {
    std::wstring path;
    FileStatus status;
  };
  const Case cases[] = {
      {L"C:\\L.TXT", FileStatus::kFound},
      {L"\"C:\\L.TXT\"", FileStatus::kFound},
      // One quotation mark is no pair: another log than the stored one.
      {L"\"C:\\L.TXTX", FileStatus::kForbiddenCharacter},
      {L"\\\\.\\pipe\\W\\UNWISE.EXE", FileStatus::kNotFullyQualified},
      {L"\\\\?\\C:\\L.TXT", FileStatus::kForbiddenCharacter},
      {L"C:\\App\\COM0.LOG", FileStatus::kDevice},
      {L"C:\\App\\COM9", FileStatus::kDevice},
      {L"C:\\App\\LPT\x00B9", FileStatus::kDevice},
      {L"C:\\App\\COM\x00B3.LOG", FileStatus::kDevice},
      {L"C:\\App\\LPT\x00B2", FileStatus::kDevice},
      {L"C:\\App\\COM\x00B4", FileStatus::kFound},
      {L"C:\\App\\COMA", FileStatus::kFound},
  };
  for (const Case& c : cases) {
    fake::FakePlatform os;
    os.normal_files = {c.path, L"C:\\L.TXT", L"\\\\.\\pipe\\W\\UNWISE.EXE", L"C:\\L.TXTX"};
    if (c.path.front() == L'"') os.normal_files.insert(c.path.substr(1, c.path.size() - 2));
    EXPECT_EQ(CheckFile(os, c.path).status, c.status) << fake::Narrow(c.path);
  }
}

}  // namespace
}  // namespace tarnweld
