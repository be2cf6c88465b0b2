#pragma once

#include "rules/RuntimeSettings.h"

namespace qv::starter {

// The key code a blocked-key list compares: keys that share a name (the keypad digits and the
// digits of the main row) count as the lowest of them, as the designer's list names them.
int ComparableKeyCode(int code);

// Whether a key press (code: virtual key | 0x2000 Shift | 0x4000 Ctrl | 0x8000 Alt; 0 for a key
// the runtime cannot name) is kept from the page: all keys with keyinput=0, else the keys of
// disabledkeylist.
bool BlocksKey(const RuntimeSettings& settings, int code);

} // namespace qv::starter
