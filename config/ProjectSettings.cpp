#include "config/ProjectSettings.h"

#include <array>

namespace qv {
namespace {

constexpr std::array<const char*, kBorderStyleCount> kValues = {
    "none", "sizeable", "dialog", "single", "tool", "sizetool", "minimal",
};

constexpr std::array<const char*, kBorderStyleCount> kItems = {
    "ohne Rahmen (none)",   "normal (sizeable)", "feste Größe (dialog)", "feste Größe (single)",
    "klein (tool)",         "klein (sizetool)",  "nur Rahmen (minimal)",
};

} // namespace

const char* BorderStyleValue(int index)
{
    return index >= 0 && index < kBorderStyleCount ? kValues[index] : nullptr;
}

const char* BorderStyleItemText(int index)
{
    return index >= 0 && index < kBorderStyleCount ? kItems[index] : nullptr;
}

int BorderStyleIndex(const std::string& value)
{
    for (int i = 0; i < kBorderStyleCount; ++i) {
        if (value == kValues[i])
            return i;
    }
    return -1;
}

} // namespace qv
