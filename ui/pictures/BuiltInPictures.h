#pragma once

#include <QImage>
#include <QPixmap>
#include <QStringView>

namespace qv::ui {

// The pictures the window shows at its first paint (background, start page, window icon) are
// built into the program decoded, so that showing them reads no file, loads no image plugin and
// decodes nothing. The image shares the program's read-only data; a null image for an unknown
// name.
QImage BuiltInPicture(QLatin1StringView name);
// As a pixmap, equal to one loaded from the picture's file.
QPixmap BuiltInPixmap(QLatin1StringView name);

} // namespace qv::ui
