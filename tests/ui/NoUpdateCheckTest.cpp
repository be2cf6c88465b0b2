// The designer built without the update check (CMake option QUORVANE_UPDATE_CHECK=OFF): this test
// program compiles ui/mainform/Unit1Update.cpp with QUORVANE_UPDATE_CHECK=0, whose definitions take the
// place of the library's (a symbol defined twice would fail the link).
#include "ScriptedInteraction.h"
#include "TestHttpServer.h"
#include "ui/mainform/Unit1.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(NoUpdateCheck, NoBoxNoPreferenceNoRequest)
{
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    const QByteArray savedConfigHome = qgetenv("XDG_CONFIG_HOME");
    const QByteArray savedUrl = qgetenv("QUORVANE_UPDATE_URL");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    TestHttpServer server;
    server.staySilent(); // a check would stay running until the window closes
    qputenv("QUORVANE_UPDATE_URL", server.url().toUtf8());
    {
        ScriptedInteraction seam;
        TForm1 form(&seam);
        form.show();
        QCoreApplication::processEvents(); // where a check at start would begin
        auto* box = form.findChild<QCheckBox*>(QStringLiteral("ChUpdate"));
        ASSERT_NE(box, nullptr);
        EXPECT_FALSE(box->isVisible());
        EXPECT_FALSE(box->isEnabled());
        // The start page's tab order skips it: nothing can reach the hidden box.
        box->setFocus();
        EXPECT_FALSE(box->hasFocus());
        EXPECT_FALSE(form.UpdateCheckRunning());
        // No preference was read into being or written.
        EXPECT_TRUE(QDir(config.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty())
            << QDir(config.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(QLatin1Char(' ')).toStdString();
    }
    EXPECT_EQ(server.requestCount(), 0);
    qputenv("XDG_CONFIG_HOME", savedConfigHome);
    qputenv("QUORVANE_UPDATE_URL", savedUrl);
}

// The checker is not linked at all: the built-in address (held as UTF-16 by QStringLiteral) is
// nowhere in the program.
TEST(NoUpdateCheck, TheCheckerIsNotInTheProgram)
{
    QFile program(QCoreApplication::applicationFilePath());
    ASSERT_TRUE(program.open(QIODevice::ReadOnly));
    const QByteArray bytes = program.readAll();
    const QString address = QString::fromUtf8(QUORVANE_TEST_UPDATE_URL);
    const QByteArray utf16(reinterpret_cast<const char*>(address.utf16()), address.size() * 2);
    ASSERT_FALSE(utf16.isEmpty());
    EXPECT_EQ(bytes.indexOf(utf16), -1) << "the update address is built into " << program.fileName().toStdString();
}

} // namespace
