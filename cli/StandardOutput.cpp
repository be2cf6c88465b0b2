#include "cli/StandardOutput.h"

#include <cerrno>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace qv {

namespace {

long WriteSome(int fd, const char* data, std::size_t size)
{
#ifdef _WIN32
    return _write(fd, data, static_cast<unsigned>(size));
#else
    return static_cast<long>(::write(fd, data, size));
#endif
}

} // namespace

bool DescriptorOutput::Drain()
{
    const char* data = pbase();
    std::size_t left = static_cast<std::size_t>(pptr() - pbase());
    while (left > 0 && error_ == 0) {
        const long written = WriteSome(fd_, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            error_ = written < 0 ? errno : EIO;
            break;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return error_ == 0;
}

DescriptorOutput::int_type DescriptorOutput::overflow(int_type ch)
{
    if (!Drain())
        return traits_type::eof();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(ch);
        pbump(1);
    }
    return traits_type::not_eof(ch);
}

int DescriptorOutput::sync()
{
    return Drain() ? 0 : -1;
}

} // namespace qv
