#include "facemarks/FaceMarkFiles.h"

#include "core/paths/Paths.h"
#include "core/text/Text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace ricorne {

QString LoadFaceMarkList(int tab) {
    QFile file(ResolvePath(FaceMarkFile(tab)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return FromCrLf(DecodeCp932(file.readAll()));
}

FaceMarkTexts LoadFaceMarkLists() {
    FaceMarkTexts texts;
    for (int tab = 0; tab < kFaceMarkListCount; ++tab)
        texts[tab] = LoadFaceMarkList(tab);
    return texts;
}

bool SaveFaceMarkList(int tab, const QString& text) {
    const QString path = ResolvePath(FaceMarkFile(tab));
    // The folder is installed with the program; should it be gone, the user's lists still
    // deserve a place to go.
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(EncodeCp932(ToCrLf(text) + QStringLiteral("\r\n")));
    return file.commit();
}

bool SaveFaceMarkLists(const FaceMarkTexts& texts) {
    bool all = true;
    for (int tab = 0; tab < kFaceMarkListCount; ++tab)
        all = SaveFaceMarkList(tab, texts[tab]) && all;
    return all;
}

} // namespace ricorne
