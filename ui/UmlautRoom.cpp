#include "UmlautRoom.h"

#include <QFontMetrics>
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
    for (QLabel* label : root->findChildren<QLabel*>()) {
        if (label->text().isEmpty() || !(label->alignment() & Qt::AlignTop))
            continue;
        const int overhang = UmlautOverhang(label->font());
        QMargins margins = label->contentsMargins();
        if (margins.top() >= overhang)
            continue;
        margins.setTop(overhang);
        label->setContentsMargins(margins);
    }
    for (QListView* list : root->findChildren<QListView*>()) {
        if (const int overhang = UmlautOverhang(list->font()); overhang > 0)
            list->setItemDelegate(new UmlautRoomDelegate(list, overhang));
    }
}

} // namespace qv::ui
