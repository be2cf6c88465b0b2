#include "ui/widgets/UmlautRoom.h"

#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

namespace qv::ui {
namespace {

// List rows one overhang taller, their text at the bottom of the row, so the dots fit above it.
class UmlautRoomDelegate : public QStyledItemDelegate {
public:
    UmlautRoomDelegate(QObject* parent, int overhang)
        : QStyledItemDelegate(parent)
        , overhang_(overhang)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(0, overhang_);
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = (option->displayAlignment & Qt::AlignHorizontal_Mask) | Qt::AlignBottom;
    }

private:
    int overhang_;
};

} // namespace

int UmlautOverhang(const QFont& font)
{
    // Measured on the drawn letters, as the screen shows them: a font engine's outline metrics
    // may place the dots lower than it draws them.
    const QFontMetrics metrics(font);
    const int ascent = metrics.ascent();
    const int baseline = 2 * ascent;
    QImage sheet(metrics.horizontalAdvance(QStringLiteral("ÄÖÜ")) + 2 * ascent, baseline + metrics.descent() + 1,
                 QImage::Format_Grayscale8);
    sheet.fill(Qt::white);
    {
        QPainter painter(&sheet);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QPoint(ascent, baseline), QStringLiteral("ÄÖÜ"));
    }
    for (int y = 0; y < baseline; ++y) {
        const uchar* row = sheet.constScanLine(y);
        if (std::any_of(row, row + sheet.width(), [](uchar gray) { return gray < 160; }))
            return std::max(0, baseline - ascent - y);
    }
    return 0;
}

int InkHeight(const QFont& font, int width, int flags, const QString& text)
{
    if (width <= 0 || text.isEmpty())
        return 0;
    flags = (flags & ~int(Qt::AlignVertical_Mask)) | Qt::AlignTop;
    // A sheet two lines taller than the text's line boxes; the letters end above their bottom.
    const QFontMetrics metrics(font);
    const int height = metrics.boundingRect(QRect(0, 0, width, QWIDGETSIZE_MAX), flags, text).height()
                       + 2 * metrics.height();
    QImage sheet(width, height, QImage::Format_Grayscale8);
    sheet.fill(Qt::white);
    {
        QPainter painter(&sheet);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(sheet.rect(), flags, text);
    }
    for (int y = height - 1; y >= 0; --y) {
        const uchar* row = sheet.constScanLine(y);
        if (std::any_of(row, row + width, [](uchar gray) { return gray < 160; }))
            return y + 1;
    }
    return 0;
}

void MakeRoomForUmlautDots(QWidget* root)
{
    // Measuring the umlauts' outlines is the costly part, and a form uses only a few fonts:
    // each font is measured once.
    QHash<QFont, int> overhangs;
    const auto overhangOf = [&overhangs](const QFont& font) {
        auto it = overhangs.constFind(font);
        if (it == overhangs.cend())
            it = overhangs.insert(font, UmlautOverhang(font));
        return *it;
    };
    for (QLabel* label : root->findChildren<QLabel*>()) {
        if (label->text().isEmpty())
            continue;
        const int overhang = overhangOf(label->font());
        QMargins margins = label->contentsMargins();
        if (margins.top() >= overhang)
            continue;
        // The first line starts at the top edge when the text is aligned there, or when a centred
        // text fills the label (a label sized to its text).
        const int lineHeight = QFontMetrics(label->font()).height();
        const int spare = label->height() - margins.top() - margins.bottom() - lineHeight;
        const Qt::Alignment vertical = label->alignment() & Qt::AlignVertical_Mask;
        const bool filled = vertical == Qt::AlignVCenter && spare <= 0;
        if (vertical != Qt::AlignTop && !filled)
            continue;
        const int added = overhang - margins.top();
        margins.setTop(overhang);
        label->setContentsMargins(margins);
        // A label sized to its text grows below by what its text moved down, so nothing is cut.
        if (filled) {
            label->resize(label->width(), label->height() + added - spare);
            continue;
        }
        // A text at the top that now overruns the label's bottom takes back below what it gave up
        // above (a wrapped text filling its label to the last pixel).
        const QRect room = label->contentsRect();
        const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
        const int needed = QFontMetrics(label->font())
                               .boundingRect(QRect(0, 0, room.width(), QWIDGETSIZE_MAX), flags, label->text())
                               .height();
        if (needed > room.height()) {
            const int inked = InkHeight(label->font(), room.width(), flags, label->text());
            if (inked > room.height())
                label->resize(label->width(), label->height() + std::min(added, inked - room.height()));
        }
    }
    for (QListView* list : root->findChildren<QListView*>()) {
        if (const int overhang = overhangOf(list->font()); overhang > 0)
            list->setItemDelegate(new UmlautRoomDelegate(list, overhang));
    }
}

} // namespace qv::ui
