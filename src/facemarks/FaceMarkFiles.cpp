#include "facemarks/FaceMarkFiles.h"

#include "core/paths/Paths.h"
#include "core/text/Text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace ricorne {

FaceMarkListFile ReadFaceMarkList(const QByteArray& bytes) {
    FaceMarkListFile list;
    list.bytes = bytes;
    if (const std::optional<QString> utf8 = DecodeUtf8File(bytes)) {
        list.text = FromCrLf(*utf8);
        list.reading = ListReading::Utf8;
        return list;
    }
    const QString cp932 = DecodeCp932(bytes);
    list.text = FromCrLf(cp932);
    // Written back, the text must give these very bytes; otherwise an unedited close would
    // change the file.
    if (cp932.contains(QChar::ReplacementCharacter) || EncodeCp932(cp932) != bytes)
        list.reading = ListReading::Damaged;
    return list;
}

FaceMarkListFile LoadFaceMarkList(int tab) {
    QFile file(ResolvePath(FaceMarkFile(tab)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return ReadFaceMarkList(file.readAll());
}

FaceMarkFiles LoadFaceMarkLists() {
    FaceMarkFiles lists;
    for (int tab = 0; tab < kFaceMarkListCount; ++tab)
        lists[tab] = LoadFaceMarkList(tab);
    return lists;
}

QByteArray FaceMarkListBytes(const QString& text) {
    QString crlf = ToCrLf(text);
    if (!crlf.endsWith(u'\n'))
        crlf += QStringLiteral("\r\n");
    return EncodeCp932(crlf);
}

platform::ReplaceResult SaveFaceMarkList(int tab, const QString& text, const FaceMarkListFile& loaded) {
    const QString path = ResolvePath(FaceMarkFile(tab));
    // The folder is installed with the program; should it be gone, the user's lists still
    // deserve a place to go.
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        platform::ReplaceResult failed;
        failed.ok = false;
        failed.step = QStringLiteral(u"顔文字のフォルダーを作れません");
        failed.error = errno;
        failed.path = QFileInfo(path).absolutePath();
        return failed;
    }
    if (loaded.reading != ListReading::Cp932 && !loaded.bytes.isNull()) {
        // The original could not be shown as it is; the user gets it back from here.
        const platform::ReplaceResult backup =
            platform::ReplaceFileWhole(path + QStringLiteral(".bak"), loaded.bytes);
        if (!backup)
            return backup;
    }
    return platform::ReplaceFileWhole(path, FaceMarkListBytes(text));
}

} // namespace ricorne
