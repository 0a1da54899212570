// Paints the cabinet and the three reel strips at device pixel ratios 1 and 2 into OUTDIR as
// opaque PNG files, with art.qrc listing them, for the program to carry (StoredArt.h).
//   cabinet_art_writer OUTDIR
#include "mainwindow/CabinetArt.h"
#include "mainwindow/ReelArt.h"
#include "mainwindow/SlotPanel.h"
#include "mainwindow/StoredArt.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTextStream>

namespace {

// Opaque pictures only: PNG keeps them exactly, where a translucent one would come back with
// its premultiplied colours rounded.
bool IsOpaque(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 255)
                return false;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // Runs during the build, where there is no display.
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err << "usage: cabinet_art_writer OUTDIR\n";
        return 2;
    }
    const QString dir = args.at(1);
    QString qrc = QStringLiteral("<RCC>\n<qresource prefix=\"/ricorne/art\">\n");
    for (const int ratio : {1, 2}) {
        std::vector<std::pair<QString, QImage>> pictures = {
            {QStringLiteral("cabinet"), ricorne::CabinetArt::Paint(ricorne::SlotPanel::ArtLayout(), ratio)}};
        for (int reel = 0; reel < 3; ++reel)
            pictures.emplace_back(QStringLiteral("strip%1").arg(reel),
                                  ricorne::ReelArt::PaintStrip(reel, ratio));
        for (const auto& [name, picture] : pictures) {
            const QString file = ricorne::StoredArtFile(name, ratio);
            if (!IsOpaque(picture)) {
                err << file << ": not opaque\n";
                return 1;
            }
            if (!picture.convertToFormat(QImage::Format_RGB32).save(dir + u'/' + file, "PNG")) {
                err << file << ": cannot write\n";
                return 1;
            }
            qrc += QStringLiteral("<file>%1</file>\n").arg(file);
        }
    }
    qrc += QStringLiteral("</qresource>\n</RCC>\n");
    QFile out(dir + QStringLiteral("/art.qrc"));
    if (!out.open(QIODevice::WriteOnly) || out.write(qrc.toUtf8()) < 0) {
        err << "art.qrc: cannot write\n";
        return 1;
    }
    return 0;
}
