// The twelve lists installed with the program: every character survives CP932, and the layout
// step puts them beside the program in CP932 with CR LF line ends, where the palette reads them
// back unchanged.
#include "FaceMarkTestSupport.h"

#include "core/text/Text.h"
#include "facemarks/FaceMarkFiles.h"

#include <QProcess>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

QString SourceFolder() {
    return QStringLiteral(RICORNE_SOURCE_DIR "/data/") + FaceMarkDir();
}

QString SourceText(const QString& name) {
    QFile file(SourceFolder() + QLatin1Char('/') + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

class InstalledListTest : public ::testing::TestWithParam<int> {
protected:
    const FaceMarkList& List() const { return FaceMarkLists().at(GetParam()); }
};

TEST_P(InstalledListTest, IsGenerousAndEveryCharacterSurvivesCp932) {
    const QString text = SourceText(List().fileName);
    ASSERT_FALSE(text.isEmpty()) << List().fileName.toStdString();
    EXPECT_TRUE(text.endsWith(QLatin1Char('\n')));
    EXPECT_FALSE(text.contains(QLatin1Char('\r'))) << "sources keep LF; the layout adds CR";
    if (GetParam() != kFavouritesTab) {
        EXPECT_GE(text.count(QLatin1Char('\n')), 40) << List().fileName.toStdString();
    }

    const QByteArray bytes = EncodeCp932(text);
    // No character was replaced by "?", and none turned into a look-alike on the way back.
    EXPECT_EQ(bytes.count('?'), text.count(QLatin1Char('?')));
    EXPECT_EQ(DecodeCp932(bytes), text);
}

TEST_P(InstalledListTest, IsLaidOutInCp932WithCrLfAndReadBackUnchanged) {
    FaceMarkFolder app;
    QDir(app.Path()).removeRecursively();
    const QString appDir = QFileInfo(app.Path()).absolutePath();
    QProcess layout;
    layout.start(QStringLiteral(RICORNE_CMAKE_COMMAND),
                 {u"-DSRC="_s + QStringLiteral(RICORNE_SOURCE_DIR "/data"), u"-DDEST="_s + appDir, u"-P"_s,
                  QStringLiteral(RICORNE_SOURCE_DIR "/cmake/LayoutData.cmake")});
    ASSERT_TRUE(layout.waitForFinished(60000));
    ASSERT_EQ(layout.exitCode(), 0) << layout.readAllStandardError().toStdString();

    const QString text = SourceText(List().fileName);
    EXPECT_EQ(app.Read(List().fileName), EncodeCp932(ToCrLf(text)));
    EXPECT_EQ(LoadFaceMarkList(GetParam()).text, text);
}

INSTANTIATE_TEST_SUITE_P(Lists, InstalledListTest, ::testing::Range(0, kFaceMarkListCount));

TEST(InstalledListsTest, HoldSignatureBlocksForTheUserToMakeTheirOwn) {
    int blocks = 0;
    for (const FaceMarkList& list : FaceMarkLists()) {
        const QString text = SourceText(list.fileName);
        if (text.contains(u"○○県"_s) && text.contains(u"000-0000-0000"_s) && text.contains(u"山田"_s))
            ++blocks;
    }
    EXPECT_GE(blocks, 2);
}

} // namespace
