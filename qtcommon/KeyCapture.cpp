#include "qtcommon/KeyCapture.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include <unordered_map>

namespace qv::keys {
namespace {

std::uint8_t FromKeypad(int key)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<std::uint8_t>(0x60 + (key - Qt::Key_0));
    switch (key) {
    case Qt::Key_Asterisk: return 0x6A;
    case Qt::Key_Plus: return 0x6B;
    case Qt::Key_Minus: return 0x6D;
    case Qt::Key_Comma:
    case Qt::Key_Period: return 0x6E; // the German keypad's decimal key
    case Qt::Key_Slash: return 0x6F;
    case Qt::Key_Enter:
    case Qt::Key_Return: return 0x0D;
    case Qt::Key_Clear: return 0x0C;
    default: return 0;
    }
}

// Keys that do not depend on the keyboard layout.
std::uint8_t FromFixedKey(int key)
{
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return static_cast<std::uint8_t>(0x70 + (key - Qt::Key_F1));
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<std::uint8_t>(key);
    static const std::unordered_map<int, std::uint8_t> table = {
        {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},      {Qt::Key_Backtab, 0x09},
        {Qt::Key_Clear, 0x0C},     {Qt::Key_Return, 0x0D},   {Qt::Key_Enter, 0x0D},
        {Qt::Key_Shift, 0x10},     {Qt::Key_Control, 0x11},  {Qt::Key_Alt, 0x12},
        {Qt::Key_AltGr, 0x12},     {Qt::Key_Pause, 0x13},    {Qt::Key_CapsLock, 0x14},
        {Qt::Key_Escape, 0x1B},    {Qt::Key_Space, 0x20},    {Qt::Key_PageUp, 0x21},
        {Qt::Key_PageDown, 0x22},  {Qt::Key_End, 0x23},      {Qt::Key_Home, 0x24},
        {Qt::Key_Left, 0x25},      {Qt::Key_Up, 0x26},       {Qt::Key_Right, 0x27},
        {Qt::Key_Down, 0x28},      {Qt::Key_Print, 0x2C},    {Qt::Key_SysReq, 0x2C},
        {Qt::Key_Insert, 0x2D},    {Qt::Key_Delete, 0x2E},   {Qt::Key_Meta, 0x5B},
        {Qt::Key_Super_L, 0x5B},   {Qt::Key_Super_R, 0x5C},  {Qt::Key_Menu, 0x5D},
        {Qt::Key_NumLock, 0x90},   {Qt::Key_ScrollLock, 0x91},
    };
    const auto it = table.find(key);
    return it == table.end() ? 0 : it->second;
}

// X11 keycodes of the digit row and of the German character keys.
std::uint8_t FromX11Keycode(std::uint32_t keycode)
{
    if (keycode >= 10 && keycode <= 18) // scan codes 0x02..0x0A: 1..9
        return static_cast<std::uint8_t>('1' + (keycode - 10));
    static const std::unordered_map<std::uint32_t, std::uint8_t> table = {
        {19, '0'},  {20, 0xDB}, // ß
        {21, 0xDD},             // Akut
        {34, 0xBA},             // Ü
        {35, 0xBB},             // +
        {47, 0xC0},             // Ö
        {48, 0xDE},             // Ä
        {49, 0xDC},             // Zirkumflex
        {51, 0xBF},             // #
        {59, 0xBC},             // Komma
        {60, 0xBE},             // Punkt
        {61, 0xBD},             // -
        {94, 0xE2},             // <
    };
    const auto it = table.find(keycode);
    return it == table.end() ? 0 : it->second;
}

// The symbols of the German layout, shifted or not, to their physical key.
std::uint8_t FromGermanSymbol(int key)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<std::uint8_t>(key);
    static const std::unordered_map<int, std::uint8_t> table = {
        {Qt::Key_Exclam, '1'},      {Qt::Key_QuoteDbl, '2'},      {Qt::Key_section, '3'},
        {Qt::Key_Dollar, '4'},      {Qt::Key_Percent, '5'},       {Qt::Key_Ampersand, '6'},
        {Qt::Key_Slash, '7'},       {Qt::Key_ParenLeft, '8'},     {Qt::Key_ParenRight, '9'},
        {Qt::Key_Equal, '0'},       {Qt::Key_Udiaeresis, 0xBA},   {Qt::Key_Plus, 0xBB},
        {Qt::Key_Asterisk, 0xBB},   {Qt::Key_Comma, 0xBC},        {Qt::Key_Semicolon, 0xBC},
        {Qt::Key_Minus, 0xBD},      {Qt::Key_Underscore, 0xBD},   {Qt::Key_Period, 0xBE},
        {Qt::Key_Colon, 0xBE},      {Qt::Key_NumberSign, 0xBF},   {Qt::Key_Apostrophe, 0xBF},
        {Qt::Key_Odiaeresis, 0xC0}, {Qt::Key_ssharp, 0xDB},       {Qt::Key_Question, 0xDB},
        {Qt::Key_AsciiCircum, 0xDC}, {Qt::Key_Dead_Circumflex, 0xDC}, {Qt::Key_degree, 0xDC},
        {Qt::Key_acute, 0xDD},      {Qt::Key_Dead_Acute, 0xDD},   {Qt::Key_QuoteLeft, 0xDD},
        {Qt::Key_Dead_Grave, 0xDD}, {Qt::Key_Adiaeresis, 0xDE},   {Qt::Key_Less, 0xE2},
        {Qt::Key_Greater, 0xE2},    {Qt::Key_Bar, 0xE2},
    };
    const auto it = table.find(key);
    return it == table.end() ? 0 : it->second;
}

} // namespace

KeyFacts KeyFactsOf(const QKeyEvent& event)
{
    KeyFacts facts;
    facts.key = event.key();
    facts.keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    facts.scanCode = event.nativeScanCode();
    facts.scanCodeIsX11 = QGuiApplication::platformName() == QLatin1String("xcb");
    facts.nativeVirtualKey = event.nativeVirtualKey();
#ifdef Q_OS_WIN
    facts.nativeIsWindowsKey = true;
#endif
    return facts;
}

std::uint8_t VirtualKeyOf(const KeyFacts& facts)
{
    if (facts.nativeIsWindowsKey && facts.nativeVirtualKey != 0 && facts.nativeVirtualKey < 256)
        return static_cast<std::uint8_t>(facts.nativeVirtualKey);
    if (facts.keypad) {
        if (const std::uint8_t vk = FromKeypad(facts.key))
            return vk;
    }
    if (const std::uint8_t vk = FromFixedKey(facts.key))
        return vk;
    if (facts.scanCodeIsX11 && facts.scanCode != 0) {
        if (const std::uint8_t vk = FromX11Keycode(facts.scanCode))
            return vk;
    }
    return FromGermanSymbol(facts.key);
}

std::uint16_t KeyCodeOf(const QKeyEvent& event)
{
    const std::uint8_t vk = VirtualKeyOf(KeyFactsOf(event));
    if (vk == 0)
        return 0;
    std::uint16_t code = vk;
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if (modifiers.testFlag(Qt::ShiftModifier))
        code |= 0x2000;
    if (modifiers.testFlag(Qt::ControlModifier))
        code |= 0x4000;
    if (modifiers.testFlag(Qt::AltModifier))
        code |= 0x8000;
    return code;
}

} // namespace qv::keys
