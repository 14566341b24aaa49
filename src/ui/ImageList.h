#pragma once
// `ilImages`: the program's pictures, looked up by key ("Open", "Extract",
// "ExtractAll", "Gray", "Green", "Red"), drawn from the SVG artwork in the
// resources at the list's image size.

#include <QIcon>
#include <QMap>
#include <QPixmap>
#include <QString>

namespace pelkora {

class ImageList {
public:
    explicit ImageList(int sizePixels = 16);

    // The picture for `key`; a null pixmap for an unknown key.
    QPixmap picture(const QString& key) const;
    QIcon icon(const QString& key) const;
    bool contains(const QString& key) const { return mPictures.contains(key); }

    // The window's icon: the clamp.
    static QIcon appIcon();

private:
    QMap<QString, QPixmap> mPictures;
};

// Renders an SVG resource into a square pixmap of `size` device-independent
// pixels (sharp on high-DPI screens).
QPixmap RenderSvg(const QString& resource, int size);

} // namespace pelkora
