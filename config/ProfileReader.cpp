#include "ProfileReader.h"

#include "Cp1252.h"

#include <fstream>
#include <iterator>

namespace qv {
namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string Folded(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(FoldUpper(static_cast<unsigned char>(c)));
    return out;
}

std::string ValueOf(std::string_view raw)
{
    std::string_view value = Trim(raw);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value.remove_prefix(1);
        value.remove_suffix(1);
    }
    if (value.size() > ProfileFile::kMaxValueLength)
        value = value.substr(0, ProfileFile::kMaxValueLength);
    return std::string(value);
}

} // namespace

ProfileFile ProfileFile::Parse(std::string_view bytes)
{
    ProfileFile file;
    // Index of the section that takes key lines; none before the first header and inside a
    // repeated section, whose lines are ignored.
    std::optional<std::size_t> current;
    std::size_t start = 0;
    while (start <= bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        const std::string_view line = Trim(bytes.substr(start, end - start));
        start = end + 1;

        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const std::string_view inner = line.substr(1);
            const std::size_t close = inner.rfind(']');
            std::string name = Folded(Trim(close == std::string_view::npos ? inner : inner.substr(0, close)));
            current.reset();
            if (!file.index_.contains(name)) {
                file.index_.emplace(name, file.sections_.size());
                current = file.sections_.size();
                file.sections_.push_back(Section{std::move(name), {}, {}});
            }
            continue;
        }
        if (!current)
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        std::string key = Folded(Trim(line.substr(0, eq)));
        Section& section = file.sections_[*current];
        if (section.keys.contains(key))
            continue;
        section.keys.emplace(std::move(key), section.values.size());
        section.values.push_back(ValueOf(line.substr(eq + 1)));
    }
    return file;
}

ProfileFile ProfileFile::Load(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return {};
    return Parse(bytes);
}

const ProfileFile::Section* ProfileFile::FindSection(std::string_view section) const
{
    const auto it = index_.find(Folded(section));
    return it == index_.end() ? nullptr : &sections_[it->second];
}

bool ProfileFile::HasSection(std::string_view section) const
{
    const Section* s = FindSection(section);
    return s != nullptr && !s->values.empty();
}

std::optional<std::string> ProfileFile::Find(std::string_view section, std::string_view key) const
{
    const Section* s = FindSection(section);
    if (s == nullptr)
        return std::nullopt;
    const auto it = s->keys.find(Folded(key));
    if (it == s->keys.end())
        return std::nullopt;
    return s->values[it->second];
}

std::string ProfileFile::Read(std::string_view section, std::string_view key, std::string_view fallback) const
{
    auto value = Find(section, key);
    return value ? std::move(*value) : std::string(fallback);
}

} // namespace qv
