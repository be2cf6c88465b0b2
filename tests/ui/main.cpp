#include "qtcommon/KeepLibrariesMapped.h"
#include "ui/platform/AppSetup.h"

#include <QApplication>
#include <QFont>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // CTest sets the platform; test discovery runs the binary without it. On Windows the tests
    // run on the system's own windows (the static Qt there has no other platform).
#ifndef Q_OS_WIN
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QApplication app(argc, argv);
    qv::ui::LoadFonts();
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    QApplication::setFont(font);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
