#pragma once

namespace tarnweld::platform::win {

// The exit code when std::terminate ends the program; each program's entry
// defines it.
extern const unsigned kExitCodeOnTerminate;

}  // namespace tarnweld::platform::win
