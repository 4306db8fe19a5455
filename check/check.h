#pragma once

#include <string>
#include <vector>

#include "core/trust.h"
#include "platform/file_digest.h"
#include "platform/output.h"
#include "platform/platform.h"

// TarnweldCheck.exe: explains what Tarnweld.exe would do with an entry
// name, or lists every Wise installation on the machine. Reads only; starts
// nothing and writes nothing but its own output.
namespace tarnweld::check {

struct CheckPlatform {
  platform::Sources sources;
  platform::RegistryListing& listing;
  platform::FileDigest& digest;
  platform::RemovalLockProbe& locks;
  platform::ProcessList& processes;
  platform::ShownWindows& windows;
  platform::Pause& pause;  // only between two looks at a window that may be a message box
  platform::TextOutput& out;
  platform::TextOutput& err;
};

enum class Mode { kOneEntry, kAll, kUsage };

struct Options {
  Mode mode = Mode::kOneEntry;
  bool json = false;
  std::wstring entry;  // the tail after the options, exactly as Tarnweld.exe would take it
  std::wstring error;  // not empty when the options make no sense
};

// Options are the first words of the tail, before any entry name.
Options ParseOptions(const std::wstring& tail);

// Runs the check the command-line tail asks for; the process's exit code.
int RunCheck(CheckPlatform& platform, const std::wstring& tail);

}  // namespace tarnweld::check
