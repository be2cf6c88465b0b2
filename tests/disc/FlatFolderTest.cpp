// The image of a folder that holds many files side by side: the work grows with the number of
// files times its logarithm, not with its square. Counted, not timed: the image library compares
// names with strcmp, which this program provides itself and counts.
#include "disc/IsoImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

std::atomic<unsigned long long> g_compares{0};

} // namespace

// Found before the C library's by every library of this program, the image library included.
extern "C" int strcmp(const char* a, const char* b) noexcept
{
    g_compares.fetch_add(1, std::memory_order_relaxed);
    const auto* x = reinterpret_cast<const unsigned char*>(a);
    const auto* y = reinterpret_cast<const unsigned char*>(b);
    while (*x != 0 && *x == *y) {
        ++x;
        ++y;
    }
    return static_cast<int>(*x) - static_cast<int>(*y);
}

namespace {

namespace fs = std::filesystem;

// The name comparisons of writing an image of a folder of `count` empty files, created in a
// shuffled order (the order a listing gives differs between file systems), to /dev/null.
unsigned long long ComparesForFlatFolder(const fs::path& root, int count)
{
    fs::remove_all(root);
    fs::create_directories(root);
    std::vector<int> order(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        order[static_cast<std::size_t>(i)] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(20261211));
    for (const int i : order) {
        char name[32];
        std::snprintf(name, sizeof name, "d%06d.bin", i);
        std::ofstream(root / name).put('x');
    }
    qv::IsoWriteRequest request;
    request.folder = fs::canonical(root);
    request.image = "/dev/null";
    request.label = "FLACH";
    request.inPlace = true;
    g_compares = 0;
    const qv::IsoWriteResult result = qv::WriteIsoImage(request);
    const unsigned long long compares = g_compares;
    EXPECT_EQ(result.error, "");
    fs::remove_all(root);
    return compares;
}

TEST(FlatFolder, ImageWorkGrowsAlmostLinearlyWithTheFiles)
{
    const fs::path root = fs::path(testing::TempDir()) / ("qvr-flach-" + std::to_string(::getpid()));
    const unsigned long long small = ComparesForFlatFolder(root, 2000);
    const unsigned long long large = ComparesForFlatFolder(root, 8000);
    ASSERT_GT(small, 0u) << "the image library does not use this program's strcmp";
    // Four times the files: about 4.7 times the comparisons for n log n, 16 times for n².
    EXPECT_LT(static_cast<double>(large) / static_cast<double>(small), 7.0) << small << " -> " << large;
}

} // namespace
