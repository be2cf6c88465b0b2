#include "disc/HtmlLinks.h"

#include <libxml/HTMLparser.h>
#include <libxml/SAX2.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <cctype>

namespace qv {
namespace {

constexpr std::string_view kUrlOpen = "url(";
constexpr std::string_view kImport = "@import";
// A longer "link" is no link a page could mean; it is dropped instead of held.
constexpr std::size_t kMaxLinkLength = 64 * 1024;

char Lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool IsCssSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return Lower(x) == Lower(y);
           });
}

// Valid UTF-8, except that the piece may end inside a character.
bool IsValidUtf8Start(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        const std::size_t length = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        if (length == 0 || (length == 2 && b < 0xC2))
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if (i + k >= text.size())
                return true;
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += length;
    }
    return true;
}

// The URLs of a srcset: candidates separated by commas, each a URL and an optional descriptor.
void SrcsetLinks(std::string_view value, const LinkSink& sink)
{
    std::size_t i = 0;
    while (i < value.size()) {
        while (i < value.size() && (IsCssSpace(value[i]) || value[i] == ','))
            ++i;
        std::size_t end = i;
        while (end < value.size() && !IsCssSpace(value[end]))
            ++end;
        std::string_view url = value.substr(i, end - i);
        const bool lastInCandidate = !url.empty() && url.back() == ',';
        while (!url.empty() && url.back() == ',')
            url.remove_suffix(1);
        if (!url.empty())
            sink(url);
        i = end;
        if (!lastInCandidate) {
            int depth = 0; // a descriptor may hold commas in parentheses
            while (i < value.size() && !(value[i] == ',' && depth == 0)) {
                depth += value[i] == '(' ? 1 : value[i] == ')' ? -1 : 0;
                ++i;
            }
        }
    }
}

// The address of <meta http-equiv="refresh" content="5; url=seite.html">.
void RefreshLink(std::string_view content, const LinkSink& sink)
{
    for (std::size_t i = 0; i + 3 <= content.size(); ++i) {
        if (!EqualsIgnoreCase(content.substr(i, 3), "url"))
            continue;
        std::size_t k = i + 3;
        while (k < content.size() && IsCssSpace(content[k]))
            ++k;
        if (k >= content.size() || content[k] != '=')
            continue;
        ++k;
        while (k < content.size() && IsCssSpace(content[k]))
            ++k;
        std::string_view url = content.substr(k);
        if (!url.empty() && (url.front() == '"' || url.front() == '\'')) {
            const char quote = url.front();
            url.remove_prefix(1);
            url = url.substr(0, url.find(quote));
        }
        while (!url.empty() && IsCssSpace(url.back()))
            url.remove_suffix(1);
        if (!url.empty())
            sink(url);
        return;
    }
}

} // namespace

CssLinkScanner::CssLinkScanner(LinkSink sink) : sink_(std::move(sink)) {}

void CssLinkScanner::Emit()
{
    std::string_view value = value_;
    while (!value.empty() && IsCssSpace(value.back()))
        value.remove_suffix(1);
    if (!value.empty() && value.size() <= kMaxLinkLength)
        sink_(value);
    value_.clear();
}

void CssLinkScanner::Feed(std::string_view piece)
{
    for (const char c : piece) {
        line_ += c == '\n' ? 1 : 0;
        switch (state_) {
        case State::Comment:
            if (previous_ == '*' && c == '/') {
                state_ = State::Text;
                previous_ = 0;
                continue;
            }
            break;
        case State::Text:
            if (previous_ == '/' && c == '*') {
                state_ = State::Comment;
                urlMatched_ = importMatched_ = 0;
                previous_ = 0;
                continue;
            }
            urlMatched_ = Lower(c) == kUrlOpen[urlMatched_] ? urlMatched_ + 1 : Lower(c) == kUrlOpen[0] ? 1 : 0;
            importMatched_ = Lower(c) == kImport[importMatched_] ? importMatched_ + 1 : c == '@' ? 1 : 0;
            if (urlMatched_ == kUrlOpen.size()) {
                urlMatched_ = 0;
                state_ = State::UrlStart;
            } else if (importMatched_ == kImport.size()) {
                importMatched_ = 0;
                state_ = State::ImportStart;
            }
            break;
        case State::UrlStart:
            if (IsCssSpace(c))
                break;
            if (c == '"' || c == '\'') {
                quote_ = c;
                state_ = State::UrlQuoted;
            } else if (c == ')') {
                state_ = State::Text;
            } else {
                value_ += c;
                state_ = State::UrlBare;
            }
            break;
        case State::UrlBare:
            if (c == ')' || IsCssSpace(c)) {
                Emit();
                state_ = State::Text;
            } else if (value_.size() <= kMaxLinkLength) {
                value_ += c;
            }
            break;
        case State::ImportStart:
            if (IsCssSpace(c))
                break;
            if (c == '"' || c == '\'') {
                quote_ = c;
                state_ = State::ImportQuoted;
            } else {
                // "@import url(...)": the url( is matched from here on.
                state_ = State::Text;
                urlMatched_ = Lower(c) == kUrlOpen[0] ? 1 : 0;
            }
            break;
        case State::UrlQuoted:
        case State::ImportQuoted:
            if (escaped_) {
                escaped_ = false;
                if (value_.size() <= kMaxLinkLength)
                    value_ += c;
            } else if (c == '\\') {
                escaped_ = true;
            } else if (c == quote_) {
                Emit();
                state_ = State::Text;
            } else if (c == '\n') {
                value_.clear(); // an unclosed string ends at the line
                state_ = State::Text;
            } else if (value_.size() <= kMaxLinkLength) {
                value_ += c;
            }
            break;
        }
        previous_ = c;
    }
}

void CssLinkScanner::Finish()
{
    if (state_ == State::UrlBare)
        Emit();
    state_ = State::Text;
    urlMatched_ = importMatched_ = 0;
    previous_ = 0;
    escaped_ = false;
    line_ = 1;
    value_.clear();
}

struct HtmlLinkScanner::State {
    State(LinkSink s, LinkSink b) : sink(std::move(s)), baseSink(std::move(b)), css(sink) {}
    LinkSink sink;
    LinkSink baseSink;
    HtmlElementObserver* observer = nullptr;
    std::vector<HtmlAttribute> attributes; // the observer's view of an element's attributes
    std::string_view linkAttribute;
    bool baseSeen = false;
    CssLinkScanner css;
    htmlParserCtxtPtr context = nullptr;
    htmlSAXHandler handler{};
    int styleDepth = 0; // inside <style>: its text is a style sheet
    bool stopped = false;
    std::string pending; // text after the last ">" fed, held for the next piece
    std::size_t blankRun = 0;
};

namespace {

HtmlLinkScanner::State& Of(void* context)
{
    return *static_cast<HtmlLinkScanner::State*>(static_cast<htmlParserCtxtPtr>(context)->_private);
}

std::string_view Text(const xmlChar* text)
{
    return text == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(text));
}

void OnStartElement(void* context, const xmlChar* element, const xmlChar** attributes)
{
    HtmlLinkScanner::State& state = Of(context);
    const std::string_view name = Text(element);
    if (EqualsIgnoreCase(name, "style")) {
        ++state.styleDepth;
        state.css.Finish();
    }
    if (state.observer != nullptr) {
        state.attributes.clear();
        for (const xmlChar** a = attributes; a != nullptr && a[0] != nullptr; a += 2)
            state.attributes.push_back({Text(a[0]), Text(a[1])});
        state.observer->ElementStarted(name, state.attributes, xmlSAX2GetLineNumber(context));
    }
    if (attributes == nullptr)
        return;
    const bool isMeta = EqualsIgnoreCase(name, "meta");
    const bool isBase = EqualsIgnoreCase(name, "base");
    bool refresh = false;
    std::string content;
    for (const xmlChar** a = attributes; a[0] != nullptr; a += 2) {
        const std::string_view key = Text(a[0]);
        const std::string_view value = Text(a[1]);
        state.linkAttribute = EqualsIgnoreCase(key, "style") ? std::string_view() : key;
        if (isBase && state.baseSink && EqualsIgnoreCase(key, "href")) {
            if (!state.baseSeen)
                state.baseSink(value);
            state.baseSeen = true;
        } else if (EqualsIgnoreCase(key, "href") || EqualsIgnoreCase(key, "src") || EqualsIgnoreCase(key, "background")
            || (EqualsIgnoreCase(key, "data") && EqualsIgnoreCase(name, "object"))) {
            state.sink(value);
        } else if (EqualsIgnoreCase(key, "srcset")) {
            SrcsetLinks(value, state.sink);
        } else if (EqualsIgnoreCase(key, "style")) {
            CssLinkScanner inline_(state.sink);
            inline_.Feed(value);
            inline_.Finish();
        } else if (isMeta && EqualsIgnoreCase(key, "http-equiv")) {
            refresh = EqualsIgnoreCase(value, "refresh");
        } else if (isMeta && EqualsIgnoreCase(key, "content")) {
            content = value;
        }
    }
    state.linkAttribute = "content";
    if (refresh)
        RefreshLink(content, state.sink);
    state.linkAttribute = {};
}

void OnEndElement(void* context, const xmlChar* element)
{
    HtmlLinkScanner::State& state = Of(context);
    if (state.observer != nullptr)
        state.observer->ElementEnded(Text(element));
    if (state.styleDepth > 0 && EqualsIgnoreCase(Text(element), "style")) {
        --state.styleDepth;
        state.css.Finish();
    }
}

void OnText(void* context, const xmlChar* text, int length)
{
    HtmlLinkScanner::State& state = Of(context);
    const std::string_view piece(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
    if (state.observer != nullptr)
        state.observer->TextRead(piece);
    if (state.styleDepth > 0)
        state.css.Feed(piece);
}

// The parser reads nothing after </html> (and ends the body at </body>), while browsers show what
// follows: the end tags of the first `length` characters become blanks.
void DropDocumentEnds(std::string& text, std::size_t length)
{
    for (std::size_t i = text.find("</"); i != std::string::npos && i < length; i = text.find("</", i + 1)) {
        for (const std::string_view tag : {std::string_view("html"), std::string_view("body")}) {
            const std::size_t end = i + 2 + tag.size();
            if (end >= text.size() || !EqualsIgnoreCase(std::string_view(text).substr(i + 2, tag.size()), tag))
                continue;
            const char next = text[end];
            if (next == '>' || next == '/' || IsCssSpace(next))
                text.replace(i, end - i, end - i, ' ');
        }
    }
}

} // namespace

HtmlLinkScanner::HtmlLinkScanner(LinkSink sink, LinkSink baseSink)
    : state_(std::make_unique<State>(std::move(sink), std::move(baseSink)))
{
    state_->handler.startElement = OnStartElement;
    state_->handler.endElement = OnEndElement;
    state_->handler.characters = OnText;
    state_->handler.cdataBlock = OnText;
}

HtmlLinkScanner::~HtmlLinkScanner()
{
    if (state_->context != nullptr)
        htmlFreeParserCtxt(state_->context);
}

void HtmlLinkScanner::SetElementObserver(HtmlElementObserver* observer)
{
    state_->observer = observer;
}

std::string_view HtmlLinkScanner::LinkAttribute() const
{
    return state_->linkAttribute;
}

int HtmlLinkScanner::Line() const
{
    return state_->context == nullptr ? 1 : xmlSAX2GetLineNumber(state_->context);
}

void HtmlLinkScanner::Feed(std::string_view piece)
{
    if (piece.empty() || state_->stopped)
        return;
    // The parser loses the rest of a page when a piece ends inside the end tag of a <style> or
    // <script>: pieces are handed on up to their last ">", the rest waits for the next piece
    // (up to a bound, for a page without any ">").
    constexpr std::size_t kMaxHeld = 1024 * 1024;
    // Browsers read past a NUL byte, which would stop the parser: it is read as a blank. The
    // parser holds text until it sees the next tag, so a long run of blanks (a page of zeros) is cut
    // to its first kKeptBlanks: no link holds more.
    constexpr std::size_t kKeptBlanks = 1024;
    std::string& text = state_->pending;
    text.reserve(text.size() + piece.size());
    const auto isBlank = [](char c) {
        return c == '\0' || c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
    };
    std::size_t i = 0;
    while (i < piece.size()) {
        std::size_t end = i;
        while (end < piece.size() && !isBlank(piece[end]))
            ++end;
        if (end > i) {
            state_->blankRun = 0;
            text.append(piece.data() + i, end - i);
            i = end;
        }
        for (; i < piece.size() && isBlank(piece[i]); ++i) {
            if (++state_->blankRun <= kKeptBlanks)
                text.push_back(piece[i] == '\0' ? ' ' : piece[i]);
        }
    }
    const std::size_t last = text.rfind('>');
    std::size_t cut = last == std::string::npos ? 0 : last + 1;
    if (cut == 0 && text.size() < kMaxHeld)
        return;
    if (cut == 0)
        cut = text.size();
    DropDocumentEnds(text, cut);
    Parse(std::string_view(text).substr(0, cut));
    text.erase(0, cut);
}

void HtmlLinkScanner::Parse(std::string_view piece)
{
    if (state_->context == nullptr) {
        // Text that is valid UTF-8 is left to the parser, which honours a declared charset and a
        // byte-order mark. Anything else is taken as Windows-1252, the pages' usual encoding on
        // Windows: left alone, the parser mangles such bytes when it guesses UTF-8 first.
        const bool utf8 = IsValidUtf8Start(piece);
        state_->context = htmlCreatePushParserCtxt(&state_->handler, nullptr, nullptr, 0, nullptr,
                                                   utf8 ? XML_CHAR_ENCODING_UTF8 : XML_CHAR_ENCODING_NONE);
        if (state_->context == nullptr) {
            state_->stopped = true;
            return;
        }
        state_->context->_private = state_.get();
        htmlCtxtUseOptions(state_->context, HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING
                                                | HTML_PARSE_NONET | HTML_PARSE_NOBLANKS);
        if (!utf8) {
            if (xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler("windows-1252"))
                xmlSwitchToEncoding(state_->context, handler);
        }
    }
    htmlParseChunk(state_->context, piece.data(), static_cast<int>(piece.size()), 0);
    if (state_->context->disableSAX != 0)
        state_->stopped = true;
}

bool HtmlLinkScanner::Finish()
{
    if (!state_->pending.empty() && !state_->stopped) {
        DropDocumentEnds(state_->pending, state_->pending.size());
        Parse(state_->pending);
        state_->pending.clear();
    }
    if (state_->context == nullptr)
        return !state_->stopped;
    if (!state_->stopped) {
        htmlParseChunk(state_->context, nullptr, 0, 1);
        if (state_->context->disableSAX != 0)
            state_->stopped = true;
    }
    state_->css.Finish();
    return !state_->stopped;
}

std::vector<std::string> HtmlLinkTargets(std::string_view html)
{
    std::vector<std::string> links;
    HtmlLinkScanner scanner([&links](std::string_view link) { links.emplace_back(link); });
    // In pieces, as a page is read from the disk.
    constexpr std::size_t kPiece = 64 * 1024;
    for (std::size_t i = 0; i < html.size(); i += kPiece)
        scanner.Feed(html.substr(i, kPiece));
    scanner.Finish();
    return links;
}

std::vector<std::string> CssLinkTargets(std::string_view css)
{
    std::vector<std::string> links;
    CssLinkScanner scanner([&links](std::string_view link) { links.emplace_back(link); });
    scanner.Feed(css);
    scanner.Finish();
    return links;
}

} // namespace qv
