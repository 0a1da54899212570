#include "mainwindow/StoredArt.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

namespace ricorne {

QString StoredArtFile(const QString& name, int ratio) {
    return QStringLiteral("%1@%2x.png").arg(name).arg(ratio);
}

QPixmap StoredArt(const QString& name, qreal devicePixelRatio) {
    if (devicePixelRatio != 1 && devicePixelRatio != 2)
        return {};
    // Asked first, so a missing picture never sends the image reader through every format.
    const QString path = QStringLiteral(":/ricorne/art/") + StoredArtFile(name, int(devicePixelRatio));
    if (!QFile::exists(path))
        return {};
    // Read as PNG by name: guessing the format would load every image format plugin to ask it.
    QImageReader reader(path, QByteArrayLiteral("png"));
    reader.setAutoDetectImageFormat(false);
    QImage image = reader.read();
    if (image.isNull())
        return {};
    image.setDevicePixelRatio(devicePixelRatio);
    return QPixmap::fromImage(std::move(image));
}

} // namespace ricorne
