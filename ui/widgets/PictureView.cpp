#include "ui/widgets/PictureView.h"

#include <QPaintEvent>
#include <QPainter>

void PictureView::setPicture(const QImage& picture)
{
    picture_ = picture;
    UpdateOpaque();
    update();
}

void PictureView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    UpdateOpaque();
}

void PictureView::UpdateOpaque()
{
    const bool covers = !picture_.hasAlphaChannel() && picture_.width() >= width() && picture_.height() >= height();
    setAttribute(Qt::WA_OpaquePaintEvent, covers);
}

void PictureView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawImage(QPoint(0, 0), picture_);
}
