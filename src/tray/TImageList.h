#pragma once
// A list of same-sized images for the tray icon's IconIndex and animation.

#include <QColor>
#include <QObject>
#include <QPixmap>
#include <vector>

namespace veska {

class TIcon;

class TImageList : public QObject {
    Q_OBJECT
public:
    explicit TImageList(QObject* owner = nullptr, int width = 16, int height = 16);

    int Count() const { return static_cast<int>(FImages.size()); }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // Adds the image scaled to the list's size; returns its index.
    int Add(const QPixmap& image);
    // The same, with every pixel of maskColor transparent.
    int AddMasked(const QPixmap& image, const QColor& maskColor);
    void Clear() { FImages.clear(); }
    // Copies image index into icon; an index outside the list gives an empty icon.
    void GetIcon(int index, TIcon& icon) const;
    QPixmap Image(int index) const;

private:
    int FWidth;
    int FHeight;
    std::vector<QPixmap> FImages;
};

} // namespace veska
