#include "ProfileReader.h"

#include "Cp1252.h"

#include <exception>
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

// Calls f(line) for every line of `bytes`, the line trimmed of white space, with its offset.
template <typename F>
void ForEachLine(std::string_view bytes, std::size_t from, std::size_t to, F&& f)
{
    std::size_t start = from;
    while (start < to) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos || end > to)
            end = to;
        f(Trim(bytes.substr(start, end - start)), start);
        start = end + 1;
    }
}

} // namespace

ProfileFile ProfileFile::Parse(std::string bytes)
{
    ProfileFile file;
    file.bytes_ = std::move(bytes);
    const std::string_view all = file.bytes_;
    // Index of the section that takes key lines; none before the first header and inside a
    // repeated section, whose lines are ignored.
    std::optional<std::size_t> current;
    ForEachLine(all, 0, all.size(), [&](std::string_view line, std::size_t offset) {
        if (line.empty() || line.front() == ';')
            return;
        if (line.front() == '[') {
            if (current)
                file.sections_[*current].end = offset;
            current.reset();
            const std::string_view inner = line.substr(1);
            const std::size_t close = inner.rfind(']');
            std::string name = Folded(Trim(close == std::string_view::npos ? inner : inner.substr(0, close)));
            if (file.index_.emplace(std::move(name), file.sections_.size()).second) {
                current = file.sections_.size();
                Section section;
                section.begin = static_cast<std::size_t>(line.data() - all.data()) + line.size();
                file.sections_.push_back(std::move(section));
            }
            return;
        }
        if (current && line.find('=') != std::string_view::npos)
            file.sections_[*current].hasKeyLine = true;
    });
    if (current)
        file.sections_[*current].end = all.size();
    return file;
}

ProfileFile ProfileFile::Load(const std::string& path)
{
    std::string bytes;
    // Reading a folder, or a read error, throws from inside the stream buffer: it counts as a
    // file that cannot be read.
    try {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return {};
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad())
            return {};
    } catch (const std::exception&) {
        return {};
    }
    return Parse(std::move(bytes));
}

const ProfileFile::Section* ProfileFile::FindSection(std::string_view section) const
{
    const auto it = index_.find(Folded(section));
    return it == index_.end() ? nullptr : &sections_[it->second];
}

void ProfileFile::IndexKeys(const Section& section) const
{
    section.indexed = true;
    ForEachLine(bytes_, section.begin, section.end, [&](std::string_view line, std::size_t) {
        if (line.empty() || line.front() == ';')
            return;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            return;
        // try_emplace keeps the first key of a name.
        const std::string_view raw = line.substr(eq + 1);
        section.keys.try_emplace(Folded(Trim(line.substr(0, eq))),
                                 static_cast<std::size_t>(raw.data() - bytes_.data()), raw.size());
    });
}

bool ProfileFile::HasSection(std::string_view section) const
{
    const Section* s = FindSection(section);
    return s != nullptr && s->hasKeyLine;
}

std::optional<std::string> ProfileFile::Find(std::string_view section, std::string_view key) const
{
    const Section* s = FindSection(section);
    if (s == nullptr)
        return std::nullopt;
    if (!s->indexed)
        IndexKeys(*s);
    const auto it = s->keys.find(Folded(key));
    if (it == s->keys.end())
        return std::nullopt;
    return ValueOf(std::string_view(bytes_).substr(it->second.first, it->second.second));
}

std::string ProfileFile::Read(std::string_view section, std::string_view key, std::string_view fallback) const
{
    auto value = Find(section, key);
    return value ? std::move(*value) : std::string(fallback);
}

} // namespace qv
