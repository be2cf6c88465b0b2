#include "FormFixture.h"

#include "ui/widgets/ColorSwatch.h"
#include "ui/widgets/SingleLineInput.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <functional>

class FieldsTest : public FormTest {
protected:
    QColor TextColor(const char* label) { return W(label)->palette().color(QPalette::WindowText); }
};

TEST_F(FieldsTest, TypingIsFiltered)
{
    struct Case {
        const char* page;
        const char* field;
        const char* typed;
        const char* expected;
    };
    const Case cases[] = {
        {"fenster", "EBreite", "8a0-0 12345", "80012"},
        {"fenster", "Eposy", "x9", "9"},
        {"skin", "ESkinh", "123456", "12345"},
        {"optisch", "ETransparencyColor", "ff8g0z00q", "ff8000"},
        {"optisch", "ETransparencyColor", "ABCDEF12", "ABCDEF"},
        {"zusatz", "EExt", "exe, zip ,doc", "exe,zip,doc"},
    };
    for (const Case& c : cases) {
        Go(c.page);
        auto* field = W<QLineEdit>(c.field);
        field->clear();
        QTest::keyClicks(field, QString::fromLatin1(c.typed));
        EXPECT_EQ(field->text(), QString::fromLatin1(c.expected)) << c.field << " " << c.typed;
    }

    // Backspace edits the colour; text set by the program passes unfiltered.
    auto* color = W<QLineEdit>("ETransparencyColor");
    Go("optisch");
    QTest::keyClick(color, Qt::Key_Backspace);
    EXPECT_EQ(color->text(), "ABCDE");
    Go("fenster");
    auto* width = W<QLineEdit>("EBreite");
    width->setText(QStringLiteral("abc1234567"));
    EXPECT_EQ(width->text(), "abc1234567");

    // Control characters other than backspace are refused in the colour field, so Ctrl+V pastes
    // nothing there; the digits-only fields let it through, as the platform's edit style does.
    QApplication::clipboard()->setText(QStringLiteral("77"));
    ASSERT_EQ(QApplication::clipboard()->text(), "77");
    const auto paste = [](QWidget* field) {
        // Ctrl+V as the keyboard delivers it: the key with the control character 22 as its text.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QString(QChar(0x16)));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_V, Qt::ControlModifier, QString(QChar(0x16)));
        QApplication::sendEvent(field, &press);
        QApplication::sendEvent(field, &release);
    };
    Go("optisch");
    color->setText(QStringLiteral("AB"));
    color->setFocus();
    paste(color);
    EXPECT_EQ(color->text(), "AB");
    Go("fenster");
    width->setText(QStringLiteral("1"));
    width->setFocus();
    width->end(false);
    paste(width);
    EXPECT_EQ(width->text(), "177");
}

TEST(SingleLineInput, InsertionsKeepTheirFirstLineAndTheRoomLeft)
{
    struct Case {
        const char* before;
        const char* after;
        qsizetype cursor;
        int maxLength;
        const char* text;
        qsizetype fittedCursor;
    };
    const Case cases[] = {
        {"", "1234567890", 10, 5, "12345", 5},          // pasted into an empty field
        {"12", "122345", 6, 5, "12234", 5},             // inserted text repeats the text before it
        {"19", "1234567899", 9, 5, "12349", 4},         // pasted in the middle
        {"1234567", "12345678", 8, 5, "1234567", 7},    // a longer text set by the program keeps, gains nothing
        {"abc", "aXYZc", 4, 4, "aXYc", 3},              // a selected "b" replaced
        {"", "Mein Titel\nexecute=x", 20, 0, "Mein Titel", 10},
        {"xy", "xa\r\nby", 5, 0, "xay", 2},
        {"ab", "ab\ncb", 4, 0, "abb", 2},               // the break follows a repeated letter
        {"", "\r\nzweite", 8, 0, "", 0},                // the first line is empty
        {"ab", "ab", 2, 5, "ab", 2},                    // no insertion
        {"abc", "ac", 1, 5, "ac", 1},                   // a deletion
        {"", "ok", 2, 0, "ok", 2},
    };
    for (const Case& c : cases) {
        const qv::ui::LineText fitted = qv::ui::FitInsertion(QString::fromLatin1(c.before),
                                                             QString::fromLatin1(c.after), c.cursor, c.maxLength);
        EXPECT_EQ(fitted.text, QString::fromLatin1(c.text)) << c.before << " -> " << c.after;
        EXPECT_EQ(fitted.cursor, c.fittedCursor) << c.before << " -> " << c.after;
    }
}

TEST_F(FieldsTest, PastingKeepsTheFirstLineAndTheLengthLimits)
{
    // Shift+Insert and the context menu's "Einfügen" (paste()) alike.
    const std::function<void(QLineEdit*)> pastes[] = {
        [](QLineEdit* field) { QTest::keyClick(field, Qt::Key_Insert, Qt::ShiftModifier); },
        [](QLineEdit* field) { field->paste(); },
    };
    struct Case {
        const char* page;
        const char* field;
        const char* before;
        const char* clipboard;
        const char* expected;
    };
    const Case cases[] = {
        {"fenster", "EBreite", "", "1234567890", "12345"},
        {"fenster", "Eposx", "12", "34567", "12345"},
        {"skin", "ESkinh", "", "9876543210", "98765"},
        {"optisch", "ETransparencyColor", "", "FF8000AA", "FF8000"},
        {"optisch", "ETransparencyColor", "ab", "cdefab", "abcdef"},
        {"fenster", "ETitel", "", "Mein Titel\r\nexecute=boese.exe", "Mein Titel"},
        {"zusatz", "EExeParam", "-a ", "b\nc", "-a b"},
        {"input", "EPasswort", "", "geheim\n[quorvane]", "geheim"},
    };
    for (const auto& paste : pastes) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.field) + " <- " + c.clipboard);
            Go(c.page);
            auto* field = W<QLineEdit>(c.field);
            field->setText(QString::fromLatin1(c.before));
            field->setFocus();
            field->end(false);
            QApplication::clipboard()->setText(QString::fromLatin1(c.clipboard));
            paste(field);
            EXPECT_EQ(field->text(), QString::fromLatin1(c.expected));
        }
    }

    // Every single-line field of the window: a pasted second line never enters a value.
    QApplication::clipboard()->setText(QStringLiteral("1\nexecute=x"));
    for (QLineEdit* field : form->findChildren<QLineEdit*>()) {
        if (field->isReadOnly())
            continue;
        field->setText(QString());
        field->paste();
        EXPECT_EQ(field->text(), "1") << field->objectName().toStdString();
    }
    Go("speichern");
    EXPECT_FALSE(W<QPlainTextEdit>("mcode")->toPlainText().contains(QStringLiteral("execute=x")));
}

TEST_F(FieldsTest, FullScreenEmptiesAndLocksTheSizeFields)
{
    Go("fenster");
    const char* sizes[] = {"EBreite", "EHoehe", "EminBreite", "EminHoehe"};
    const char* labels[] = {"Label12", "Label13", "Label45", "Label48", "Label36", "Label46", "Label37", "Label47"};
    for (const char* name : sizes)
        QTest::keyClicks(W<QLineEdit>(name), QStringLiteral("800"));
    QTest::keyClicks(W<QLineEdit>("Eposx"), QStringLiteral("5"));
    form->ProjectChanged = false;

    Click(W("ChFullscreen"));
    ASSERT_TRUE(W<QCheckBox>("ChFullscreen")->isChecked());
    for (const char* name : sizes) {
        EXPECT_TRUE(W<QLineEdit>(name)->text().isEmpty()) << name;
        EXPECT_FALSE(W(name)->isEnabled()) << name;
    }
    for (const char* name : labels)
        EXPECT_EQ(TextColor(name), QColor(128, 128, 128)) << name;
    EXPECT_EQ(W<QLineEdit>("Eposx")->text(), "5");
    EXPECT_TRUE(W("Eposx")->isEnabled());
    EXPECT_TRUE(form->ProjectChanged);

    // ChVarTitel re-applies the rule for the current state and marks the project.
    form->ProjectChanged = false;
    Click(W("ChVarTitel"));
    EXPECT_TRUE(form->ProjectChanged);
    for (const char* name : sizes)
        EXPECT_FALSE(W(name)->isEnabled()) << name;

    Click(W("ChFullscreen"));
    for (const char* name : sizes) {
        EXPECT_TRUE(W(name)->isEnabled()) << name;
        EXPECT_TRUE(W<QLineEdit>(name)->text().isEmpty()) << name;
    }
    for (const char* name : labels)
        EXPECT_EQ(TextColor(name), QColor(Qt::black)) << name;
}

TEST_F(FieldsTest, ColourSwatchFollowsTheText)
{
    struct Case {
        const char* text;
        QColor expected; // invalid: the empty look
    };
    const Case cases[] = {
        {"ff8000", QColor(255, 128, 0)}, {"FF800", QColor(255, 128, 0)}, {"00FF00", QColor(0, 255, 0)},
        {"FF80", QColor()},              {"GG0000", QColor()},           {"", QColor()},
    };
    Go("optisch");
    auto* field = W<QLineEdit>("ETransparencyColor");
    auto* swatch = W<ColorSwatch>("SColor");
    for (const Case& c : cases) {
        field->setText(QStringLiteral("x")); // a change for every case
        field->setText(QString::fromLatin1(c.text));
        EXPECT_EQ(swatch->color(), c.expected) << c.text;
    }

    // What is painted: the solid colour inside the silver outline, or silver lines rising from
    // left to right over white.
    field->setText(QStringLiteral("ff8000"));
    QImage solid = swatch->grab().toImage();
    EXPECT_EQ(QColor(solid.pixel(8, 8)), QColor(255, 128, 0));
    EXPECT_EQ(QColor(solid.pixel(0, 0)), QColor(192, 192, 192));
    field->clear();
    QImage hatched = swatch->grab().toImage();
    int silver = 0;
    for (int y = 2; y < 15; ++y) {
        for (int x = 1; x < 14; ++x) {
            if (QColor(hatched.pixel(x, y)) != QColor(192, 192, 192))
                continue;
            ++silver;
            EXPECT_EQ(QColor(hatched.pixel(x + 1, y - 1)), QColor(192, 192, 192)) << x << "," << y;
        }
    }
    EXPECT_GT(silver, 10);
    EXPECT_TRUE(hatched.pixelColor(8, 8) == Qt::white || hatched.pixelColor(9, 8) == Qt::white);
}

TEST_F(FieldsTest, ColourDialogSetsTheTextAndRemembersTheColour)
{
    Go("optisch");
    seam.colors.enqueue(QColor(255, 0, 0));
    QTest::mouseClick(W<QPushButton>("BtColorSearch"), Qt::LeftButton);
    EXPECT_EQ(W<QLineEdit>("ETransparencyColor")->text(), "FF0000");
    EXPECT_EQ(W<ColorSwatch>("SColor")->color(), QColor(255, 0, 0));
    EXPECT_TRUE(form->ProjectChanged);

    W<QLineEdit>("ETransparencyColor")->setText(QStringLiteral("123456"));
    QTest::mouseClick(W<QPushButton>("BtColorSearch"), Qt::LeftButton); // cancelled
    EXPECT_EQ(W<QLineEdit>("ETransparencyColor")->text(), "123456");
    const auto calls = seam.callsOf(ScriptedInteraction::Kind::Color);
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].initialColor, QColor(Qt::black));
    EXPECT_EQ(calls[1].initialColor, QColor(255, 0, 0)); // the last confirmed, not the text
}

TEST_F(FieldsTest, BorderStylePreviewFollowsTheUsersChoice)
{
    Go("optisch");
    auto* style = W<QComboBox>("CbStyle");
    auto* preview = W<QLabel>("IBorder");
    EXPECT_EQ(style->currentText(), "normal (sizeable)");
    EXPECT_FALSE(style->isEditable());
    EXPECT_EQ(preview->pixmap().toImage(), QPixmap(":/pictures/border1.png").toImage());

    style->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(style, Qt::Key_Down); // the user walks to "klein (tool)"
    EXPECT_EQ(style->currentText(), "klein (tool)");
    EXPECT_EQ(preview->pixmap().toImage(), QPixmap(":/pictures/border4.png").toImage());
    EXPECT_TRUE(form->ProjectChanged);

    form->ProjectChanged = false;
    style->setCurrentIndex(0); // a program's choice runs no reaction
    EXPECT_EQ(preview->pixmap().toImage(), QPixmap(":/pictures/border4.png").toImage());
    EXPECT_FALSE(form->ProjectChanged);
}

TEST_F(FieldsTest, MarkChangedOnlyWhereTheControlsSaySo)
{
    struct Case {
        const char* page;
        const char* what;
        std::function<void()> act;
        bool marks;
    };
    const std::vector<Case> cases = {
        {"grund", "EHTMLOrt", [&] { QTest::keyClicks(W("EHTMLOrt"), "i"); }, true},
        {"grund", "ESpeicherort (program)", [&] { W<QLineEdit>("ESpeicherort")->setText("/cd/"); }, true},
        {"fenster", "ETitel", [&] { QTest::keyClicks(W("ETitel"), "T"); }, true},
        {"fenster", "ChVarTitel", [&] { Click(W("ChVarTitel")); }, true},
        {"optisch", "Chfade", [&] { Click(W("Chfade")); }, true},
        {"optisch", "ETransparencyColor", [&] { QTest::keyClicks(W("ETransparencyColor"), "f"); }, true},
        {"input", "ChMove", [&] { Click(W("ChMove")); }, true},
        {"input", "ChKeyInput", [&] { Click(W("ChKeyInput")); }, true},
        {"input", "EPasswort", [&] { QTest::keyClicks(W("EPasswort"), "p"); }, true},
        {"zusatz", "ChAdmin", [&] { Click(W("ChAdmin")); }, true},
        {"skin", "Eminx (hidden)", [&] { W<QLineEdit>("Eminx")->setText("1"); }, true},
        {"neufenster", "RbnPopup", [&] { Click(W("RbnPopup")); }, false},
        {"neufenster", "RbnDefault", [&] { Click(W("RbnDefault")); }, false},
        {"input", "EKeyInput", [&] { QTest::keyClick(W("EKeyInput"), Qt::Key_F5); }, false},
        {"start", "ChUpdate", [&] { Click(W("ChUpdate")); }, false},
        {"speichern", "TCCode", [&] { W<QTabWidget>("TCCode")->setCurrentIndex(2); }, false},
        {"fenster", "ETitel set to its own text", [&] { W<QLineEdit>("ETitel")->setText(""); }, false},
    };
    for (const Case& c : cases) {
        NewProject();
        Go(c.page);
        ASSERT_EQ(form->windowTitle(), "Quorvane v2.1.0.0 - [Neues Projekt]");
        c.act();
        EXPECT_EQ(form->ProjectChanged, c.marks) << c.what;
        EXPECT_EQ(form->windowTitle().endsWith("*]"), c.marks) << c.what;
    }

    // Marking is done once: a later storage folder does not refresh the caption.
    NewProject();
    Go("grund");
    QTest::keyClicks(W("EHTMLOrt"), "index.html");
    W<QLineEdit>("ESpeicherort")->setText(QStringLiteral("/cd/"));
    EXPECT_EQ(form->windowTitle(), "Quorvane v2.1.0.0 - [Neues Projekt*]");
}
