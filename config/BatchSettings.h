#pragma once

#include "config/ProjectSettings.h"

#include <string>

namespace qv {

// Reads the settings of a runme.bat (Windows-1252 bytes): the first line that calls starter.exe
// (lines before it, such as "@echo off", are passed over), read by the parameter-form reader.
// Returns false when no line calls starter.exe.
bool ReadBatchSettings(const std::string& bytes, ProjectSettings& settings);

} // namespace qv
