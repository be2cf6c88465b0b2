#include "PictureView.h"

#include <QPaintEvent>
#include <QPainter>

void PictureView::setPicture(const QImage& picture)
{
    picture_ = picture;
    const bool covers = !picture_.hasAlphaChannel() && picture_.width() >= width() && picture_.height() >= height();
    setAttribute(Qt::WA_OpaquePaintEvent, covers);
    update();
}

void PictureView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawImage(QPoint(0, 0), picture_);
}
