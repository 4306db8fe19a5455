// Measures Tarnweld.exe under Wine; bench/run drives it and prints the table.
//   bench_probe launch RUNS       start-to-launch, and the stand-in started directly
//   bench_probe exit RUNS         last unwise.exe ending to Tarnweld.exe ending
//   bench_probe handoff RUNS      the same when the uninstaller hands off to a copy
//   bench_probe zcopy RUNS        the same when it starts a /z copy just before it exits
//   bench_probe cpu RUNS SECONDS  Tarnweld.exe's own CPU time across a wait
//   bench_probe scan PROCESSES    one process scan with about PROCESSES running
//   bench_probe inventory RUNS CHECK_EXE NAME
//                                 CHECK_EXE /all /json, its output thrown away,
//                                 from its creation to its end
// Each prints "name<TAB>median<TAB>p95<TAB>min<TAB>max<TAB>runs<TAB>unit".
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/windows_platform.h"
#include "queries/read_reg.h"
#include "tests/e2e/e2e_support.h"

namespace tarnweld::e2e {
namespace {

double Frequency() {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return static_cast<double>(f.QuadPart);
}

long long Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

double Milliseconds(long long ticks) { return 1000.0 * static_cast<double>(ticks) / Frequency(); }

// The Tarnweld.exe measured: TARNWELD_BENCH_EXE, or the one beside this probe.
std::wstring Measured() {
  wchar_t given[MAX_PATH] = L"";
  const DWORD length = GetEnvironmentVariableW(L"TARNWELD_BENCH_EXE", given, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(given, length) : TarnweldExe();
}

void Report(const char* name, std::vector<double> values, const char* unit) {
  if (values.empty()) {
    std::printf("%s\tnone\t-\t-\t-\t0\t%s\n", name, unit);
    return;
  }
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  // The nearest-rank 95th percentile.
  const double p95 = values[(95 * n + 99) / 100 - 1];
  std::printf("%s\t%.3f\t%.3f\t%.3f\t%.3f\t%zu\t%s\n", name, median, p95, values.front(),
              values.back(), n, unit);
  std::fflush(stdout);
}

long long ReadExitMoment(const std::wstring& unwise) {
  FILE* in = _wfopen((unwise + L".exit").c_str(), L"rb");
  if (!in) return 0;
  long long moment = 0;
  if (std::fscanf(in, "%lld", &moment) != 1) moment = 0;
  std::fclose(in);
  return moment;
}

// A fresh entry and stand-in uninstaller for one run.
struct Installation {
  explicit Installation(DWORD linger_ms)
      : folder(L"Bench"), entry(L"TarnweldBench"), unwise(folder / L"UNWISE.EXE") {
    PlaceStandIn(unwise, linger_ms);
    WriteFile(folder / L"INSTALL.LOG");
    entry.SetString(unwise + L" " + (folder / L"INSTALL.LOG"));
  }
  ScratchFolder folder;
  UninstallEntry entry;
  std::wstring unwise;
};

void StartToLaunch(int runs) {
  std::vector<double> via_tarnweld, direct;
  for (int i = 0; i < runs; ++i) {
    Installation installation(0);
    const long long start = Now();
    Process tarnweld(Measured(), TarnweldCommandLine(L"TarnweldBench"));
    const auto record = ReadRecord(installation.unwise, 10000);
    tarnweld.Wait(10000);
    if (record) via_tarnweld.push_back(Milliseconds(record->started_at - start));
  }
  for (int i = 0; i < runs; ++i) {
    Installation installation(0);
    const long long start = Now();
    Process uninstaller(installation.unwise, installation.unwise + L" /a x");
    const auto record = ReadRecord(installation.unwise, 10000);
    uninstaller.Wait(10000);
    if (record) direct.push_back(Milliseconds(record->started_at - start));
  }
  Report("start-to-launch", via_tarnweld, "ms");
  Report("stand-in started directly", direct, "ms");
}

enum class LastProcess { kUninstaller, kHandOff, kZCopy };

// From the end of the last process doing the removal to Tarnweld.exe's end:
// the uninstaller itself, the copy it handed its work to, or the copy it
// starts in its TEMP just before it exits, as real Wise uninstallers do.
void EndToExit(int runs, LastProcess last) {
  std::vector<double> delays;
  for (int i = 0; i < runs; ++i) {
    // Vary how far into a poll interval the uninstaller ends.
    Installation installation(300 + 97 * (i % 5));
    if (last == LastProcess::kHandOff) WriteFile(installation.folder / L"handoff.txt");
    if (last == LastProcess::kZCopy) WriteFile(installation.folder / L"z-copy.txt");
    Process tarnweld(Measured(), TarnweldCommandLine(L"TarnweldBench"));
    if (!tarnweld.Wait(20000).finished) continue;
    const long long ended = Now();
    std::wstring worker = installation.unwise;
    if (last == LastProcess::kHandOff) worker = installation.folder / L"GLB1A2B.EXE";
    if (last == LastProcess::kZCopy) {
      const auto record = ReadRecord(installation.unwise, 0);
      if (!record) continue;
      worker = record->temp + (record->temp.back() == L'\\' ? L"" : L"\\") + L"GLB1a2b.EXE";
    }
    const long long worker_ended = ReadExitMoment(worker);
    DeleteFileW((worker + L".exit").c_str());
    if (worker_ended) delays.push_back(Milliseconds(ended - worker_ended));
  }
  Report(last == LastProcess::kHandOff ? "end-to-exit after a hand-off"
         : last == LastProcess::kZCopy ? "end-to-exit after a /z copy"
                                       : "end-to-exit",
         delays, "ms");
}

void CpuAcrossWait(int runs, DWORD seconds) {
  std::vector<double> cpu;
  for (int i = 0; i < runs; ++i) {
    Installation installation(seconds * 1000);
    Process tarnweld(Measured(), TarnweldCommandLine(L"TarnweldBench"));
    if (!tarnweld.Wait((seconds + 30) * 1000).finished) continue;
    const double used = tarnweld.CpuMilliseconds();
    if (used >= 0) cpu.push_back(used);
  }
  char name[64];
  std::snprintf(name, sizeof name, "CPU across a %lu s wait", static_cast<unsigned long>(seconds));
  Report(name, cpu, "ms");
}

int CountProcesses() {
  int count = 0;
  const auto snapshot = platform::win::WindowsPlatform().processes.TakeSnapshot();
  platform::ProcessEntry name;
  for (bool more = snapshot && snapshot->First(&name); more; more = snapshot->Next(&name)) ++count;
  return count;
}

void ScanCost(int target) {
  ScratchFolder folder(L"BenchFillers");
  const std::wstring filler = folder / L"filler.exe";
  PlaceStandIn(filler, 600000);
  std::vector<std::unique_ptr<Process>> fillers;
  while (CountProcesses() < target) {
    fillers.push_back(std::make_unique<Process>(filler, L"\"" + filler + L"\""));
    if (!fillers.back()->started()) break;
    if (fillers.size() % 25 == 0) Sleep(200);  // let Wine catch up
  }
  Sleep(500);
  const int running = CountProcesses();
  std::vector<double> scans;
  for (int i = 0; i < 50; ++i) {
    const long long start = Now();
    ReadReg::IsUninstallerRunning(platform::win::WindowsPlatform().processes);
    scans.push_back(Milliseconds(Now() - start));
  }
  char name[64];
  std::snprintf(name, sizeof name, "one scan, %d processes", running);
  Report(name, scans, "ms");
  fillers.clear();  // ends them
}

}  // namespace
}  // namespace tarnweld::e2e

namespace tarnweld::e2e {
namespace {

// The inventory as a deployment tool takes it: standard output to NUL.
void Inventory(int runs, const std::string& program, const std::string& name) {
  const std::wstring check(program.begin(), program.end());
  std::vector<double> elapsed;
  for (int run = 0; run < runs; ++run) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul =
        CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nul;
    std::wstring line = L"\"" + check + L"\" /all /json";
    PROCESS_INFORMATION info{};
    if (CreateProcessW(check.c_str(), &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &startup, &info)) {
      WaitForSingleObject(info.hProcess, INFINITE);
      FILETIME created, exited, kernel, user;
      GetProcessTimes(info.hProcess, &created, &exited, &kernel, &user);
      const auto ticks = [](const FILETIME& t) {
        return (static_cast<long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
      };
      elapsed.push_back(static_cast<double>(ticks(exited) - ticks(created)) / 10000.0);
      CloseHandle(info.hProcess);
      CloseHandle(info.hThread);
    }
    CloseHandle(nul);
  }
  Report(name.c_str(), elapsed, "ms");
}

}  // namespace
}  // namespace tarnweld::e2e

int main(int argc, char** argv) {
  using namespace tarnweld::e2e;
  const std::string mode = argc > 1 ? argv[1] : "";
  const int count = argc > 2 ? std::atoi(argv[2]) : 20;
  if (mode == "launch") {
    StartToLaunch(count);
  } else if (mode == "exit") {
    EndToExit(count, LastProcess::kUninstaller);
  } else if (mode == "handoff") {
    EndToExit(count, LastProcess::kHandOff);
  } else if (mode == "zcopy") {
    EndToExit(count, LastProcess::kZCopy);
  } else if (mode == "cpu") {
    CpuAcrossWait(count, argc > 3 ? std::atoi(argv[3]) : 60);
  } else if (mode == "scan") {
    ScanCost(count);
  } else if (mode == "inventory" && argc > 4) {
    Inventory(count, argv[3], argv[4]);
  } else {
    std::fprintf(stderr,
                 "usage: bench_probe launch|exit|handoff|zcopy|cpu|scan N [SECONDS]\n"
                 "       bench_probe inventory RUNS CHECK_EXE NAME\n");
    return 2;
  }
  return 0;
}
