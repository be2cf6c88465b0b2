#pragma once

#include "ProjectSettings.h"

#include <string_view>

namespace qv {

// Reads the parameter form of the configuration, the inverse of the writer's target 2: tokens
// "/key=value" separated by blanks; a value that begins with a double quote runs to the next double
// quote (the writer quotes values with blanks and removes every other quote). A token without "="
// or without the leading "/" is ignored. The keys are then applied as the loader applies a
// settings section (same names, defaults and conversions; the first of repeated keys wins).
ProjectSettings SettingsFromParameters(std::string_view commandLine);

} // namespace qv
