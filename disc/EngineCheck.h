#pragma once

#include "disc/HtmlLinks.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class ScriptCompiler;
struct ScriptVerdict;

// What the Windows runtime's engine (the WebBrowser control in Internet Explorer 11 mode) does
// not understand, as the disc check finds it in the pages, scripts and style sheets the start page
// reaches. One finding names one construct and the line (from 1) where it was seen.
enum class EngineKind {
    Script,          // a script that does not parse as ES5: nothing of it runs
    LetDeclaration,  // let declarations: IE11 runs them, with differences
    ScriptUnchecked, // too large or nested too deeply to compile within the bounds (a note)
    Module,          // <script type="module">: never runs
    CssVariables,    // custom properties and var()
    Grid,            // display: grid without -ms-grid in the same file
    WebP,            // a picture in WebP (by its content)
    Avif,            // a picture in AVIF (by its content)
    Woff2Only,       // @font-face whose sources are woff2 only
    Media            // <video>/<audio> whose sources the engine cannot play
};

enum class ScriptPlace { File, Element, EventAttribute };

struct EngineFinding {
    EngineKind kind = EngineKind::Script;
    int line = 0;
    // Script: the parser's message; WebP/Avif: the picture's link; Media: "video" or "audio";
    // EventAttribute scripts: the attribute's name.
    std::string detail;
    ScriptPlace place = ScriptPlace::File;
    std::string attribute; // the event attribute's name ("onclick") for ScriptPlace::EventAttribute
};

using EngineSink = std::function<void(const EngineFinding&)>;

// The German text of a finding in `file` (the page, style sheet or script, as the report names it).
std::string EngineFindingText(const EngineFinding& finding, std::string_view file);
// Whether a finding is a note rather than a warning (the check could not decide).
bool EngineFindingIsNote(EngineKind kind);

// The finding a compiled script gives, if any (kind Script, LetDeclaration or ScriptUnchecked).
bool ScriptFinding(const ScriptVerdict& verdict, ScriptPlace place, int firstLine, EngineFinding& finding);

// The picture format of a file by its first bytes (at least 12 are needed to tell).
enum class PictureFormat { Other, WebP, Avif };
PictureFormat SniffPictureFormat(std::string_view head);

// Finds the engine's gaps in a style sheet fed in pieces: custom properties and var(), grid
// layout without the -ms- fallback anywhere in the same sheet (decided at Finish), and @font-face
// rules with woff2 sources only. Comments are skipped, strings kept whole; a declaration is looked
// at up to kMaxDeclaration characters. Style attributes are fed with Declarations.
class CssEngineScanner {
public:
    static constexpr std::size_t kMaxDeclaration = 8 * 1024;

    explicit CssEngineScanner(EngineSink sink);
    // The line where the next piece starts (a <style> element's line in its page).
    void SetLine(int line) { line_ = line; }
    void Feed(std::string_view piece);
    // Ends a <style> element: an open rule or comment ends with it.
    void EndBlock();
    // The declarations of a style attribute on `line`.
    void Declarations(std::string_view text, int line);
    // Ends the sheet (or the page): reports grid layout without fallback.
    void Finish();

private:
    enum class Mode { Text, Comment, String };
    void Statement(char end);
    void Declaration(std::string_view text, int line);

    EngineSink sink_;
    Mode mode_ = Mode::Text;
    char quote_ = 0;
    char previous_ = 0;
    bool escaped_ = false;
    bool variablesFound_ = false;
    int line_ = 1;
    int bufferLine_ = 0; // the line of the buffer's first character that is not blank
    std::string buffer_; // the statement read so far, ASCII letters in lower case
    std::vector<bool> blocks_; // the open blocks; true for @font-face
    bool fontWoff2_ = false;
    bool fontOther_ = false;
    int fontLine_ = 0;
    int gridLine_ = 0;
    bool msGrid_ = false;
};

// How a link of a page is used, as far as the engine check cares.
enum class LinkRole {
    None,          // nothing to look at (a fallback the engine ignores, a module, a data block)
    Navigation,    // a link to follow: <a href>, <area href>
    ClassicScript, // a script the engine runs: <script src> without a type it skips
    Embedded       // shown in the page: a picture, an icon, a frame, a style sheet's url()
};

// The engine check of one page, fed by the link scanner as it reads the page: scripts in elements
// and event attributes (compiled whole at their end), modules, the page's styles (<style> and
// style attributes, one sheet for the grid fallback) and <video>/<audio> sources.
class PageEngineCheck : public HtmlElementObserver {
public:
    PageEngineCheck(ScriptCompiler& compiler, EngineSink sink);

    void ElementStarted(std::string_view name, std::span<const HtmlAttribute> attributes, int line) override;
    void ElementEnded(std::string_view name) override;
    void TextRead(std::string_view text) override;
    // Called at the end of the page.
    void Finish();

    // The role of the link the scanner reports now, from `attribute` of the element last started.
    LinkRole RoleOf(std::string_view attribute) const;

private:
    enum class ScriptType { Classic, Module, Other };
    void CompileScript(std::string_view text, ScriptPlace place, int line, std::string_view attribute);
    void EndMedia();
    void MediaSource(std::string_view source, std::string_view type);

    ScriptCompiler& compiler_;
    EngineSink sink_;
    CssEngineScanner css_;
    std::string element_;          // the element last started, in lower case
    ScriptType scriptType_ = ScriptType::Classic;
    bool inScript_ = false;
    bool scriptHasSource_ = false;
    bool scriptTooLarge_ = false;
    int scriptLine_ = 0;
    std::string scriptText_;
    int styleDepth_ = 0;
    std::string media_;            // "video" or "audio" while inside one
    int mediaLine_ = 0;
    int mediaPlayable_ = 0;
    int mediaUnplayable_ = 0;
};

} // namespace qv
