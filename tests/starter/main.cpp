#include "qt/StarterTranslations.h"

#include <QApplication>

#include <gtest/gtest.h>

#include "qt/EngineSanitizerOptions.h"

int main(int argc, char** argv)
{
    // The window tests need a real X display (CTest runs them under Xvfb); test discovery and the
    // core tests run without one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // As the runtime starts: German locale and translations.
    qv::starter::UseGermanLocale();
    QApplication app(argc, argv);
    qv::starter::InstallGermanTranslations(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
