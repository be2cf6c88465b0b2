// The update check as the window shows it: a real local server, the real window, a scripted seam.
#include "ScriptedInteraction.h"
#include "TestHttpServer.h"
#include "ui/mainform/Unit1.h"
#include "update/Preference.h"
#include "UpdateTestSupport.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kPrompt = QString::fromUtf8("Eine neue Version von Quorvane ist verfügbar.\n\r"
                                          "Möchtest du sie jetzt herunterladen?");

// Each test has its own TEMP and configuration folder (UpdateFolders) and its own server.
class UpdateWindow : public UpdateFolders {
protected:
    void SetUp() override
    {
        savedConfigHome = qgetenv("XDG_CONFIG_HOME");
        savedUrl = qgetenv("QUORVANE_UPDATE_URL");
        UpdateFolders::SetUp();
        qputenv("QUORVANE_UPDATE_URL", server.url().toUtf8());
        // Start switched off, so that showing the window starts no check of its own.
        qv::WritePreference(qv::kUpdateCheckPreference, QStringLiteral("F"));
        form = std::make_unique<TForm1>(&seam);
    }
    void TearDown() override
    {
        form.reset();
        UpdateFolders::TearDown();
        // The other window tests go on with the run's own settings.
        qputenv("XDG_CONFIG_HOME", savedConfigHome);
        qputenv("QUORVANE_UPDATE_URL", savedUrl);
    }

    QByteArray savedConfigHome;
    QByteArray savedUrl;

    QCheckBox* box() const { return form->findChild<QCheckBox*>(QStringLiteral("ChUpdate")); }
    QLabel* message() const { return form->findChild<QLabel*>(QStringLiteral("LMessage")); }

    // Ticks the box as a user would and waits until the check has reported.
    void RunCheckByTicking(const QByteArray& list)
    {
        server.answer(200, list);
        box()->setChecked(false);
        const int before = server.requestCount();
        QTest::mouseClick(box(), Qt::LeftButton, {}, QPoint(6, box()->height() / 2));
        ASSERT_TRUE(box()->isChecked());
        ASSERT_TRUE(server.waitForRequests(before + 1));
        ASSERT_TRUE(WaitUntil([&] { return !form->UpdateCheckRunning(); }));
    }

    QList<ScriptedInteraction::Call> Prompts() const
    {
        QList<ScriptedInteraction::Call> prompts;
        for (const auto& call : seam.callsOf(ScriptedInteraction::Kind::MessageBox)) {
            if (call.title == QLatin1String("Update"))
                prompts << call;
        }
        return prompts;
    }

    TestHttpServer server;
    ScriptedInteraction seam;
    std::unique_ptr<TForm1> form;
};

TEST_F(UpdateWindow, NewerVersionPromptsThenUnfoldsClickableMessage)
{
    form->show();
    seam.answers.enqueue(Interaction::Answer::Yes);
    RunCheckByTicking("[Update]\r\ncurrentversion=2.2.0.0\r\nmessage=Neu: Version 2.2\r\n"
                      "messagelink=https://example.org/news\r\nupdatelink=https://example.org/get\r\n");

    ASSERT_EQ(Prompts().size(), 1);
    EXPECT_EQ(Prompts()[0].text, kPrompt);
    EXPECT_EQ(Prompts()[0].icon, Interaction::Icon::Question);
    EXPECT_EQ(Prompts()[0].buttons, Interaction::Buttons::YesNo);
    // Yes opened the download page before the message bar appeared.
    const auto shell = seam.callsOf(ScriptedInteraction::Kind::Shell);
    ASSERT_EQ(shell.size(), 1);
    EXPECT_EQ(shell[0].text, QStringLiteral("https://example.org/get"));

    EXPECT_EQ(message()->text(), QStringLiteral("Neu: Version 2.2"));
    EXPECT_EQ(message()->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(WaitUntil([&] { return form->height() == 465; }));
    QTest::mouseClick(message(), Qt::LeftButton);
    ASSERT_EQ(seam.callsOf(ScriptedInteraction::Kind::Shell).size(), 2);
    EXPECT_EQ(seam.callsOf(ScriptedInteraction::Kind::Shell).last().text, QStringLiteral("https://example.org/news"));
}

TEST_F(UpdateWindow, ListsThatPromptAndListsThatDoNot)
{
    struct Case {
        const char* list;
        bool prompt;
        const char* opensOnYes; // empty: nothing opened
    };
    const Case cases[] = {
        {"[Update]\ncurrentversion=2.1.0.0\n", false, ""},
        {"[update]\nCURRENTVERSION=2.1\n", true, QUORVANE_TEST_HOME_URL},
        {"[Update]\rcurrentversion=1.0.0.0\rupdatelink=http://example.org/dl\r", true, "http://example.org/dl"},
        {"[Update]\ncurrentversion=2.1.0.0 beta\nupdatelink=file:///bin/sh\n", true, QUORVANE_TEST_HOME_URL},
        {"<html>Not found</html>", false, ""},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        seam.calls.clear();
        seam.answers.enqueue(Interaction::Answer::Yes);
        RunCheckByTicking(c.list);
        EXPECT_EQ(Prompts().size(), c.prompt ? 1 : 0);
        const auto shell = seam.callsOf(ScriptedInteraction::Kind::Shell);
        if (*c.opensOnYes) {
            ASSERT_EQ(shell.size(), 1);
            EXPECT_EQ(shell[0].text, QString::fromLatin1(c.opensOnYes));
        } else {
            EXPECT_TRUE(shell.isEmpty());
            seam.answers.clear();
        }
    }
}

TEST_F(UpdateWindow, MessageWithoutUsableLinkIsPlainText)
{
    form->show();
    RunCheckByTicking("[Update]\nmessage=Hallo\nmessagelink=C:\\Windows\\system32\\calc.exe\n");
    EXPECT_EQ(message()->text(), QStringLiteral("Hallo"));
    EXPECT_EQ(message()->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseClick(message(), Qt::LeftButton);
    EXPECT_TRUE(seam.callsOf(ScriptedInteraction::Kind::Shell).isEmpty());
    EXPECT_TRUE(Prompts().isEmpty());
}

TEST_F(UpdateWindow, BoxWritesThePreference)
{
    server.answer(200, "");
    box()->setChecked(false);
    EXPECT_EQ(qv::ReadPreference(qv::kUpdateCheckPreference), QStringLiteral("F"));
    EXPECT_FALSE(form->UpdateCheckRunning());
    box()->setChecked(true);
    EXPECT_EQ(qv::ReadPreference(qv::kUpdateCheckPreference), QStringLiteral("T"));
    EXPECT_TRUE(form->UpdateCheckRunning()); // ticking starts a check at once
    EXPECT_TRUE(WaitUntil([&] { return !form->UpdateCheckRunning(); }));
}

TEST_F(UpdateWindow, StartupDecisionFollowsThePreference)
{
    server.answer(200, "[Update]\ncurrentversion=2.1.0.0\n");
    struct Case {
        const char* stored;
        bool checks;
    };
    for (const Case c : {Case{"F", false}, Case{"f", true}, Case{"", true}, Case{"T", true}}) {
        SCOPED_TRACE(c.stored);
        TForm1 fresh(&seam);
        qv::WritePreference(qv::kUpdateCheckPreference, QString::fromLatin1(c.stored));
        const int before = server.requestCount();
        fresh.show(); // the first show decides, and starts the check once the window is up
        QCheckBox* freshBox = fresh.findChild<QCheckBox*>(QStringLiteral("ChUpdate"));
        EXPECT_EQ(freshBox->isChecked(), c.checks);
        if (c.checks) {
            EXPECT_TRUE(WaitUntil([&] { return server.requestCount() >= before + 1; }));
            EXPECT_EQ(qv::ReadPreference(qv::kUpdateCheckPreference),
                      QString::fromLatin1(*c.stored ? c.stored : "T"));
        } else {
            QTest::qWait(100);
            EXPECT_EQ(server.requestCount(), before);
            EXPECT_EQ(qv::ReadPreference(qv::kUpdateCheckPreference), QStringLiteral("F"));
        }
    }
}

// The first show decides at once but starts the check only once the window is up, so that the
// network library it loads is no part of the window's start.
TEST_F(UpdateWindow, TheCheckAtStartStartsAfterTheWindowIsShown)
{
    server.answer(200, "[Update]\nmessage=Hallo\n");
    qv::WritePreference(qv::kUpdateCheckPreference, QStringLiteral("T"));
    form->show();
    EXPECT_TRUE(box()->isChecked());
    EXPECT_FALSE(form->UpdateCheckRunning()) << "started before the window was up";
    EXPECT_EQ(server.requestCount(), 0);
    ASSERT_TRUE(WaitUntil([&] { return server.requestCount() == 1 && !form->UpdateCheckRunning(); }));
    EXPECT_EQ(message()->text(), QStringLiteral("Hallo"));
}

TEST_F(UpdateWindow, ClosingWhileTheServerIsSilentEndsTheCheck)
{
    form->show();
    server.staySilent();
    QTest::mouseClick(box(), Qt::LeftButton, {}, QPoint(6, box()->height() / 2));
    ASSERT_TRUE(server.waitForRequests(1));
    form->close();
    form.reset(); // must neither hang nor crash, and no prompt or message may follow
    EXPECT_TRUE(server.waitForClientsGone(1));
    QTest::qWait(50);
    EXPECT_TRUE(Prompts().isEmpty());
}

} // namespace
