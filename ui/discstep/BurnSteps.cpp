#include "ui/discstep/BurnSteps.h"

#include "config/DiscRules.h"

#include <charconv>

namespace qv::ui {

namespace {

std::string_view Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// Splits at line feeds and carriage returns (progress lines end with a carriage return).
std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\n' || text[i] == '\r') {
            if (i > start)
                lines.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return lines;
}

// The next '...' quoted part from `pos` on; advances `pos` behind it.
std::optional<std::string_view> Quoted(std::string_view line, std::size_t& pos)
{
    const auto open = line.find('\'', pos);
    if (open == std::string_view::npos)
        return std::nullopt;
    const auto close = line.find('\'', open + 1);
    if (close == std::string_view::npos)
        return std::nullopt;
    pos = close + 1;
    return line.substr(open + 1, close - open - 1);
}

std::optional<std::uint64_t> Number(std::string_view text)
{
    text = Trim(text);
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end == text.data())
        return std::nullopt;
    return value;
}

// The value after "<key> :" when `line` begins with the key.
std::optional<std::string_view> Field(std::string_view line, std::string_view key)
{
    if (line.substr(0, key.size()) != key)
        return std::nullopt;
    std::string_view rest = Trim(line.substr(key.size()));
    if (rest.empty() || rest.front() != ':')
        return std::nullopt;
    return Trim(rest.substr(1));
}

} // namespace

std::vector<BurnDrive> ParseXorrisoDevices(std::string_view text)
{
    std::vector<BurnDrive> drives;
    for (std::string_view line : Lines(text)) {
        line = Trim(line);
        const auto dev = line.find("-dev ");
        if (dev == std::string_view::npos || !Number(line.substr(0, dev)))
            continue;
        std::size_t pos = dev;
        const auto device = Quoted(line, pos);
        if (!device || device->empty())
            continue;
        const std::string_view rest = Trim(line.substr(pos));
        if (rest.substr(0, 2) != "rw")
            continue;
        const auto vendor = Quoted(line, pos);
        const auto product = vendor ? Quoted(line, pos) : std::nullopt;
        std::string name(vendor ? Trim(*vendor) : std::string_view());
        if (product && !Trim(*product).empty())
            name += (name.empty() ? "" : " ") + std::string(Trim(*product));
        drives.push_back({std::string(*device), name.empty() ? std::string(*device) : name});
    }
    return drives;
}

BurnMedium ParseXorrisoMedium(std::string_view text)
{
    BurnMedium medium;
    for (std::string_view line : Lines(text)) {
        line = Trim(line);
        if (const auto status = Field(line, "Media status")) {
            medium.present = status->find("is not present") == std::string_view::npos
                             && status->find("is unsuitable") == std::string_view::npos;
            medium.blank = status->find("is blank") != std::string_view::npos;
        } else if (const auto space = Field(line, "Media space")) {
            std::string_view sectors = *space;
            if (!sectors.empty() && sectors.back() == 's')
                sectors.remove_suffix(1);
            if (const auto value = Number(sectors))
                medium.freeSectors = *value;
        }
    }
    if (!medium.present) {
        medium.blank = false;
        medium.freeSectors = 0;
    }
    return medium;
}

std::optional<BurnProgress> ParseXorrisoProgress(std::string_view line)
{
    line = Trim(line);
    const auto update = line.find("UPDATE :");
    if (update == std::string_view::npos)
        return std::nullopt;
    std::string_view rest = line.substr(update + 8);
    const auto of = rest.find(" of ");
    const auto mb = rest.find(" MB written");
    if (of == std::string_view::npos || mb == std::string_view::npos || mb < of)
        return std::nullopt;
    const auto done = Number(rest.substr(0, of));
    const auto total = Number(rest.substr(of + 4, mb - of - 4));
    if (!done || !total)
        return std::nullopt;
    return BurnProgress{*done, *total};
}

std::string XorrisoFailure(std::string_view output)
{
    std::string failure;
    for (std::string_view line : Lines(output)) {
        line = Trim(line);
        for (std::string_view severity : {" : FAILURE : ", " : SORRY : ", " : FATAL : "}) {
            if (const auto at = line.find(severity); at != std::string_view::npos) {
                failure = std::string(Trim(line.substr(at + severity.size())));
                break;
            }
        }
    }
    return failure;
}

std::vector<std::string> XorrisoDeviceArguments()
{
    return {"-devices"};
}

std::vector<std::string> XorrisoMediumArguments(const std::string& drive)
{
    return {"-outdev", drive, "-tell_media_space"};
}

std::vector<std::string> XorrisoBurnArguments(const std::string& drive, const std::string& image)
{
    // The emulation knows no "--": a relative name that begins with "-" or holds "=" gets "./" in
    // front, so it is not read as an option.
    const bool plain = !image.empty() && image.front() == '/';
    return {"-as", "cdrecord", "-v", "dev=" + drive, plain ? image : "./" + image};
}

std::vector<std::string> IsoburnArguments(const std::string& drive, const std::string& image)
{
    return {"/Q", drive, image};
}

std::vector<std::string> BraseroArguments(const std::string& image)
{
    return {"--image", image};
}

std::vector<std::string> K3bArguments(const std::string& image)
{
    return {"--cdimage", image};
}

std::string NoBurnerText(NoBurner why, const std::string& image)
{
    std::string text;
    switch (why) {
    case NoBurner::NoIsoburn:
        text = "Dieses Windows hat kein Programm zum Brennen von Abbildern (isoburn.exe gibt es ab Windows 7).";
        break;
    case NoBurner::NoDrive:
        text = "Es wurde kein CD- oder DVD-Laufwerk gefunden, das brennen kann.";
        break;
    case NoBurner::NoProgram:
        text = "Es wurde kein Brennprogramm gefunden: weder ein Brenner, den xorriso beschreiben darf, noch brasero "
               "oder k3b.";
        break;
    }
    return text + "\n\rDas Abbild liegt hier:\n\r" + image + "\n\rDu kannst es mit einem Brennprogramm deiner Wahl auf "
           "eine Disc brennen.";
}

std::string ImageTooBigText(const std::string& drive, std::uint64_t imageBytes, std::uint64_t freeSectors)
{
    return "Das Abbild passt nicht auf die Disc im Laufwerk " + drive + ": es braucht " + GermanSize(imageBytes)
           + ", auf der Disc ist Platz für " + GermanSize(freeSectors * 2048) + ".\n\rBitte lege eine größere Disc ein.";
}

} // namespace qv::ui
