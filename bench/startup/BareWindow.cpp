// The baseline of the start-up benchmark: a bare Qt window of the designer's size with two
// widgets, with the fonts set up exactly as the designer sets them up.
#include "ui/platform/AppSetup.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    qv::ui::LoadFonts();
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    QApplication::setFont(font);

    QWidget window;
    window.setFixedSize(665, 435);
    window.setWindowTitle(QStringLiteral("Quorvane"));
    QLabel label(QStringLiteral("Startseite"), &window);
    label.move(16, 16);
    QPushButton button(QStringLiteral("Weiter >>"), &window);
    button.setGeometry(568, 392, 75, 25);
    window.show();
    return app.exec();
}
