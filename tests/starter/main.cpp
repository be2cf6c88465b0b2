#include <QApplication>

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
// The browser engine's libraries are built without the sanitizer, and their sized deletes of
// objects allocated in other modules look like mismatches to it. Everything else stays checked.
extern "C" const char* __asan_default_options()
{
    return "new_delete_type_mismatch=0";
}
#endif

#if defined(__SANITIZE_ADDRESS__)
// The browser engine, the desktop bus, the font library and the sanitizer runtime keep allocations until the process ends.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libQt6WebEngineCore.so\nleak:libdbus-1.so\nleak:libfontconfig.so\nleak:libubsan.so\n";
}
#endif

int main(int argc, char** argv)
{
    // The window tests need a real X display (CTest runs them under Xvfb); test discovery and the
    // core tests run without one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
