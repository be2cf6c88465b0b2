#pragma once

#include "config/ProjectSettings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// True when the first ":\" of the text starts at its second character (C:\...). On a host that
// is not Windows, a text that begins with a single "/" counts as absolute too ("//x" does not).
bool IsAbsolutePath(std::string_view text);

// The extension of a path: from its last "." on, provided no "\" or ":" follows it; else empty.
std::string_view PathExtension(std::string_view path);

// Whole-number reading: optional leading blanks (when allowed), optional sign, then decimal digits
// or a hexadecimal number introduced by "$", "x" or "0x" (any case); nothing may follow and the
// value must fit in a signed 32-bit number. nullopt otherwise.
std::optional<std::int32_t> ParseWholeNumber(std::string_view text, bool skipLeadingBlanks);

// Rules 1 to 20, in order; rule 21 belongs to the disabled-key text (DisabledKeyText).
void AddHints(const ProjectSettings& project, std::vector<std::string>& hints);

// The value of disabledkeylist: the codes of the entries that name a key, comma separated. An
// entry that names no key adds the hint of rule 21 instead.
std::string DisabledKeyText(const std::vector<std::string>& keys, std::vector<std::string>& hints);

} // namespace qv
