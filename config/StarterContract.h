#pragma once

// The names that the designer and starter.exe agree on.
namespace qv::starter {

inline constexpr const char* kExecutable = "starter.exe";
inline constexpr const char* kIniFile = "starter.ini";
inline constexpr const char* kAutorunFile = "autorun.inf";
inline constexpr const char* kBatchFile = "runme.bat";
inline constexpr const char* kExamplesFolder = "Beispiele";

// Section names: the one the designer writes, and the older one it still reads.
inline constexpr const char* kSettingsSection = "quorvane";
inline constexpr const char* kLegacySettingsSection = "velmorant starter";

} // namespace qv::starter
