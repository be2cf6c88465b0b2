#pragma once

// The self-check for Windows users (starter.exe /selbsttest): a short German report of what this
// PC's browser control does with the menu, written to the temp folder and opened.
#include "rules/ConfigSource.h"
#include "windows/StarterWindow.h"

#include <string>

namespace qv::starter::win {

// The argument that asks for the self-check (any letter case).
inline constexpr wchar_t kSelfCheckArgument[] = L"/selbsttest";

// The report's note on the emulation value in effect (0: none): empty when it is a standards
// mode, else a German line naming the fault and what to do.
std::string EmulationFault(DWORD value, const std::wstring& programName);

// Writes the report (engine version, emulation setting, document mode, DPI, the source and keys
// read, the events traced while the start page loaded) and returns its path; empty on failure.
std::wstring WriteSelfCheckReport(const LoadedConfiguration& configuration, const RuntimeSettings& settings,
                                  StarterWindow* window);

} // namespace qv::starter::win
