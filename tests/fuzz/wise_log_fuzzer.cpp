// Arbitrary Wise logs through the parser, the judgement of their orders and
// TarnweldCheck's report, on the fake platform. Input: one byte of choices
// (bit 0: code page 932; bit 1: every finding, as TarnweldCheck judges;
// bit 2: each line feed stored with its carriage return, so that the orders
// of a log written with line feeds alone are judged), then the log's bytes. The machine holds one folder others can change,
// C:\OPEN, a program in it, and a tree with a junction inside.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "check/check.h"
#include "core/wise_log.h"
#include "decide/decision.h"
#include "tests/fake_platform.h"

namespace tarnweld {
namespace {

void Check(bool holds) {
  if (!holds) std::abort();
}

void Arrange(fake::FakePlatform& os, const std::string& log) {
  os.StartOnEntry(std::string("C:\\W\\UNWISE.EXE C:\\L.TXT") + '\0',
                  {L"C:\\W\\UNWISE.EXE", L"C:\\L.TXT", L"C:\\APP\\A.EXE", L"C:\\OPEN\\B.EXE"});
  os.contents[L"C:\\L.TXT"] = log;
  os.security[L"C:\\OPEN"] =
      fake::Owned(L"S-1-5-32-544", {{L"S-1-5-32-544", 0x10000000}, {L"S-1-1-0", 0x2}});
  os.subfolders[L"C:\\APP"] = {{L"DATA", false}, {L"LINK", true}};
  os.missing_folders = {L"C:\\GONE"};
}

// Every order on a line of the log, in order; every line counted once.
void CheckParsed(const wise_log::WiseLog& log, const std::string& bytes) {
  std::size_t lines = 0;
  for (std::size_t at = 0; at < bytes.size(); at = bytes.find('\n', at) + 1) {
    ++lines;
    if (bytes.find('\n', at) == std::string::npos) break;
  }
  Check(log.lines == lines);
  std::size_t last = 0;
  for (const wise_log::Order& order : log.orders) {
    Check(order.line > last && order.line <= lines);
    last = order.line;
  }
  for (const wise_log::NotUnderstood& line : log.not_understood) {
    Check(line.line >= 1 && line.line <= lines);
  }
}

}  // namespace
}  // namespace tarnweld

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarnweld;
  if (size == 0) return 0;
  const std::string log(reinterpret_cast<const char*>(data + 1), size - 1);
  fake::FakePlatform os;
  os.double_byte = (data[0] & 1) != 0;
  CheckParsed(wise_log::Parse(log, os, WinPath::Qualified(L"C:\\WINDOWS")), log);

  std::string stored;
  for (std::size_t i = 0; i < log.size(); ++i) {
    if ((data[0] & 4) && log[i] == '\n' && (i == 0 || log[i - 1] != '\r')) stored += '\r';
    stored += log[i];
  }
  Arrange(os, stored);
  const bool every = (data[0] & 2) != 0;
  Deciding run(os.sources(),
               every ? trust::Judging::kEveryFinding : trust::Judging::kUntilFirstFinding);
  const Decision decision = Decide(run, L"OldApp");
  // A log whose line ends the uninstaller rejects is refused unjudged.
  const bool rejected = wise_log::FindLineEndFault(stored).has_value();
  Check(rejected ? decision.verdict == Verdict::kLogRejected
                 : decision.verdict == Verdict::kWouldLaunch ||
                       decision.verdict == Verdict::kLogOrdersUntrusted);
  Check(decision.plan && decision.plan->judged == !rejected);
  Check(rejected || (decision.verdict == Verdict::kWouldLaunch) == decision.plan->findings.empty());
  Check(every || decision.plan->findings.size() <= 1);
  Check(os.launches.empty());

  // The report names every order, and its JSON parses.
  fake::FakePlatform checked;
  checked.double_byte = os.double_byte;
  Arrange(checked, stored);
  const int code = check::RunCheck(checked.check(), L"/json OldApp");
  Check(code == (rejected ? 21 : code) && (code == 0 || code == 20 || code == 21));
  std::string json;
  for (const wchar_t c : checked.out.text) json += static_cast<char>(c < 0x80 ? c : '?');
  const auto parsed = nlohmann::json::parse(json, nullptr, false);
  Check(!parsed.is_discarded() && parsed["plan"].size() == decision.plan->plan.size());
  return 0;
}
