// The hint rules and the configuration writer on arbitrary settings, and the round trip: the text of
// starter.ini and autorun.inf, read back, gives the settings again wherever the format can hold them.

#include "FuzzCheck.h"

#include "config/ConfigWriter.h"
#include "config/KeyNames.h"
#include "config/Loader.h"
#include "config/ProfileReader.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using namespace qv;

namespace {

constexpr std::size_t kMaxText = 2200; // a little beyond the reader's cut, so the cut is exercised

std::vector<std::string*> TextFields(ProjectSettings& p)
{
    return {&p.ESpeicherort, &p.EHTMLOrt, &p.ETitel, &p.EIconOrt, &p.EBreite, &p.EHoehe, &p.EminBreite,
            &p.EminHoehe, &p.Eposx, &p.Eposy, &p.ESplashOrt, &p.ETransparencyColor, &p.EPasswort, &p.EExt,
            &p.EZusatzProgOrt, &p.EExeParam, &p.EZusatzProgOrt2, &p.EExeParam2, &p.EPopupParam, &p.EBMPOrt,
            &p.Eskinx, &p.ESkiny, &p.ESkinw, &p.ESkinh, &p.Eminx, &p.Eminy, &p.Eminw, &p.Eminh,
            &p.Eclosex, &p.Eclosey, &p.Eclosew, &p.Ecloseh};
}

std::vector<bool*> Flags(ProjectSettings& p)
{
    return {&p.ChVarTitel, &p.ChFullscreen, &p.Chfade, &p.Chfadeout, &p.ChTop, &p.ChScrollbar, &p.ChKontext,
            &p.ChSelect, &p.ChMove, &p.ChKeyInput, &p.ChAdmin, &p.ProjectChanged};
}

ProjectSettings ArbitrarySettings(FuzzedDataProvider& in)
{
    ProjectSettings p;
    for (std::string* text : TextFields(p))
        *text = in.ConsumeRandomLengthString(kMaxText);
    for (bool* flag : Flags(p))
        *flag = in.ConsumeBool();
    p.CbStyle = in.ConsumeBool() ? in.ConsumeIntegralInRange(0, kBorderStyleCount - 1) : in.ConsumeIntegral<int>();
    p.newWindowAction = static_cast<NewWindowAction>(in.ConsumeIntegralInRange(0, 3));
    p.ConfigTarget = in.ConsumeIntegral<int>();
    const std::size_t keys = in.ConsumeIntegralInRange<std::size_t>(0, 40);
    for (std::size_t i = 0; i < keys; ++i)
        p.LBShortcuts.push_back(in.ConsumeRandomLengthString(24));
    return p;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// A value the line format gives back unchanged: one line, nothing the reader trims or unquotes,
// not longer than the reader keeps.
bool LineFormatHolds(const std::string& v)
{
    if (v.size() > ProfileFile::kMaxValueLength || v.find('\n') != std::string::npos)
        return false;
    if (!v.empty() && (IsSpace(v.front()) || IsSpace(v.back())))
        return false;
    return !(v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front());
}

// The settings with every value the format cannot hold emptied, so that the round trip can be
// checked on the rest.
ProjectSettings Representable(ProjectSettings p)
{
    for (std::string* text : TextFields(p)) {
        if (!LineFormatHolds(*text))
            text->clear();
    }
    const auto measure = [](std::string& a, std::string& b, std::string& c, std::string& d) {
        const std::string joined = a + ',' + b + ',' + c + ',' + d;
        const bool commaInside = (a + b + c + d).find(',') != std::string::npos;
        if (commaInside || !LineFormatHolds(joined))
            a.clear(), b.clear(), c.clear(), d.clear();
    };
    measure(p.Eskinx, p.ESkiny, p.ESkinw, p.ESkinh);
    measure(p.Eminx, p.Eminy, p.Eminw, p.Eminh);
    measure(p.Eclosex, p.Eclosey, p.Eclosew, p.Ecloseh);
    return p;
}

// What reading the written file must give for `p`: what is not written reads as its default.
ProjectSettings ExpectedAfterReading(ProjectSettings p, int target)
{
    p.ESpeicherort.clear();
    p.ConfigTarget = target;
    p.ProjectChanged = false;
    if (p.ChFullscreen)
        p.EBreite.clear(), p.EHoehe.clear(), p.EminBreite.clear(), p.EminHoehe.clear();
    if (BorderStyleValue(p.CbStyle) == nullptr)
        p.CbStyle = BorderStyleIndex("sizeable");
    const auto measure = [&](std::string& a, std::string& b, std::string& c, std::string& d) {
        if (p.EBMPOrt.empty() || a.empty() || b.empty() || c.empty() || d.empty())
            a.clear(), b.clear(), c.clear(), d.clear();
    };
    measure(p.Eskinx, p.ESkiny, p.ESkinw, p.ESkinh);
    measure(p.Eminx, p.Eminy, p.Eminw, p.Eminh);
    measure(p.Eclosex, p.Eclosey, p.Eclosew, p.Ecloseh);
    return p;
}

// The blocked keys as codes, in order: the list comes back sorted by another rule and under the
// names of the codes, so only the codes can be compared.
std::vector<KeyCode> SortedCodes(const std::vector<std::string>& keys)
{
    std::vector<KeyCode> codes;
    for (const std::string& key : keys) {
        if (const KeyCode code = TextToKeyCode(key))
            codes.push_back(code);
    }
    std::sort(codes.begin(), codes.end());
    return codes;
}

void CheckRoundTrip(const ProjectSettings& project, int target)
{
    const BuildResult built = BuildConfiguration(project, target);
    const std::string bytes = ConfigFileBytes(built.configText, target);
    const std::string path = TargetFileName(target);
    ProjectSettings read = LoadSettings(ProfileFile::Parse(bytes), path, ProjectSettings{}).settings;
    ProjectSettings expected = ExpectedAfterReading(project, target);

    const bool sameKeys = SortedCodes(read.LBShortcuts) == SortedCodes(expected.LBShortcuts);
    read.LBShortcuts.clear();
    expected.LBShortcuts.clear();
    if (!(read == expected) || !sameKeys)
        std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    QV_FUZZ_CHECK(read == expected);
    QV_FUZZ_CHECK(sameKeys);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const ProjectSettings project = ArbitrarySettings(in);
    const int otherTarget = in.ConsumeIntegral<int>();

    // Anything goes in: every target builds, the hints do not depend on the target.
    const BuildResult ini = BuildConfiguration(project, 0);
    const BuildResult line = BuildConfiguration(project, 2);
    const BuildResult other = BuildConfiguration(project, otherTarget);
    QV_FUZZ_CHECK(ini.hints == line.hints && ini.hints == other.hints);
    QV_FUZZ_CHECK(ini.disabledKeyText == line.disabledKeyText);
    QV_FUZZ_CHECK(line.configText.size() == 1);
    // The batch file doubles every "%" and adds nothing else but the line end, and the code-page
    // line before a command that holds a character beyond ASCII.
    const std::string batch = ConfigFileBytes(line.configText, 2);
    const std::string& command = line.configText.front();
    const auto percents = [](const std::string& s) { return std::count(s.begin(), s.end(), '%'); };
    const bool beyondAscii =
        std::any_of(command.begin(), command.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    const std::string codePage = beyondAscii ? std::string(kBatchCodePageLine) + "\r\n" : std::string();
    QV_FUZZ_CHECK(batch.compare(0, codePage.size(), codePage) == 0);
    QV_FUZZ_CHECK(percents(batch) == 2 * percents(command));
    QV_FUZZ_CHECK(batch.size() == codePage.size() + command.size() + percents(command) + 2);

    ProjectSettings representable = Representable(project);
    if (representable.LBShortcuts.size() > 100) // their codes must fit the reader's 2047 characters
        representable.LBShortcuts.resize(100);
    CheckRoundTrip(representable, 0);
    CheckRoundTrip(representable, 1);
    return 0;
}
