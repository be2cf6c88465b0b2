#include "config/Paths.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace qv {
namespace {

TEST(Paths, FolderAndFileNameSplitAtTheLastSeparator)
{
    const struct {
        std::string path;
        std::string folder;
        std::string file;
    } cases[] = {
        {"C:\\Projekt\\starter.ini", "C:\\Projekt\\", "starter.ini"},
        {"F:\\autorun.inf", "F:\\", "autorun.inf"},
        {"D:starter.ini", "D:", "starter.ini"},
        {"starter.ini", "", "starter.ini"},
        {"", "", ""},
        {"C:\\Projekt\\", "C:\\Projekt\\", ""},
#ifndef _WIN32
        {"/home/user/disc/starter.ini", "/home/user/disc/", "starter.ini"},
        {"/home/user/a\\b/c", "/home/user/a\\b/", "c"},
        {"/home/user/a/b\\c", "/home/user/a/b\\", "c"},
#endif
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FolderPart(c.path), c.folder) << c.path;
        EXPECT_EQ(FileNamePart(c.path), c.file) << c.path;
    }
}

TEST(Paths, OnlyTheExactNameAutorunInfSelectsTheAutorunTarget)
{
    const struct {
        std::string path;
        int target;
    } cases[] = {
        {"C:\\cd\\autorun.inf", 1},
        {"autorun.inf", 1},
        {"D:autorun.inf", 1},
        {"C:\\cd\\Autorun.inf", 0},
        {"C:\\cd\\AUTORUN.INF", 0},
        {"C:\\cd\\autorun.inf.bak", 0},
        {"C:\\cd\\myautorun.inf", 0},
        {"C:\\autorun.inf\\starter.ini", 0},
        {"C:\\cd\\starter.ini", 0},
        {"", 0},
#ifndef _WIN32
        {"/tmp/cd/autorun.inf", 1},
#endif
    };
    for (const auto& c : cases)
        EXPECT_EQ(TargetForPath(c.path), c.target) << c.path;
}

TEST(Paths, RelativeToStorageIsAPrefixRuleWithCaseCounting)
{
    const struct {
        std::string storage;
        std::string file;
        std::optional<std::string> relative;
    } cases[] = {
        {"C:\\Projekt\\", "C:\\Projekt\\index.html", "index.html"},
        {"C:\\Projekt\\", "C:\\Projekt\\bilder\\logo.ico", "bilder\\logo.ico"},
        {"C:\\Projekt\\", "C:\\Projekt2\\index.html", std::nullopt},
        {"C:\\Projekt\\", "c:\\projekt\\index.html", std::nullopt},
        {"C:\\Projekt\\", "D:\\Projekt\\index.html", std::nullopt},
        {"C:\\Projekt\\", "C:\\Projekt", std::nullopt},
        {"F:\\", "F:\\start.html", "start.html"},
        {"C:\\Projekt\\", "C:\\Projekt\\..\\x.html", "..\\x.html"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RelativeToStorage(c.storage, c.file), c.relative) << c.file;
}

#ifndef _WIN32
TEST(Paths, StarterPathsUseBackslashes)
{
    EXPECT_EQ(RelativeToStorageForStarter("/home/u/disc/", "/home/u/disc/web/bilder/logo.ico"),
              "web\\bilder\\logo.ico");
    EXPECT_EQ(RelativeToStorageForStarter("/home/u/disc/", "/home/u/disc/index.html"), "index.html");
    EXPECT_EQ(RelativeToStorageForStarter("/home/u/disc/", "/home/u/other/index.html"), std::nullopt);
    EXPECT_TRUE(IsPathSeparator('/'));
    EXPECT_TRUE(IsPathSeparator('\\'));
    EXPECT_TRUE(IsPathSeparator(':'));
    EXPECT_FALSE(IsPathSeparator('.'));
}
#endif

} // namespace
} // namespace qv
