#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "core/trust.h"
#include "tests/fake_record.h"

namespace tarnweld::fake {

// A finding as the tables compare it: its log line, where it was found in
// which role, whose rights and which; or, for what is no one's rights, what
// it says. The words themselves are tested once, beside the code that writes
// them.
struct Fact {
  std::size_t line = 0;
  trust::Role role = trust::Role::kFile;
  std::wstring path, sid;
  std::uint32_t mask = 0;
  std::wstring why = {};  // empty where `mask` says it
};

inline Fact FactOf(const trust::Finding& finding, std::size_t line = 0) {
  return {line,        finding.role, finding.path,
          finding.sid, finding.mask, finding.mask ? L"" : finding.rights};
}

inline bool operator==(const Fact& a, const Fact& b) {
  return a.line == b.line && a.role == b.role && a.path == b.path && a.sid == b.sid &&
         a.mask == b.mask && a.why == b.why;
}

inline std::ostream& operator<<(std::ostream& out, const Fact& fact) {
  return out << "{line " << fact.line << ", role " << static_cast<int>(fact.role) << ", "
             << Narrow(fact.path) << ", " << Narrow(fact.sid) << ", mask 0x" << std::hex
             << fact.mask << std::dec << ", " << Narrow(fact.why) << "}";
}

inline std::vector<Fact> FactsOf(const std::vector<trust::Finding>& findings) {
  std::vector<Fact> facts;
  for (const trust::Finding& finding : findings) facts.push_back(FactOf(finding));
  return facts;
}

}  // namespace tarnweld::fake
