// The disc check of a folder holding a large web application's scripts, with the check against
// the Windows runtime's engine (every script compiled as ES5, the styles and pictures looked at)
// and without it (today's check: names, configuration, links). Both run in this process, in
// turns, after a warm-up round; the ratio of the medians is the result, since the machine is
// shared and absolute times say little.
//
//   engine_bench [--rounds N]
//
// The application: Debian's libraries under /usr/share/javascript (jQuery, Underscore, Bootstrap 5,
// Popper, ...) and a bundle of 8 copies of jQuery and Underscore, each in a function of its own
// (about 3 MB, as a bundler writes it), each script reached from the start page.
#include "disc/DiscCheck.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Builds the folder; returns the bytes of script in it.
std::uintmax_t MakeFolder(const fs::path& root)
{
    WriteFile(root / "starter.exe", "MZ");
    WriteFile(root / "starter.ini", "[quorvane]\r\nstartfile=index.html\r\n");
    std::string page = "<!DOCTYPE html>\n<html><head>\n";
    std::uintmax_t bytes = 0;
    int n = 0;
    for (const auto& entry : fs::recursive_directory_iterator("/usr/share/javascript")) {
        const fs::path& path = entry.path();
        if (!entry.is_regular_file() || (path.extension() != ".js" && path.extension() != ".css"))
            continue;
        const std::string name = "lib/" + std::to_string(n++) + "-" + path.filename().string();
        fs::create_directories(root / "lib");
        fs::copy_file(path, root / name);
        if (path.extension() == ".js") {
            page += "<script src=\"" + name + "\"></script>\n";
            bytes += fs::file_size(path);
        } else {
            page += "<link rel=\"stylesheet\" href=\"" + name + "\">\n";
        }
    }
    const std::string jquery = ReadFile("/usr/share/javascript/jquery/jquery.js");
    const std::string underscore = ReadFile("/usr/share/javascript/underscore/underscore.js");
    std::string bundle;
    for (int i = 0; i < 8; ++i)
        bundle += "(function () {\n" + jquery + "\n}());\n(function () {\n" + underscore + "\n}());\n";
    WriteFile(root / "app/bundle.js", bundle);
    bytes += bundle.size();
    page += "<script src=\"app/bundle.js\"></script>\n</head><body><p>Menü</p></body></html>\n";
    WriteFile(root / "index.html", page);
    return bytes;
}

double Seconds(const fs::path& root, bool engine, std::size_t& warnings)
{
    qv::DiscCheckOptions options;
    options.engineCheck = engine;
    std::string failure;
    const auto start = std::chrono::steady_clock::now();
    const std::optional<qv::DiscReport> report = qv::CheckDiscFolder(root, options, failure);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!report) {
        std::fprintf(stderr, "engine_bench: %s\n", failure.c_str());
        std::exit(1);
    }
    warnings = report->WarningCount();
    return seconds;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 7;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[i + 1]));
    }
    const fs::path root = fs::temp_directory_path() / ("quorvane-engine-bench-" + std::to_string(::getpid()));
    fs::remove_all(root);
    const std::uintmax_t scriptBytes = MakeFolder(root);
    std::vector<double> with;
    std::vector<double> without;
    std::size_t warningsWith = 0;
    std::size_t warningsWithout = 0;
    Seconds(root, true, warningsWith); // warm-up: the files in the page cache
    for (int round = 0; round < rounds; ++round) {
        // Turns change their order each round.
        if (round % 2 == 0) {
            with.push_back(Seconds(root, true, warningsWith));
            without.push_back(Seconds(root, false, warningsWithout));
        } else {
            without.push_back(Seconds(root, false, warningsWithout));
            with.push_back(Seconds(root, true, warningsWith));
        }
    }
    fs::remove_all(root);
    const double a = Median(with);
    const double b = Median(without);
    std::printf("scripts: %.1f MB; rounds: %d\n", static_cast<double>(scriptBytes) / 1e6, rounds);
    std::printf("check with the engine check:    %8.3f s (%zu warnings)\n", a, warningsWith);
    std::printf("check without the engine check: %8.3f s (%zu warnings)\n", b, warningsWithout);
    std::printf("ratio: %.1f\n", a / b);
    return 0;
}
