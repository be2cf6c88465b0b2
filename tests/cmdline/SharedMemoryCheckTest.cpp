#include "cmdline/SharedMemoryCheck.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#ifdef __linux__
#include <unistd.h>
#endif

namespace fs = std::filesystem;

#ifdef __linux__
TEST(SharedMemoryCheck, NamesWhatIsMissing)
{
    const fs::path dir = fs::temp_directory_path() / ("qv-shm-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "datei") << "x";
    const struct {
        fs::path folder;
        const char* reason; // empty: usable
    } cases[] = {
        {dir, ""},
        {dir / "fehlt", "der Ordner fehlt"},
        {dir / "datei", "das ist kein Ordner"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder.string());
        const std::string message = qv::cmdline::MissingSharedMemory(c.folder.string());
        if (*c.reason == '\0') {
            EXPECT_EQ(message, "");
        } else {
            EXPECT_EQ(message.rfind("quorvane-starter: Kein gemeinsamer Speicher: In \"" + c.folder.string() + "\"", 0), 0u)
                << message;
            EXPECT_NE(message.find(c.reason), std::string::npos) << message;
            EXPECT_EQ(message.back(), '\n');
        }
    }
    // The probe leaves nothing behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    fs::remove_all(dir);
}
#endif
