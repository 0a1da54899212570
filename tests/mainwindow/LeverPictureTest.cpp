// The lever pictures the build writes: GIF files equal to their XPM sources, pixel for pixel,
// readable by everyone.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>

namespace {

void ExpectSamePicture(const QString& xpm, const QString& gif) {
    const QImage source(xpm, "XPM");
    const QImage made(gif, "GIF");
    ASSERT_FALSE(source.isNull()) << xpm.toStdString();
    ASSERT_FALSE(made.isNull()) << gif.toStdString();
    ASSERT_EQ(made.size(), QSize(15, 14));
    ASSERT_EQ(source.size(), made.size());
    const QImage a = source.convertToFormat(QImage::Format_ARGB32);
    const QImage b = made.convertToFormat(QImage::Format_ARGB32);
    int transparent = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (qAlpha(p) == 0) {
                ++transparent;
                EXPECT_EQ(qAlpha(q), 0) << "at " << x << "," << y;
            } else {
                EXPECT_EQ(p, q) << "at " << x << "," << y;
            }
        }
    }
    EXPECT_GT(transparent, 0);
    EXPECT_EQ(QFileInfo(gif).permissions() & (QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther),
              QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
}

} // namespace

TEST(LeverPictures, GifsMatchTheirSources) {
    const QString sources = QString::fromUtf8(RICORNE_LEVER_SOURCES);
    const QString made = QString::fromUtf8(RICORNE_LEVER_GIF_DIR);
    ExpectSamePicture(sources + QStringLiteral("/LeverPulled.xpm"), made + QStringLiteral("/Bar.gif"));
    ExpectSamePicture(sources + QStringLiteral("/LeverAtRest.xpm"), made + QStringLiteral("/Bar0.gif"));
    // The two states differ.
    EXPECT_NE(QImage(made + QStringLiteral("/Bar.gif")).convertToFormat(QImage::Format_ARGB32),
              QImage(made + QStringLiteral("/Bar0.gif")).convertToFormat(QImage::Format_ARGB32));
}
