#pragma once

#include "config/ProfileReader.h"
#include "config/ProjectSettings.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

struct LoadResult {
    ProjectSettings settings;
    bool hasSettingsSection = false; // "quorvane" or "velmorant starter" holds at least one key
    ProfileFile::Status status = ProfileFile::Status::Read; // why a file could not be read
};

// The settings section that is read: "quorvane" when it holds a key line, else "velmorant starter".
const char* ChooseSettingsSection(const ProfileFile& file);

// Applies the 36 keys of the chosen section, in reading order, to a new project. `previous`
// supplies only the border-style index kept for a borderstyle value that is not known. When
// maximized is set the four size fields are empty. ConfigTarget and ESpeicherort are taken from
// `path` (empty path: target 0, empty folder).
LoadResult LoadSettings(const ProfileFile& file, std::string_view path, const ProjectSettings& previous);

// The value of one settings key in some source, or nullopt when the source does not hold the key.
using SettingLookup = std::function<std::optional<std::string>(std::string_view key)>;

// LoadSettings for any source of keys: applies the 36 keys as `lookup` yields them (an absent key
// takes its default). `hasSettingsSection` is passed through to the result.
LoadResult LoadSettingsFrom(const SettingLookup& lookup, bool hasSettingsSection, std::string_view path,
                            const ProjectSettings& previous);

// What LoadConfiguration keeps of a file: the two settings sections and the keys that are read.
const ProfileFile::Keep& SettingsKeep();

// Reads `path` (empty: no file) and applies it as LoadSettings does; only regular files up to
// ProfileFile::kMaxFileSize are read.
LoadResult LoadConfiguration(const std::string& path, const ProjectSettings& previous);

// Field n (n >= 1) of a comma-separated text; empty when there are fewer fields.
std::string NthField(std::string_view text, int n);

// disabledkeylist value -> list entries: split (comma text rules), sort ignoring case, replace
// each whole number in place by the text of its low 16 bits, drop every other item.
std::vector<std::string> KeyListFromValue(std::string_view value);

// Splits a comma text: items end at "," or at a blank or control character; an item that begins
// with a double quote runs to the closing quote ("" inside stands for one); ",," and a trailing ","
// give empty items. Parsing stops at a NUL byte.
std::vector<std::string> SplitCommaText(std::string_view value);

} // namespace qv
