// Attachment names can never leave the folder, hide, clash with devices or replace a file.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include "core/mime/SafeFileName.h"

namespace ricorne {
namespace {

TEST(SafeFileName, CleansWhatCouldHurt) {
    const struct {
        QString in, want;
    } cases[] = {
        {QStringLiteral("../../etc/passwd"), QStringLiteral("passwd")},
        {QStringLiteral("C:\\Users\\x\\報告書.docx"), QStringLiteral("報告書.docx")},
        {QStringLiteral(".bashrc"), QStringLiteral("bashrc")},
        {QStringLiteral(" name . "), QStringLiteral("name")},
        {QStringLiteral("..."), QStringLiteral("attachment")},
        {QStringLiteral("dir/"), QStringLiteral("attachment")},
        {QString(), QStringLiteral("attachment")},
        {QStringLiteral("a<b>c:d\"e|f?g*h"), QStringLiteral("a_b_c_d_e_f_g_h")},
        {QStringLiteral("tab\there\r\n") + QChar(0) + QStringLiteral(".txt"),
         QStringLiteral("tab_here___.txt")},
        {QStringLiteral("CON"), QStringLiteral("_CON")},
        {QStringLiteral("lpt1.txt"), QStringLiteral("_lpt1.txt")},
        {QStringLiteral("COM10.txt"), QStringLiteral("COM10.txt")},
        {QStringLiteral("寿司🍣.txt"), QStringLiteral("寿司_.txt")},
        {QStringLiteral("한국.txt"), QStringLiteral("__.txt")},
        {QStringLiteral("\u30AB\u3099.txt"), QStringLiteral("ガ.txt")},
        {QStringLiteral("\u301C.txt"), QStringLiteral("\uFF5E.txt")},
        {QStringLiteral("¥100.txt"), QStringLiteral("_100.txt")},
        {QStringLiteral("①㈱.txt"), QStringLiteral("①㈱.txt")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SafeFileName(c.in), c.want) << c.in.toStdString();
    }
}

TEST(SafeFileName, LongNamesAreCutOnACharacterAndKeepTheirExtension) {
    const QString name = SafeFileName(QStringLiteral("あ").repeated(300) + QStringLiteral(".pdf"));
    EXPECT_LE(name.toUtf8().size(), 200);
    EXPECT_TRUE(name.endsWith(QLatin1String(".pdf")));
    EXPECT_EQ(name, QStringLiteral("あ").repeated(65) + QStringLiteral(".pdf"));
    const QString emoji = SafeFileName(QStringLiteral("x").repeated(199) + QStringLiteral("ab"));
    EXPECT_EQ(emoji.size(), 200);
}

TEST(CreateUniqueFile, NumbersInsteadOfReplacingAndNeverFollowsLinks) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const int dirFd = ::open(QFile::encodeName(tmp.path()).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(dirFd, 0);
    QStringList made;
    for (int k = 0; k < 3; ++k) {
        CreatedFile f = CreateUniqueFile(dirFd, QStringLiteral("写真.jpg"));
        ASSERT_GE(f.fd, 0);
        EXPECT_EQ(::write(f.fd, QByteArray::number(k).constData(), 1), 1);
        ::close(f.fd);
        made.append(f.name);
    }
    EXPECT_EQ(made, (QStringList{QStringLiteral("写真.jpg"), QStringLiteral("写真 (1).jpg"),
                                 QStringLiteral("写真 (2).jpg")}));
    QFile first(tmp.filePath(QStringLiteral("写真.jpg")));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), QByteArray("0"));

    // A link planted under the name: we make a new file beside it and the target stays untouched.
    const QString outside = tmp.filePath(QStringLiteral("outside.txt"));
    QFile target(outside);
    ASSERT_TRUE(target.open(QIODevice::WriteOnly));
    target.write("keep");
    target.close();
    ASSERT_TRUE(QFile::link(outside, tmp.filePath(QStringLiteral("evil"))));
    CreatedFile f = CreateUniqueFile(dirFd, QStringLiteral("evil"));
    ASSERT_GE(f.fd, 0);
    EXPECT_EQ(f.name, QStringLiteral("evil (1)"));
    EXPECT_EQ(::write(f.fd, "x", 1), 1);
    ::close(f.fd);
    ASSERT_TRUE(target.open(QIODevice::ReadOnly));
    EXPECT_EQ(target.readAll(), QByteArray("keep"));
    ::close(dirFd);

    EXPECT_EQ(NumberedFileName(QStringLiteral("a.tar.gz"), 2), QStringLiteral("a.tar (2).gz"));
    EXPECT_EQ(NumberedFileName(QStringLiteral("README"), 1), QStringLiteral("README (1)"));
}

} // namespace
} // namespace ricorne
