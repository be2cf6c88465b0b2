#include "DiscTestSupport.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using disctest::Outcome;
using disctest::ReadFile;
using disctest::ShellQuoted;

const std::string kQvr = QV_QVR;
const std::string kFixtures = QV_FIXTURES;

const std::string kNoSettings = "Keine relevanten Daten gefunden. Diese Konfigurationsdatei\n"
                                "wurde wahrscheinlich nicht mit Quorvane erstellt.\n";

// A fresh folder for each test, removed at its end.
class Qvr : public disctest::DiscFolderTest {
protected:
    // Runs the real qvr in `workDir` (the test folder when empty) with its output captured in files;
    // `stdoutTarget` replaces the file of standard output, `prefix` goes before the program, and
    // `program` replaces qvr of the build tree.
    Outcome Run(const std::vector<std::string>& args, const std::string& workDir = {},
                const std::string& stdoutTarget = {}, const std::string& prefix = {},
                const std::string& program = kQvr)
    {
        std::string command =
            "cd " + ShellQuoted(workDir.empty() ? dir_.string() : workDir) + " && " + prefix + ShellQuoted(program);
        for (const std::string& a : args)
            command += " " + ShellQuoted(a);
        command += " >" + ShellQuoted(stdoutTarget.empty() ? (dir_ / "stdout").string() : stdoutTarget)
                   + " 2>" + ShellQuoted((dir_ / "stderr").string());
        const int status = std::system(command.c_str());
        Outcome outcome;
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.out = ReadFile(dir_ / "stdout");
        outcome.err = ReadFile(dir_ / "stderr");
        return outcome;
    }
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

// A target that is not a regular file is written in place: it is neither replaced nor followed
// by a rename, and a write error of the device is reported.
TEST_F(Qvr, OutputOntoDevicesIsWrittenInPlace)
{
    const std::string input = kFixtures + "/example/projekt.ini";
    const struct {
        const char* device;
        int exitCode;
        const char* reason; // part of the message on standard error; empty: no message
    } cases[] = {{"/dev/null", 0, ""}, {"/dev/full", 2, "No space left on device"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device);
        // Through a link, so that a faulty qvr replaces the link and not the machine's device.
        const fs::path link = dir_ / "device";
        fs::remove(link);
        fs::create_symlink(c.device, link);
        const Outcome r = Run({"convert", input, "--to", "ini", "-o", link.string()});
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.out, "");
        if (*c.reason == 0) {
            EXPECT_EQ(r.err, "");
        } else {
            EXPECT_NE(r.err.find(std::string("\"") + link.string() + "\" kann nicht erstellt werden. " + c.reason),
                      std::string::npos) << r.err;
        }
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_TRUE(fs::is_character_file(c.device));
    }
}

TEST_F(Qvr, OutputIntoAFifoReachesItsReader)
{
    const fs::path fifo = dir_ / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadFile(fifo); });
    const Outcome r = Run({"convert", kFixtures + "/example/projekt.ini", "--to", "inf", "-o", fifo.string()});
    if (r.exitCode != 0) {
        // A faulty qvr never opened the FIFO: release the reader.
        std::ofstream release(fifo);
    }
    reader.join();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(received, ReadFile(kFixtures + "/expected/autorun.inf"));
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(Qvr, OutputDashIsStandardOutput)
{
    const Outcome r = Run({"convert", kFixtures + "/example/projekt.ini", "--to", "bat", "-o", "-"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, ReadFile(kFixtures + "/expected/runme.bat"));
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(fs::exists(dir_ / "-"));
}

// A link planted under a name qvr might use for its temporary file is never written through, and
// a link to the output file is followed as the designer follows it: the file it points to gets the
// new text, the link stays.
TEST_F(Qvr, OutputNeverWritesThroughAPlantedLink)
{
    const fs::path victim = dir_ / "victim.txt";
    const fs::path realTarget = dir_ / "real.ini";
    for (const fs::path& file : {victim, realTarget}) {
        std::ofstream out(file, std::ios::binary);
        out << "the user's own text\n";
    }
    fs::create_symlink(victim, dir_ / "starter.ini.qvr-tmp");
    fs::create_symlink(realTarget, dir_ / "linked.ini");
    const std::string expected = ReadFile(kFixtures + "/expected/starter.ini");
    for (const char* name : {"starter.ini", "linked.ini"}) {
        SCOPED_TRACE(name);
        const Outcome r = Run({"convert", kFixtures + "/example/projekt.ini", "--to", "ini", "-o", name});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(ReadFile(victim), "the user's own text\n");
    EXPECT_EQ(ReadFile(dir_ / "starter.ini"), expected);
    EXPECT_TRUE(fs::is_symlink(dir_ / "linked.ini"));
    EXPECT_EQ(ReadFile(realTarget), expected);
}

TEST_F(Qvr, ReplacedOutputKeepsItsPermissions)
{
    const fs::path target = dir_ / "starter.ini";
    {
        std::ofstream out(target, std::ios::binary);
        out << "old\n";
    }
    const auto perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(target, perms);
    const Outcome r = Run({"convert", kFixtures + "/example/projekt.ini", "--to", "ini", "-o", target.string()});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(ReadFile(target), ReadFile(kFixtures + "/expected/starter.ini"));
    EXPECT_EQ(fs::status(target).permissions(), perms);
}

// A file the user may not write is refused, not replaced by a rename. The superuser may write
// anything, so as root qvr runs as the unprivileged user "nobody" on copies of the program and its
// input (the build tree may lie in a folder that user cannot enter).
TEST_F(Qvr, WriteProtectedOutputIsRefused)
{
    const bool root = ::geteuid() == 0;
    const fs::path out = dir_ / "out";
    fs::create_directories(out);
    fs::copy_file(kFixtures + "/example/projekt.ini", dir_ / "projekt.ini");
    std::string program = kQvr;
    std::string prefix;
    if (root) {
        fs::copy_file(kQvr, dir_ / "qvr");
        program = (dir_ / "qvr").string();
        prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
        ASSERT_EQ(::chown(out.c_str(), 65534, 65534), 0);
    }
    const fs::path target = out / "starter.ini";
    {
        std::ofstream file(target, std::ios::binary);
        file << "protected\n";
    }
    if (root) {
        ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
    }
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const Outcome r = Run({"convert", (dir_ / "projekt.ini").string(), "--to", "ini", "-o", "starter.ini"},
                          out.string(), "/dev/null", prefix, program);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("\"starter.ini\" kann nicht erstellt werden. Permission denied"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(target), "protected\n");
    // Nothing is left beside it.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(out))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, (std::vector<std::string>{"starter.ini"}));
}

// Standard output that cannot be written is an error of its own: said on standard error, exit 2,
// whatever the command would have answered.
TEST_F(Qvr, FullStandardOutputIsAnError)
{
    const std::string file = kFixtures + "/example/projekt.ini";
    const std::vector<std::string> cases[] = {
        {"convert", file, "--to", "ini"},
        {"convert", file, "--to", "bat", "-o", "-"},
        {"check", kFixtures + "/hints.ini"},
        {"--help"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args[0] + " " + args.back());
        const Outcome r = Run(args, {}, "/dev/full");
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err, "qvr: Die Ausgabe konnte nicht geschrieben werden. No space left on device\n");
    }
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
        {},
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
