#include "ui/widgets/ColorSwatch.h"

#include <QPainter>

namespace {
const QColor kSilver(192, 192, 192);
}

void ColorSwatch::setColor(const QColor& color)
{
    color_ = color;
    repaint();
}

void ColorSwatch::setEmpty()
{
    color_ = QColor();
    repaint();
}

void ColorSwatch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    if (color_.isValid()) {
        painter.fillRect(inner, color_);
    } else {
        painter.fillRect(inner, Qt::white);
        painter.setBrushOrigin(inner.topLeft());
        // Qt::BDiagPattern draws "/" lines: rising from left to right.
        painter.fillRect(inner, QBrush(kSilver, Qt::BDiagPattern));
    }
    painter.setPen(kSilver);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
