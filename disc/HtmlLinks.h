#pragma once

#include <functional>
#include <memory>
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
    std::string value_;
};

// Finds the link targets of an HTML page fed in pieces, with libxml2's forgiving push parser
// (broken markup still yields its links, nothing is fetched): href, src, srcset, <object data>,
// background, <meta http-equiv="refresh" content="...; url=...">, and the url() and @import of
// <style> elements and style attributes. A page that is valid UTF-8 in its first piece is read with
// the character set it declares, anything else as Windows-1252. NUL bytes are read as blanks, as
// browsers read past them, and a run of blanks longer than any link is cut. Memory stays small
// whatever the page's size.
class HtmlLinkScanner {
public:
    explicit HtmlLinkScanner(LinkSink sink);
    ~HtmlLinkScanner();
    HtmlLinkScanner(const HtmlLinkScanner&) = delete;
    HtmlLinkScanner& operator=(const HtmlLinkScanner&) = delete;

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
