#pragma once

#include <windows.h>

#include <string>

namespace tarnweld::platform::win {

// The text form of the user SID in `token` (opened for TOKEN_QUERY); empty,
// with `*error` set, when it cannot be read.
std::wstring TokenUserSid(HANDLE token, DWORD* error);

}  // namespace tarnweld::platform::win
