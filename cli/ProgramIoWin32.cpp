#include "cli/ProgramIo.h"

#include "cli/StandardOutput.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

namespace qv {
namespace {

std::string Utf8FromWide(const wchar_t* text)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
        return {};
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), length, nullptr, nullptr);
    utf8.pop_back(); // the terminating zero
    return utf8;
}

// The length of the UTF-8 sequence at `text` (all of it present and valid), else 0.
std::size_t Utf8Sequence(const unsigned char* text, std::size_t left)
{
    const unsigned char lead = text[0];
    std::size_t length = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (length == 0 || length > left)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((text[i] & 0xC0) != 0x80)
            return 0;
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    if ((lead == 0xE0 && text[1] < 0xA0) || (lead == 0xED && text[1] > 0x9F) || (lead == 0xF0 && text[1] < 0x90)
        || (lead == 0xF4 && text[1] > 0x8F))
        return 0;
    return length;
}

// Whether `text` ends inside a UTF-8 sequence whose rest may still come.
std::size_t IncompleteTail(const std::string& text)
{
    for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
        const auto byte = static_cast<unsigned char>(text[text.size() - back]);
        if ((byte & 0xC0) == 0x80)
            continue;
        const std::size_t wanted = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return wanted > back ? back : 0;
    }
    return 0;
}

// Writes to a console window as wide text.
class ConsoleOutput : public std::streambuf {
public:
    explicit ConsoleOutput(HANDLE console) : console_(console) {}
    ~ConsoleOutput() override { Flush(true); }

protected:
    int_type overflow(int_type ch) override
    {
        if (!traits_type::eq_int_type(ch, traits_type::eof()))
            pending_.push_back(traits_type::to_char_type(ch));
        if (pending_.size() >= 4096)
            Flush(false);
        return traits_type::not_eof(ch);
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override
    {
        pending_.append(text, static_cast<std::size_t>(count));
        if (pending_.size() >= 4096)
            Flush(false);
        return count;
    }
    int sync() override { return Flush(true) ? 0 : -1; }

private:
    bool Flush(bool all)
    {
        const std::size_t keep = all ? 0 : IncompleteTail(pending_);
        const std::size_t end = pending_.size() - keep;
        const auto* bytes = reinterpret_cast<const unsigned char*>(pending_.data());
        std::wstring wide;
        for (std::size_t i = 0; i < end;) {
            std::size_t length = Utf8Sequence(bytes + i, end - i);
            UINT page = CP_UTF8;
            if (length == 0) {
                length = 1;
                page = 1252;
            }
            wchar_t units[2];
            const int count = MultiByteToWideChar(page, 0, pending_.data() + i, static_cast<int>(length), units, 2);
            wide.append(units, static_cast<std::size_t>(count > 0 ? count : 0));
            i += length;
        }
        pending_.erase(0, end);
        const wchar_t* data = wide.data();
        std::size_t left = wide.size();
        while (left > 0) {
            DWORD written = 0;
            if (!WriteConsoleW(console_, data, static_cast<DWORD>(left), &written, nullptr) || written == 0)
                return false;
            data += written;
            left -= written;
        }
        return true;
    }

    HANDLE console_;
    std::string pending_;
};

} // namespace

std::vector<std::string> ProgramArguments(int, char**)
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide != nullptr && i < count; ++i)
        args.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    return args;
}

std::unique_ptr<std::streambuf> StandardStream(int fd)
{
    // No CR added before LF: configuration bytes already end their lines with CR LF.
    _setmode(fd, _O_BINARY);
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode))
        return std::make_unique<ConsoleOutput>(handle);
    return std::make_unique<DescriptorOutput>(fd);
}

bool IsTerminal(int fd)
{
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

bool HostRunsLinuxAutorun()
{
    return false;
}

} // namespace qv
