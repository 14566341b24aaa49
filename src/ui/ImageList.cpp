#include "ui/ImageList.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

inline void initPelkoraImages()
{
    Q_INIT_RESOURCE(images);
}

namespace pelkora {

QPixmap RenderSvg(const QString& resource, int size)
{
    initPelkoraImages();
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    if (!renderer.isValid())
        return {};
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(0, 0, size, size));
    return pixmap;
}

ImageList::ImageList(int sizePixels)
{
    const struct {
        const char* key;
        const char* file;
    } pictures[] = {
        {"Open", ":/pelkora/open.svg"},
        {"Extract", ":/pelkora/extract.svg"},
        {"ExtractAll", ":/pelkora/extractall.svg"},
        {"Gray", ":/pelkora/gray.svg"},
        {"Green", ":/pelkora/green.svg"},
        {"Red", ":/pelkora/red.svg"},
    };
    for (const auto& p : pictures)
        mPictures.insert(QString::fromLatin1(p.key), RenderSvg(QString::fromLatin1(p.file), sizePixels));
}

QPixmap ImageList::picture(const QString& key) const
{
    return mPictures.value(key);
}

QIcon ImageList::icon(const QString& key) const
{
    return QIcon(picture(key));
}

QIcon ImageList::appIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addPixmap(RenderSvg(QStringLiteral(":/pelkora/clamp.svg"), size));
    return icon;
}

} // namespace pelkora
