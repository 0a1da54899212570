// `cmake --install BUILD --prefix DIR`: a program folder that runs on its own, whose data survive
// a second install, with a desktop entry and icon that point into it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

class InstallLayoutTest : public ::testing::Test {
protected:
    // Installs into prefix; true when cmake succeeded.
    static bool Install(const QString& prefix) {
        QProcess cmake;
        cmake.start(QString::fromUtf8(RICORNE_CMAKE),
                    {u"--install"_s, QString::fromUtf8(RICORNE_BINARY_DIR), u"--prefix"_s, prefix});
        if (!cmake.waitForFinished(120000) || cmake.exitCode() != 0) {
            ADD_FAILURE() << cmake.readAllStandardError().toStdString();
            return false;
        }
        return true;
    }
    static QByteArray Read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static bool Write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }

    QTemporaryDir dir_;
};

TEST_F(InstallLayoutTest, LaysOutProgramsDataFoldersDesktopEntryAndIcon) {
    // A folder name with a space and Japanese: the entry must still name it as one argument.
    const QString prefix = dir_.path() + u"/メール ソフト"_s;
    ASSERT_TRUE(Install(prefix));

    for (const QString& exe : {u"ricorne"_s, u"ricorne-mailtool"_s}) {
        const QFileInfo info(prefix + u'/' + exe);
        EXPECT_TRUE(info.isFile() && info.isExecutable()) << exe.toStdString();
    }
    for (const QString& folder : {u"★MailData"_s, u"添付フォルダ"_s, u"顔文字データ"_s, u"■TextQuickSave"_s})
        EXPECT_TRUE(QFileInfo(prefix + u'/' + folder).isDir()) << folder.toStdString();
    EXPECT_TRUE(QFileInfo::exists(prefix + u"/★MailData/Bar.gif"_s));
    EXPECT_FALSE(QFileInfo::exists(prefix + u"/★MailData/.keep"_s));
    // "HP" opens the page beside the program, pictures included.
    EXPECT_TRUE(QFileInfo(prefix + u"/help/index.html"_s).isFile());
    EXPECT_TRUE(QFileInfo(prefix + u"/help/images/mainwindow.png"_s).isFile());

    const QString icon = prefix + u"/share/icons/hicolor/256x256/apps/ricorne.png"_s;
    const QImage image(icon);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(256, 256));
    // The tall cabinet stands in the middle of a transparent square.
    EXPECT_EQ(qAlpha(image.pixel(0, 128)), 0);
    EXPECT_EQ(qAlpha(image.pixel(128, 128)), 255);

    const QString entry = QString::fromUtf8(Read(prefix + u"/share/applications/ricorne.desktop"_s));
    const QStringList lines = entry.split(u'\n');
    EXPECT_EQ(lines.value(0), u"[Desktop Entry]"_s);
    EXPECT_TRUE(lines.contains(u"Exec=\"%1/ricorne\""_s.arg(prefix)));
    EXPECT_TRUE(lines.contains(u"Icon=%1"_s.arg(icon)));
    EXPECT_TRUE(lines.contains(u"Path=%1"_s.arg(prefix)));
    EXPECT_TRUE(lines.contains(u"Name[ja]=リコルネ"_s));
    EXPECT_FALSE(entry.contains(u'@')) << "a placeholder was left in:\n" << entry.toStdString();
}

TEST_F(InstallLayoutTest, SecondInstallKeepsTheUsersFilesAndRenewsTheProgram) {
    const QString prefix = dir_.path() + u"/Ricorne"_s;
    ASSERT_TRUE(Install(prefix));
    const QByteArray mail = "received records";
    const QByteArray lever = "the user's own lever picture";
    ASSERT_TRUE(Write(prefix + u"/★MailData/klmdata2.data"_s, mail));
    ASSERT_TRUE(Write(prefix + u"/★MailData/Bar.gif"_s, lever));
    ASSERT_TRUE(Write(prefix + u"/ricorne"_s, "stale program"));
    ASSERT_TRUE(Write(prefix + u"/help/index.html"_s, "stale page"));
    ASSERT_TRUE(Write(prefix + u"/help/images/gone.png"_s, "a picture no page shows any more"));
    ASSERT_TRUE(Write(prefix + u"/providers.tsv"_s, "stale table"));

    ASSERT_TRUE(Install(prefix));
    EXPECT_EQ(Read(prefix + u"/★MailData/klmdata2.data"_s), mail);
    EXPECT_EQ(Read(prefix + u"/★MailData/Bar.gif"_s), lever);
    EXPECT_NE(Read(prefix + u"/ricorne"_s), QByteArray("stale program"));
    EXPECT_NE(Read(prefix + u"/help/index.html"_s), QByteArray("stale page"));
    EXPECT_FALSE(QFileInfo::exists(prefix + u"/help/images/gone.png"_s));
    EXPECT_NE(Read(prefix + u"/providers.tsv"_s), QByteArray("stale table"));
}

} // namespace
