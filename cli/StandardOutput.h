#pragma once

#include <array>
#include <streambuf>

namespace qv {

// A stream buffer over a file descriptor (standard output) that keeps the reason of its first
// failed write. An ostream only turns bad and forgets why; qvr reports the reason however early in
// a command the output stopped arriving. After a failure nothing more is written.
class DescriptorOutput : public std::streambuf {
public:
    explicit DescriptorOutput(int fd) : fd_(fd) { setp(buffer_.data(), buffer_.data() + buffer_.size()); }
    DescriptorOutput(const DescriptorOutput&) = delete;
    DescriptorOutput& operator=(const DescriptorOutput&) = delete;
    ~DescriptorOutput() override { Drain(); }

    // The errno of the first failed write, 0 while every write succeeded.
    int FirstError() const { return error_; }

protected:
    int_type overflow(int_type ch) override;
    int sync() override;

private:
    bool Drain();

    int fd_;
    int error_ = 0;
    std::array<char, 64 * 1024> buffer_{};
};

} // namespace qv
