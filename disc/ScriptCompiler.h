#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace qv {

// What the Windows runtime's engine (Internet Explorer 11 mode, an ES5 engine) makes of a script.
struct ScriptVerdict {
    enum class Kind {
        Es5,       // parses as ES5
        NotEs5,    // a syntax error for ES5: the engine runs nothing of the script
        LetConst,  // ES5 but for let declarations, which IE11 runs with differences
        Unchecked  // too large or too deeply nested to compile within the bounds
    };
    Kind kind = Kind::Es5;
    int line = 0;        // the script's line (from 1) of the error or of the first let
    std::string message; // the parser's message for NotEs5 (English, as the parser gives it)
};

// Compiles scripts without running them, with an ES5.1 parser (Duktape's duk_pcompile), in a heap
// of bounded memory. A script is compiled whole: one larger than kMaxScriptBytes is not compiled
// (Unchecked), and a compile that needs more than kMaxHeapBytes or nests deeper than the parser's
// recursion limit ends as Unchecked too. Text that is not valid UTF-8 is read as Windows-1252.
// A failure at a line holding a let declaration is compiled once more with let read as var: when
// that parses, the verdict is LetConst at the first such line, else NotEs5 where that fails.
// Not thread-safe; one per checking thread.
class ScriptCompiler {
public:
    static constexpr std::size_t kMaxScriptBytes = 8 * 1024 * 1024;
    static constexpr std::size_t kMaxHeapBytes = 512 * 1024 * 1024;

    ScriptCompiler();
    ~ScriptCompiler();
    ScriptCompiler(const ScriptCompiler&) = delete;
    ScriptCompiler& operator=(const ScriptCompiler&) = delete;

    // A whole script (a file or the text of a <script> element).
    ScriptVerdict Compile(std::string_view source);
    // The value of an event attribute (onclick="..."): a function body.
    ScriptVerdict CompileHandler(std::string_view body);

    struct Heap;

private:
    ScriptVerdict CompileText(const std::string& text, int lineOffset);

    std::unique_ptr<Heap> heap_;
};

} // namespace qv
