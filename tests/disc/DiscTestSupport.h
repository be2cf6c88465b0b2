#pragma once

// A fresh folder per test, files written into it by relative path, and the real qvr run on it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace disctest {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

inline std::string ShellQuoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The lines of a text, without their line feeds.
inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class DiscFolderTest : public testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::path(testing::TempDir()) / ("qvr-disc-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }

    // Runs the real qvr with its output captured in files beside the test folder's content.
    Outcome Run(const std::vector<std::string>& args)
    {
        const fs::path out = dir_ / "qvr.stdout";
        const fs::path err = dir_ / "qvr.stderr";
        std::string command = ShellQuoted(QV_QVR);
        for (const std::string& a : args)
            command += " " + ShellQuoted(a);
        command += " >" + ShellQuoted(out.string()) + " 2>" + ShellQuoted(err.string()) + " </dev/null";
        const int status = std::system(command.c_str());
        Outcome outcome;
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.out = ReadFile(out);
        outcome.err = ReadFile(err);
        fs::remove(out);
        fs::remove(err);
        return outcome;
    }

    fs::path dir_;
};

} // namespace disctest
