#pragma once

#include <string_view>

// What the Wise installation system left behind: the names of its
// uninstaller, and where installations register themselves. Everything
// else takes them from here.
namespace tarnweld::wise {

// Wise's 32-bit uninstaller is usually renamed UNWISE.EXE at install time;
// some products register it under its own name. Matched in any letter case.
inline constexpr std::wstring_view kUninstaller = L"UNWISE.EXE";
inline constexpr std::wstring_view kUninstaller32 = L"UNWISE32.EXE";

// The machine's uninstall key, under HKEY_LOCAL_MACHINE; each entry is a
// subkey with an "UninstallString" value.
inline constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr wchar_t kUninstallValue[] = L"UninstallString";

}  // namespace tarnweld::wise
