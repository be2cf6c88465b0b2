#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const std::string kQvr = QV_QVR;
const std::string kFixtures = QV_FIXTURES;

const std::string kNoSettings = "Keine relevanten Daten gefunden. Diese Konfigurationsdatei\n"
                                "wurde wahrscheinlich nicht mit Quorvane erstellt.\n";

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// A fresh folder for each test, removed at its end.
class Qvr : public testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::path(testing::TempDir()) / ("qvr-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the real qvr in `workDir` (the test folder when empty) with its output captured in files.
    Outcome Run(const std::vector<std::string>& args, const std::string& workDir = {})
    {
        std::string command = "cd " + Quoted(workDir.empty() ? dir_.string() : workDir) + " && " + Quoted(kQvr);
        for (const std::string& a : args)
            command += " " + Quoted(a);
        command += " >" + Quoted((dir_ / "stdout").string()) + " 2>" + Quoted((dir_ / "stderr").string());
        const int status = std::system(command.c_str());
        Outcome outcome;
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.out = ReadFile(dir_ / "stdout");
        outcome.err = ReadFile(dir_ / "stderr");
        return outcome;
    }

    fs::path dir_;
};

TEST_F(Qvr, ConvertsTheWorkedExampleByteExact)
{
    const std::string input = kFixtures + "/example/projekt.ini";
    const struct {
        const char* to;
        const char* expected;
    } cases[] = {{"ini", "starter.ini"}, {"inf", "autorun.inf"}, {"bat", "runme.bat"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.to);
        const Outcome r = Run({"convert", input, "--to", c.to});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, ReadFile(kFixtures + "/expected/" + c.expected));
        EXPECT_EQ(r.err, "");
    }
    // What qvr wrote, it reads back to the same text.
    const Outcome again = Run({"convert", kFixtures + "/expected/autorun.inf", "--to=inf"});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.out, ReadFile(kFixtures + "/expected/autorun.inf"));
}

TEST_F(Qvr, OutputOptionWritesTheFile)
{
    const std::string input = kFixtures + "/example/projekt.ini";
    const fs::path target = dir_ / "runme.bat";
    {
        std::ofstream old(target, std::ios::binary);
        old << "an older, longer batch file that must be replaced completely\r\n\r\n\r\n";
    }
    Outcome r = Run({"convert", input, "--to", "bat", "-o", target.string()});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadFile(target), ReadFile(kFixtures + "/expected/runme.bat"));

    r = Run({"convert", input, "--output=starter.ini", "--to", "ini"}); // relative to the working folder
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(ReadFile(dir_ / "starter.ini"), ReadFile(kFixtures + "/expected/starter.ini"));

    // No temporary file is left beside the targets.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"runme.bat", "starter.ini", "stderr", "stdout"}));
}

TEST_F(Qvr, OutputIntoAMissingFolderFails)
{
    const fs::path target = dir_ / "missing" / "starter.ini";
    const Outcome r = Run({"convert", kFixtures + "/example/projekt.ini", "--to", "ini", "-o", target.string()});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(target.string()), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST_F(Qvr, CheckListsHintsInRuleOrder)
{
    const Outcome r = Run({"check", kFixtures + "/hints.ini"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Es muss eine Datei als Startseite eingetragen werden!\n"
                     "Der angegebene Pfad zum Icon zeigt auf keine ico-Datei.\n"
                     "Die minimale Breite ist größer als die angegebene Breite.\n"
                     "Transparente Farbe ist ungültig.\n"
                     "Folgende Taste konnte nicht verarbeitet werden: \"\"\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(Qvr, CheckWithoutHintsSucceedsSilently)
{
    for (const auto& [workDir, file] : {std::pair{std::string(), kFixtures + "/example/projekt.ini"},
                                        std::pair{kFixtures + "/example", std::string("projekt.ini")}}) {
        SCOPED_TRACE(file);
        // A relative name is taken from the working folder, which becomes the storage folder.
        const Outcome r = Run({"check", file}, workDir);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(Qvr, FilesWithoutSettingsAreRefused)
{
    const std::string files[] = {kFixtures + "/autorun-only/autorun.inf", kFixtures + "/missing.ini", kFixtures};
    for (const std::string& file : files) {
        for (const auto& args : {std::vector<std::string>{"check", file},
                                 std::vector<std::string>{"convert", file, "--to", "ini"}}) {
            SCOPED_TRACE(args[0] + " " + file);
            const Outcome r = Run(args);
            EXPECT_EQ(r.exitCode, 2);
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err, kNoSettings);
        }
    }
}

TEST_F(Qvr, UsageErrorsExitWithTwo)
{
    const std::string file = kFixtures + "/example/projekt.ini";
    const std::vector<std::string> cases[] = {
        {"frobnicate"},
        {"convert"},
        {"convert", file},
        {"convert", file, "--to"},
        {"convert", file, "--to", "xml"},
        {"convert", file, "--to", "ini", "-o"},
        {"convert", file, "--to", "ini", "--bogus"},
        {"convert", file, file, "--to", "ini"},
        {"check"},
        {"check", file, file},
        {"check", "--to"},
        {"--help", "convert"},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const std::string& a : args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        const Outcome r = Run(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("Aufruf:"), std::string::npos) << r.err;
    }
}

TEST_F(Qvr, HelpGoesToStandardOutput)
{
    for (const char* option : {"--help", "-h"}) {
        const Outcome r = Run({option});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_NE(r.out.find("qvr convert DATEI --to ini|inf|bat"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("qvr check DATEI"), std::string::npos) << r.out;
        EXPECT_EQ(r.err, "");
    }
}

// Only regular files up to 256 MiB are read: a device or a pipe that never ends is refused at once.
TEST_F(Qvr, OnlyRegularFilesOfBoundedSizeAreRead)
{
    const std::string fifo = (dir_ / "fifo.ini").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string large = (dir_ / "large.ini").string();
    std::ofstream(large, std::ios::binary) << "[quorvane]\ncaption=x\n";
    fs::resize_file(large, (std::uintmax_t{256} << 20) + 1); // sparse: nothing but its size is written
    const std::string tooLarge = "Die Datei ist größer als 256 MiB und wird nicht als Konfiguration gelesen.\n";
    const struct {
        std::string file;
        std::string err;
    } cases[] = {{"/dev/zero", kNoSettings}, {fifo, kNoSettings}, {dir_.string(), kNoSettings}, {large, tooLarge}};
    for (const auto& c : cases) {
        for (const char* command : {"check", "convert"}) {
            std::vector<std::string> args = {command, c.file};
            if (std::string(command) == "convert")
                args.insert(args.end(), {"--to", "ini"});
            const Outcome outcome = Run(args);
            EXPECT_EQ(outcome.exitCode, 2) << command << " " << c.file;
            EXPECT_EQ(outcome.out, "") << command << " " << c.file;
            EXPECT_EQ(outcome.err, c.err) << command << " " << c.file;
        }
    }
}

} // namespace
