#pragma once

#include <QColor>
#include <QFrame>

// The colour swatch beside the transparency colour: a square with a silver outline, filled with a
// solid colour, or, while no valid colour is set, silver hatched with lines rising left to right.
class ColorSwatch : public QFrame {
    Q_OBJECT
public:
    using QFrame::QFrame;

    void setColor(const QColor& color); // solid fill
    void setEmpty();                    // the hatched look
    bool isEmpty() const { return !color_.isValid(); }
    QColor color() const { return color_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_; // invalid: the empty look
};
