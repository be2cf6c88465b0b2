// The designer's watch over the runtime it starts: real programs (sh), their end and their last
// error line; and the message built from them.
#include "ui/platform/RuntimeWatch.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <optional>

namespace {

#ifdef Q_OS_UNIX
TEST(RuntimeWatch, ReportsAnAbnormalEndWithTheLastErrorLine)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    // An hour to watch: however slow the machine, these programs end within it. The last case has
    // no watch at all, so its end (after its pause) comes too late to be reported.
    constexpr int kHour = 3600 * 1000;
    const struct {
        const char* script;
        bool reported;
        int exitCode;
        int signal;
        QString lastLine;
        int watchMs = kHour;
    } cases[] = {
        {"echo erste >&2; printf 'Fehler: nichts geht\\n\\n' >&2; exit 3", true, 3, 0, "Fehler: nichts geht"},
        {"echo 'engine abort' >&2; kill -ABRT $$", true, 0, SIGABRT, "engine abort"},
        {"exit 1", true, 1, 0, ""},
        {"echo 'ohne Zeilenende' >&2; exit 0", false, 0, 0, ""}, // closed normally: nothing to say
        {"pwd >&2; exit 2", true, 2, 0, folder.path()},           // runs in the working folder
        {"echo spaet >&2; sleep 0.2; exit 1", false, 0, 0, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        std::optional<qv::ui::EarlyFailure> failure;
        qv::ui::RuntimeWatch* watch = qv::ui::RuntimeWatch::Start(
            QStringLiteral("sh"), {QStringLiteral("-c"), QString::fromUtf8(c.script)}, folder.path(),
            [&](const qv::ui::EarlyFailure& f) { failure = f; }, c.watchMs);
        ASSERT_NE(watch, nullptr);
        QSignalSpy ended(watch, &qv::ui::RuntimeWatch::ended);
        ASSERT_TRUE(ended.wait(30000));
        ASSERT_EQ(failure.has_value(), c.reported);
        if (!failure)
            continue;
        EXPECT_EQ(failure->exitCode, c.exitCode);
        EXPECT_EQ(failure->signal, c.signal);
        EXPECT_EQ(failure->lastErrorLine, c.lastLine);
    }
}

TEST(RuntimeWatch, AProgramThatCannotStartIsNoWatch)
{
    bool called = false;
    EXPECT_EQ(qv::ui::RuntimeWatch::Start(QStringLiteral("/nonexistent/quorvane-starter"), {}, {},
                                          [&](const qv::ui::EarlyFailure&) { called = true; }),
              nullptr);
    EXPECT_FALSE(called);
}
#endif

TEST(RuntimeWatch, MessageNamesTheProgramHowItEndedAndItsLastLine)
{
    const QString runtime = QStringLiteral("/usr/bin/quorvane-starter");
    const struct {
        qv::ui::EarlyFailure failure;
        QString text;
    } cases[] = {
        {{2, 0, QStringLiteral("quorvane-starter: Kein gemeinsamer Speicher")},
         QStringLiteral("Die Laufzeit \"quorvane-starter\" hat sich kurz nach dem Start mit dem Fehlercode 2 beendet.\n\r"
                        "Ihre letzte Fehlermeldung:\n\rquorvane-starter: Kein gemeinsamer Speicher")},
        {{0, 6, QString()},
         QStringLiteral("Die Laufzeit \"quorvane-starter\" ist kurz nach dem Start abgestürzt (Signal 6).\n\r"
                        "Sie hat keine Fehlermeldung hinterlassen.")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qv::ui::EarlyFailureText(runtime, c.failure), c.text);
}

} // namespace
