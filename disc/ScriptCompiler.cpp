#include "disc/ScriptCompiler.h"

#include "config/Cp1252.h"

#include <duktape.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qv {

// The compiler's heap: every block carries its size in front, so that the heap's total can be
// bounded; a request beyond the bound fails and the compile ends with a RangeError.
struct ScriptCompiler::Heap {
    duk_context* context = nullptr;
    std::size_t used = 0;
    bool exhausted = false;
};

namespace {

union BlockHeader {
    std::size_t size;
    std::max_align_t align;
};

void* Allocate(void* udata, duk_size_t size)
{
    auto& heap = *static_cast<ScriptCompiler::Heap*>(udata);
    if (size == 0)
        return nullptr;
    if (size > ScriptCompiler::kMaxHeapBytes - heap.used) {
        heap.exhausted = true;
        return nullptr;
    }
    auto* block = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (block == nullptr)
        return nullptr;
    block->size = size;
    heap.used += size;
    return block + 1;
}

void Free(void* udata, void* pointer)
{
    if (pointer == nullptr)
        return;
    auto& heap = *static_cast<ScriptCompiler::Heap*>(udata);
    BlockHeader* block = static_cast<BlockHeader*>(pointer) - 1;
    heap.used -= block->size;
    std::free(block);
}

void* Reallocate(void* udata, void* pointer, duk_size_t size)
{
    if (pointer == nullptr)
        return Allocate(udata, size);
    if (size == 0) {
        Free(udata, pointer);
        return nullptr;
    }
    auto& heap = *static_cast<ScriptCompiler::Heap*>(udata);
    BlockHeader* block = static_cast<BlockHeader*>(pointer) - 1;
    const std::size_t old = block->size;
    if (size > old && size - old > ScriptCompiler::kMaxHeapBytes - heap.used) {
        heap.exhausted = true;
        return nullptr;
    }
    auto* grown = static_cast<BlockHeader*>(std::realloc(block, sizeof(BlockHeader) + size));
    if (grown == nullptr)
        return nullptr;
    grown->size = size;
    heap.used = heap.used - old + size;
    return grown + 1;
}

// Only reached for an error outside a protected call, which the compiler never makes.
[[noreturn]] void Fatal(void*, const char* message)
{
    std::fprintf(stderr, "Skriptprüfung: interner Fehler: %s\n", message == nullptr ? "" : message);
    std::abort();
}

bool IsIdentifierChar(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || c == '_' || c == '$'
           || b >= 0x80;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Where a let declaration starts in [begin, end) of `text`: "let" as a word, after neither a word
// character nor a dot, followed by blanks and a name or a destructuring pattern.
std::size_t FindLetDeclaration(const std::string& text, std::size_t begin, std::size_t end)
{
    for (std::size_t i = text.find("let", begin); i != std::string::npos && i + 3 <= end; i = text.find("let", i + 1)) {
        if (i > 0 && (IsIdentifierChar(text[i - 1]) || text[i - 1] == '.'))
            continue;
        std::size_t k = i + 3;
        if (k >= text.size() || !IsBlank(text[k]))
            continue;
        while (k < text.size() && IsBlank(text[k]))
            ++k;
        if (k < text.size() && (IsIdentifierChar(text[k]) || text[k] == '[' || text[k] == '{'))
            return i;
    }
    return std::string::npos;
}

// The byte range of line `line` (from 1) of `text`.
std::pair<std::size_t, std::size_t> LineRange(const std::string& text, int line)
{
    std::size_t start = 0;
    for (int n = 1; n < line; ++n) {
        start = text.find('\n', start);
        if (start == std::string::npos)
            return {text.size(), text.size()};
        ++start;
    }
    std::size_t end = text.find('\n', start);
    return {start, end == std::string::npos ? text.size() : end};
}

int LineOf(const std::string& text, std::size_t offset)
{
    int line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i)
        line += text[i] == '\n' ? 1 : 0;
    return line;
}

bool IsValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        const std::size_t length = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        if (length == 0 || (length == 2 && b < 0xC2) || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += length;
    }
    return true;
}

std::string AsUtf8(std::string_view source)
{
    // A byte-order mark is no token for the parser.
    if (source.substr(0, 3) == "\xEF\xBB\xBF")
        source.remove_prefix(3);
    return IsValidUtf8(source) ? std::string(source) : Cp1252ToUtf8(source);
}

} // namespace

ScriptCompiler::ScriptCompiler() : heap_(std::make_unique<Heap>()) {}

ScriptCompiler::~ScriptCompiler()
{
    if (heap_->context != nullptr)
        duk_destroy_heap(heap_->context);
}

ScriptVerdict ScriptCompiler::Compile(std::string_view source)
{
    if (source.size() > kMaxScriptBytes)
        return {ScriptVerdict::Kind::Unchecked, 0, {}};
    return CompileText(AsUtf8(source), 0);
}

ScriptVerdict ScriptCompiler::CompileHandler(std::string_view body)
{
    if (body.size() > kMaxScriptBytes)
        return {ScriptVerdict::Kind::Unchecked, 0, {}};
    // The body on a line of its own, so that the lines count as the attribute's.
    return CompileText("(function (event) {\n" + AsUtf8(body) + "\n})", 1);
}

ScriptVerdict ScriptCompiler::CompileText(const std::string& text, int lineOffset)
{
    struct Attempt {
        bool compiled = false;
        bool unchecked = false;
        int line = 0;
        std::string message;
    };
    const auto attempt = [this](const std::string& source) {
        Attempt result;
        if (heap_->context == nullptr) {
            heap_->context = duk_create_heap(Allocate, Reallocate, Free, heap_.get(), Fatal);
            if (heap_->context == nullptr) {
                result.unchecked = true;
                return result;
            }
        }
        duk_context* context = heap_->context;
        heap_->exhausted = false;
        duk_push_string(context, "script");
        if (duk_pcompile_lstring_filename(context, 0, source.data(), source.size()) == 0) {
            duk_pop(context);
            result.compiled = true;
            return result;
        }
        bool syntax = false;
        if (duk_is_object(context, -1)) {
            duk_get_prop_string(context, -1, "name");
            syntax = std::strcmp(duk_safe_to_string(context, -1), "SyntaxError") == 0;
            duk_pop(context);
            duk_get_prop_string(context, -1, "lineNumber");
            result.line = duk_get_int_default(context, -1, 0);
            duk_pop(context);
        }
        result.message = duk_safe_to_string(context, -1);
        duk_pop(context);
        // "SyntaxError: parse error (line 15)": the line is told apart.
        if (const std::size_t at = result.message.rfind(" (line "); at != std::string::npos)
            result.message.erase(at);
        // Out of memory or nested beyond the recursion limit: the heap starts afresh.
        if (!syntax || heap_->exhausted) {
            result.unchecked = true;
            duk_destroy_heap(context);
            heap_->context = nullptr;
        }
        return result;
    };
    const auto scriptLine = [lineOffset](int line) { return line > lineOffset ? line - lineOffset : 1; };

    const Attempt first = attempt(text);
    if (first.compiled)
        return {};
    if (first.unchecked)
        return {ScriptVerdict::Kind::Unchecked, 0, {}};
    const auto [begin, end] = LineRange(text, first.line);
    if (FindLetDeclaration(text, begin, end) == std::string::npos)
        return {ScriptVerdict::Kind::NotEs5, scriptLine(first.line), first.message};
    // let where ES5 fails: once more with every let declaration read as var.
    std::string asVar = text;
    const std::size_t firstLet = FindLetDeclaration(asVar, 0, asVar.size());
    for (std::size_t at = firstLet; at != std::string::npos; at = FindLetDeclaration(asVar, at + 3, asVar.size()))
        asVar.replace(at, 3, "var");
    const Attempt second = attempt(asVar);
    if (second.compiled)
        return {ScriptVerdict::Kind::LetConst, scriptLine(LineOf(text, firstLet)), {}};
    if (second.unchecked)
        return {ScriptVerdict::Kind::Unchecked, 0, {}};
    return {ScriptVerdict::Kind::NotEs5, scriptLine(second.line), second.message};
}

} // namespace qv
