#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/process_snapshot.h"

namespace tarnweld::platform::win {

// The text form of the user SID in `token` (opened for TOKEN_QUERY); empty,
// with `*error` set, when it cannot be read.
std::wstring TokenUserSid(HANDLE token, DWORD* error);

// Whom process `id` runs as: the process opened with query rights alone,
// its token for TOKEN_QUERY, both closed at once.
ProcessUser UserOfProcess(std::uint32_t id);

// How long process `id` has run, its session and, where the system gives it
// without reading the process's memory (Windows 8.1 and later), its command
// line: each asked with query rights alone.
std::optional<std::uint64_t> RunTimeOfProcess(std::uint32_t id);
std::optional<std::uint32_t> SessionOfProcess(std::uint32_t id);
std::optional<std::uint32_t> SessionOfThisProcess();
std::optional<std::wstring> CommandLineOfProcess(std::uint32_t id);

}  // namespace tarnweld::platform::win
