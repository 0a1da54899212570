#include "facemarks/FaceMarkLists.h"

#include "core/paths/Paths.h"

namespace ricorne {

const std::array<FaceMarkList, kFaceMarkListCount>& FaceMarkLists() {
    static const std::array<FaceMarkList, kFaceMarkListCount> lists{{
        {0, QStringLiteral(u"顔文字"), QStringLiteral("Kao1"), QStringLiteral("Kao1.txt")},
        {1, QStringLiteral(u"飾りライン・抽象画"), QStringLiteral("Text1"), QStringLiteral("Text1.txt")},
        {2, QStringLiteral(u"顔"), QStringLiteral("Text2"), QStringLiteral("Text2.txt")},
        {3, QStringLiteral(u"春夏秋冬、年中行事"), QStringLiteral("Text3"), QStringLiteral("Text3.txt")},
        {4, QStringLiteral(u"干支、星座、その他"), QStringLiteral("Text4"), QStringLiteral("Text4.txt")},
        {5, QStringLiteral(u"乗り物、機械、昆虫、花"), QStringLiteral("Text5"), QStringLiteral("Text5.txt")},
        {6, QStringLiteral(u"飲物、食べ物"), QStringLiteral("Text6"), QStringLiteral("Text6.txt")},
        {7, QStringLiteral(u"衣料、雑貨、ゲーム、スポーツ"), QStringLiteral("Text7"),
         QStringLiteral("Text7.txt")},
        {8, QStringLiteral(u"SF、場所、音楽"), QStringLiteral("Text8"), QStringLiteral("Text8.txt")},
        {9, QStringLiteral(u"その他"), QStringLiteral("Text9"), QStringLiteral("Text9.txt")},
        {10, QStringLiteral(u"動物、その他"), QStringLiteral("Text10"), QStringLiteral("Text10.txt")},
        {11, QStringLiteral(u"お気に入り"), QStringLiteral("Text11"), QStringLiteral("Text11.txt")},
    }};
    return lists;
}

QString FaceMarkFile(int tab) {
    return QLatin1Char('\\') + FaceMarkDir() + QLatin1Char('\\') + FaceMarkLists().at(tab).fileName;
}

} // namespace ricorne
