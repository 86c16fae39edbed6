#include "tray/TImageList.h"

#include "tray/TIcon.h"

#include <QBitmap>

namespace veska {

TImageList::TImageList(QObject* owner, int width, int height)
    : QObject(owner), FWidth(width), FHeight(height) {}

int TImageList::Add(const QPixmap& image) {
    FImages.push_back(
        image.scaled(FWidth, FHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return Count() - 1;
}

int TImageList::AddMasked(const QPixmap& image, const QColor& maskColor) {
    QPixmap masked = image;
    masked.setMask(image.createMaskFromColor(maskColor, Qt::MaskInColor));
    return Add(masked);
}

QPixmap TImageList::Image(int index) const {
    if (index < 0 || index >= Count())
        return {};
    return FImages[static_cast<std::size_t>(index)];
}

void TImageList::GetIcon(int index, TIcon& icon) const {
    const QPixmap image = Image(index);
    icon.Assign(image.isNull() ? QIcon() : QIcon(image));
}

} // namespace veska
