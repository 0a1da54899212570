// The help page the build lays out beside the executable: "HP" finds it, and nothing it shows
// or links to is missing.
#include "mainwindow/HelpPage.h"
#include "core/paths/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <gtest/gtest.h>

namespace {

using ricorne::HelpPagePath;
using ricorne::SetAppDir;

QString BuiltHelpDir() {
    return QStringLiteral(RICORNE_APPDIR "/help");
}

QString ReadPage(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(file.readAll());
    return utf8.hasError() ? QString() : text;
}

TEST(HelpPage, BuiltPageIsFoundBesideTheExecutableAndEveryLinkResolves) {
    SetAppDir(QStringLiteral(RICORNE_APPDIR));
    const QString expected = BuiltHelpDir() + QStringLiteral("/index.html");
    ASSERT_EQ(QFileInfo(HelpPagePath()).canonicalFilePath(), QFileInfo(expected).canonicalFilePath());

    const QString page = ReadPage(expected);
    ASSERT_FALSE(page.isEmpty()) << "missing or not UTF-8";
    EXPECT_TRUE(page.contains(QStringLiteral(R"(<meta charset="UTF-8">)")));

    // Local references only: anchors and addresses with a scheme are not files.
    static const QRegularExpression reference(QStringLiteral(R"re((?:src|href)="([^"#:]+)")re"));
    int images = 0;
    for (auto it = reference.globalMatch(page); it.hasNext();) {
        const QString target = it.next().captured(1);
        EXPECT_TRUE(QFileInfo::exists(BuiltHelpDir() + u'/' + target)) << target.toStdString();
        images += target.startsWith(QStringLiteral("images/")) ? 1 : 0;
    }
    EXPECT_GE(images, 10); // one picture per window, and the editor's menus

    static const QRegularExpression imageWithoutText(QStringLiteral(R"re(<img(?![^>]*\balt="[^"]+")[^>]*>)re"));
    EXPECT_FALSE(imageWithoutText.match(page).hasMatch()) << "an image without alt text";
}

TEST(HelpPage, EveryWindowScreenshotIsShownOnThePage) {
    const QString page = ReadPage(BuiltHelpDir() + QStringLiteral("/index.html"));
    const QStringList shots =
        QDir(QStringLiteral(RICORNE_SOURCE_DIR "/docs")).entryList({QStringLiteral("*.png")}, QDir::Files);
    ASSERT_FALSE(shots.isEmpty());
    for (const QString& shot : shots)
        EXPECT_TRUE(page.contains(QStringLiteral(R"(src="images/)") + shot + u'"')) << shot.toStdString();
}

} // namespace
