#include "qtcommon/KeyCapture.h"

#include <gtest/gtest.h>

using qv::keys::KeyFacts;
using qv::keys::VirtualKeyOf;

TEST(KeyCapture, MapsQtKeysToWindowsVirtualKeys)
{
    struct Case {
        const char* what;
        KeyFacts facts;
        int expected;
    };
    const auto key = [](int k) { return KeyFacts{k, false, 0, false, 0, false}; };
    const auto pad = [](int k) { return KeyFacts{k, true, 0, false, 0, false}; };
    const auto x11 = [](int k, std::uint32_t code) { return KeyFacts{k, false, code, true, 0, false}; };
    const Case cases[] = {
        {"F5", key(Qt::Key_F5), 0x74},
        {"F24", key(Qt::Key_F24), 0x87},
        {"C", key(Qt::Key_C), 'C'},
        {"Ctrl", key(Qt::Key_Control), 0x11},
        {"Shift", key(Qt::Key_Shift), 0x10},
        {"Delete", key(Qt::Key_Delete), 0x2E},
        {"Down", key(Qt::Key_Down), 0x28},
        {"Menu", key(Qt::Key_Menu), 0x5D},
        {"keypad 5", pad(Qt::Key_5), 0x65},
        {"keypad *", pad(Qt::Key_Asterisk), 0x6A},
        {"keypad comma", pad(Qt::Key_Comma), 0x6E},
        {"keypad /", pad(Qt::Key_Slash), 0x6F},
        {"keypad Enter", pad(Qt::Key_Enter), 0x0D},
        {"shifted 1 by symbol", key(Qt::Key_Exclam), '1'},
        {"Ü by symbol", key(Qt::Key_Udiaeresis), 0xBA},
        {"ß by symbol", key(Qt::Key_ssharp), 0xDB},
        {"< by symbol", key(Qt::Key_Less), 0xE2},
        {"dead circumflex", key(Qt::Key_Dead_Circumflex), 0xDC},
        {"X11 Ü key, whatever the symbol", x11(Qt::Key_BracketLeft, 34), 0xBA},
        {"X11 - key", x11(Qt::Key_Slash, 61), 0xBD},
        {"X11 shifted 7", x11(Qt::Key_Slash, 16), '7'},
        {"X11 102nd key", x11(Qt::Key_Greater, 94), 0xE2},
        {"unknown", key(Qt::Key_Launch0), 0},
        {"Windows native", KeyFacts{Qt::Key_Launch0, false, 0, false, 0xA6, true}, 0xA6},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VirtualKeyOf(c.facts), c.expected) << c.what;
}
