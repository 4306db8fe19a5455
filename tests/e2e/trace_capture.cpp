// Runs a program under the e2e suite's small debugger and prints what it
// sent to OutputDebugString, one line each: how tools/demo shows Tarnweld's
// trace.
//   trace_capture PROGRAM TAIL...
#include <cstdio>
#include <string>

#include "tests/e2e/e2e_support.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: trace_capture PROGRAM TAIL...\n");
    return 2;
  }
  std::wstring tail;
  for (int i = 2; i < argc; ++i) tail += (i > 2 ? L" " : L"") + std::wstring(argv[i]);
  for (const std::string& line : tarnweld::e2e::DebugStrings(argv[1], tail)) {
    std::printf("%s\n", line.c_str());
  }
  return 0;
}
