// The profile reader and the loader on arbitrary file bytes: both settings sections, the key list.

#include "FuzzCheck.h"

#include "config/KeyNames.h"
#include "config/Loader.h"
#include "config/ProfileReader.h"
#include "config/StarterContract.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace qv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const ProfileFile file = ProfileFile::Parse(bytes);

    for (const char* section : {starter::kSettingsSection, starter::kLegacySettingsSection, "autorun"}) {
        for (const char* key : {"startfile", "caption", "disabledkeylist", "skinpos", "open", ""}) {
            const auto value = file.Find(section, key);
            if (value) {
                QV_FUZZ_CHECK(value->size() <= ProfileFile::kMaxValueLength);
                QV_FUZZ_CHECK(file.HasSection(section));
            }
            QV_FUZZ_CHECK(file.Read(section, key, "\x01") == (value ? *value : std::string("\x01")));
        }
    }

    // Keys are indexed lazily on the first look-up: a second load of the same file, and a load of a
    // fresh parse of it, give the same project.
    const LoadResult first = LoadSettings(file, "disc/autorun.inf", ProjectSettings{});
    const LoadResult again = LoadSettings(file, "disc/autorun.inf", ProjectSettings{});
    const LoadResult fresh = LoadSettings(ProfileFile::Parse(bytes), "disc/autorun.inf", ProjectSettings{});
    QV_FUZZ_CHECK(first.settings == again.settings && first.settings == fresh.settings);
    QV_FUZZ_CHECK(first.hasSettingsSection == again.hasSettingsSection);
    QV_FUZZ_CHECK(first.settings.ConfigTarget == 1);
    if (first.settings.ChFullscreen)
        QV_FUZZ_CHECK(first.settings.EBreite.empty() && first.settings.EHoehe.empty());

    // The key list taken straight from the bytes: every entry is the name of the code it stands for.
    for (const std::string& entry : KeyListFromValue(bytes)) {
        if (!entry.empty())
            QV_FUZZ_CHECK(KeyCodeToText(TextToKeyCode(entry)) == entry);
    }
    for (const std::string& entry : first.settings.LBShortcuts) {
        if (!entry.empty())
            QV_FUZZ_CHECK(TextToKeyCode(entry) != 0);
    }
    return 0;
}
