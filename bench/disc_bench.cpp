// qvr iso side by side with "genisoimage -J -R" and "xorriso -as mkisofs -J -R" on three generated
// folders: 20,000 small files in 100 folders, 100,000 small files in one folder, and three files of
// 1 GiB. xorriso sits out the flat folder: its import of a folder grows with the square of the
// files there (60 s against genisoimage's 3 s for 20,000 here). The runs turn their order each round,
// after a warm-up round, and the ratios of the medians are the result: the machine is shared, so
// absolute times say little. Each program runs as a child; its peak memory comes from wait4.
// Every image is flushed to the disk before its time is taken (qvr does it itself; for the
// others the benchmark does it), so each time means "image safely written".
//
//   disc_bench [--dir FOLDER] [--rounds N] [--case klein|flach|gross]
//
// The folder is generated below FOLDER (default: the temporary folder) and removed at the end.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kSmallFiles = 20000;
constexpr int kFlatFiles = 100000;
constexpr std::uint64_t kLargeFile = 1024ULL * 1024 * 1024;

struct Sample {
    double seconds = 0;
    long maxRssKiB = 0;
    int exitCode = -1;
};

// Runs a program with its output discarded; returns its wall time, peak memory and exit code.
Sample RunChild(std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    Sample sample;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return sample;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    sample.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sample.maxRssKiB = usage.ru_maxrss;
    sample.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return sample;
}

double FlushToDisk(const fs::path& file)
{
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Random bytes, so that no file system or cache can take a shortcut.
void WriteRandomFile(const fs::path& path, std::uint64_t size, std::uint64_t& state, std::vector<std::uint64_t>& buffer)
{
    std::ofstream out(path, std::ios::binary);
    while (size > 0) {
        for (std::uint64_t& word : buffer) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            word = state;
        }
        const std::uint64_t chunk = std::min<std::uint64_t>(size, buffer.size() * sizeof(std::uint64_t));
        out.write(reinterpret_cast<const char*>(buffer.data()), static_cast<std::streamsize>(chunk));
        size -= chunk;
    }
}

enum class Kind { Small, Flat, Large };

// A small valid project, then `kSmallFiles` files of 0 to 8 KiB in 100 folders, `kFlatFiles` files
// of 0 to 1 KiB in one folder (names in the 8.3 form, so that no tool has to shorten them), or three
// files of 1 GiB.
void GenerateFolder(const fs::path& root, Kind kind, const fs::path& starter)
{
    fs::create_directories(root / "web");
    fs::copy_file(starter, root / "starter.exe");
    std::ofstream(root / "starter.ini", std::ios::binary)
        << "[quorvane]\r\nstartfile=web\\index.html\r\ncaption=Benchmark\r\n";
    std::ofstream(root / "web/index.html", std::ios::binary)
        << (kind == Kind::Flat ? "<a href=\"../flach/d000000.bin\">x</a>" : "<a href=\"../ordner00/datei00000.bin\">x</a>");
    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    std::vector<std::uint64_t> buffer(1 << 17);
    if (kind == Kind::Flat) {
        fs::create_directories(root / "flach");
        for (int i = 0; i < kFlatFiles; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "d%06d.bin", i);
            WriteRandomFile(root / "flach" / name, state % (1024 + 1), state, buffer);
        }
        return;
    }
    if (kind == Kind::Large) {
        fs::create_directories(root / "ordner00");
        WriteRandomFile(root / "ordner00/datei00000.bin", 1, state, buffer);
        for (int i = 1; i <= 3; ++i)
            WriteRandomFile(root / ("film" + std::to_string(i) + ".bin"), kLargeFile, state, buffer);
        return;
    }
    for (int i = 0; i < kSmallFiles; ++i) {
        char folder[32];
        char name[32];
        std::snprintf(folder, sizeof folder, "ordner%02d", i % 100);
        std::snprintf(name, sizeof name, "datei%05d.bin", i);
        fs::create_directories(root / folder);
        WriteRandomFile(root / folder / name, state % (8 * 1024 + 1), state, buffer);
    }
}

std::uint64_t FolderBytes(const fs::path& root)
{
    std::uint64_t total = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file())
            total += entry.file_size();
    }
    return total;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

struct Tool {
    const char* name;
    std::vector<double> seconds;
    long rssKiB = 0;
};

// qvr iso, genisoimage and xorriso on the same folder, in an order that turns each round; every
// image is flushed to the disk before its time is taken (qvr does it itself).
bool Measure(const fs::path& work, const fs::path& folder, int rounds, bool withXorriso, std::vector<Tool>& tools)
{
    tools = {{"qvr iso", {}, 0}, {"genisoimage", {}, 0}, {"xorriso", {}, 0}};
    const int count = withXorriso ? 3 : 2;
    const fs::path image = work / "bench.iso";
    for (int round = 0; round <= rounds; ++round) { // round 0 warms the page cache and is not counted
        std::printf("  round %d%s:", round, round == 0 ? " (warm-up)" : "");
        for (int k = 0; k < count; ++k) {
            const int which = (k + round) % count;
            std::vector<std::string> args;
            if (which == 0)
                args = {QV_QVR, "iso", folder.string(), "-o", image.string()};
            else if (which == 1)
                args = {"genisoimage", "-J", "-R", "-joliet-long", "-quiet", "-o", image.string(), folder.string()};
            else
                args = {"xorriso", "-as", "mkisofs", "-J", "-R", "-quiet", "-o", image.string(), folder.string()};
            Sample sample = RunChild(args);
            sample.seconds += FlushToDisk(image);
            fs::remove(image);
            if (sample.exitCode != 0) {
                std::fprintf(stderr, "\n%s failed with %d\n", tools[which].name, sample.exitCode);
                return false;
            }
            std::printf(" %s %.2f s", tools[which].name, sample.seconds);
            if (round > 0)
                tools[which].seconds.push_back(sample.seconds);
            tools[which].rssKiB = std::max(tools[which].rssKiB, sample.maxRssKiB);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    fs::path base = fs::temp_directory_path();
    int rounds = 3;
    std::string only;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--dir")
            base = argv[i + 1];
        else if (option == "--rounds")
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (option == "--case")
            only = argv[i + 1];
    }
    std::string pattern = (base / "qvr-disc-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 2;
    }
    const fs::path work = pattern;
    int rc = 0;
    const struct {
        Kind kind;
        const char* name;
        const char* what;
    } cases[] = {{Kind::Small, "klein", "20,000 small files in 100 folders"},
                 {Kind::Flat, "flach", "100,000 small files in one folder"},
                 {Kind::Large, "gross", "3 files of 1 GiB"}};
    for (const auto& c : cases) {
        if (!only.empty() && only != c.name)
            continue;
        const fs::path folder = work / c.name;
        std::printf("generating %s in %s ...\n", c.what, folder.c_str());
        std::fflush(stdout);
        GenerateFolder(folder, c.kind, QV_STARTER);
        std::printf("folder: %.1f MB\n", static_cast<double>(FolderBytes(folder)) / (1024.0 * 1024.0));
        std::vector<Tool> tools;
        const bool withXorriso = c.kind != Kind::Flat;
        const bool ok = Measure(work, folder, rounds, withXorriso, tools);
        fs::remove_all(folder);
        if (!ok) {
            rc = 1;
            break;
        }
        const double qvr = Median(tools[0].seconds);
        const double genisoimage = Median(tools[1].seconds);
        const double xorriso = Median(tools[2].seconds);
        std::printf("median of %d: qvr iso %.2f s, genisoimage %.2f s", rounds, qvr, genisoimage);
        if (withXorriso)
            std::printf(", xorriso %.2f s", xorriso);
        std::printf("\nqvr iso / genisoimage = %.3f (goal <= 1.2)", genisoimage > 0 ? qvr / genisoimage : 0.0);
        if (withXorriso)
            std::printf(", qvr iso / xorriso = %.3f", xorriso > 0 ? qvr / xorriso : 0.0);
        std::printf("\n");
        // The memory goal holds for the other folders; a flat one keeps 100,000 names in the library's tree.
        std::printf("peak memory: qvr iso %ld KiB%s, genisoimage %ld KiB", tools[0].rssKiB,
                    c.kind != Kind::Flat ? " (goal <= 32768)" : "", tools[1].rssKiB);
        if (withXorriso)
            std::printf(", xorriso %ld KiB", tools[2].rssKiB);
        std::printf("\n\n");
        std::fflush(stdout);
    }
    fs::remove_all(work);
    return rc;
}
