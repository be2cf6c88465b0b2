#include "AppSetup.h"
#include "QtInteraction.h"

#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

TEST(Resources, JpegPicturesDecode)
{
    Q_INIT_RESOURCE(pictures);
    struct Case {
        const char* path;
        QSize size;
    };
    for (const Case& c : {Case{":/pictures/ihbg.jpg", {665, 465}}, Case{":/pictures/logo.jpg", {319, 75}}}) {
        QImage image;
        EXPECT_TRUE(image.load(QString::fromLatin1(c.path), "JPEG")) << c.path;
        EXPECT_EQ(image.size(), c.size) << c.path;
    }
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
