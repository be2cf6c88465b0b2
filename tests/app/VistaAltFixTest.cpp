#include "app/VistaAltFixUnit.h"

#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

TEST(VistaAltFix, StaysInactiveWhereQtDrawsTheCuesItself)
{
    QWidget owner;
    auto* fix = new TVistaAltFix(&owner, TVistaAltFix::Activation::Never);
    EXPECT_FALSE(fix->IsActive());
    fix->IdlePass();
    EXPECT_EQ(fix->RecordCount(), 0u);
    EXPECT_TRUE(fix->RepaintAll);
#ifndef Q_OS_WIN
    auto* platform = new TVistaAltFix(&owner);
    EXPECT_FALSE(platform->IsActive()) << "no visual styles to work around off Windows";
#endif
}

TEST(VistaAltFix, IdlePassFollowsTheWindowsAndRepaintsOncePerCueChange)
{
    QWidget main;
    auto* fix = new TVistaAltFix(&main, TVistaAltFix::Activation::Always);
    ASSERT_TRUE(fix->IsActive());
    auto* button = new QPushButton(QStringLiteral("&Weiter"), &main);
    auto hidden = std::make_unique<QWidget>();
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));

    // Every window is hooked at the first pass, shown or hidden.
    fix->IdlePass();
    TFormObj* mainRecord = fix->RecordOf(&main);
    ASSERT_NE(mainRecord, nullptr);
    EXPECT_NE(fix->RecordOf(hidden.get()), nullptr);
    EXPECT_TRUE(mainRecord->RepaintAll);
    EXPECT_FALSE(mainRecord->RepaintPending);
    const std::size_t records = fix->RecordCount();

    // Many cue changes between two idle moments cost one repaint of the window's controls.
    PaintCounter counter;
    button->installEventFilter(&counter);
    mainRecord->CueStateChanged();
    mainRecord->CueStateChanged();
    fix->IdlePass();
    EXPECT_EQ(counter.paints, 1);
    EXPECT_FALSE(mainRecord->RepaintPending);
    fix->IdlePass();
    EXPECT_EQ(counter.paints, 1) << "nothing pending, nothing painted";

    // A window that goes loses its record at the next pass; a new one gets one.
    hidden.reset();
    fix->IdlePass();
    EXPECT_EQ(fix->RecordCount(), records - 1);
    QWidget later;
    fix->IdlePass();
    EXPECT_NE(fix->RecordOf(&later), nullptr);
    EXPECT_EQ(fix->RecordCount(), records);
}
