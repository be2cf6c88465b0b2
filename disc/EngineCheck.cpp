#include "disc/EngineCheck.h"

#include "disc/ScriptCompiler.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace qv {
namespace {

constexpr std::string_view kRuntime = "die Windows-Laufzeit (Internet Explorer 11)";

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lowered(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
    return lower;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string Quote(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

std::string Where(std::string_view file, int line)
{
    return Quote(file) + (line > 0 ? ", Zeile " + std::to_string(line) : std::string()) + ": ";
}

// A link's path without its query and fragment, in lower case.
std::string LinkPath(std::string_view link)
{
    return Lowered(Trimmed(link.substr(0, link.find_first_of("?#"))));
}

// The text in the parentheses after `function` in `value` ("url(", "format("), quotes removed.
std::string_view FunctionArgument(std::string_view value, std::string_view function)
{
    const std::size_t at = value.find(function);
    if (at == std::string_view::npos)
        return {};
    std::string_view rest = value.substr(at + function.size());
    rest = rest.substr(0, rest.find(')'));
    rest = Trimmed(rest);
    if (rest.size() >= 2 && (rest.front() == '"' || rest.front() == '\'') && rest.back() == rest.front())
        rest = rest.substr(1, rest.size() - 2);
    return rest;
}

// Whether `name(` occurs in `value` as a function, not as the end of a longer name.
bool HasFunction(std::string_view value, std::string_view name)
{
    for (std::size_t at = value.find(name); at != std::string_view::npos; at = value.find(name, at + 1)) {
        if (at == 0)
            return true;
        const char before = value[at - 1];
        if (!(std::isalnum(static_cast<unsigned char>(before)) || before == '-' || before == '_'))
            return true;
    }
    return false;
}

// A value with its quoted strings left out: their text is no property and no function.
std::string WithoutStrings(std::string_view value)
{
    std::string out;
    char quote = 0;
    bool escaped = false;
    for (const char c : value) {
        if (quote == 0) {
            if (c == '"' || c == '\'')
                quote = c;
            else
                out.push_back(c);
        } else if (escaped) {
            escaped = false;
        } else if (c == '\\') {
            escaped = true;
        } else if (c == quote) {
            quote = 0;
        }
    }
    return out;
}

enum class Playable { Yes, No, Unknown };

Playable MediaTypePlayable(std::string_view type)
{
    const std::string_view mime = Trimmed(type.substr(0, type.find(';')));
    static constexpr std::array<std::string_view, 7> kYes{"video/mp4",   "audio/mp4", "audio/mpeg", "audio/mp3",
                                                         "audio/aac",   "audio/x-m4a", "video/x-m4v"};
    static constexpr std::array<std::string_view, 9> kNo{"video/webm", "audio/webm", "video/ogg",
                                                        "audio/ogg",  "application/ogg", "audio/opus",
                                                        "audio/flac", "audio/x-flac", "video/x-matroska"};
    if (std::find(kYes.begin(), kYes.end(), mime) != kYes.end())
        return Playable::Yes;
    if (std::find(kNo.begin(), kNo.end(), mime) != kNo.end())
        return Playable::No;
    return Playable::Unknown;
}

Playable MediaNamePlayable(std::string_view path)
{
    const std::size_t dot = path.rfind('.');
    const std::string_view ext = dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);
    for (std::string_view yes : {"mp4", "m4v", "m4a", "mp3", "aac"}) {
        if (ext == yes)
            return Playable::Yes;
    }
    for (std::string_view no : {"webm", "weba", "ogg", "ogv", "oga", "opus", "flac", "mkv"}) {
        if (ext == no)
            return Playable::No;
    }
    return Playable::Unknown;
}

bool IsEventAttribute(std::string_view name)
{
    return name.size() > 2 && StartsWith(name, "on")
           && std::all_of(name.begin(), name.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

} // namespace

std::string EngineFindingText(const EngineFinding& finding, std::string_view file)
{
    const std::string where = Where(file, finding.line);
    std::string script;
    switch (finding.place) {
    case ScriptPlace::File:
        script = "Das Skript";
        break;
    case ScriptPlace::Element:
        script = "Ein Skript der Seite";
        break;
    case ScriptPlace::EventAttribute:
        script = "Das Ereignis-Attribut " + finding.attribute;
        break;
    }
    switch (finding.kind) {
    case EngineKind::Script:
        return where + script + " ist kein ES5 (" + finding.detail + "); " + std::string(kRuntime)
               + " kann es nicht lesen und führt nichts davon aus.";
    case EngineKind::LetDeclaration:
        return where + script + " deklariert mit let (neuer als ES5); " + std::string(kRuntime)
               + " führt das aus, aber in Schleifen teilen sich dort alle Durchläufe eine Variable. Unter Windows "
                 "prüfen.";
    case EngineKind::ScriptUnchecked:
        return where + script + " ist zu groß oder zu tief verschachtelt für die Prüfung auf ES5 (Grenze "
               + std::to_string(ScriptCompiler::kMaxScriptBytes / (1024 * 1024)) + " MiB); ob "
               + std::string(kRuntime) + " es lesen kann, bleibt ungeprüft.";
    case EngineKind::Module:
        return where + "<script type=\"module\"> führt " + std::string(kRuntime)
               + " nie aus; ein Skript mit nomodule kann dort einspringen.";
    case EngineKind::CssVariables:
        return where + "CSS-Variablen (--name, var(--name)) kennt " + std::string(kRuntime)
               + " nicht; jede Angabe mit var() fällt dort weg (Farben, Abstände, Größen).";
    case EngineKind::Grid:
        return where + "display: grid ohne -ms-grid daneben; " + std::string(kRuntime)
               + " ordnet diese Elemente nicht im Raster an, sondern untereinander.";
    case EngineKind::WebP:
    case EngineKind::Avif:
        return where + "Das Bild " + Quote(finding.detail) + " ist im Format "
               + (finding.kind == EngineKind::WebP ? "WebP" : "AVIF") + "; " + std::string(kRuntime)
               + " zeigt es nicht (JPEG, PNG oder GIF nehmen).";
    case EngineKind::Woff2Only:
        return where + "@font-face bietet die Schrift nur als woff2 an; " + std::string(kRuntime)
               + " kennt woff2 nicht und nimmt eine Ersatzschrift (woff dazunehmen).";
    case EngineKind::Media:
        return where + "<" + finding.detail + "> hat nur Quellen, die " + std::string(kRuntime)
               + " nicht abspielen kann (WebM, Ogg, Opus, FLAC); sie spielt MP4 (H.264/AAC) und MP3.";
    }
    return where;
}

bool EngineFindingIsNote(EngineKind kind)
{
    return kind == EngineKind::ScriptUnchecked;
}

bool ScriptFinding(const ScriptVerdict& verdict, ScriptPlace place, int firstLine, EngineFinding& finding)
{
    finding = EngineFinding{};
    finding.place = place;
    const int first = std::max(firstLine, 1);
    switch (verdict.kind) {
    case ScriptVerdict::Kind::Es5:
        return false;
    case ScriptVerdict::Kind::NotEs5:
        finding.kind = EngineKind::Script;
        finding.detail = verdict.message;
        finding.line = first + std::max(verdict.line, 1) - 1;
        return true;
    case ScriptVerdict::Kind::LetConst:
        finding.kind = EngineKind::LetDeclaration;
        finding.line = first + std::max(verdict.line, 1) - 1;
        return true;
    case ScriptVerdict::Kind::Unchecked:
        finding.kind = EngineKind::ScriptUnchecked;
        finding.line = firstLine;
        return true;
    }
    return false;
}

PictureFormat SniffPictureFormat(std::string_view head)
{
    if (head.size() >= 12 && head.substr(0, 4) == "RIFF" && head.substr(8, 4) == "WEBP")
        return PictureFormat::WebP;
    // An ISO media file whose major brand is avif (a still picture) or avis (a sequence).
    if (head.size() >= 12 && head.substr(4, 4) == "ftyp" && (head.substr(8, 4) == "avif" || head.substr(8, 4) == "avis"))
        return PictureFormat::Avif;
    return PictureFormat::Other;
}

CssEngineScanner::CssEngineScanner(EngineSink sink) : sink_(std::move(sink)) {}

void CssEngineScanner::Feed(std::string_view piece)
{
    const auto append = [this](char c) {
        if (bufferLine_ == 0 && !IsBlank(c))
            bufferLine_ = line_;
        if (buffer_.size() < kMaxDeclaration)
            buffer_.push_back(Lower(c));
    };
    for (const char c : piece) {
        if (c == '\n')
            ++line_;
        switch (mode_) {
        case Mode::Comment:
            if (previous_ == '*' && c == '/') {
                mode_ = Mode::Text;
                previous_ = 0;
                continue;
            }
            break;
        case Mode::String:
            append(c);
            if (escaped_)
                escaped_ = false;
            else if (c == '\\')
                escaped_ = true;
            else if (c == quote_ || c == '\n')
                mode_ = Mode::Text;
            break;
        case Mode::Text:
            if (previous_ == '/' && c == '*') {
                if (!buffer_.empty() && buffer_.back() == '/')
                    buffer_.pop_back();
                mode_ = Mode::Comment;
                previous_ = 0;
                continue;
            }
            if (c == '"' || c == '\'') {
                mode_ = Mode::String;
                quote_ = c;
                append(c);
            } else if (c == '{' || c == ';' || c == '}') {
                Statement(c);
            } else {
                append(c);
            }
            break;
        }
        previous_ = c;
    }
}

void CssEngineScanner::Statement(char end)
{
    const std::string text = std::move(buffer_);
    const int line = bufferLine_;
    buffer_.clear();
    bufferLine_ = 0;
    if (end == '{') {
        const bool fontFace = StartsWith(Trimmed(text), "@font-face");
        blocks_.push_back(fontFace);
        if (fontFace) {
            fontWoff2_ = fontOther_ = false;
            fontLine_ = 0;
        }
        return;
    }
    if (blocks_.empty())
        return; // @import, @charset
    Declaration(text, line);
    if (end == '}') {
        if (blocks_.back() && fontWoff2_ && !fontOther_)
            sink_({EngineKind::Woff2Only, fontLine_, {}, ScriptPlace::File, {}});
        blocks_.pop_back();
    }
}

void CssEngineScanner::Declaration(std::string_view text, int line)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return;
    const std::string_view name = Trimmed(text.substr(0, colon));
    std::string_view value = Trimmed(text.substr(colon + 1));
    if (!variablesFound_ && (StartsWith(name, "--") || HasFunction(WithoutStrings(value), "var("))) {
        variablesFound_ = true;
        sink_({EngineKind::CssVariables, line, {}, ScriptPlace::File, {}});
    }
    if (name == "display") {
        if (const std::size_t bang = value.find('!'); bang != std::string_view::npos)
            value = Trimmed(value.substr(0, bang));
        if ((value == "grid" || value == "inline-grid") && gridLine_ == 0)
            gridLine_ = line;
        if (value == "-ms-grid" || value == "-ms-inline-grid")
            msGrid_ = true;
    }
    if (name == "src" && !blocks_.empty() && blocks_.back()) {
        if (fontLine_ == 0)
            fontLine_ = line;
        // The sources, separated by commas outside parentheses.
        std::size_t start = 0;
        int depth = 0;
        for (std::size_t i = 0; i <= value.size(); ++i) {
            if (i < value.size() && value[i] != ',') {
                depth += value[i] == '(' ? 1 : value[i] == ')' ? -1 : 0;
                continue;
            }
            if (i < value.size() && depth > 0)
                continue;
            const std::string_view source = Trimmed(value.substr(start, i - start));
            start = i + 1;
            if (source.empty())
                continue;
            const std::string_view format = FunctionArgument(source, "format(");
            const bool woff2 = format.empty() ? EndsWith(LinkPath(FunctionArgument(source, "url(")), ".woff2")
                                              : StartsWith(format, "woff2");
            (woff2 ? fontWoff2_ : fontOther_) = true;
        }
    }
}

void CssEngineScanner::EndBlock()
{
    if (!blocks_.empty())
        Statement('}');
    blocks_.clear();
    mode_ = Mode::Text;
    buffer_.clear();
    bufferLine_ = 0;
    previous_ = 0;
    escaped_ = false;
}

void CssEngineScanner::Declarations(std::string_view text, int line)
{
    const int saved = line_;
    EndBlock();
    line_ = line;
    blocks_.push_back(false);
    Feed(text);
    EndBlock();
    line_ = saved;
}

void CssEngineScanner::Finish()
{
    EndBlock();
    if (gridLine_ != 0 && !msGrid_)
        sink_({EngineKind::Grid, gridLine_, {}, ScriptPlace::File, {}});
    gridLine_ = 0;
    msGrid_ = false;
    variablesFound_ = false;
    line_ = 1;
}

PageEngineCheck::PageEngineCheck(ScriptCompiler& compiler, EngineSink sink)
    : compiler_(compiler), sink_(sink), css_(sink)
{
}

void PageEngineCheck::ElementStarted(std::string_view name, std::span<const HtmlAttribute> attributes, int line)
{
    element_ = Lowered(name);
    std::string type;
    std::string language;
    std::string source;
    bool hasType = false;
    for (const HtmlAttribute& attribute : attributes) {
        const std::string key = Lowered(attribute.name);
        if (key == "style")
            css_.Declarations(attribute.value, line);
        else if (IsEventAttribute(key))
            CompileScript(attribute.value, ScriptPlace::EventAttribute, line, key);
        else if (key == "type") {
            hasType = true;
            type = Lowered(Trimmed(attribute.value));
        } else if (key == "language")
            language = Lowered(Trimmed(attribute.value));
        else if (key == "src")
            source = attribute.value;
    }
    if (element_ == "script") {
        inScript_ = true;
        scriptHasSource_ = !source.empty();
        scriptTooLarge_ = false;
        scriptLine_ = line;
        scriptText_.clear();
        const std::string mime(Trimmed(std::string_view(type).substr(0, type.find(';'))));
        static constexpr std::array<std::string_view, 9> kScriptTypes{
            "text/javascript",        "application/javascript", "text/ecmascript",
            "application/ecmascript", "application/x-javascript", "application/x-ecmascript",
            "text/jscript",           "text/x-javascript",        "text/livescript"};
        if (mime == "module")
            scriptType_ = ScriptType::Module;
        else if (!mime.empty())
            scriptType_ = std::find(kScriptTypes.begin(), kScriptTypes.end(), mime) != kScriptTypes.end()
                              ? ScriptType::Classic
                              : ScriptType::Other;
        else if (!hasType && !language.empty())
            scriptType_ = StartsWith(language, "javascript") || StartsWith(language, "jscript")
                                  || StartsWith(language, "ecmascript")
                              ? ScriptType::Classic
                              : ScriptType::Other;
        else
            scriptType_ = ScriptType::Classic;
        if (scriptType_ == ScriptType::Module)
            sink_({EngineKind::Module, line, {}, ScriptPlace::Element, {}});
    } else if (element_ == "style") {
        ++styleDepth_;
        css_.EndBlock();
        css_.SetLine(line);
    } else if (element_ == "video" || element_ == "audio") {
        if (!media_.empty())
            EndMedia();
        media_ = element_;
        mediaLine_ = line;
        mediaPlayable_ = mediaUnplayable_ = 0;
        if (!source.empty())
            MediaSource(source, {});
    } else if (element_ == "source" && !media_.empty()) {
        MediaSource(source, type);
    }
}

void PageEngineCheck::MediaSource(std::string_view source, std::string_view type)
{
    Playable playable = type.empty() ? Playable::Unknown : MediaTypePlayable(type);
    if (playable == Playable::Unknown && !source.empty())
        playable = MediaNamePlayable(LinkPath(source));
    // What cannot be told counts as playable: no warning on a guess.
    ++(playable == Playable::No ? mediaUnplayable_ : mediaPlayable_);
}

void PageEngineCheck::EndMedia()
{
    if (mediaUnplayable_ > 0 && mediaPlayable_ == 0)
        sink_({EngineKind::Media, mediaLine_, media_, ScriptPlace::File, {}});
    media_.clear();
}

void PageEngineCheck::ElementEnded(std::string_view name)
{
    const std::string element = Lowered(name);
    if (element == "script" && inScript_) {
        inScript_ = false;
        if (scriptType_ == ScriptType::Classic && !scriptHasSource_) {
            if (scriptTooLarge_)
                sink_({EngineKind::ScriptUnchecked, scriptLine_, {}, ScriptPlace::Element, {}});
            else if (Trimmed(scriptText_).size() > 0)
                CompileScript(scriptText_, ScriptPlace::Element, scriptLine_, {});
        }
        scriptText_ = std::string();
    } else if (element == "style" && styleDepth_ > 0) {
        --styleDepth_;
        css_.EndBlock();
    } else if (element == media_) {
        EndMedia();
    }
}

void PageEngineCheck::TextRead(std::string_view text)
{
    if (inScript_) {
        if (scriptType_ != ScriptType::Classic || scriptHasSource_)
            return;
        if (scriptText_.size() + text.size() > ScriptCompiler::kMaxScriptBytes)
            scriptTooLarge_ = true;
        else if (!scriptTooLarge_)
            scriptText_ += text;
    } else if (styleDepth_ > 0) {
        css_.Feed(text);
    }
}

void PageEngineCheck::Finish()
{
    if (inScript_)
        ElementEnded("script");
    if (!media_.empty())
        EndMedia();
    css_.Finish();
}

void PageEngineCheck::CompileScript(std::string_view text, ScriptPlace place, int line, std::string_view attribute)
{
    const ScriptVerdict verdict =
        place == ScriptPlace::EventAttribute ? compiler_.CompileHandler(text) : compiler_.Compile(text);
    EngineFinding finding;
    if (!ScriptFinding(verdict, place, line, finding))
        return;
    finding.attribute = attribute;
    sink_(finding);
}

LinkRole PageEngineCheck::RoleOf(std::string_view attribute) const
{
    if (attribute.empty())
        return LinkRole::Embedded; // a url() of a style element or attribute
    const std::string key = Lowered(attribute);
    // The engine knows no srcset and no <picture>: it shows the src beside them.
    if (key == "srcset" || element_ == "source")
        return LinkRole::None;
    if (element_ == "script")
        return key == "src" && scriptType_ == ScriptType::Classic ? LinkRole::ClassicScript : LinkRole::None;
    if ((element_ == "video" || element_ == "audio") && key == "src")
        return LinkRole::None;
    if (element_ == "link")
        return LinkRole::Embedded;
    if (key == "href" || key == "content")
        return LinkRole::Navigation;
    return LinkRole::Embedded;
}

} // namespace qv
