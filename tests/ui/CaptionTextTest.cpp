#include "FormFixture.h"
#include "ui/widgets/CaptionText.h"

#include <QFontMetrics>

using qv::ui::CaptionLocation;
using qv::ui::ShortenFolder;

namespace {
int TenPerCharacter(const QString& text)
{
    return int(text.size()) * 10;
}
} // namespace

TEST(CaptionText, ShortensLeadingFoldersThenTheDrive)
{
    struct Case {
        const char* folder;
        int maxWidth;
        char separator;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\a\\b\\c\\", 90, '\\', "C:\\a\\b\\c\\"},
        {"C:\\a\\b\\c\\", 110, '\\', "C:\\a\\b\\c\\"},
        {"C:\\a\\b\\c\\", 80, '\\', "C:\\...\\"},
        {"C:\\a\\b\\c\\", 50, '\\', "...\\"},
        {"C:\\a\\b\\c\\", 30, '\\', ""},
        {"C:\\", 20, '\\', "C:"},
        {"/home/user/disc/", 120, '/', "/.../disc/"},
        {"/home/user/disc/", 150, '/', "/.../user/disc/"},
        {"/home/user/disc/", 160, '/', "/home/user/disc/"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShortenFolder(QString::fromLatin1(c.folder), TenPerCharacter, c.maxWidth, QChar(c.separator)),
                  QString::fromLatin1(c.expected))
            << c.folder << " " << c.maxWidth;
    }
}

TEST(CaptionText, LocationNamesTheTargetFileAndTheChange)
{
    struct Case {
        const char* folder;
        int target;
        bool changed;
        const char* expected;
    };
    const Case cases[] = {
        {"", 0, false, "Neues Projekt"},   {"", 2, true, "Neues Projekt*"},
        {"/cd/", 0, false, "/cd/starter.ini"}, {"/cd/", 1, true, "/cd/autorun.inf*"},
        {"/cd/", 2, false, "/cd/"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CaptionLocation(QString::fromLatin1(c.folder), c.target, c.changed, TenPerCharacter),
                  QString::fromLatin1(c.expected));
}

TEST_F(FormTest, CaptionShowsTheShortenedFolderInTheWindowFont)
{
    EXPECT_EQ(form->TitleBase(), "Quorvane v2.1.0.0");
    const QString folder = QStringLiteral("/home/benutzer/projekte/autostart/meine-disc/");
    form->UpdateCaption(folder);
    const QString title = form->windowTitle();
    ASSERT_TRUE(title.startsWith("Quorvane v2.1.0.0 - [/.../")) << title.toStdString();
    ASSERT_TRUE(title.endsWith("meine-disc/starter.ini]")) << title.toStdString();
    const QString shortened = title.mid(21).chopped(12);
    EXPECT_LE(QFontMetrics(form->font()).horizontalAdvance(shortened), 150);
}
