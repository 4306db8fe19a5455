#include "tests/e2e/e2e_support.h"

#include <aclapi.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/wise.h"

namespace tarnweld::e2e {
namespace {

// The key of the uninstall entry `name`.
std::wstring EntryKey(const std::wstring& name) {
  return std::wstring(wise::kUninstallKey) + L"\\" + name;
}

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

std::wstring ExeDirectory() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return Folder(std::wstring(path, length));
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
}

std::wstring FromUtf8(const std::string& text) {
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(length, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

}  // namespace

DWORD TimeScale() {
  static const DWORD scale = [] {
    const char* text = std::getenv("TARNWELD_E2E_TIME_SCALE");
    const long value = text ? std::strtol(text, nullptr, 10) : 1;
    return static_cast<DWORD>(value >= 1 && value <= 20 ? value : 1);
  }();
  return scale;
}

ScratchFolder::ScratchFolder(const std::wstring& name) : path_(L"C:\\TarnweldE2E\\" + name) {
  RemoveTree(path_);
  MakeFolders(path_);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

UninstallEntry::UninstallEntry(const std::wstring& name, REGSAM view) : name_(name), view_(view) {
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, EntryKey(name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                  nullptr, &key_, nullptr);
}

UninstallEntry::~UninstallEntry() {
  if (key_) RegCloseKey(key_);
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, EntryKey(name_).c_str(), view_, 0);
}

void UninstallEntry::SetText(const std::wstring& value_name, const std::wstring& value) {
  RegSetValueExW(key_, value_name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void UninstallEntry::SetString(const std::wstring& value) {
  SetRaw(REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void UninstallEntry::SetRaw(DWORD type, const void* bytes, DWORD size) {
  RegSetValueExW(key_, L"UninstallString", 0, type, static_cast<const BYTE*>(bytes), size);
}

void MakeFolders(const std::wstring& path) {
  for (std::size_t at = path.find(L'\\', 3); at != std::wstring::npos;
       at = path.find(L'\\', at + 1)) {
    CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  }
  CreateDirectoryW(path.c_str(), nullptr);
}

void LetEveryoneChange(const std::wstring& path) {
  PACL old_list = nullptr, new_list = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                        &old_list, nullptr, &descriptor);
  wchar_t everyone[] = L"EVERYONE";
  EXPLICIT_ACCESSW access{};
  access.grfAccessPermissions = GENERIC_ALL;
  access.grfAccessMode = GRANT_ACCESS;
  access.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
  access.Trustee.ptstrName = everyone;
  if (SetEntriesInAclW(1, &access, old_list, &new_list) == ERROR_SUCCESS) {
    SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                          DACL_SECURITY_INFORMATION, nullptr, nullptr, new_list, nullptr);
    LocalFree(new_list);
  }
  LocalFree(descriptor);
}

void WriteFile(const std::wstring& path, const std::string& content) {
  MakeFolders(Folder(path));
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (!out) {
    // A file a test meant to write and could not would pass it on stale
    // content; say so where it happens.
    const DWORD error = GetLastError();
    ADD_FAILURE() << "cannot write " << Ascii(path) << ": error " << error;
    return;
  }
  std::fwrite(content.data(), 1, content.size(), out);
  std::fclose(out);
}

void PlaceStandIn(const std::wstring& path, DWORD linger_ms) {
  MakeFolders(Folder(path));
  if (!CopyFileW(StandInExe().c_str(), path.c_str(), FALSE)) {
    const DWORD error = GetLastError();
    ADD_FAILURE() << "cannot place the stand-in at " << Ascii(path) << ": error " << error;
  }
  if (linger_ms) WriteFile(Folder(path) + L"\\linger-ms.txt", std::to_string(linger_ms));
}

std::optional<Record> ReadRecord(const std::wstring& path, DWORD wait_ms) {
  const std::wstring record_path = path + L".record";
  const DWORD start = GetTickCount();
  FILE* in = nullptr;
  while (!(in = _wfopen(record_path.c_str(), L"rb"))) {
    if (GetTickCount() - start >= Scaled(wait_ms)) return std::nullopt;
    Sleep(20);
  }
  std::string content;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
    content.append(buffer, n);
  std::fclose(in);
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = content.find('\n', at)) != std::string::npos; at = end + 1) {
    lines.push_back(content.substr(at, end - at));
  }
  if (lines.size() < 6) return std::nullopt;
  Record record;
  record.command_line = FromUtf8(lines[0]);
  record.startup_flags = std::stoul(lines[1]);
  record.show_window = std::stoul(lines[2]);
  record.error_mode = std::stoul(lines[3]);
  record.process_id = std::stoul(lines[4]);
  record.started_at = std::stoll(lines[5]);
  if (lines.size() > 6) record.current_directory = FromUtf8(lines[6]);
  if (lines.size() > 8) {
    record.temp = FromUtf8(lines[7]);
    record.tmp = FromUtf8(lines[8]);
  }
  return record;
}

Process::Process(const std::wstring& program, const std::wstring& command_line,
                 const std::wstring& current_directory) {
  std::vector<wchar_t> line(command_line.begin(), command_line.end());
  line.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  // Once, on a loaded machine, Wine failed to create a process at all;
  // that is the harness's trouble, not the program's: one more try, and the
  // error kept for the test's message.
  for (int attempt = 0; attempt < 2 && !started_; ++attempt) {
    if (attempt > 0) Sleep(200);
    start_tick_ = GetTickCount();
    started_ = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              current_directory.empty() ? nullptr : current_directory.c_str(),
                              &startup, &info_) != FALSE;
    if (!started_) start_error_ = GetLastError();
  }
}

Process::~Process() {
  if (!started_) return;
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 1);
  CloseHandle(info_.hProcess);
  CloseHandle(info_.hThread);
}

long long FileTimeValue(const FILETIME& t) {
  return static_cast<long long>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                t.dwLowDateTime);
}

long long ExitMoment(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return FileTimeValue(exited);
}

long long MomentWhenEnded(DWORD process_id, DWORD timeout_ms) {
  const HANDLE process =
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id);
  if (!process) return 0;
  WaitForSingleObject(process, Scaled(timeout_ms));
  const long long moment = ExitMoment(process);
  CloseHandle(process);
  return moment;
}

// Elapsed time comes from the process's own start and end, not from when
// the caller got round to asking.
RunResult Process::Wait(DWORD timeout_ms) {
  RunResult run;
  run.start_error = start_error_;
  if (!started_) return run;
  run.finished = WaitForSingleObject(info_.hProcess, Scaled(timeout_ms)) == WAIT_OBJECT_0;
  run.elapsed_ms = GetTickCount() - start_tick_;
  GetExitCodeProcess(info_.hProcess, &run.exit_code);
  FILETIME created, exited, kernel, user;
  if (run.finished && GetProcessTimes(info_.hProcess, &created, &exited, &kernel, &user)) {
    run.exited_at = FileTimeValue(exited);
    run.elapsed_ms = static_cast<DWORD>((run.exited_at - FileTimeValue(created)) / 10000);
  }
  return run;
}

double Process::CpuMilliseconds() const {
  FILETIME created, exited, kernel, user;
  if (!started_ || !GetProcessTimes(info_.hProcess, &created, &exited, &kernel, &user)) return -1;
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;  // 100 ns units
}

std::wstring TarnweldExe() { return ExeDirectory() + L"\\Tarnweld.exe"; }
std::wstring CheckExe() { return ExeDirectory() + L"\\TarnweldCheck.exe"; }
namespace {
// The shipped build's folder: as CTest names it, or beside this program's
// own (as in the guest).
std::wstring ShippedDirectory() {
  wchar_t named[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"TARNWELD_SHIPPED_DIR", named, MAX_PATH);
  if (length > 0 && length < MAX_PATH) return named;
  return Folder(ExeDirectory()) + L"\\win32";
}
}  // namespace
std::wstring ReleaseCheckExe() { return ShippedDirectory() + L"\\TarnweldCheck.exe"; }
std::wstring ReleaseExe() { return ShippedDirectory() + L"\\Tarnweld.exe"; }
std::wstring StandInExe() { return ExeDirectory() + L"\\stand_in_uninstaller.exe"; }

std::wstring TarnweldCommandLine(const std::wstring& tail) {
  return L"\"" + TarnweldExe() + L"\" " + tail;
}

RunResult RunTarnweld(const std::wstring& tail, DWORD timeout_ms) {
  Process tarnweld(TarnweldExe(), TarnweldCommandLine(tail));
  return tarnweld.Wait(timeout_ms);
}

}  // namespace tarnweld::e2e

namespace tarnweld::e2e {
namespace {

std::string ReadWhole(const std::wstring& path) {
  std::string content;
  FILE* in = _wfopen(path.c_str(), L"rb");
  if (!in) return content;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
    content.append(buffer, n);
  std::fclose(in);
  return content;
}

HANDLE InheritableFile(const std::wstring& path) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

Captured RunCaptured(const std::wstring& program, const std::wstring& tail) {
  // A folder per run: Wine's console host may hold the last run's files open
  // for a moment after the program has ended.
  static int runs = 0;
  const ScratchFolder folder(L"captured" + std::to_wstring(++runs));
  const std::wstring out_path = folder / L"out.txt", err_path = folder / L"err.txt";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = InheritableFile(out_path);
  startup.hStdError = InheritableFile(err_path);
  std::wstring line = L"\"" + program + L"\" " + tail;
  PROCESS_INFORMATION info{};
  Captured captured;
  if (CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                     nullptr, &startup, &info)) {
    WaitForSingleObject(info.hProcess, Scaled(30000));
    GetExitCodeProcess(info.hProcess, &captured.exit_code);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
  }
  CloseHandle(startup.hStdOutput);
  CloseHandle(startup.hStdError);
  captured.out = ReadWhole(out_path);
  captured.err = ReadWhole(err_path);
  return captured;
}

std::vector<std::string> DebugStrings(const std::wstring& program, const std::wstring& tail,
                                      const std::string& until) {
  std::vector<std::string> strings;
  std::wstring line = L"\"" + program + L"\" " + tail;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS,
                      nullptr, nullptr, &startup, &info)) {
    return strings;
  }
  for (bool running = true; running;) {
    DEBUG_EVENT event{};
    if (!WaitForDebugEvent(&event, 30000)) break;
    DWORD status = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case OUTPUT_DEBUG_STRING_EVENT: {
        const OUTPUT_DEBUG_STRING_INFO& text = event.u.DebugString;
        // Wine hands a debugger the ANSI form even of OutputDebugStringW.
        const std::size_t units = text.nDebugStringLength;
        const std::size_t unit_size = text.fUnicode ? sizeof(wchar_t) : 1;
        std::vector<char> bytes(units * unit_size);
        SIZE_T read = 0;
        ReadProcessMemory(info.hProcess, text.lpDebugStringData, bytes.data(), bytes.size(), &read);
        std::string string;
        if (text.fUnicode) {
          for (std::size_t i = 0; i + 1 < read; i += 2) string += bytes[i];
        } else {
          string.assign(bytes.data(), read);
        }
        while (!string.empty() && string.back() == '\0') string.pop_back();
        strings.push_back(string);
        if (!until.empty() && string.find(until) != std::string::npos) {
          TerminateProcess(info.hProcess, 1);
        }
        break;
      }
      case CREATE_PROCESS_DEBUG_EVENT:
        CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        CloseHandle(event.u.LoadDll.hFile);
        break;
      case EXCEPTION_DEBUG_EVENT:
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
          status = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        running = false;
        break;
      default:
        break;
    }
    ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
  }
  WaitForSingleObject(info.hProcess, 30000);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return strings;
}

}  // namespace tarnweld::e2e
