#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/process_snapshot.h"

namespace tarnweld::platform::win {

// The text form of the user SID in `token` (opened for TOKEN_QUERY); empty,
// with `*error` set, when it cannot be read.
std::wstring TokenUserSid(HANDLE token, DWORD* error);

// Whom process `id` runs as: the process opened with query rights alone,
// its token for TOKEN_QUERY, both closed at once.
ProcessUser UserOfProcess(std::uint32_t id);

}  // namespace tarnweld::platform::win
