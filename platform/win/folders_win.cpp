#include <windows.h>
// sddl.h must come after windows.h.
#include <sddl.h>

#include "platform/win/folders_win.h"
#include "platform/win/scoped_handle.h"
#include "platform/win/system_library_win.h"

namespace tarnweld::platform::win {
namespace {

constexpr std::size_t kRandomBytes = 16;

// RtlGenRandom, which advapi32.dll exports as SystemFunction036 and, from
// Windows 7 on, forwards to cryptbase.dll.
using GenRandom = BOOLEAN(WINAPI*)(PVOID, ULONG);

// 32 hexadecimal digits from the system's random number generator.
bool UnguessableName(std::wstring* name) {
  static const auto gen_random =
      SystemProcedure<GenRandom>(L"advapi32.dll", {L"cryptbase.dll"}, "SystemFunction036");
  unsigned char random[kRandomBytes];
  if (!gen_random || !gen_random(random, sizeof random)) return false;
  static const wchar_t kHex[] = L"0123456789abcdef";
  *name = L"Tarnweld-";
  for (const unsigned char byte : random) {
    *name += kHex[byte >> 4];
    *name += kHex[byte & 0xF];
  }
  return true;
}

}  // namespace

FolderMade PrivateFolders::MakePrivate(const std::wstring& parent, const std::wstring& caller_sid) {
  std::wstring name;
  if (!UnguessableName(&name)) return {{}, ERROR_GEN_FAILURE};
  // Protected: nothing inherited from the folder that holds it. Its
  // contents inherit these entries alone.
  std::wstring sddl = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
  if (!caller_sid.empty()) sddl += L"(A;OICI;FA;;;" + caller_sid + L")";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
    return {{}, ::GetLastError()};
  }
  const ScopedLocal owned(descriptor);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const std::wstring path = parent + L"\\" + name;
  // Fails on a folder that already exists: whoever made it chose its rights.
  if (!::CreateDirectoryW(path.c_str(), &attributes)) return {{}, ::GetLastError()};
  return {path, 0};
}

bool PrivateFolders::RemoveIfEmpty(const std::wstring& path) {
  return ::RemoveDirectoryW(path.c_str()) != FALSE;
}

}  // namespace tarnweld::platform::win
