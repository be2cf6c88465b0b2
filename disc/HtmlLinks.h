#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Receives each link target found, as UTF-8, in document order.
using LinkSink = std::function<void(std::string_view)>;

// Finds the link targets of a style sheet fed in pieces: url(...) (quoted or not) and
// @import "..."; comments hold none. Memory stays small whatever the sheet's size.
class CssLinkScanner {
public:
    explicit CssLinkScanner(LinkSink sink);
    void Feed(std::string_view piece);
    void Finish(); // ends the sheet; the scanner can take the next one
    int Line() const { return line_; } // the line reached in the sheet fed (from 1)

private:
    enum class State { Text, Comment, UrlStart, UrlQuoted, UrlBare, ImportStart, ImportQuoted };
    void Emit();

    LinkSink sink_;
    State state_ = State::Text;
    std::size_t urlMatched_ = 0;    // characters of "url(" seen so far
    std::size_t importMatched_ = 0; // characters of "@import" seen so far
    char previous_ = 0;
    char quote_ = 0;
    bool escaped_ = false;
    int line_ = 1;
    std::string value_;
};

struct HtmlAttribute {
    std::string_view name;
    std::string_view value; // entities resolved
};

// What a reader wants to see of a page besides its links, as the link scanner reads it: each
// element's start (before its links are reported) and end, and the text of the page, with the
// line the parser has reached (from 1).
class HtmlElementObserver {
public:
    virtual ~HtmlElementObserver() = default;
    virtual void ElementStarted(std::string_view name, std::span<const HtmlAttribute> attributes, int line) = 0;
    virtual void ElementEnded(std::string_view name) = 0;
    virtual void TextRead(std::string_view text) = 0;
};

// Finds the link targets of an HTML page fed in pieces, with libxml2's forgiving push parser
// (broken markup still yields its links, nothing is fetched): href, src, srcset, <object data>,
// background, <meta http-equiv="refresh" content="...; url=...">, and the url() and @import of
// <style> elements and style attributes. The href of the first <base> goes to `baseSink` when one
// is given (the page's links after it start there), else to `sink` like any link; later <base>
// elements count for nothing, as in browsers. Links after </body> and </html> are found too:
// browsers show what follows these tags. A page that is valid UTF-8 in its first piece is read with
// the character set it declares, anything else as Windows-1252. NUL bytes are read as blanks, as
// browsers read past them, and a run of blanks longer than any link is cut. Memory stays small
// whatever the page's size.
class HtmlLinkScanner {
public:
    explicit HtmlLinkScanner(LinkSink sink, LinkSink baseSink = nullptr);
    ~HtmlLinkScanner();
    HtmlLinkScanner(const HtmlLinkScanner&) = delete;
    HtmlLinkScanner& operator=(const HtmlLinkScanner&) = delete;

    // Shows the elements and text to `observer` too (nullptr: to none).
    void SetElementObserver(HtmlElementObserver* observer);
    // The line the parser has reached (from 1): within a link's report, the line of its element.
    int Line() const;
    // Within a link's report, the attribute it came from ("src", "srcset", ...); empty for a
    // url() or @import of a style element or style attribute.
    std::string_view LinkAttribute() const;

    void Feed(std::string_view piece);
    // Ends the page. False when the parser gave up before the end: links after that point were
    // not seen.
    bool Finish();

    struct State;

private:
    void Parse(std::string_view piece);

    std::unique_ptr<State> state_;
};

// The links of a whole page or style sheet at once.
std::vector<std::string> HtmlLinkTargets(std::string_view html);
std::vector<std::string> CssLinkTargets(std::string_view css);

} // namespace qv
