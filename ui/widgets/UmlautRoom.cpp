#include "ui/widgets/UmlautRoom.h"

#include <QFontMetrics>
#include <QHash>
#include <QLabel>
#include <QListView>
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
    const QFontMetrics metrics(font);
    return std::max(0, -metrics.tightBoundingRect(QStringLiteral("ÄÖÜ")).top() - metrics.ascent());
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
        if (filled)
            label->resize(label->width(), label->height() + added - spare);
    }
    for (QListView* list : root->findChildren<QListView*>()) {
        if (const int overhang = overhangOf(list->font()); overhang > 0)
            list->setItemDelegate(new UmlautRoomDelegate(list, overhang));
    }
}

} // namespace qv::ui
