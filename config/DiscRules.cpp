#include "config/DiscRules.h"

#include "config/ColorText.h"
#include "config/Cp1252.h"

#include <array>
#include <cstdio>

namespace qv {
namespace {

// One decoded character of a UTF-8 text; a malformed byte decodes as itself with length 1.
struct Decoded {
    char32_t code;
    std::size_t length;
    bool valid;
};

Decoded DecodeAt(std::string_view s, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    if (b < 0x80)
        return {b, 1, true};
    std::size_t length = 0;
    char32_t code = 0;
    if ((b & 0xE0) == 0xC0) {
        length = 2;
        code = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        length = 3;
        code = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        length = 4;
        code = b & 0x07;
    } else {
        return {b, 1, false};
    }
    if (i + length > s.size())
        return {b, 1, false};
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return {b, 1, false};
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    static constexpr std::array<char32_t, 5> kSmallest = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return {b, 1, false};
    return {code, length, true};
}

char32_t FoldCodePoint(char32_t c)
{
    if (c >= 'A' && c <= 'Z')
        return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 0x20;
    // Latin Extended-A pairs capitals and small letters: even/odd up to U+0137 and from U+014A to
    // U+0177, odd/even from U+0139 to U+0148 and from U+0179 to U+017E; U+0178 is the capital of "ÿ".
    if (c == 0x178)
        return 0xFF;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return c % 2 == 0 ? c + 1 : c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return c % 2 == 1 ? c + 1 : c;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2)
        return c + 0x20;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    return c;
}

// The ISO 9660 spelling of a Latin-1 letter from U+00C0 to U+00FF ("" when it has none).
const char* Latin1Letter(char32_t c)
{
    static constexpr std::array<const char*, 64> kTable = {
        "A", "A", "A", "A", "AE", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",   // C0
        "D", "N", "O", "O", "O", "O", "OE", "", "OE", "U", "U", "U", "UE", "Y", "TH", "SS", // D0
        "A", "A", "A", "A", "AE", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",   // E0
        "D", "N", "O", "O", "O", "O", "OE", "", "OE", "U", "U", "U", "UE", "Y", "TH", "Y",  // F0
    };
    return kTable[c - 0xC0];
}

} // namespace

std::size_t JolietNameLength(std::string_view utf8Name)
{
    std::size_t units = 0;
    for (std::size_t i = 0; i < utf8Name.size();) {
        const Decoded d = DecodeAt(utf8Name, i);
        units += (d.valid && d.code >= 0x10000) ? 2 : 1;
        i += d.length;
    }
    return units;
}

std::string JolietRefusedIn(std::string_view utf8Name)
{
    std::string found;
    for (char c : utf8Name) {
        if (kJolietRefusedCharacters.find(c) != std::string_view::npos && found.find(c) == std::string::npos)
            found += c;
    }
    return found;
}

std::string FoldNameCase(std::string_view utf8Name)
{
    std::string folded;
    folded.reserve(utf8Name.size());
    for (std::size_t i = 0; i < utf8Name.size();) {
        const Decoded d = DecodeAt(utf8Name, i);
        if (d.valid)
            AppendUtf8(folded, FoldCodePoint(d.code));
        else
            folded += utf8Name[i];
        i += d.length;
    }
    return folded;
}

std::string VolumeLabelFrom(std::string_view utf8Text)
{
    std::string label;
    bool pendingGap = false;
    const auto append = [&](std::string_view part) {
        if (pendingGap && !label.empty())
            label += '_';
        pendingGap = false;
        label += part;
    };
    for (std::size_t i = 0; i < utf8Text.size();) {
        const Decoded d = DecodeAt(utf8Text, i);
        i += d.length;
        const char32_t c = d.valid ? d.code : 0xFFFD;
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            append(std::string(1, static_cast<char>(c)));
        } else if (c >= 'a' && c <= 'z') {
            append(std::string(1, static_cast<char>(c - 0x20)));
        } else if (c == '_') {
            pendingGap = true;
        } else if (c >= 0xC0 && c <= 0xFF && *Latin1Letter(c) != '\0') {
            append(Latin1Letter(c));
        } else {
            pendingGap = true;
        }
    }
    if (label.size() > kVolumeLabelMaxLength)
        label.resize(kVolumeLabelMaxLength);
    while (!label.empty() && label.back() == '_')
        label.pop_back();
    return label;
}

std::span<const DiscMedium> DiscMedia()
{
    static constexpr std::array<DiscMedium, 3> kMedia = {{
        {"CD", 360000ULL * kDiscBlock},
        {"DVD", 2295104ULL * kDiscBlock},
        {"DVD-DL", 4173824ULL * kDiscBlock},
    }};
    return kMedia;
}

std::vector<std::string> MediaThatHold(std::uint64_t bytes)
{
    std::vector<std::string> names;
    for (const DiscMedium& medium : DiscMedia()) {
        if (bytes <= medium.capacity)
            names.emplace_back(medium.name);
    }
    return names;
}

std::string GermanSize(std::uint64_t bytes)
{
    if (bytes < 1024)
        return std::to_string(bytes) + (bytes == 1 ? " Byte" : " Bytes");
    static constexpr std::array<const char*, 3> kUnits = {"KB", "MB", "GB"};
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    while (unit + 1 < kUnits.size() && value >= 1024.0) {
        value /= 1024.0;
        ++unit;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, unit == 2 ? "%.2f %s" : "%.1f %s", value, kUnits[unit]);
    std::string text = buffer;
    for (char& c : text) {
        if (c == '.')
            c = ',';
    }
    return text;
}

namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string PercentDecoded(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 && HexDigitValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Appends the names of `path` ("\\" and "/" separate) to `components`, resolving "." and "..".
DiscPath Descend(std::vector<std::string> components, std::string_view path)
{
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view name = path.substr(start, end - start);
        if (name == "..") {
            if (components.empty())
                return {DiscPathKind::Outside, {}};
            components.pop_back();
        } else if (!name.empty() && name != ".") {
            components.emplace_back(name);
        }
        start = end + 1;
    }
    return {DiscPathKind::Inside, std::move(components)};
}

bool IsSlash(char c)
{
    return c == '/' || c == '\\';
}

} // namespace

std::vector<std::string> WindowsNameProblems(std::string_view utf8Name)
{
    std::vector<std::string> problems;
    std::string refused;
    bool control = false;
    for (const char c : utf8Name) {
        if (static_cast<unsigned char>(c) < 0x20)
            control = true;
        else if (std::string_view("<>\"|").find(c) != std::string_view::npos && refused.find(c) == std::string::npos)
            refused += c;
    }
    if (!refused.empty() || control) {
        std::string what = refused;
        if (control)
            what += what.empty() ? "Steuerzeichen" : ", Steuerzeichen";
        problems.push_back("Name mit Zeichen, die Windows nicht erlaubt (" + what + ")");
    }
    if (!utf8Name.empty() && (utf8Name.back() == '.' || utf8Name.back() == ' '))
        problems.emplace_back("Name endet mit Punkt oder Leerzeichen, Windows öffnet ihn nicht");
    std::string_view base = utf8Name.substr(0, utf8Name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    std::string upper(base);
    for (char& c : upper)
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    const bool numbered = upper.size() == 4 && (upper.rfind("COM", 0) == 0 || upper.rfind("LPT", 0) == 0)
                          && upper[3] >= '1' && upper[3] <= '9';
    if (numbered || upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL")
        problems.push_back("Name ist unter Windows ein Gerätename (" + upper + ")");
    bool beyondPlane = false;
    bool malformed = false;
    for (std::size_t i = 0; i < utf8Name.size();) {
        const auto b = static_cast<unsigned char>(utf8Name[i]);
        const std::size_t length = b < 0x80 ? 1 : (b >= 0xC2 && b <= 0xDF) ? 2 : (b & 0xF0) == 0xE0 ? 3
                                   : (b >= 0xF0 && b <= 0xF4) ? 4 : 0;
        bool ok = length != 0 && i + length <= utf8Name.size();
        for (std::size_t k = 1; ok && k < length; ++k)
            ok = (static_cast<unsigned char>(utf8Name[i + k]) & 0xC0) == 0x80;
        if (ok && length >= 3) {
            const auto second = static_cast<unsigned char>(utf8Name[i + 1]);
            // No overlong forms, no surrogates, nothing beyond U+10FFFF.
            ok = !(b == 0xE0 && second < 0xA0) && !(b == 0xED && second >= 0xA0) && !(b == 0xF0 && second < 0x90)
                 && !(b == 0xF4 && second >= 0x90);
        }
        if (!ok) {
            malformed = true;
            ++i;
            continue;
        }
        beyondPlane = beyondPlane || length == 4;
        i += length;
    }
    if (beyondPlane)
        problems.emplace_back("Name mit Zeichen außerhalb der Unicode-Grundebene, Joliet ersetzt sie durch \"_\"");
    if (malformed)
        problems.emplace_back("Name ist kein gültiges UTF-8, Joliet ersetzt die Bytes durch \"_\"");
    return problems;
}

std::size_t SchemeLength(std::string_view link)
{
    if (link.empty() || !IsAsciiLetter(link[0]))
        return 0;
    for (std::size_t i = 1; i < link.size(); ++i) {
        const char c = link[i];
        if (c == ':')
            return i;
        if (!IsAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return 0;
    }
    return 0;
}

DiscPath ConfigPathOnDisc(std::string_view utf8Value)
{
    if (StartsWithIgnoreCase(utf8Value, "http://") || StartsWithIgnoreCase(utf8Value, "https://"))
        return {DiscPathKind::Skipped, {}};
    if ((utf8Value.size() >= 2 && IsAsciiLetter(utf8Value[0]) && utf8Value[1] == ':')
        || (!utf8Value.empty() && IsSlash(utf8Value[0])))
        return {DiscPathKind::Absolute, {}};
    return Descend({}, utf8Value);
}

DiscPath LinkPathOnDisc(const std::vector<std::string>& pageFolder, std::string_view link)
{
    while (!link.empty() && (link.front() == ' ' || link.front() == '\t' || link.front() == '\n' || link.front() == '\r'))
        link.remove_prefix(1);
    while (!link.empty() && (link.back() == ' ' || link.back() == '\t' || link.back() == '\n' || link.back() == '\r'))
        link.remove_suffix(1);
    const std::size_t scheme = SchemeLength(link);
    // A file: address names a path on some machine, never one on the disc.
    if (scheme == 4 && StartsWithIgnoreCase(link, "file:"))
        return {DiscPathKind::Absolute, {}};
    if (scheme >= 2)
        return {DiscPathKind::Skipped, {}};
    if (scheme == 1)
        return {DiscPathKind::Absolute, {}};
    // "\\server\share" is a network path; "//host/x" an address on the web.
    if (link.size() >= 2 && link[0] == '\\' && link[1] == '\\')
        return {DiscPathKind::Absolute, {}};
    if (link.size() >= 2 && IsSlash(link[0]) && IsSlash(link[1]))
        return {DiscPathKind::Skipped, {}};
    link = link.substr(0, link.find_first_of("?#"));
    if (link.empty())
        return {DiscPathKind::Skipped, {}};
    const std::string path = PercentDecoded(link);
    if (IsSlash(path[0]))
        return Descend({}, path);
    return Descend(pageFolder, path);
}

std::string JoinDiscPath(const std::vector<std::string>& components)
{
    std::string joined;
    for (const std::string& name : components) {
        if (!joined.empty())
            joined += '/';
        joined += name;
    }
    return joined;
}

} // namespace qv
