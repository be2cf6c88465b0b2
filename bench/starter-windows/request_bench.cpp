// The request check on Windows: what the runtime's security manager adds to each question of the
// browser control. Per round, the same list of addresses (inside the menu's folder, outside it,
// UNC, web) goes through the system's security manager alone (the baseline: what the control asks
// without us) and through ours followed by the system's where ours leaves the answer to it (what
// the control asks with us). Alternating rounds; medians of nanoseconds per question and their
// ratio.
//   request_bench.exe [ROUNDS]
#include "rules/ConfigSource.h"
#include "rules/LinkRule.h"
#include "windows/Handles.h"
#include "windows/HostServices.h"
#include "windows/Text.h"

#include <urlmon.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace qv::starter;
using namespace qv::starter::win;
using Microsoft::WRL::ComPtr;

namespace {

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Nanoseconds per question for `ask` over `urls`, `repeat` times.
template <typename Ask>
double Measure(const std::vector<std::wstring>& urls, int repeat, Ask ask)
{
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < repeat; ++i)
        for (const std::wstring& url : urls)
            ask(url);
    const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - begin;
    return spent.count() / (static_cast<double>(repeat) * static_cast<double>(urls.size()));
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 9;
    OleScope ole;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::filesystem::path folder = std::filesystem::path(temp) / L"qv-request-bench";
    std::filesystem::create_directories(folder / L"bilder");
    std::ofstream(folder / L"index.html") << "<html></html>";
    const std::wstring menu = folder.wstring();
    const LinkRule rule(InterpretConfiguration(
        LoadStarterConfiguration(ToUtf8(menu) + "\\starter.exe", {"/startfile=index.html"}, std::nullopt)));

    // What the rule allows (the control then asks the system too) and what it refuses.
    const std::vector<std::wstring> allowed = {
        L"file:///" + menu + L"/bilder/logo.png", menu + L"\\stil.css", L"http://example.org/x.png",
        L"https://example.org/app.js", L"data:image/png;base64,AAAA",
    };
    const std::vector<std::wstring> refused = {
        L"file:///" + menu + L"/../draussen/geheim.png",
        L"\\\\server\\freigabe\\x.png",
        L"file://server/freigabe/x.png",
    };
    ComPtr<IInternetSecurityManager> system;
    if (FAILED(CoInternetCreateSecurityManager(nullptr, &system, 0))) {
        std::fputs("no system security manager\n", stderr);
        return 1;
    }
    ComPtr<SecurityManager> ours =
        MakeComObject<SecurityManager>([&rule](const std::wstring& url) { return rule.AllowsRequest(ToUtf8(url)); });
    auto askSystem = [&](const std::wstring& url) {
        DWORD policy = 0;
        return system->ProcessUrlAction(url.c_str(), URLACTION_SCRIPT_RUN, reinterpret_cast<BYTE*>(&policy),
                                        sizeof policy, nullptr, 0, PUAF_NOUI, 0);
    };
    auto askWithUs = [&](const std::wstring& url) {
        DWORD policy = 0;
        const HRESULT answer = ours->ProcessUrlAction(url.c_str(), URLACTION_SCRIPT_RUN,
                                                      reinterpret_cast<BYTE*>(&policy), sizeof policy, nullptr, 0,
                                                      PUAF_NOUI, 0);
        return answer == INET_E_DEFAULT_ACTION ? askSystem(url) : answer;
    };
    auto askUs = [&](const std::wstring& url) {
        DWORD policy = 0;
        return ours->ProcessUrlAction(url.c_str(), URLACTION_SCRIPT_RUN, reinterpret_cast<BYTE*>(&policy),
                                      sizeof policy, nullptr, 0, PUAF_NOUI, 0);
    };
    const int repeat = 100;
    std::vector<double> baseline, withUs, refusing;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            baseline.push_back(Measure(allowed, repeat, askSystem));
            withUs.push_back(Measure(allowed, repeat, askWithUs));
        } else {
            withUs.push_back(Measure(allowed, repeat, askWithUs));
            baseline.push_back(Measure(allowed, repeat, askSystem));
        }
        refusing.push_back(Measure(refused, repeat, askUs));
    }
    const double base = Median(baseline), ourMedian = Median(withUs);
    std::printf("allowed addresses, the system's security manager alone: %.0f ns per question\n", base);
    std::printf("allowed addresses, the runtime's folder rule first: %.0f ns per question\n", ourMedian);
    std::printf("ratio %.3f (%d alternating rounds, %zu addresses x %d each)\n", ourMedian / base, rounds,
                allowed.size(), repeat);
    std::printf("refused addresses, answered by the folder rule alone: %.0f ns per question\n", Median(refusing));
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
