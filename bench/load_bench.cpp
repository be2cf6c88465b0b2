// Loading configurations of 1 KiB, 1 MiB, 64 MiB and 1 GiB beside a plain scan of the same file
// (read through the same buffer size, line ends counted with memchr), run in turns in one process
// so that both see the same machine. Peak memory is measured in a child process per load. With a
// path to qvr, "qvr check" on the 64 MiB file is timed against the scan as well.
//
//   load_bench [path/to/qvr] [--rounds N]
//   load_bench --scan FILE      (the scan alone, as the process qvr is compared with)
//
// The files are generated into a temporary folder, which is deleted at the end.
#include "config/ConfigWriter.h"
#include "config/Loader.h"
#include "config/ProfileReader.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Results go here, so that no work of a timed loop can be left out by the compiler.
volatile std::size_t sink = 0;

qv::ProjectSettings FullProject()
{
    qv::ProjectSettings p;
    p.EHTMLOrt = "web\\index.html";
    p.ETitel = "Mein Men\xFC";
    p.EBreite = "800";
    p.EHoehe = "600";
    p.ESplashOrt = "bilder\\splash.bmp";
    p.LBShortcuts = {"Alt+F4", "Esc", "F1", "F5"};
    p.EExeParam = "/silent /dir=\"C:\\Programme\"";
    return p;
}

// The real settings first, then filler sections of key lines up to `size` bytes, written in
// pieces so that even the largest file never sits in memory.
void WriteFile(const fs::path& path, std::uint64_t size)
{
    std::ofstream out(path, std::ios::binary);
    std::string chunk = qv::ConfigFileBytes(qv::BuildConfiguration(FullProject(), 1).configText, 1);
    std::uint64_t written = 0;
    std::uint64_t section = 0;
    while (written < size) {
        while (chunk.size() < (1u << 20)) {
            chunk += "[filler" + std::to_string(section++) + "]\r\n";
            for (int i = 0; i < 50; ++i)
                chunk += "key" + std::to_string(i) + " = \"value number " + std::to_string(i) + "\"\r\n";
        }
        const std::uint64_t take = std::min<std::uint64_t>(chunk.size(), size - written);
        out.write(chunk.data(), static_cast<std::streamsize>(take));
        written += take;
        chunk.clear();
    }
}

// The baseline: every byte of the file read through the reader's buffer size, lines counted.
std::size_t Scan(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::vector<char> buffer(qv::ProfileFile::kReadBuffer);
    std::size_t lines = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got <= 0)
            break;
        const char* p = buffer.data();
        const char* const end = p + got;
        while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) != nullptr) {
            ++lines;
            ++p;
        }
    }
    ::close(fd);
    return lines;
}

// What the designer and qvr do, without the size bound so that 1 GiB can be read at all.
bool Load(const std::string& path)
{
    const qv::ProfileFile file =
        qv::ProfileFile::Load(path, qv::SettingsKeep(), {qv::ProfileFile::kReadBuffer, UINT64_MAX});
    const qv::LoadResult result = qv::LoadSettings(file, path, {});
    return result.hasSettingsSection && result.settings.ETitel == "Mein Men\xFC";
}

double Seconds(const std::function<void()>& f)
{
    const auto start = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long PeakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// How much the peak resident memory of a fresh child grows while it runs `f` once.
long PeakGrowthKiB(const std::function<void()>& f)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        const long before = PeakKiB();
        f();
        const long growth = PeakKiB() - before;
        (void)!::write(pipeFds[1], &growth, sizeof growth);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    long growth = -1;
    (void)!::read(pipeFds[0], &growth, sizeof growth);
    ::close(pipeFds[0]);
    ::waitpid(child, nullptr, 0);
    return growth;
}

struct ProcessRun {
    double seconds = 0;
    long peakKiB = 0;
};

ProcessRun RunProcess(const std::vector<std::string>& args)
{
    ProcessRun run;
    const auto start = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.peakKiB = usage.ru_maxrss;
    return run;
}

std::string Size(std::uint64_t bytes)
{
    if (bytes >= (1u << 30))
        return std::to_string(bytes >> 30) + " GiB";
    if (bytes >= (1u << 20))
        return std::to_string(bytes >> 20) + " MiB";
    return std::to_string(bytes >> 10) + " KiB";
}

std::string Time(double seconds)
{
    char text[32];
    if (seconds < 1e-3)
        std::snprintf(text, sizeof text, "%.1f us", seconds * 1e6);
    else if (seconds < 1)
        std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    else
        std::snprintf(text, sizeof text, "%.3f s", seconds);
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--scan") == 0)
        return Scan(argv[2]) > 0 ? 0 : 1;
    const std::string self = fs::canonical("/proc/self/exe").string();
    std::string qvr;
    int rounds = 7;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else
            qvr = argv[i];
    }
    char pattern[] = "/tmp/quorvane-load-bench-XXXXXX";
    const char* folder = ::mkdtemp(pattern);
    if (!folder) {
        std::perror("mkdtemp");
        return 1;
    }

    std::printf("%-8s %12s %12s %7s   %12s %12s\n", "size", "load", "scan", "ratio", "load peak", "scan peak");
    const std::uint64_t sizes[] = {1u << 10, 1u << 20, 64u << 20, std::uint64_t{1} << 30};
    for (const std::uint64_t size : sizes) {
        const std::string path = (fs::path(folder) / ("bench-" + std::to_string(size) + ".inf")).string();
        WriteFile(path, size);
        if (!Load(path)) {
            std::fprintf(stderr, "the generated file does not load\n");
            return 1;
        }
        Scan(path); // the file is in the page cache for both
        // Enough repetitions per turn that a turn lasts some milliseconds.
        const int repeat = static_cast<int>(std::max<std::uint64_t>(1, (std::uint64_t{8} << 20) / size));
        std::vector<double> load;
        std::vector<double> scan;
        for (int round = 0; round < rounds; ++round) {
            scan.push_back(Seconds([&] {
                for (int i = 0; i < repeat; ++i)
                    sink = sink + Scan(path);
            }) / repeat);
            load.push_back(Seconds([&] {
                for (int i = 0; i < repeat; ++i)
                    sink = sink + Load(path);
            }) / repeat);
        }
        const long loadPeak = PeakGrowthKiB([&] { Load(path); });
        const long scanPeak = PeakGrowthKiB([&] { Scan(path); });
        std::printf("%-8s %12s %12s %6.2fx   %9ld KiB %9ld KiB\n", Size(size).c_str(), Time(Median(load)).c_str(),
                    Time(Median(scan)).c_str(), Median(load) / Median(scan), loadPeak, scanPeak);

        if (size == (64u << 20) && !qvr.empty()) {
            // Both as processes of their own: qvr, and this program scanning the file.
            std::vector<double> check;
            std::vector<double> scanned;
            long peak = 0;
            for (int round = 0; round < rounds; ++round) {
                scanned.push_back(RunProcess({self, "--scan", path}).seconds);
                const ProcessRun run = RunProcess({qvr, "check", path});
                check.push_back(run.seconds);
                peak = std::max(peak, run.peakKiB);
            }
            std::printf("qvr check on 64 MiB: %s, scanning process %s: %.2fx; qvr's peak resident memory %.1f MB\n",
                        Time(Median(check)).c_str(), Time(Median(scanned)).c_str(), Median(check) / Median(scanned),
                        peak / 1024.0);
        }
        fs::remove(path);
    }
    std::printf("medians of %d rounds\n", rounds);
    fs::remove_all(folder);
    return 0;
}
