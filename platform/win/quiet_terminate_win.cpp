#include "platform/win/quiet_terminate_win.h"

#include <windows.h>

// std::terminate's default handler in the static runtime. The library's own
// prints the exception to standard error and aborts, which in a GUI program
// shows a box; it also drags in a demangler. Ending quietly, with the
// program's own exit code for it, is all we want, and replacing the handler
// (rather than calling std::set_terminate) covers static constructors too.
namespace __gnu_cxx {
void __verbose_terminate_handler() { ::ExitProcess(tarnweld::platform::win::kExitCodeOnTerminate); }
}  // namespace __gnu_cxx
