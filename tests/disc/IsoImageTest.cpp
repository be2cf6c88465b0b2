#include "DiscTestSupport.h"

#include "config/Cp1252.h"

#define LIBISOFS_WITHOUT_LIBBURN
#include <libisofs/libisofs.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <map>
#include <functional>
#include <random>
#include <tuple>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

extern char** environ;

namespace {

using namespace disctest;

struct Node {
    bool folder = false;
    unsigned permissions = 0;
    std::string bytes;
    bool operator==(const Node&) const = default;
};
using Tree = std::map<std::string, Node>; // relative path -> node

struct ImageContent {
    Tree tree;
    std::string volumeId;
    bool hasJoliet = false;
    bool hasRockRidge = false;
};

// Reads an image back with the library: through its Rock Ridge tree, or through its Joliet tree
// alone (as Windows sees it).
ImageContent ReadImage(const fs::path& path, bool jolietOnly)
{
    ImageContent content;
    EXPECT_GE(iso_init(), 0);
    char utf8[] = "UTF-8";
    iso_set_local_charset(utf8, 0);
    IsoDataSource* source = nullptr;
    EXPECT_GE(iso_data_source_new_from_file(path.c_str(), &source), 0);
    IsoImage* image = nullptr;
    EXPECT_GE(iso_image_new("read", &image), 0);
    IsoReadOpts* opts = nullptr;
    EXPECT_GE(iso_read_opts_new(&opts, 0), 0);
    iso_read_opts_set_input_charset(opts, utf8);
    if (jolietOnly) {
        iso_read_opts_set_no_rockridge(opts, 1);
        iso_read_opts_set_preferjoliet(opts, 1);
    }
    IsoReadImageFeatures* features = nullptr;
    const int rc = iso_image_import(image, source, opts, &features);
    EXPECT_GE(rc, 0) << iso_error_to_msg(rc);
    if (rc >= 0) {
        content.hasJoliet = iso_read_image_features_has_joliet(features) != 0;
        content.hasRockRidge = iso_read_image_features_has_rockridge(features) != 0;
        const char* volume = iso_image_get_volume_id(image);
        content.volumeId = volume != nullptr ? volume : "";
        std::vector<std::pair<std::string, IsoDir*>> pending{{"", iso_image_get_root(image)}};
        while (!pending.empty()) {
            const auto [prefix, dir] = pending.back();
            pending.pop_back();
            IsoDirIter* iter = nullptr;
            iso_dir_get_children(dir, &iter);
            IsoNode* node = nullptr;
            while (iso_dir_iter_next(iter, &node) == 1) {
                const std::string name = prefix + iso_node_get_name(node);
                Node entry;
                entry.permissions = iso_node_get_permissions(node) & 07777;
                if (ISO_NODE_IS_DIR(node)) {
                    entry.folder = true;
                    pending.emplace_back(name + "/", reinterpret_cast<IsoDir*>(node));
                } else if (ISO_NODE_IS_FILE(node)) {
                    IsoStream* stream = iso_file_get_stream(reinterpret_cast<IsoFile*>(node));
                    EXPECT_GE(iso_stream_open(stream), 0);
                    char buffer[65536];
                    int got = 0;
                    while ((got = iso_stream_read(stream, buffer, sizeof buffer)) > 0)
                        entry.bytes.append(buffer, static_cast<std::size_t>(got));
                    EXPECT_GE(got, 0);
                    iso_stream_close(stream);
                }
                content.tree[name] = entry;
            }
            iso_dir_iter_free(iter);
        }
        iso_read_image_features_destroy(features);
    }
    iso_read_opts_free(opts);
    iso_image_unref(image);
    iso_data_source_unref(source);
    iso_finish();
    return content;
}

Tree ReadFolder(const fs::path& root)
{
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string rel = fs::relative(entry.path(), root).string();
        Node node;
        node.permissions = static_cast<unsigned>(entry.symlink_status().permissions()) & 07777;
        if (entry.is_directory())
            node.folder = true;
        else
            node.bytes = ReadFile(entry.path());
        tree[rel] = node;
    }
    return tree;
}

std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

// A clean project with binary files of awkward sizes, a name of 64 characters, umlauts and
// permissions of every kind.
void WriteProject(const fs::path& root)
{
    fs::create_directories(root);
    fs::copy_file(QV_REFERENCE_STARTER, root / "starter.exe");
    WriteFile(root / "starter.ini", qv::W("[quorvane]\r\nstartfile=web\\index.html\r\ncaption=Menü für 2024\r\n"));
    WriteFile(root / "web/index.html", "<a href=\"bilder/groß.png\">x</a><a href=\"../daten/leer.txt\">y</a>");
    WriteFile(root / "web/bilder/groß.png", RandomBytes(2048 * 3 + 17, 1));
    WriteFile(root / "daten/leer.txt", "");
    WriteFile(root / "daten/block.bin", RandomBytes(2048, 2));
    WriteFile(root / "daten/gross.bin", RandomBytes(3 * 1024 * 1024 + 5, 3));
    WriteFile(root / "daten" / (std::string(60, 'l') + ".txt"), "vierundsechzig");
    WriteFile(root / "daten/tief/tiefer/am tiefsten/Ärger & Öl.txt", "umlaute");
    fs::permissions(root / "daten/block.bin", fs::perms(0640));
    fs::permissions(root / "daten/gross.bin", fs::perms(0444));
    fs::permissions(root / "daten/tief", fs::perms(0750));
    fs::permissions(root / "starter.exe", fs::perms(0755));
}

std::vector<std::string> FolderNames(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class IsoImageTest : public DiscFolderTest {};

TEST_F(IsoImageTest, ImageHoldsTheFolderWithJolietNamesRockRidgePermissionsAndTheLabel)
{
    const fs::path root = dir_ / "disc";
    WriteProject(root);
    const fs::path image = dir_ / "menue.iso";

    const Tree folder = ReadFolder(root);
    ASSERT_EQ(::mkfifo((root / "daten/rohr").c_str(), 0644), 0); // left out of the image

    const Outcome r = Run({"iso", root.string(), "-o", image.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // A warning alone does not hold the image back; it is shown with the summary.
    const std::vector<std::string> report = Lines(r.err);
    ASSERT_EQ(report.size(), 4u) << r.err;
    EXPECT_EQ(report[0], "Warnung: \"daten/rohr\" ist keine gewöhnliche Datei und kommt nicht auf die Disc.");
    EXPECT_EQ(report[1], "Ergebnis: 0 Fehler, 1 Warnung.");
    EXPECT_EQ(report[2].rfind("Gesamtgröße: etwa ", 0), 0u) << report[2];
    EXPECT_EQ(report[3].rfind("Start unter Windows: ", 0), 0u) << report[3];
    EXPECT_EQ(r.out.rfind("Abbild geschrieben: " + image.string() + " (", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("Bezeichnung MENUE_FUER_2024)"), std::string::npos) << r.out;
    EXPECT_EQ(fs::file_size(image) % 2048, 0u);
    EXPECT_EQ(fs::status(image).permissions() & fs::perms::others_read, fs::perms::others_read);

    const ImageContent rockRidge = ReadImage(image, false);
    EXPECT_TRUE(rockRidge.hasRockRidge);
    EXPECT_TRUE(rockRidge.hasJoliet);
    EXPECT_EQ(rockRidge.volumeId, "MENUE_FUER_2024");
    EXPECT_EQ(rockRidge.tree, folder); // names, bytes and permissions

    // Windows reads the Joliet tree: the same names and bytes (permissions are not part of it).
    Tree jolietExpected = folder;
    Tree joliet = ReadImage(image, true).tree;
    for (auto* tree : {&jolietExpected, &joliet}) {
        for (auto& [name, node] : *tree)
            node.permissions = 0;
    }
    EXPECT_EQ(joliet, jolietExpected);
    EXPECT_EQ(FolderNames(dir_), (std::vector<std::string>{"disc", "menue.iso"})); // no temporary file left
}

TEST_F(IsoImageTest, LabelComesFromTheOptionTheCaptionOrTheFolderName)
{
    const struct {
        const char* name;
        const char* caption; // nullptr: no caption key
        std::vector<std::string> extra;
        const char* label;
    } cases[] = {
        {"caption", "Mein Menü", {}, "MEIN_MENUE"},
        {"option wins, mapped", "Mein Menü", {"--label", "Sommer-Fest 2024"}, "SOMMER_FEST_2024"},
        {"folder name without a caption", nullptr, {}, "PROJEKT_CD_1"},
        {"folder name when the caption leaves nothing", "!!!", {}, "PROJEKT_CD_1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path root = dir_ / "Projekt-CD 1";
        fs::remove_all(root);
        WriteProject(root);
        std::string ini = "[quorvane]\r\nstartfile=web\\index.html\r\n";
        if (c.caption != nullptr)
            ini += qv::W(std::string("caption=") + c.caption + "\r\n");
        WriteFile(root / "starter.ini", ini);
        const fs::path image = dir_ / "label.iso";
        std::vector<std::string> args = {"iso", (root.string() + "/"), "-o", image.string()};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const Outcome r = Run(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(ReadImage(image, false).volumeId, c.label);
        EXPECT_EQ(ReadImage(image, true).volumeId, c.label);
    }
}

TEST_F(IsoImageTest, FolderWithErrorsIsRefusedUnlessForced)
{
    const fs::path root = dir_ / "disc";
    WriteProject(root);
    fs::remove(root / "web/bilder/groß.png");
    const fs::path image = dir_ / "menue.iso";
    WriteFile(image, "altes Abbild");

    Outcome r = Run({"iso", root.string(), "-o", image.string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Fehler: web/index.html: Verweis \"bilder/groß.png\" fehlt im Ordner.\n"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("Das Abbild wird nicht geschrieben"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(image), "altes Abbild");

    // --force writes despite errors.
    r = Run({"iso", root.string(), "-o", image.string(), "--force"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("Fehler: web/index.html"), std::string::npos) << r.err;
    EXPECT_EQ(ReadImage(image, false).tree, ReadFolder(root));
    EXPECT_EQ(FolderNames(dir_), (std::vector<std::string>{"disc", "menue.iso"}));
}

TEST_F(IsoImageTest, UsageErrorsAndImpossibleTargetsExitWithTwo)
{
    const fs::path root = dir_ / "disc";
    WriteProject(root);
    const std::string image = (dir_ / "x.iso").string();
    const struct {
        std::vector<std::string> args;
        const char* err;
    } cases[] = {
        {{"iso", root.string()}, "Es fehlt -o ABBILD.iso."},
        {{"iso", "-o", image}, "Es fehlt der Ordner."},
        {{"iso", root.string(), "-o"}, "Nach -o fehlt ein Wert."},
        {{"iso", root.string(), "-o", image, "--label"}, "Nach --label fehlt ein Wert."},
        {{"iso", root.string(), "-o", image, "--label", "!!!"}, "kein Zeichen, das ISO 9660 erlaubt"},
        {{"iso", root.string(), "-o", image, "--fast"}, "Unbekanntes Argument: --fast"},
        {{"iso", root.string(), "-o", dir_.string()}, "ist ein Ordner."},
        {{"iso", root.string(), "-o", (root / "web/../menue.iso").string()}, "darf nicht im Ordner liegen"},
        {{"iso", (dir_ / "fehlt").string(), "-o", image}, "existiert nicht oder ist kein Ordner."},
        {{"iso", root.string(), "-o", (dir_ / "fehlt/x.iso").string()}, "kann nicht geschrieben werden"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        const Outcome r = Run(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
    EXPECT_EQ(FolderNames(dir_), (std::vector<std::string>{"disc"}));
    EXPECT_EQ(ReadFolder(root).count("menue.iso"), 0u);
}

TEST_F(IsoImageTest, WriteProtectedImageIsRefusedNotReplaced)
{
    const fs::path root = dir_ / "disc";
    WriteProject(root);
    const fs::path image = dir_ / "menue.iso";
    WriteFile(image, "altes Abbild");
    fs::permissions(image, fs::perms(0444));
    const int probe = ::open(image.c_str(), O_WRONLY);
    if (probe >= 0) {
        ::close(probe);
        GTEST_SKIP() << "the file system lets this user write a read-only file";
    }
    const Outcome r = Run({"iso", root.string(), "-o", image.string()});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("Das Abbild " + image.string() + " kann nicht geschrieben werden: "), std::string::npos)
        << r.err;
    EXPECT_EQ(ReadFile(image), "altes Abbild");
}

// A file system that really runs full: a small tmpfs of the test's own.
class FullFileSystem : public DiscFolderTest {
protected:
    void SetUp() override
    {
        DiscFolderTest::SetUp();
        mountPoint_ = dir_ / "klein";
        fs::create_directories(mountPoint_);
        if (::mount("tmpfs", mountPoint_.c_str(), "tmpfs", 0, "size=1m") != 0)
            GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno) << ")";
        mounted_ = true;
    }
    void TearDown() override
    {
        if (mounted_)
            ::umount(mountPoint_.c_str());
        DiscFolderTest::TearDown();
    }
    fs::path mountPoint_;
    bool mounted_ = false;
};

TEST_F(FullFileSystem, FailedWriteLeavesNoImageAndTheOldOneUntouched)
{
    const fs::path root = dir_ / "disc";
    WriteProject(root); // about 3 MB, three times the room
    for (const bool existing : {false, true}) {
        SCOPED_TRACE(existing ? "over an existing image" : "new image");
        const fs::path image = mountPoint_ / "menue.iso";
        if (existing)
            WriteFile(image, "altes Abbild");
        const Outcome r = Run({"iso", root.string(), "-o", image.string()});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("Das Abbild " + image.string() + " kann nicht geschrieben werden: "), std::string::npos)
            << r.err;
        EXPECT_EQ(FolderNames(mountPoint_), existing ? std::vector<std::string>{"menue.iso"} : std::vector<std::string>{});
        if (existing) {
            EXPECT_EQ(ReadFile(image), "altes Abbild");
        }
    }
}

TEST_F(IsoImageTest, InterruptedWriteLeavesNoImageAndTheOldOneUntouched)
{
    const fs::path root = dir_ / "disc";
    WriteProject(root);
    WriteFile(root / "daten/gross-leer.bin", ""); // sparse: takes long to write, nothing to read
    fs::resize_file(root / "daten/gross-leer.bin", 2ULL * 1024 * 1024 * 1024);
    const fs::path out = dir_ / "ziel";
    fs::create_directories(out);
    const fs::path image = out / "menue.iso";
    WriteFile(image, "altes Abbild");

    const std::string qvr = QV_QVR;
    std::vector<std::string> args = {qvr, "iso", root.string(), "-o", image.string()};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, qvr.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);

    // Waits until the temporary file has grown, then interrupts.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool writing = false;
    while (!writing && std::chrono::steady_clock::now() < deadline) {
        for (const auto& entry : fs::directory_iterator(out)) {
            if (entry.path().filename() != "menue.iso" && entry.file_size() > 0)
                writing = true;
        }
        if (!writing)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(writing) << "qvr never began to write";
    ASSERT_TRUE(WIFEXITED(status)) << "qvr did not end by itself on SIGTERM";
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_EQ(FolderNames(out), std::vector<std::string>{"menue.iso"});
    EXPECT_EQ(ReadFile(image), "altes Abbild");
}

} // namespace

namespace {

// The volume id of the Joliet view (the supplementary volume descriptor), as Windows reads it.
std::string JolietVolumeIdOf(const fs::path& image)
{
    const std::string bytes = ReadFile(image);
    for (std::size_t sector = 16; (sector + 1) * 2048 <= bytes.size(); ++sector) {
        const std::string_view d(bytes.data() + sector * 2048, 2048);
        if (static_cast<unsigned char>(d[0]) == 255)
            break;
        if (d[0] != 2)
            continue;
        std::string id;
        for (std::size_t i = 40; i < 72; i += 2)
            id += d[i] == 0 ? d[i + 1] : '?';
        return id.substr(0, id.find_last_not_of(' ') + 1);
    }
    return {};
}

class IsoViews : public DiscFolderTest {};

// A relative folder is the folder below the working directory, for the check and the image alike.
TEST_F(IsoViews, RelativeFolderIsTheOneBelowTheWorkingDirectory)
{
    const fs::path root = dir_ / "srv";
    WriteProject(root);
    const Tree folder = ReadFolder(root);
    for (const auto& [name, cwd, target] : std::vector<std::tuple<std::string, fs::path, std::string>>{
             {"srv", dir_, "a.iso"}, {".", root, "../b.iso"}, {"./srv/", dir_, "c.iso"}}) {
        SCOPED_TRACE(name);
        const std::string command = "cd " + ShellQuoted(cwd.string()) + " && " + ShellQuoted(QV_QVR) + " iso "
                                    + ShellQuoted(name) + " -o " + ShellQuoted(target) + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
        EXPECT_EQ(ReadImage((cwd / target).lexically_normal(), false).tree, folder);
    }
}

// Links inside the folder are their content in every view; links outside never bring content in.
TEST_F(IsoViews, LinksInsideTheFolderAreContentInEveryViewLinksOutsideNever)
{
    const fs::path root = dir_ / "disc";
    WriteProject(root);
    const fs::path real = dir_ / "echt";
    fs::create_directories(real);
    fs::rename(root / "starter.exe", root / "daten/starter.exe");
    fs::create_symlink("daten/starter.exe", root / "starter.exe");
    fs::create_symlink("daten/tief", root / "verweis");
    const fs::path image = dir_ / "menue.iso";
    Outcome r = Run({"iso", root.string(), "-o", image.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string starter = ReadFile(QV_REFERENCE_STARTER);
    for (const bool joliet : {false, true}) {
        const Tree tree = ReadImage(image, joliet).tree;
        ASSERT_EQ(tree.count("starter.exe"), 1u);
        EXPECT_EQ(tree.at("starter.exe").bytes, starter);
        EXPECT_EQ(tree.at("verweis/tiefer/am tiefsten/Ärger & Öl.txt").bytes, "umlaute");
    }
    // Plain ISO 9660, as isoinfo reads it without extensions.
    const std::string plain = "isoinfo -i " + ShellQuoted(image.string()) + " -x '/STARTER.EXE;1' > "
                              + ShellQuoted((dir_ / "plain.exe").string());
    ASSERT_EQ(std::system(plain.c_str()), 0);
    EXPECT_EQ(ReadFile(dir_ / "plain.exe"), starter);

    WriteFile(dir_ / "geheim.txt", "GEHEIMER-INHALT-VON-AUSSEN");
    fs::create_symlink("../../geheim.txt", root / "daten/geheim.txt");
    r = Run({"iso", root.string(), "-o", image.string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Fehler: \"daten/geheim.txt\" ist eine symbolische Verknüpfung aus dem Ordner hinaus"),
              std::string::npos) << r.err;
    r = Run({"iso", root.string(), "-o", image.string(), "--force"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(image).find("GEHEIMER-INHALT"), std::string::npos);
    EXPECT_EQ(ReadImage(image, false).tree.count("daten/geheim.txt"), 0u);
}

// Windows shows the Joliet date: it is the file's, as in Rock Ridge and plain ISO 9660.
TEST_F(IsoViews, EveryViewKeepsTheFilesDate)
{
    const fs::path root = dir_ / "disc";
    WriteProject(root);
    const std::time_t past = 981173106; // 2001-02-03 04:05:06 UTC
    const timespec times[2] = {{past, 0}, {past, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (root / "daten/block.bin").c_str(), times, 0), 0);
    const fs::path image = dir_ / "menue.iso";
    const Outcome r = Run({"iso", root.string(), "-o", image.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* options : {"-J", "", "-R"}) {
        SCOPED_TRACE(options);
        const std::string command = "TZ=UTC isoinfo -l " + std::string(options) + " -i " + ShellQuoted(image.string())
                                    + " > " + ShellQuoted((dir_ / "liste.txt").string());
        ASSERT_EQ(std::system(command.c_str()), 0);
        bool found = false;
        for (const std::string& line : Lines(ReadFile(dir_ / "liste.txt"))) {
            if (line.find("BLOCK.BIN") == std::string::npos && line.find("block.bin") == std::string::npos)
                continue;
            found = true;
            EXPECT_NE(line.find("Feb  3 2001"), std::string::npos) << line;
        }
        EXPECT_TRUE(found);
    }
}

TEST_F(IsoViews, LabelLongerThanJolietHoldsIsPrintedAsEachViewShowsIt)
{
    const fs::path root = dir_ / "disc";
    WriteProject(root);
    const fs::path image = dir_ / "menue.iso";
    const struct {
        const char* label;
        const char* printed;
        const char* joliet;
    } cases[] = {
        {"Sommerfest", "Bezeichnung SOMMERFEST)", "SOMMERFEST"},
        {"Sommerfest der Grundschule 2024", "Bezeichnung SOMMERFEST_DER_GRUNDSCHULE_2024, unter Windows SOMMERFEST_DER_G)",
         "SOMMERFEST_DER_G"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const Outcome r = Run({"iso", root.string(), "-o", image.string(), "--label", c.label});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find(c.printed), std::string::npos) << r.out;
        EXPECT_EQ(JolietVolumeIdOf(image), c.joliet);
    }
}

// A device or FIFO named with -o is written in place, as qvr convert -o does it.
TEST_F(IsoViews, DeviceAndFifoTargetsAreWrittenInPlace)
{
    const fs::path root = dir_ / "disc";
    WriteProject(root);
    const fs::path fifo = dir_ / "rohr";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const fs::path received = dir_ / "empfangen.iso";
    const std::string reader = "timeout 120 cat " + ShellQuoted(fifo.string()) + " > " + ShellQuoted(received.string()) + " &";
    ASSERT_EQ(std::system(reader.c_str()), 0);
    const Outcome r = Run({"iso", root.string(), "-o", fifo.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    struct stat info {};
    ASSERT_EQ(::lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    if (!S_ISFIFO(info.st_mode)) {
        const int unblock = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (unblock >= 0)
            ::close(unblock);
    }
    for (int i = 0; i < 600 && fs::file_size(received) < 2048; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the reader's last write
    EXPECT_EQ(ReadImage(received, false).tree, ReadFolder(root));

    // A character device, where this user may make one.
    const fs::path device = dir_ / "null";
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        const Outcome n = Run({"iso", root.string(), "-o", device.string()});
        EXPECT_EQ(n.exitCode, 0) << n.err;
        ASSERT_EQ(::lstat(device.c_str(), &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode));
    }
}

// A file that changes while the image is written fails the write, naming the file. The image
// goes to a FIFO the test reads slowly, so the change falls in the middle of the write.
TEST_F(IsoViews, FileChangedWhileWritingIsAnError)
{
    const struct {
        const char* name;
        std::function<void(const fs::path&)> change;
        const char* message;
    } cases[] = {
        {"shrinks", [](const fs::path& f) { fs::resize_file(f, 1024 * 1024); }, "hat sich verändert"},
        {"grows", [](const fs::path& f) { fs::resize_file(f, 40 * 1024 * 1024); }, "hat sich verändert"},
        {"vanishes", [](const fs::path& f) { fs::remove(f); }, "ist verschwunden"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path root = dir_ / "disc";
        fs::remove_all(root);
        WriteProject(root);
        const fs::path victim = root / "daten/groß.bin";
        WriteFile(victim, "");
        fs::resize_file(victim, 32 * 1024 * 1024);
        const fs::path fifo = dir_ / "rohr";
        fs::remove(fifo);
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);

        const std::string qvr = QV_QVR;
        std::vector<std::string> args = {qvr, "iso", root.string(), "-o", fifo.string()};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const fs::path errFile = dir_ / "fehler.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, qvr.c_str(), &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);

        // Opening waits for qvr to open the FIFO; one that never does (replacing it instead) fails
        // the test after two minutes rather than hanging it.
        struct sigaction wake {};
        wake.sa_handler = [](int) {};
        sigemptyset(&wake.sa_mask);
        sigaction(SIGALRM, &wake, nullptr);
        ::alarm(120);
        const int in = ::open(fifo.c_str(), O_RDONLY);
        ::alarm(0);
        if (in < 0)
            ::kill(pid, SIGTERM);
        ASSERT_GE(in, 0) << "qvr never opened the FIFO";
        // The file's content begins after the folders' records; qvr can be a few MiB ahead of the
        // reader, far less than the 32 MiB of the file.
        char buffer[65536];
        std::size_t got = 0;
        while (got < sizeof buffer) {
            const ssize_t n = ::read(in, buffer, sizeof buffer - got);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        c.change(victim);
        while (::read(in, buffer, sizeof buffer) > 0) {
        }
        ::close(in);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 2);
        const std::string err = ReadFile(errFile);
        EXPECT_NE(err.find("kann nicht geschrieben werden: \"daten/groß.bin\" " + std::string(c.message)),
                  std::string::npos) << err;
    }
}

} // namespace
