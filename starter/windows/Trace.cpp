#include "windows/Trace.h"

#include "windows/Text.h"

#include <cstdio>

namespace qv::starter::win {
namespace {

std::vector<std::string>& Lines()
{
    static std::vector<std::string> lines;
    return lines;
}

FILE* TraceFile()
{
    static FILE* file = [] {
        const std::wstring path = EnvironmentValue(L"QUORVANE_STARTER_TRACE");
        return path.empty() ? nullptr : _wfopen(path.c_str(), L"ab");
    }();
    return file;
}

} // namespace

void Trace(std::string_view line)
{
    if (Lines().size() < 1000)
        Lines().emplace_back(line);
    if (FILE* file = TraceFile()) {
        std::fwrite(line.data(), 1, line.size(), file);
        std::fputc('\n', file);
        std::fflush(file);
    }
}

bool Check(HRESULT result, std::string_view call)
{
    if (SUCCEEDED(result))
        return true;
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lx", static_cast<unsigned long>(result));
    Trace(std::string(call) + " failed: " + code);
    return false;
}

const std::vector<std::string>& TracedLines()
{
    return Lines();
}

} // namespace qv::starter::win
