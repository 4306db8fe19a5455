#pragma once

#include <string_view>

#include "core/text.h"

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

// Whether `command` names either uninstaller anywhere, in any letter case.
inline bool NamesUninstaller(std::wstring_view command) {
  return text::FindIgnoringAsciiCase(command, kUninstaller) != std::wstring_view::npos ||
         text::FindIgnoringAsciiCase(command, kUninstaller32) != std::wstring_view::npos;
}

}  // namespace tarnweld::wise
