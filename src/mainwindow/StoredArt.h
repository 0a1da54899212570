// The art as the build painted it. The program carries the cabinet and the reel strips painted at
// device pixel ratios 1 and 2 (PNG resources under :/ricorne/art, made by cabinet_art_writer), so
// a start at those ratios paints nothing: none of the art's fonts, paths or gradient tables are
// loaded. Other ratios, and programs built without the resources (tests, tools), paint.
#pragma once

#include <QPixmap>
#include <QString>

namespace ricorne {

// The file name of a stored picture: "cabinet@2x.png", "strip0@1x.png".
QString StoredArtFile(const QString& name, int ratio);

// The stored picture name at the given ratio, or a null pixmap when there is none.
QPixmap StoredArt(const QString& name, qreal devicePixelRatio);

} // namespace ricorne
