#include "FileFixture.h"
#include "ui/platform/AppSetup.h"
#include "ui/pictures/BuiltInPictures.h"
#include "ui/platform/QtInteraction.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

TEST(Resources, JpegPicturesDecode)
{
    Q_INIT_RESOURCE(pictures);
    QImage image;
    EXPECT_TRUE(image.load(QStringLiteral(":/pictures/logo.jpg"), "JPEG"));
    EXPECT_EQ(image.size(), QSize(319, 75));
}

// The pictures built into the program hold exactly the pixels their files decode to, so the
// window looks as if it had loaded the files.
TEST(Resources, BuiltInPicturesEqualTheirFiles)
{
    const char* const names[][2] = {{"ihbg", "ihbg.jpg"},
                                    {"icon_new", "icon_new.png"},
                                    {"icon_open", "icon_open.png"},
                                    {"icon_demo", "icon_demo.png"},
                                    {"quorvane-48", "quorvane-48.png"}};
    for (const auto& [name, file] : names) {
        SCOPED_TRACE(file);
        const QImage built = qv::ui::BuiltInPicture(QLatin1StringView(name));
        const QImage decoded(QStringLiteral(QUORVANE_PICTURE_SOURCES "/") + QString::fromLatin1(file));
        ASSERT_FALSE(decoded.isNull());
        EXPECT_EQ(built, decoded);
        EXPECT_EQ(built.format(), decoded.format());
        EXPECT_EQ(qv::ui::BuiltInPixmap(QLatin1StringView(name)).toImage(), QPixmap::fromImage(decoded).toImage());
    }
    EXPECT_EQ(qv::ui::BuiltInPicture(QLatin1StringView("ihbg")).size(), QSize(665, 465));
    EXPECT_TRUE(qv::ui::BuiltInPicture(QLatin1StringView("fehlt")).isNull());
}

TEST(QtInteraction, TranslatesTheProductsFilterForm)
{
    struct Case {
        const char* product;
        const char* qt;
    };
    const Case cases[] = {
        {"starter.ini|starter.ini", "starter.ini (starter.ini)"},
        {"Batch-Datei|*.bat", "Batch-Datei (*.bat)"},
        {"autorun.inf, *.ini|autorun.inf;*.ini", "autorun.inf, *.ini (autorun.inf *.ini)"},
#ifdef _WIN32
        {"Bilder|*.bmp;*.jpg|Alle Dateien|*.*", "Bilder (*.bmp *.jpg);;Alle Dateien (*.*)"},
#else
        // Every file, names without a dot included.
        {"Bilder|*.bmp;*.jpg|Alle Dateien|*.*", "Bilder (*.bmp *.jpg);;Alle Dateien (*)"},
#endif
    };
    for (const Case& c : cases)
        EXPECT_EQ(QtFilterFromProductFilter(QString::fromUtf8(c.product)), QString::fromUtf8(c.qt));
}

#ifndef _WIN32
// A web link is never taken for a program that someone planted under the path its text also
// spells ("http://run/evil" read as the relative path "http:/run/evil"), neither in the working
// folder of the process nor in the one given.
TEST(QtInteraction, ShellOpenStartsOnlyPathsWithoutSchemeAsPrograms)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.path();
    ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("http:/run")));
    for (const char* name : {"http:/run/evil", "tool", "doc.txt"}) {
        QFile file(root + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        if (QLatin1String(name) != QLatin1String("doc.txt"))
            file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }
    const testfiles::CurrentFolderGuard restore;
    ASSERT_TRUE(QDir::setCurrent(root));
    struct Case {
        QString target;
        QString workingFolder;
        QString program; // expected; empty: a URL
        QUrl url;
    };
    const Case cases[] = {
        {QStringLiteral("http://run/evil"), QString(), QString(), QUrl(QStringLiteral("http://run/evil"))},
        {QStringLiteral("http://run/evil"), root, QString(), QUrl(QStringLiteral("http://run/evil"))},
        {QStringLiteral("HTTPS://run/evil?a=b"), root, QString(), QUrl(QStringLiteral("https://run/evil?a=b"))},
        {QStringLiteral("mailto:someone@example.org"), QString(), QString(), QUrl(QStringLiteral("mailto:someone@example.org"))},
        {root + QStringLiteral("/tool"), root, root + QStringLiteral("/tool"), QUrl()},
        {QStringLiteral("tool"), QString(), root + QStringLiteral("/tool"), QUrl()},
        {root + QStringLiteral("/doc.txt"), root, QString(), QUrl::fromLocalFile(root + QStringLiteral("/doc.txt"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target.toStdString() + " in " + c.workingFolder.toStdString());
        const ShellOpenPlan plan = PlanShellOpen(c.target, c.workingFolder);
        EXPECT_EQ(plan.program, c.program);
        if (c.program.isEmpty()) {
            EXPECT_EQ(plan.url, c.url) << plan.url.toString().toStdString();
        }
    }
}
#endif

TEST(QtInteraction, MessageBoxAsksInGerman)
{
    ASSERT_TRUE(qv::ui::InstallGermanTranslation());
    QtInteraction seam;
    QStringList buttons;
    QString title;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        for (QAbstractButton* button : box->buttons())
            buttons << button->text().remove('&');
        box->button(QMessageBox::Yes)->click();
    });
    const auto answer = seam.messageBox(nullptr, QStringLiteral("Beenden"), QStringLiteral("Wirklich?"),
                                        Interaction::Icon::Question, Interaction::Buttons::YesNo);
    EXPECT_EQ(answer, Interaction::Answer::Yes);
    EXPECT_EQ(title, "Beenden");
    buttons.sort();
    EXPECT_EQ(buttons, QStringList({"Ja", "Nein"}));
}
