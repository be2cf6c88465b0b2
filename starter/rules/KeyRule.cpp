#include "rules/KeyRule.h"

#include "config/KeyNames.h"

namespace qv::starter {

int ComparableKeyCode(int code)
{
    const std::string name = KeyCodeToText(static_cast<KeyCode>(code));
    const KeyCode canonical = name.empty() ? 0 : TextToKeyCode(name);
    return canonical != 0 ? canonical : code;
}

bool BlocksKey(const RuntimeSettings& settings, int code)
{
    if (settings.ignoreKeys)
        return true;
    if (code == 0)
        return false;
    const int comparable = ComparableKeyCode(code);
    for (const int blocked : settings.disabledKeys) {
        if (ComparableKeyCode(blocked) == comparable)
            return true;
    }
    return false;
}

} // namespace qv::starter
