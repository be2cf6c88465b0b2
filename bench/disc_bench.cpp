// qvr verify and qvr iso on a generated folder of 2,000 files, side by side with
// "xorriso -as mkisofs -J -R" on the same folder in the same run. The runs alternate in order,
// each round after a warm-up round, and the ratio of the medians is the result: the machine is
// shared, so absolute times say little. Each program runs as a child; its peak memory comes from
// wait4. Both images are flushed to the disk before their time is taken (qvr does it itself;
// for xorriso the benchmark does it), so both times mean "image safely written".
//
//   disc_bench [--dir FOLDER] [--rounds N] [--megabytes M]
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

constexpr int kFiles = 2000;

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

// Fills the folder with a small valid project and `kFiles` files of random bytes adding up to
// `totalBytes`: many small pages and pictures, a few large videos, in 20 folders.
void GenerateFolder(const fs::path& root, std::uint64_t totalBytes, const fs::path& starter)
{
    fs::create_directories(root / "web");
    fs::copy_file(starter, root / "starter.exe");
    std::ofstream(root / "starter.ini", std::ios::binary)
        << "[quorvane]\r\nstartfile=web\\index.html\r\ncaption=Benchmark\r\n";
    std::ofstream(root / "web/index.html", std::ios::binary) << "<a href=\"../ordner00/datei0000.bin\">x</a>";

    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    const auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    constexpr int kLarge = 10;
    constexpr std::uint64_t kSmallAverage = 100 * 1024;
    const std::uint64_t smallTotal = std::min<std::uint64_t>(totalBytes / 4, kSmallAverage * (kFiles - kLarge));
    const std::uint64_t largeSize = (totalBytes - smallTotal) / kLarge;
    std::vector<std::uint64_t> buffer(1 << 17);
    for (int i = 0; i < kFiles; ++i) {
        const fs::path folder = root / ("ordner" + std::string(i % 20 < 10 ? "0" : "") + std::to_string(i % 20));
        fs::create_directories(folder);
        char name[32];
        std::snprintf(name, sizeof name, "datei%04d.bin", i);
        std::uint64_t size = i < kLarge ? largeSize : (next() % (2 * smallTotal / (kFiles - kLarge)));
        std::ofstream out(folder / name, std::ios::binary);
        while (size > 0) {
            for (std::uint64_t& word : buffer)
                word = next();
            const std::uint64_t chunk = std::min<std::uint64_t>(size, buffer.size() * sizeof(std::uint64_t));
            out.write(reinterpret_cast<const char*>(buffer.data()), static_cast<std::streamsize>(chunk));
            size -= chunk;
        }
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

struct Results {
    std::vector<double> verify, iso, xorriso;
    long verifyRss = 0, isoRss = 0, xorrisoRss = 0;
    bool failed = false;
};

Results Measure(const fs::path& work, const fs::path& folder, int rounds)
{
    Results results;
    const fs::path isoImage = work / "qvr.iso";
    const fs::path xorrisoImage = work / "xorriso.iso";
    for (int round = 0; round <= rounds; ++round) { // round 0 warms the page cache and is not counted
        const Sample verify = RunChild({QV_QVR, "verify", folder.string()});
        Sample iso, xorriso;
        const auto runIso = [&] { iso = RunChild({QV_QVR, "iso", folder.string(), "-o", isoImage.string()}); };
        const auto runXorriso = [&] {
            xorriso = RunChild({"xorriso", "-as", "mkisofs", "-J", "-R", "-quiet", "-o", xorrisoImage.string(),
                                folder.string()});
            xorriso.seconds += FlushToDisk(xorrisoImage);
        };
        if (round % 2 == 0) {
            runIso();
            runXorriso();
        } else {
            runXorriso();
            runIso();
        }
        if (verify.exitCode != 0 || iso.exitCode != 0 || xorriso.exitCode != 0) {
            std::fprintf(stderr, "a run failed: verify %d, iso %d, xorriso %d\n", verify.exitCode, iso.exitCode,
                         xorriso.exitCode);
            results.failed = true;
            return results;
        }
        std::printf("  round %d%s: verify %.2f s, iso %.2f s, xorriso %.2f s\n", round,
                    round == 0 ? " (warm-up)" : "", verify.seconds, iso.seconds, xorriso.seconds);
        std::fflush(stdout);
        if (round > 0) {
            results.verify.push_back(verify.seconds);
            results.iso.push_back(iso.seconds);
            results.xorriso.push_back(xorriso.seconds);
        }
        results.verifyRss = std::max(results.verifyRss, verify.maxRssKiB);
        results.isoRss = std::max(results.isoRss, iso.maxRssKiB);
        results.xorrisoRss = std::max(results.xorrisoRss, xorriso.maxRssKiB);
        fs::remove(isoImage);
        fs::remove(xorrisoImage);
    }
    return results;
}

} // namespace

int main(int argc, char** argv)
{
    fs::path base = fs::temp_directory_path();
    int rounds = 3;
    std::uint64_t megabytes = 1024;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--dir")
            base = argv[i + 1];
        else if (option == "--rounds")
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (option == "--megabytes")
            megabytes = std::max(16, std::atoi(argv[i + 1]));
    }
    std::string pattern = (base / "qvr-disc-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 2;
    }
    const fs::path work = pattern;
    int rc = 0;
    // The same file count at a quarter of the size shows whether memory follows the bytes.
    for (const std::uint64_t size : {megabytes / 4, megabytes}) {
        const fs::path folder = work / ("ordner-" + std::to_string(size) + "mb");
        std::printf("generating %d files, %llu MB in %s ...\n", kFiles, static_cast<unsigned long long>(size),
                    folder.c_str());
        std::fflush(stdout);
        GenerateFolder(folder, size * 1024 * 1024, QV_STARTER);
        std::printf("folder: %.1f MB in %d files\n", static_cast<double>(FolderBytes(folder)) / (1024.0 * 1024.0),
                    kFiles + 3);
        const Results r = Measure(work, folder, size == megabytes ? rounds : 1);
        fs::remove_all(folder);
        if (r.failed) {
            rc = 1;
            break;
        }
        const double iso = Median(r.iso);
        const double xorriso = Median(r.xorriso);
        std::printf("median of %zu: verify %.2f s, iso %.2f s, xorriso %.2f s; iso / xorriso = %.3f (goal <= 1.1)\n",
                    r.iso.size(), Median(r.verify), iso, xorriso, xorriso > 0 ? iso / xorriso : 0.0);
        std::printf("peak memory: verify %ld KiB, iso %ld KiB, xorriso %ld KiB\n\n", r.verifyRss, r.isoRss,
                    r.xorrisoRss);
        std::fflush(stdout);
    }
    fs::remove_all(work);
    return rc;
}
