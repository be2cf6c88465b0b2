#include "FormFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

class KeyListTest : public FormTest {
protected:
    void SetUp() override
    {
        FormTest::SetUp();
        Go("input");
        field = W<QLineEdit>("EKeyInput");
        list = W<QListWidget>("LBShortcuts");
    }
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) { QTest::keyPress(field, key, modifiers); }
    void Add(Qt::Key key)
    {
        QTest::keyClick(field, key);
        QTest::mouseClick(W<QPushButton>("BtAddShortcut"), Qt::LeftButton);
    }
    void Remove() { QTest::mouseClick(W<QPushButton>("BtRemoveShortCut"), Qt::LeftButton); }
    QStringList Entries() const
    {
        QStringList entries;
        for (int i = 0; i < list->count(); ++i)
            entries << list->item(i)->text();
        return entries;
    }
    QLineEdit* field = nullptr;
    QListWidget* list = nullptr;
};

TEST_F(KeyListTest, CaptureShowsTheLastKeyWithoutPrefix)
{
    Press(Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(field->text(), "Strg");
    Press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(field->text(), "C");
    QTest::keyRelease(field, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(field->hasFocus());
    EXPECT_FALSE(field->hasSelectedText());
    Press(Qt::Key_Launch0); // no name: the field empties
    EXPECT_EQ(field->text(), "");
    EXPECT_FALSE(form->ProjectChanged);
}

TEST_F(KeyListTest, AddInsertsSortedIgnoringCaseAndRefusesDuplicates)
{
    Add(Qt::Key_F5);
    Add(Qt::Key_A);
    EXPECT_EQ(Entries(), QStringList({"A", "F5"}));
    EXPECT_TRUE(form->ProjectChanged);
    EXPECT_EQ(form->LastBuild().disabledKeyText, "");
    Go("speichern");
    EXPECT_EQ(form->LastBuild().disabledKeyText, "65,116");
    Go("input");

    Add(Qt::Key_Delete);
    Add(Qt::Key_Delete);
    EXPECT_EQ(Entries(), QStringList({"A", "Entf", "F5"}));
    EXPECT_EQ(field->text(), ""); // emptied also when nothing was added

    form->ProjectChanged = false;
    QTest::mouseClick(W<QPushButton>("BtAddShortcut"), Qt::LeftButton); // empty field
    EXPECT_EQ(Entries().size(), 3);
    EXPECT_FALSE(form->ProjectChanged);

    // A loaded list in the loader's order; "C" goes between "b" and "Entf", not before "b".
    qv::ProjectSettings loaded;
    loaded.LBShortcuts = {"b", "Entf"};
    form->ApplySettings(loaded);
    Add(Qt::Key_C);
    EXPECT_EQ(Entries(), QStringList({"b", "C", "Entf"}));
}

TEST_F(KeyListTest, AddPlacesUmlautsAsGermanAlphabeticalOrderDoes)
{
    Go("input");
    for (const char* name : {"Z", "Ä", "a", "ß", "Ö", "B", "O", "Ü", "U", "P", "s", "Strg+A"}) {
        field->setText(QString::fromUtf8(name));
        form->BtAddShortcutClick();
    }
    EXPECT_EQ(Entries(), QStringList({"a", "Ä", "B", "O", "Ö", "P", "s", "ß", "Strg+A", "U", "Ü", "Z"}));
}

TEST_F(KeyListTest, RemoveDeletesTheSelectionAndSelectsTheNext)
{
    for (Qt::Key key : {Qt::Key_A, Qt::Key_B, Qt::Key_C})
        Add(key);
    form->ProjectChanged = false;
    Remove(); // nothing selected
    EXPECT_EQ(Entries(), QStringList({"A", "B", "C"}));
    EXPECT_TRUE(form->ProjectChanged);

    list->setCurrentRow(1);
    Remove();
    EXPECT_EQ(Entries(), QStringList({"A", "C"}));
    EXPECT_EQ(list->selectedItems().value(0)->text(), "C");

    Remove(); // the last entry: nothing left selected
    EXPECT_EQ(Entries(), QStringList({"A"}));
    EXPECT_TRUE(list->selectedItems().isEmpty());

    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_TRUE(Entries().isEmpty());
}

TEST_F(KeyListTest, IgnoreAllKeysLocksTheControls)
{
    Add(Qt::Key_F1);
    Click(W("ChKeyInput"));
    for (const char* name : {"EKeyInput", "LBShortcuts", "BtAddShortcut", "BtRemoveShortCut"})
        EXPECT_FALSE(W(name)->isEnabled()) << name;
    EXPECT_EQ(W("Label64")->palette().color(QPalette::WindowText), QColor(128, 128, 128));
    EXPECT_EQ(Entries(), QStringList({"F1"}));
    Go("speichern");
    EXPECT_EQ(form->LastBuild().disabledKeyText, "112");
    Go("input");
    Click(W("ChKeyInput"));
    for (const char* name : {"EKeyInput", "LBShortcuts", "BtAddShortcut", "BtRemoveShortCut"})
        EXPECT_TRUE(W(name)->isEnabled()) << name;
    EXPECT_EQ(W("Label64")->palette().color(QPalette::WindowText), QColor(Qt::black));
}
