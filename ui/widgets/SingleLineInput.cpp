#include "ui/widgets/SingleLineInput.h"

#include <QLineEdit>
#include <QObject>

#include <algorithm>

namespace qv::ui {
namespace {

bool IsLineBreak(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator
           || c == QChar::ParagraphSeparator;
}

// Remembers the field's last text, so that an edit can be told apart from what it replaced.
class SingleLineGuard : public QObject {
public:
    SingleLineGuard(QLineEdit* field, int maxLength)
        : QObject(field)
        , field_(field)
        , maxLength_(maxLength)
        , last_(field->text())
    {
        connect(field, &QLineEdit::textChanged, this, &SingleLineGuard::TextChanged);
    }

private:
    void TextChanged(const QString& now)
    {
        // setText() clears the modified state before it reports the change: only the user's
        // edits arrive here modified.
        if (field_->isModified() && !fitting_) {
            const LineText fitted = FitInsertion(last_, now, field_->cursorPosition(), maxLength_);
            if (fitted.text != now) {
                fitting_ = true;
                field_->setText(fitted.text);
                field_->setModified(true);
                field_->setCursorPosition(static_cast<int>(fitted.cursor));
                fitting_ = false;
            }
        }
        last_ = field_->text();
    }

    QLineEdit* field_;
    int maxLength_;
    QString last_;
    bool fitting_ = false;
};

} // namespace

LineText FitInsertion(const QString& before, const QString& after, qsizetype cursor, int maxLength)
{
    const LineText unchanged{after, cursor};
    // Behind the cursor stands text that was there before the edit.
    const qsizetype suffix = after.size() - cursor;
    if (cursor < 0 || suffix < 0 || suffix > before.size() || after.right(suffix) != before.right(suffix))
        return unchanged;
    qsizetype prefix = 0;
    const qsizetype prefixLimit = std::min(cursor, before.size() - suffix);
    while (prefix < prefixLimit && before.at(prefix) == after.at(prefix))
        ++prefix;
    const qsizetype insertedSize = cursor - prefix;
    QString inserted = after.mid(prefix, insertedSize);
    const auto lineBreak = std::find_if(inserted.cbegin(), inserted.cend(), IsLineBreak);
    inserted.truncate(lineBreak - inserted.cbegin());
    if (maxLength > 0)
        inserted.truncate(std::max<qsizetype>(0, maxLength - (after.size() - insertedSize)));
    if (inserted.size() == insertedSize)
        return unchanged;
    return {after.left(prefix) + inserted + after.right(suffix), prefix + inserted.size()};
}

void GuardSingleLine(QLineEdit* field, int maxLength)
{
    new SingleLineGuard(field, maxLength);
}

} // namespace qv::ui
