#include "ui/pictures/BuiltInPictures.h"

#include "ui/pictures/BuiltInPictureData.h"

namespace qv::ui {

QImage BuiltInPicture(QLatin1StringView name)
{
    for (int i = 0; i < builtin::kPictureCount; ++i) {
        const builtin::Picture& picture = builtin::kPictures[i];
        if (name == QLatin1StringView(picture.name)) {
            return QImage(picture.bits, picture.width, picture.height, static_cast<qsizetype>(picture.bytesPerLine),
                          static_cast<QImage::Format>(picture.format));
        }
    }
    return {};
}

QPixmap BuiltInPixmap(QLatin1StringView name)
{
    return QPixmap::fromImage(BuiltInPicture(name));
}

} // namespace qv::ui
