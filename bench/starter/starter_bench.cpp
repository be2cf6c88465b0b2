// Start-up of the runtime against a bare web view, in alternating rounds of one run: the time
// from starting the program to the first paint of the start page, and the memory of the program
// with all its helper processes at that moment (proportional set size, so shared pages are
// counted once). Both programs load the same page at 640 x 480 and report the paint on stdout.
//
//   starter_bench STARTER BARE_VIEW [ROUNDS]    (needs a display: run it under xvfb-run)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Sample {
    double ms = 0;
    long pssKb = 0;
};

// Parent of every process, from /proc/<pid>/stat.
std::map<int, int> Parents()
{
    std::map<int, int> parents;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line))
            continue;
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(line.substr(close + 2));
        char state = 0;
        int ppid = 0;
        rest >> state >> ppid;
        parents[std::stoi(name)] = ppid;
    }
    return parents;
}

long PssKb(int pid)
{
    std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string line;
    while (std::getline(rollup, line)) {
        if (line.rfind("Pss:", 0) == 0)
            return std::atol(line.c_str() + 4);
    }
    return 0;
}

long TreePssKb(int root)
{
    const std::map<int, int> parents = Parents();
    long total = 0;
    for (const auto& [pid, ppid] : parents) {
        for (int p = pid; p > 1; p = parents.count(p) ? parents.at(p) : 0) {
            if (p == root) {
                total += PssKb(pid);
                break;
            }
        }
    }
    return total;
}

// Runs the program until it prints "first-paint"; nullopt-like negative time on failure.
Sample Run(const std::vector<std::string>& argv)
{
    int out[2];
    if (pipe(out) != 0)
        std::exit(1);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        setenv("QUORVANE_STARTER_FIRST_PAINT", "1", 1);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    Sample sample{-1, 0};
    std::string seen;
    char buffer[256];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0) {
        seen.append(buffer, static_cast<std::size_t>(n));
        if (seen.find("first-paint") != std::string::npos) {
            sample.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            sample.pssKb = TreePssKb(pid);
            break;
        }
    }
    close(out[0]);
    int status = 0;
    // The program quits by itself after its report; a hung one is ended.
    for (int i = 0; i < 100 && waitpid(pid, &status, WNOHANG) == 0; ++i)
        usleep(100000);
    if (waitpid(pid, &status, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    return sample;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::cerr << "usage: starter_bench STARTER BARE_VIEW [ROUNDS]\n";
        return 2;
    }
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    const fs::path folder = fs::temp_directory_path() / ("qv-starter-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path page = folder / "index.html";
    std::ofstream(page) << "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Menü</title></head>"
                           "<body style=\"font-family:sans-serif\"><h1>Willkommen</h1><ul><li><a href=\"#\">Eins</a>"
                           "</li><li><a href=\"#\">Zwei</a></li></ul></body></html>";

    const std::vector<std::string> starter = {argv[1], "/startfile=" + page.string(), "/width=640", "/height=480"};
    const std::vector<std::string> bare = {argv[2], page.string()};
    std::vector<double> starterMs, bareMs, starterKb, bareKb;
    for (int round = 0; round < rounds; ++round) {
        // Alternate the order so that neither program always runs on a warmer cache.
        const bool starterFirst = round % 2 == 0;
        for (int i = 0; i < 2; ++i) {
            const bool isStarter = (i == 0) == starterFirst;
            const Sample s = Run(isStarter ? starter : bare);
            if (s.ms < 0) {
                std::cerr << (isStarter ? "starter" : "bare view") << " reported no first paint\n";
                return 1;
            }
            (isStarter ? starterMs : bareMs).push_back(s.ms);
            (isStarter ? starterKb : bareKb).push_back(static_cast<double>(s.pssKb));
            std::printf("round %d %-9s %7.0f ms %7ld KiB\n", round + 1, isStarter ? "starter" : "bare", s.ms, s.pssKb);
        }
    }
    fs::remove_all(folder);
    const double ms = Median(starterMs), baseMs = Median(bareMs);
    const double kb = Median(starterKb), baseKb = Median(bareKb);
    std::printf("median    starter %7.0f ms %7.0f KiB\n", ms, kb);
    std::printf("median    bare    %7.0f ms %7.0f KiB\n", baseMs, baseKb);
    std::printf("ratio     time %.2f   memory %.2f   (goal <= 1.20)\n", ms / baseMs, kb / baseKb);
    return 0;
}
