#pragma once

#include <QCheckBox>

// A check box whose caption wraps inside the box's width, with the indicator centred vertically.
// Two captions of the window are longer than their boxes and need two lines.
class WrapCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

    // Where the caption is drawn: the box right of the indicator.
    QRect TextRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};
