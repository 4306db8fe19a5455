#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace tarnweld::e2e {

// A fresh, empty folder C:\TarnweldE2E\<name>, removed again at the end.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& name);
  ~ScratchFolder();
  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

 private:
  std::wstring path_;
};

// An uninstall entry under HKLM\...\Uninstall, deleted again at the end.
class UninstallEntry {
 public:
  // `view`: 0 for the program's own, or KEY_WOW64_32KEY / KEY_WOW64_64KEY.
  explicit UninstallEntry(const std::wstring& name, REGSAM view = 0);
  // Any other value of the entry, as text.
  void SetText(const std::wstring& value_name, const std::wstring& value);
  ~UninstallEntry();
  void SetString(const std::wstring& value);
  // The value's bytes exactly as given, with any registry type.
  void SetRaw(DWORD type, const void* bytes, DWORD size);

 private:
  HKEY key_ = nullptr;
  std::wstring name_;
  REGSAM view_;
};

struct Record {
  std::wstring command_line;
  DWORD startup_flags = 0;
  unsigned show_window = 0;
  unsigned error_mode = 0;
  DWORD process_id = 0;
  long long started_at = 0;  // QueryPerformanceCounter
  std::wstring current_directory;
  std::wstring temp, tmp;  // the environment's TEMP and TMP
};

// How many times longer things take here than on the host under Wine:
// TARNWELD_E2E_TIME_SCALE, 1 when unset. An emulated guest starts processes
// several times more slowly, so every wait limit below, and every duration
// a test arranges or bounds, is stretched by it.
DWORD TimeScale();
inline DWORD Scaled(DWORD ms) { return ms * TimeScale(); }

// Copies the stand-in uninstaller to `path`, creating its folders.
void PlaceStandIn(const std::wstring& path, DWORD linger_ms = 0);
void WriteFile(const std::wstring& path, const std::string& content = "log\r\n");
void MakeFolders(const std::wstring& path);
// Lets Everyone change `path`, a file or folder, as `chmod o+w` does under
// Wine: an allow entry for Everyone added to its access list.
void LetEveryoneChange(const std::wstring& path);
// What the stand-in at `path` wrote when started; waits up to `wait_ms`,
// scaled.
std::optional<Record> ReadRecord(const std::wstring& path, DWORD wait_ms = 3000);

struct RunResult {
  DWORD exit_code = 0xFFFFFFFF;
  DWORD elapsed_ms = 0;     // from the start to the end, when finished
  long long exited_at = 0;  // ExitMoment, when finished
  bool finished = false;
  DWORD start_error = 0;  // of a failed start, also when a second try then worked
};

// When `process` ended, in 100 ns units of the system clock; 0 if unknown.
long long ExitMoment(HANDLE process);
// Waits for a process we did not start, by its identifier, up to
// `timeout_ms` scaled; when it ended.
long long MomentWhenEnded(DWORD process_id, DWORD timeout_ms);

// Starts a program with exactly `command_line` and waits for it.
class Process {
 public:
  Process(const std::wstring& program, const std::wstring& command_line,
          const std::wstring& current_directory = {});
  ~Process();
  // Waits up to `timeout_ms`, scaled.
  RunResult Wait(DWORD timeout_ms);
  // User plus kernel time the process has used so far, or -1 if unknown.
  double CpuMilliseconds() const;
  DWORD id() const { return info_.dwProcessId; }
  bool started() const { return started_; }

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
  DWORD start_error_ = 0;
  DWORD start_tick_ = 0;
};

// Text known to be ASCII, as the programs write it.
inline std::string Ascii(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// A console program's run: its exit code and what it wrote.
struct Captured {
  DWORD exit_code = 0xFFFFFFFF;
  std::string out, err;  // as written (UTF-8 when redirected)
};
Captured RunCaptured(const std::wstring& program, const std::wstring& tail);

// A run of a program under a debugger: what it sent to OutputDebugString;
// ended at the first line that holds `until`, where one is given.
std::vector<std::string> DebugStrings(const std::wstring& program, const std::wstring& tail,
                                      const std::string& until = {});

std::wstring TarnweldExe();
std::wstring CheckExe();
// The shipped 32-bit programs: where TARNWELD_SHIPPED_DIR says, else in
// ..\win32 beside this build folder.
std::wstring ReleaseCheckExe();
std::wstring ReleaseExe();
std::wstring StandInExe();
// Starts Tarnweld.exe with `tail` as the exact command-line tail.
RunResult RunTarnweld(const std::wstring& tail, DWORD timeout_ms = 15000);
std::wstring TarnweldCommandLine(const std::wstring& tail);

}  // namespace tarnweld::e2e
