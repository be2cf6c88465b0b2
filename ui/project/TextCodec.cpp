#include "ui/project/TextCodec.h"

#include "config/Cp1252.h"

namespace qv::ui {

QString FromCp1252(std::string_view bytes)
{
    return QString::fromStdString(Cp1252ToUtf8(bytes));
}

std::string ToCp1252(const QString& text)
{
    return Utf8ToCp1252(text.toStdString());
}

} // namespace qv::ui
