// Stands in for UNWISE.EXE: writes down how it was started, next to itself
// as "<own path>.record", then lingers for as many milliseconds as the file
// "linger-ms.txt" beside it says (none when absent), and writes the moment
// it ends to "<own path>.exit". Moments are QueryPerformanceCounter readings.
// The record ends with the TEMP and TMP it was given. Each start also adds a
// line to "<own path>.starts".
// When the file "handoff.txt" lies beside it, it hands its work off as a
// real Wise uninstaller does: copies itself to GLB1A2B.EXE beside itself,
// starts the copy with its own arguments and ends at once; the copy works.
// When "remove-entry.txt" lies beside it, naming an uninstall entry, it
// deletes that entry when its work is done, as a real uninstaller does.
// As real Wise uninstallers were seen to do: with "z-copy.txt" beside it,
// just before it exits it starts a copy of itself as %TEMP%\GLB1a2b.EXE /z
// <own path> <own folder>\, which ends 150 ms later; with "check-log.txt"
// beside it, given a log whose line ends are not all CRLF, it shows a message
// box "Invalid INSTALL.LOG file." and waits for its button.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(bytes > 0 ? bytes - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], bytes, nullptr, nullptr);
  return utf8;
}

std::string Variable(const wchar_t* name) {
  wchar_t value[MAX_PATH * 4] = L"";
  GetEnvironmentVariableW(name, value, MAX_PATH * 4);
  return Utf8(value);
}

std::wstring OwnPath() {
  wchar_t path[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  return std::wstring(path, length);
}

DWORD LingerMilliseconds(const std::wstring& own_path) {
  const std::wstring file = own_path.substr(0, own_path.find_last_of(L'\\') + 1) + L"linger-ms.txt";
  FILE* in = _wfopen(file.c_str(), L"r");
  if (!in) return 0;
  unsigned long ms = 0;
  if (std::fscanf(in, "%lu", &ms) != 1) ms = 0;
  std::fclose(in);
  return ms;
}

constexpr wchar_t kHandOffName[] = L"GLB1A2B.EXE";

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

bool HandsOff(const std::wstring& own_path) {
  const std::wstring name = own_path.substr(own_path.find_last_of(L'\\') + 1);
  return _wcsicmp(name.c_str(), kHandOffName) != 0 &&
         GetFileAttributesW((Folder(own_path) + L"\\handoff.txt").c_str()) !=
             INVALID_FILE_ATTRIBUTES;
}

// Starts a copy of this program with the arguments this one was given.
void HandOff(const std::wstring& own_path) {
  const std::wstring copy = Folder(own_path) + L"\\" + kHandOffName;
  CopyFileW(own_path.c_str(), copy.c_str(), FALSE);
  const wchar_t* line = GetCommandLineW();
  const wchar_t* arguments =
      line[0] == L'"' ? std::wcschr(line + 1, L'"') : std::wcschr(line, L' ');
  std::wstring copy_line = L"\"" + copy + L"\"";
  if (arguments) copy_line += arguments + (line[0] == L'"' ? 1 : 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (CreateProcessW(copy.c_str(), &copy_line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &started)) {
    CloseHandle(started.hProcess);
    CloseHandle(started.hThread);
  }
}

bool Beside(const std::wstring& own_path, const wchar_t* name) {
  return GetFileAttributesW((Folder(own_path) + L"\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The log after " /a " on the command line, without its quotation marks.
std::wstring LogOf(const wchar_t* line) {
  const wchar_t* log = std::wcsstr(line, L" /a ");
  std::wstring path = log ? log + 4 : L"";
  if (path.size() > 1 && path.front() == L'"') path = path.substr(1, path.find(L'"', 1) - 1);
  return path;
}

bool LineEndsAllCrlf(const std::wstring& log) {
  FILE* in = _wfopen(log.c_str(), L"rb");
  if (!in) return false;
  std::string bytes;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) bytes.append(buffer, n);
  std::fclose(in);
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    if (bytes[at] == '\n' && (at == 0 || bytes[at - 1] != '\r')) return false;
    if (bytes[at] == '\r' && (at + 1 == bytes.size() || bytes[at + 1] != '\n')) return false;
  }
  return !bytes.empty();
}

// The copy a real uninstaller starts just before it exits, in its TEMP.
void StartZCopy(const std::wstring& own_path) {
  wchar_t temp[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, temp);
  const std::wstring copy = std::wstring(temp) + L"GLB1a2b.EXE";
  CopyFileW(own_path.c_str(), copy.c_str(), FALSE);
  std::wstring line = L"\"" + copy + L"\" /z " + own_path + L" " + Folder(own_path) + L"\\";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (CreateProcessW(copy.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &started)) {
    CloseHandle(started.hProcess);
    CloseHandle(started.hThread);
  }
}

// The uninstall entry named in "remove-entry.txt" beside this program, if any.
void RemoveEntry(const std::wstring& own_path) {
  FILE* in = _wfopen((Folder(own_path) + L"\\remove-entry.txt").c_str(), L"r");
  if (!in) return;
  char name[256] = {};
  const bool read = std::fgets(name, sizeof name, in) != nullptr;
  std::fclose(in);
  if (!read) return;
  std::string entry(name);
  while (!entry.empty() && (entry.back() == '\n' || entry.back() == '\r')) entry.pop_back();
  const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + entry;
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
}

}  // namespace

long long Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const long long started = Now();
  const std::wstring own_path = OwnPath();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  // UTF-8 record: the command line, the start-up flags and show command,
  // the process error mode it was given, its id, when it started, and its
  // current directory, and its TEMP and TMP.
  const UINT error_mode = SetErrorMode(0);
  if (FILE* starts = _wfopen((own_path + L".starts").c_str(), L"ab")) {
    std::fprintf(starts, "%lu\n", GetCurrentProcessId());
    std::fclose(starts);
  }
  const std::wstring record = own_path + L".record";
  const std::wstring partial = record + L".partial";
  FILE* out = _wfopen(partial.c_str(), L"wb");
  if (out) {
    wchar_t directory[MAX_PATH * 4] = L"";
    GetCurrentDirectoryW(MAX_PATH * 4, directory);
    std::fprintf(out, "%s\n%lu\n%u\n%u\n%lu\n%lld\n%s\n%s\n%s\n", Utf8(GetCommandLineW()).c_str(),
                 startup.dwFlags, startup.wShowWindow, error_mode, GetCurrentProcessId(), started,
                 Utf8(directory).c_str(), Variable(L"TEMP").c_str(), Variable(L"TMP").c_str());
    std::fclose(out);
    MoveFileW(partial.c_str(), record.c_str());  // whole or not at all
  }
  if (HandsOff(own_path)) {
    HandOff(own_path);
    return 0;
  }
  const bool z_copy = std::wcsstr(GetCommandLineW(), L" /z ") != nullptr;
  if (!z_copy && Beside(own_path, L"check-log.txt") && !LineEndsAllCrlf(LogOf(GetCommandLineW()))) {
    MessageBoxW(nullptr, L"Invalid INSTALL.LOG file.", L"Wise Uninstall", MB_OK);
  }
  Sleep(z_copy ? 150 : LingerMilliseconds(own_path));
  RemoveEntry(own_path);
  if (!z_copy && Beside(own_path, L"z-copy.txt")) StartZCopy(own_path);
  if (FILE* exit_out = _wfopen((own_path + L".exit").c_str(), L"wb")) {
    std::fprintf(exit_out, "%lld\n", Now());
    std::fclose(exit_out);
  }
  return 0;
}
