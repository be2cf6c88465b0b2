#pragma once

// The rules library's plain types in Qt's terms: texts and paths are UTF-8 there.
#include "rules/RuntimeSettings.h"

#include <QColor>
#include <QRect>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace qv::starter {

inline QString ToQString(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

inline std::string ToUtf8(const QString& text)
{
    return text.toStdString();
}

inline QStringList ToQStringList(const std::vector<std::string>& items)
{
    QStringList list;
    for (const std::string& item : items)
        list.push_back(ToQString(item));
    return list;
}

inline std::vector<std::string> ToUtf8List(const QStringList& items)
{
    std::vector<std::string> list;
    for (const QString& item : items)
        list.push_back(ToUtf8(item));
    return list;
}

inline QRect ToQRect(const Rect& rect)
{
    return QRect(rect.x, rect.y, rect.width, rect.height);
}

inline QColor ToQColor(const Color& color)
{
    return QColor(color.red, color.green, color.blue);
}

} // namespace qv::starter
