// Build tool: turns a lever picture kept as XPM text into the GIF file the program loads.
//
//   lever_gif_writer IN.xpm OUT.gif
//
// Every colour of the picture gets one palette entry; a transparent pixel ("None") becomes the
// GIF's transparent index. The file is written beside OUT as OUT.part and renamed over it, with
// mode 0644 (giflib's own file opener would make it 0600).
#include <QFile>
#include <QImage>
#include <QList>

#include <gif_lib.h>

#include <cstdio>

namespace {

int Fail(const char* what, const char* path) {
    std::fprintf(stderr, "lever_gif_writer: %s: %s\n", what, path);
    return 1;
}

// giflib writes through this into the QFile it was opened with; a short write fails the GIF.
int WriteToFile(GifFileType* gif, const GifByteType* bytes, int length) {
    auto* file = static_cast<QFile*>(gif->UserData);
    return file->write(reinterpret_cast<const char*>(bytes), length) == length ? length : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: lever_gif_writer IN.xpm OUT.gif\n");
        return 2;
    }
    const QImage source(QString::fromLocal8Bit(argv[1]), "XPM");
    if (source.isNull()) {
        return Fail("cannot read the picture", argv[1]);
    }
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);

    // Palette: index 0 is transparent when the picture has any transparent pixel.
    QList<QRgb> colours;
    bool transparent = false;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = image.pixel(x, y);
            if (qAlpha(px) == 0) {
                transparent = true;
            } else if (qAlpha(px) != 255) {
                return Fail("partly transparent pixels cannot be kept in a GIF", argv[1]);
            } else if (!colours.contains(px)) {
                colours.append(px);
            }
        }
    }
    if (transparent) {
        colours.prepend(qRgba(0, 0, 0, 0));
    }
    if (colours.size() > 256) {
        return Fail("more than 256 colours", argv[1]);
    }
    int mapSize = 2;
    while (mapSize < colours.size()) {
        mapSize *= 2;
    }
    QList<GifColorType> entries(mapSize, GifColorType{0, 0, 0});
    for (int i = 0; i < colours.size(); ++i) {
        entries[i] = GifColorType{static_cast<GifByteType>(qRed(colours[i])),
                                  static_cast<GifByteType>(qGreen(colours[i])),
                                  static_cast<GifByteType>(qBlue(colours[i]))};
    }

    const QByteArray part = QByteArray(argv[2]) + ".part";
    QFile out(QFile::decodeName(part));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        !out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                            QFileDevice::ReadOther)) {
        return Fail("cannot create", part.constData());
    }
    int error = 0;
    GifFileType* gif = EGifOpen(&out, WriteToFile, &error);
    if (!gif) {
        out.remove();
        return Fail(GifErrorString(error), part.constData());
    }
    EGifSetGifVersion(gif, true); // GIF89a, for the transparent index
    ColorMapObject* map = GifMakeMapObject(mapSize, entries.data());
    bool ok = map && EGifPutScreenDesc(gif, image.width(), image.height(), 8, 0, map) == GIF_OK;
    if (ok && transparent) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.UserInputFlag = false;
        control.DelayTime = 0;
        control.TransparentColor = 0;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, image.width(), image.height(), false, nullptr) == GIF_OK;
    QList<GifPixelType> line(image.width());
    for (int y = 0; ok && y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = image.pixel(x, y);
            line[x] = static_cast<GifPixelType>(qAlpha(px) == 0 ? 0 : colours.indexOf(px));
        }
        ok = EGifPutLine(gif, line.data(), image.width()) == GIF_OK;
    }
    const int gifError = gif->Error;
    GifFreeMapObject(map);
    // The trailer goes out on closing; the file is closed after it.
    const bool closed = EGifCloseFile(gif, &error) == GIF_OK;
    if (!out.flush() || !closed || !ok) {
        out.remove();
        return Fail(closed && ok ? "cannot write" : GifErrorString(ok ? error : gifError), argv[2]);
    }
    out.close();
    if (std::rename(part.constData(), argv[2]) != 0) {
        out.remove();
        return Fail("cannot rename into place", argv[2]);
    }
    return 0;
}
