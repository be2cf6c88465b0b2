#pragma once

// The runtime's trace: one line per event, written to the file named by the environment variable
// QUORVANE_STARTER_TRACE (UTF-8). Without the variable nothing is written. Tests read it to see
// which keys were blocked, where navigation was allowed to go and which calls failed; the
// self-check collects the same lines for its report.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace qv::starter::win {

void Trace(std::string_view line);
// Traces "<call> failed: 0x...." when `result` is a failure; returns SUCCEEDED(result).
bool Check(HRESULT result, std::string_view call);
// Every line traced so far (the self-check's report).
const std::vector<std::string>& TracedLines();

} // namespace qv::starter::win
