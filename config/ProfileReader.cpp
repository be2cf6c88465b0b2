#include "config/ProfileReader.h"

#include "config/Cp1252.h"

#include <algorithm>
#include <cstring>
#include <limits>

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

bool IsQuote(char c)
{
    return c == '"' || c == '\'';
}

std::string ValueOf(std::string_view raw)
{
    std::string_view value = Trim(raw);
    if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front()) {
        value.remove_prefix(1);
        value.remove_suffix(1);
    }
    if (value.size() > ProfileFile::kMaxValueLength)
        value = value.substr(0, ProfileFile::kMaxValueLength);
    return std::string(value);
}

// The longest text a kept value is built from: the value's first characters, enough for an
// opening quote and kMaxValueLength characters after it.
constexpr std::size_t kValueHead = ProfileFile::kMaxValueLength + 2;
constexpr std::size_t kUnbounded = std::numeric_limits<std::size_t>::max();

// The start of a text that may be longer than is worth storing: the first `cap` characters
// (from the first one that is not white space), and what matters of the rest.
struct Head {
    std::string text;
    bool overflow = false;
    bool nonSpaceInOverflow = false;
    char lastNonSpace = 0; // of the overflow
    bool bracketInOverflow = false;
    bool nonSpaceBeforeLastBracket = false; // in the overflow, before its last "]"
    bool nonSpacePending = false;           // in the overflow, since its last "]"

    void Clear()
    {
        text.clear();
        overflow = nonSpaceInOverflow = bracketInOverflow = nonSpaceBeforeLastBracket = nonSpacePending = false;
        lastNonSpace = 0;
    }
    bool Empty() const { return text.empty(); }
    void Append(std::string_view piece, std::size_t cap)
    {
        if (text.empty()) {
            while (!piece.empty() && IsSpace(piece.front()))
                piece.remove_prefix(1);
        }
        const std::size_t room = cap - std::min(cap, text.size());
        text.append(piece.substr(0, room));
        if (piece.size() <= room)
            return;
        overflow = true;
        for (const char c : piece.substr(room)) {
            if (c == ']') {
                if (nonSpacePending || bracketInOverflow)
                    nonSpaceBeforeLastBracket = true;
                bracketInOverflow = true;
                nonSpacePending = false;
            } else if (!IsSpace(c)) {
                nonSpacePending = true;
            }
            if (!IsSpace(c)) {
                nonSpaceInOverflow = true;
                lastNonSpace = c;
            }
        }
    }
};

} // namespace

// Turns the bytes of a file, fed in pieces of any size, into the sections and keys it keeps.
// Lines are never stored whole: a line of a section that is not kept is skipped to its end, and
// the parts of a kept line are stored up to a bound that cannot change the result.
class ProfileScanner {
public:
    explicit ProfileScanner(const ProfileFile::Keep& keep)
        : wantedSections_(keep.sections)
        , wantedKeys_(keep.keys)
    {
        // A name longer than every kept one needs no more than its start to be told apart.
        for (const std::string& s : keep.sections)
            nameCap_ = std::max<std::size_t>(nameCap_ == kUnbounded ? 0 : nameCap_, s.size() + 1);
        for (const std::string& k : keep.keys)
            keyCap_ = std::max<std::size_t>(keyCap_ == kUnbounded ? 0 : keyCap_, k.size() + 1);
    }

    void Feed(std::string_view bytes)
    {
        switch (encoding_) {
        case Encoding::Undecided:
            DecideEncoding(bytes, false);
            break;
        case Encoding::Bytes:
            Scan(bytes);
            break;
        case Encoding::Utf8:
            FeedUtf8(bytes);
            break;
        case Encoding::Utf16Le:
        case Encoding::Utf16Be:
            FeedUtf16(bytes);
            break;
        }
    }

    ProfileFile Finish()
    {
        if (encoding_ == Encoding::Undecided)
            DecideEncoding({}, true);
        if (encoding_ == Encoding::Utf8 && !carry_.empty())
            Scan(Utf8ToCp1252(carry_));
        if ((encoding_ == Encoding::Utf16Le || encoding_ == Encoding::Utf16Be) && (!carry_.empty() || highSurrogate_))
            Scan("?");
        EndLine();
        return std::move(file_);
    }

private:
    enum class Encoding { Undecided, Bytes, Utf8, Utf16Le, Utf16Be };
    enum class Mode { LineStart, Skip, Header, KeyName, ValueStart, Value };

    // The mark is recognised on the file's first bytes, which may arrive in several pieces.
    void DecideEncoding(std::string_view bytes, bool atEnd)
    {
        carry_.append(bytes);
        const auto startsWith = [&](std::string_view mark) { return carry_.compare(0, mark.size(), mark) == 0; };
        if (carry_.size() < 3 && !atEnd && (startsWith(std::string_view("\xEF\xBB\xBF", carry_.size())) ||
                                            carry_ == "\xFF" || carry_ == "\xFE"))
            return;
        std::string start = std::move(carry_);
        carry_.clear();
        if (start.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            encoding_ = Encoding::Utf8;
            FeedUtf8(std::string_view(start).substr(3));
        } else if (start.compare(0, 2, "\xFF\xFE") == 0) {
            encoding_ = Encoding::Utf16Le;
            FeedUtf16(std::string_view(start).substr(2));
        } else if (start.compare(0, 2, "\xFE\xFF") == 0) {
            encoding_ = Encoding::Utf16Be;
            FeedUtf16(std::string_view(start).substr(2));
        } else {
            encoding_ = Encoding::Bytes;
            Scan(start);
        }
    }

    // Converts what is complete and keeps a sequence cut by the end of the piece for the next one.
    void FeedUtf8(std::string_view bytes)
    {
        std::string text = std::move(carry_);
        carry_.clear();
        text.append(bytes);
        std::size_t keep = 0;
        for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
            const auto c = static_cast<unsigned char>(text[text.size() - back]);
            if ((c & 0xC0) == 0x80)
                continue; // a continuation byte: look further back for its lead
            const std::size_t length = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
            if (length > back)
                keep = back;
            break;
        }
        carry_.assign(text, text.size() - keep, keep);
        text.resize(text.size() - keep);
        Scan(Utf8ToCp1252(text));
    }

    void FeedUtf16(std::string_view bytes)
    {
        std::string utf8;
        utf8.reserve(bytes.size());
        const auto append = [&](char32_t cp) {
            if (cp < 0x80) {
                utf8.push_back(static_cast<char>(cp));
            } else if (cp < 0x800) {
                utf8.push_back(static_cast<char>(0xC0 | (cp >> 6)));
                utf8.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
            } else if (cp < 0x10000) {
                utf8.push_back(static_cast<char>(0xE0 | (cp >> 12)));
                utf8.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
                utf8.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
            } else {
                utf8.push_back('?'); // outside the basic plane: never in Windows-1252
            }
        };
        for (const char b : bytes) {
            carry_.push_back(b);
            if (carry_.size() < 2)
                continue;
            const auto lo = static_cast<unsigned char>(carry_[encoding_ == Encoding::Utf16Le ? 0 : 1]);
            const auto hi = static_cast<unsigned char>(carry_[encoding_ == Encoding::Utf16Le ? 1 : 0]);
            carry_.clear();
            const char32_t unit = static_cast<char32_t>(hi << 8 | lo);
            if (highSurrogate_) {
                highSurrogate_ = false;
                if (unit >= 0xDC00 && unit <= 0xDFFF) {
                    append(0x10000);
                    continue;
                }
                utf8.push_back('?');
            }
            if (unit >= 0xD800 && unit <= 0xDBFF)
                highSurrogate_ = true;
            else if (unit >= 0xDC00 && unit <= 0xDFFF)
                utf8.push_back('?');
            else
                append(unit);
        }
        Scan(Utf8ToCp1252(utf8));
    }

    void Scan(std::string_view bytes)
    {
        const char* p = bytes.data();
        const char* const end = p + bytes.size();
        while (p < end) {
            if (current_ == nullptr && (mode_ == Mode::LineStart || mode_ == Mode::Skip)) {
                p = SeekHeader(p, end);
                continue;
            }
            if (mode_ == Mode::LineStart) {
                while (p < end && IsSpace(*p))
                    ++p;
                if (p == end)
                    return;
                const char c = *p;
                if (c == '\n') {
                    ++p;
                    continue;
                }
                if (c == ';') {
                    mode_ = Mode::Skip;
                } else if (c == '[') {
                    mode_ = Mode::Header;
                    head_.Clear();
                    ++p;
                } else if (current_ != nullptr) {
                    mode_ = Mode::KeyName;
                    head_.Clear();
                } else {
                    mode_ = Mode::Skip;
                }
                continue;
            }
            const auto* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            const char* const stop = nl != nullptr ? nl : end;
            if (mode_ != Mode::Skip)
                Take(std::string_view(p, static_cast<std::size_t>(stop - p)));
            if (nl == nullptr)
                return;
            EndLine();
            p = nl + 1;
        }
    }

    // Outside a kept section only a header matters: jumps from "[" to "[" (instead of from line to
    // line) until one stands first on its line. Returns where the scan goes on.
    const char* SeekHeader(const char* p, const char* const end)
    {
        bool blank = mode_ == Mode::LineStart; // all of the line before p is white space
        for (;;) {
            const auto* bracket = static_cast<const char*>(std::memchr(p, '[', static_cast<std::size_t>(end - p)));
            const char* const limit = bracket != nullptr ? bracket : end;
            const char* r = limit;
            while (r > p && IsSpace(r[-1]))
                --r;
            const bool atLineStart = r == p ? blank : r[-1] == '\n';
            if (bracket == nullptr) {
                mode_ = atLineStart ? Mode::LineStart : Mode::Skip;
                return end;
            }
            if (atLineStart) {
                mode_ = Mode::Header;
                head_.Clear();
                return bracket + 1;
            }
            blank = false;
            p = bracket + 1;
        }
    }

    // A part of the current line, without its line feed.
    void Take(std::string_view part)
    {
        if (mode_ == Mode::Header) {
            head_.Append(part, nameCap_);
            return;
        }
        if (mode_ == Mode::KeyName) {
            const std::size_t eq = part.find('=');
            head_.Append(part.substr(0, eq), keyCap_);
            if (eq == std::string_view::npos)
                return;
            current_->hasKeyLine = true;
            mode_ = Mode::Skip;
            if (head_.nonSpaceInOverflow)
                return; // a name longer than any kept one
            const std::string_view trimmed = Trim(head_.text);
            if (!Wanted(wantedKeys_, trimmed))
                return;
            std::string name = Folded(trimmed);
            if (current_->keys.count(name) != 0)
                return;
            key_ = std::move(name);
            head_.Clear();
            mode_ = Mode::Value;
            part.remove_prefix(eq + 1);
        }
        if (mode_ == Mode::Value)
            head_.Append(part, kValueHead);
    }

    void EndLine()
    {
        if (mode_ == Mode::Header)
            OpenSection();
        else if (mode_ == Mode::Value)
            current_->keys.emplace(std::move(key_), KeptValue());
        mode_ = Mode::LineStart;
    }

    std::string KeptValue() const
    {
        if (!head_.nonSpaceInOverflow)
            return ValueOf(head_.text);
        // The value is longer than its head: only its first and last characters decide the cut.
        const std::string& t = head_.text;
        if (IsQuote(t.front()) && head_.lastNonSpace == t.front())
            return t.substr(1, ProfileFile::kMaxValueLength);
        return t.substr(0, ProfileFile::kMaxValueLength);
    }

    void OpenSection()
    {
        current_ = nullptr;
        std::string_view name = head_.text;
        if (head_.bracketInOverflow) {
            if (head_.nonSpaceBeforeLastBracket)
                return; // a name longer than any kept one
        } else if (const std::size_t close = name.rfind(']'); close != std::string_view::npos) {
            name = name.substr(0, close);
        } else if (head_.nonSpaceInOverflow) {
            return;
        }
        const std::string_view trimmed = Trim(name);
        if (!Wanted(wantedSections_, trimmed))
            return;
        const auto [it, added] = file_.sections_.try_emplace(Folded(trimmed));
        if (added)
            current_ = &it->second;
    }

    static bool Wanted(const std::vector<std::string>& wanted, std::string_view name)
    {
        return wanted.empty()
               || std::any_of(wanted.begin(), wanted.end(), [&](const std::string& w) { return EqualsIgnoreCase(w, name); });
    }

    const std::vector<std::string>& wantedSections_;
    const std::vector<std::string>& wantedKeys_;
    std::size_t nameCap_ = kUnbounded;
    std::size_t keyCap_ = kUnbounded;

    Encoding encoding_ = Encoding::Undecided;
    std::string carry_;
    bool highSurrogate_ = false;

    Mode mode_ = Mode::LineStart;
    Head head_;
    std::string key_;
    ProfileFile::Section* current_ = nullptr; // the section taking key lines, if kept
    ProfileFile file_;
};

ProfileFile ProfileFile::Parse(std::string bytes)
{
    return Parse(std::string_view(bytes), Keep{});
}

ProfileFile ProfileFile::Parse(std::string_view bytes, const Keep& keep)
{
    ProfileScanner scanner(keep);
    scanner.Feed(bytes);
    return scanner.Finish();
}

ProfileFile ProfileFile::Load(const std::string& path, const Keep& keep)
{
    return Load(path, keep, ReadOptions{});
}

ProfileFile ProfileFile::Load(const std::string& path, const Keep& keep, const ReadOptions& options)
{
    // The default buffer is large enough that a small file is read in one call, and small enough
    // to stay in the processor's cache.
    ProfileScanner scanner(keep);
    const Status status = ReadRegularFile(path, options.maxFileSize, options.bufferSize,
                                          [&scanner](std::string_view piece) { scanner.Feed(piece); });
    if (status != Status::Read) {
        ProfileFile file;
        file.status_ = status;
        return file;
    }
    return scanner.Finish();
}

bool ProfileFile::HasSection(std::string_view section) const
{
    const auto it = sections_.find(Folded(section));
    return it != sections_.end() && it->second.hasKeyLine;
}

std::optional<std::string> ProfileFile::Find(std::string_view section, std::string_view key) const
{
    const auto s = sections_.find(Folded(section));
    if (s == sections_.end())
        return std::nullopt;
    const auto k = s->second.keys.find(Folded(key));
    if (k == s->second.keys.end())
        return std::nullopt;
    return k->second;
}

std::string ProfileFile::Read(std::string_view section, std::string_view key, std::string_view fallback) const
{
    auto value = Find(section, key);
    return value ? std::move(*value) : std::string(fallback);
}

} // namespace qv
