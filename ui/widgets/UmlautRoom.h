#pragma once

class QFont;
class QString;
class QWidget;

namespace qv::ui {

// How many pixels the dots of the capital umlauts rise above the font's ascent: the room a text
// drawn at the top edge of its control needs so that "Ä", "Ö" and "Ü" keep their dots. Zero for
// fonts whose ascent covers them.
int UmlautOverhang(const QFont& font);

// How far down `text` reaches, in pixels, when drawn into a box `width` pixels wide with the
// alignment and wrapping `flags`: where its letters end, not its line boxes.
int InkHeight(const QFont& font, int width, int flags, const QString& text);

// Gives the top-aligned text labels and the list rows below `root` that room, drawing their text
// that much lower inside the unchanged control (a label's top margin, a taller list row).
void MakeRoomForUmlautDots(QWidget* root);

} // namespace qv::ui
