#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

// A temporary folder that a rules test fills with files; removed with the object. Standard C++
// only, so the same tests build for Windows.
class RulesTempFolder {
public:
    RulesTempFolder()
    {
        static std::atomic<int> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        root_ = std::filesystem::temp_directory_path() /
                ("qv-rules-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(root_);
    }
    ~RulesTempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    RulesTempFolder(const RulesTempFolder&) = delete;
    RulesTempFolder& operator=(const RulesTempFolder&) = delete;

    // The folder as UTF-8 text with "/" separators, ending with "/".
    std::string Path() const
    {
        const std::u8string text = std::filesystem::weakly_canonical(root_).generic_u8string();
        return std::string(text.begin(), text.end()) + "/";
    }
    std::string File(const std::string& name) const { return Path() + name; }

    // Writes `bytes` to a file of the folder (creating sub-folders); returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        const std::filesystem::path path = root_ / std::filesystem::path(std::u8string(name.begin(), name.end()));
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        EXPECT_TRUE(out.good()) << name;
        out << bytes;
        return File(name);
    }

    const std::filesystem::path& Native() const { return root_; }

private:
    std::filesystem::path root_;
};
