#pragma once

#include <QString>

#include <cstdint>

class QKeyEvent;

namespace qv::keys {

// The facts of a key-down that decide its Windows virtual-key number.
struct KeyFacts {
    int key = 0;                    // Qt::Key
    bool keypad = false;            // Qt::KeypadModifier
    std::uint32_t scanCode = 0;     // native scan code, 0 when the platform gives none
    bool scanCodeIsX11 = false;     // X11 keycode (PC scan code + 8)
    std::uint32_t nativeVirtualKey = 0; // Windows: the virtual-key number itself
    bool nativeIsWindowsKey = false;
};

KeyFacts KeyFactsOf(const QKeyEvent& event);

// The Windows virtual-key number of a key-down, without modifiers; 0 when the key has none.
// Layout-independent keys go by the Qt key; the character keys of a German keyboard by the
// physical key (X11 keycode) where known, else by the unshifted German symbol.
std::uint8_t VirtualKeyOf(const KeyFacts& facts);

// The key code of a key-down as a list of blocked keys holds it: the virtual-key number with
// 0x2000 for Shift, 0x4000 for Ctrl and 0x8000 for Alt held; 0 when the key has no number.
std::uint16_t KeyCodeOf(const QKeyEvent& event);

} // namespace qv::keys
