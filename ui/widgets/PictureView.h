#pragma once

#include <QImage>
#include <QWidget>

// A picture drawn straight from its image at the widget's top left corner, clipped to the
// widget. Unlike a label with a pixmap it keeps no converted copy of the pixels, so a built-in
// picture is drawn from the program's own data.
class PictureView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // An opaque picture covering the widget also spares the painting of what lies beneath.
    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateOpaque();

    QImage picture_;
};
