// The hand-made corpus: each mail decodes to the fields in its .json, and extraction writes
// exactly the named files into the target folder and nowhere else.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "MimeTestUtil.h"
#include "core/mime/MimeDecoder.h"
#include "core/mime/MimeParse.h"
#include "core/mime/Rfc2047.h"

namespace ricorne {
namespace {

using test::CorpusDir;
using test::CorpusMail;
using test::ReadFileBytes;
using test::TreeOf;

TEST(DecoderCorpus, EveryMailDecodesToItsExpectedFields) {
    const QStringList mails = QDir(CorpusDir()).entryList(QStringList{QStringLiteral("*.eml")}, QDir::Files);
    ASSERT_GE(mails.size(), 15);
    for (const QString& mailName : mails) {
        SCOPED_TRACE(mailName.toStdString());
        QString jsonName = mailName;
        jsonName.replace(QLatin1String(".eml"), QLatin1String(".json"));
        const QJsonObject want =
            QJsonDocument::fromJson(ReadFileBytes(CorpusDir() + QLatin1Char('/') + jsonName)).object();
        ASSERT_FALSE(want.isEmpty()) << "missing " << jsonName.toStdString();
        const DecodedMail got = DecodeMail(CorpusMail(mailName));
        EXPECT_EQ(got.subject.toStdString(), want.value(QStringLiteral("subject")).toString().toStdString());
        EXPECT_EQ(got.from.toStdString(), want.value(QStringLiteral("from")).toString().toStdString());
        EXPECT_EQ(got.date.toStdString(), want.value(QStringLiteral("date")).toString().toStdString());
        EXPECT_EQ(got.body.toStdString(), want.value(QStringLiteral("body")).toString().toStdString());
        QStringList names;
        for (const QJsonValue& v : want.value(QStringLiteral("attachments")).toArray()) {
            names.append(v.toString());
        }
        EXPECT_EQ(got.attachmentNames, names);
        EXPECT_TRUE(got.headerText.startsWith(QLatin1String("From: ")));
    }
}

TEST(DecoderCorpus, HugeHostileHeadersDecodeQuickly) {
    // Such headers once took minutes (in our reader and in GMime's): the mail check would hang.
    const QByteArray words = QByteArray("=?a?B?x ").repeated(60000);
    const QByteArray raw = "From: " + QByteArray("x").repeated(200000) +
                           " <a@example.com>\r\nSubject: " + words +
                           "\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"B\"\r\n\r\n"
                           "--B\r\nContent-Type: text/plain\r\n\r\nhi\r\n--B\r\n"
                           "Content-Disposition: attachment; filename=\"" +
                           words + "\"\r\n\r\ndata\r\n--B--\r\n";
    QElapsedTimer timer;
    timer.start();
    const DecodedMail mail = DecodeMail(raw);
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_TRUE(mail.subject.startsWith(QLatin1String("=?a?B?x =?a?B?x")));
    // The name is shortened to the 90-byte field, never the address.
    EXPECT_EQ(mail.from, QString(QStringLiteral("x").repeated(74) + QStringLiteral(" <a@example.com>")));
    EXPECT_EQ(mail.body.left(4), QStringLiteral("hi\r\n"));
    EXPECT_EQ(mail.attachmentNames.size(), 1);
}

struct ExtractFixture : ::testing::Test {
    QTemporaryDir tmp;
    QString attach;
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        attach = tmp.filePath(QStringLiteral("attach"));
        ASSERT_TRUE(QDir().mkpath(attach));
    }
    QByteArray Saved(const QString& name) { return ReadFileBytes(attach + QLatin1Char('/') + name); }
};

TEST_F(ExtractFixture, WritesSafeNamesOnlyInsideTheFolderAndNeverOverAFile) {
    const QByteArray raw = CorpusMail(QStringLiteral("attachment-names.eml"));
    ExtractResult first = ExtractAttachments(raw, attach);
    EXPECT_EQ(first.code, 1);
    EXPECT_EQ(first.savedNames, DecodeMail(raw).attachmentNames);
    EXPECT_EQ(Saved(QStringLiteral("見積書.pdf")), QByteArray("%PDF-1.4\n"));
    EXPECT_EQ(Saved(QStringLiteral("attachment.bin")), QByteArray("\x00\x01\x02\x03", 4));
    EXPECT_EQ(Saved(QStringLiteral("evil.txt")), QByteArray("path"));

    // A second extraction adds " (1)" and leaves the first files alone.
    ExtractResult second = ExtractAttachments(raw, attach);
    EXPECT_EQ(second.code, 1);
    EXPECT_TRUE(second.savedNames.contains(QStringLiteral("見積書 (1).pdf")));
    EXPECT_TRUE(second.savedNames.contains(QStringLiteral("bashrc (1)")));
    EXPECT_EQ(Saved(QStringLiteral("見積書.pdf")), QByteArray("%PDF-1.4\n"));

    const QStringList tree = TreeOf(tmp.path());
    for (const QString& entry : tree) {
        EXPECT_TRUE(entry == QLatin1String("attach/") || entry.startsWith(QLatin1String("attach/")))
            << entry.toStdString();
        EXPECT_FALSE(entry.endsWith(QLatin1Char('/')) && entry != QLatin1String("attach/"))
            << entry.toStdString();
    }
    EXPECT_EQ(tree.size(), 1 + 2 * first.savedNames.size());
}

TEST_F(ExtractFixture, AnAttachedMessageIsSavedWhole) {
    ExtractResult r = ExtractAttachments(CorpusMail(QStringLiteral("attached-message.eml")), attach);
    ASSERT_EQ(r.code, 1);
    ASSERT_EQ(r.savedNames, QStringList{QStringLiteral("元のメール.eml")});
    const DecodedMail inner = DecodeMail(Saved(r.savedNames.first()));
    EXPECT_EQ(inner.subject, QStringLiteral("元のメール"));
    EXPECT_EQ(inner.body, QStringLiteral("元の本文"));
}

TEST_F(ExtractFixture, NothingToWriteAndNoFolder) {
    EXPECT_EQ(ExtractAttachments(CorpusMail(QStringLiteral("euc-jp.eml")), attach).code, 0);
    EXPECT_TRUE(TreeOf(attach).isEmpty());
    const ExtractResult missing = ExtractAttachments(CorpusMail(QStringLiteral("attached-message.eml")),
                                                     tmp.filePath(QStringLiteral("none")));
    EXPECT_EQ(missing.code, -5);
    EXPECT_FALSE(missing.error.isEmpty());
}

TEST_F(ExtractFixture, SplitMailWaitsForAllPartsInAnyOrderThenJoins) {
    const QByteArray photo = QByteArray::fromBase64(QByteArray(
        "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+"
        "P0BBQkNERUZHSElKS0xNTk9QUVJTVFVWV1hZWltcXV5fYGFiY2RlZmdoaWprbG1ub3BxcnN0dXZ3eHl6e3x9fn+"
        "AgYKDhIWGh4iJiouMjY6PkJGSk5SVlpeYmZqbnJ2en6ChoqOkpaanqKmqq6ytrq+wsbKztLW2t7i5uru8vb6/"
        "wMHCw8TFxsfIycrLzM3Oz9DR0tPU1dbX2Nna29zd3t/g4eLj5OXm5+jp6uvs7e7v8PHy8/T19vf4+fr7/P3+/w=="));
    ASSERT_EQ(photo.size(), 256);
    const QByteArray parts[3] = {CorpusMail(QStringLiteral("partial-1.eml")),
                                 CorpusMail(QStringLiteral("partial-2.eml")),
                                 CorpusMail(QStringLiteral("partial-3.eml"))};
    for (const int order : {0, 1}) {
        SCOPED_TRACE(order);
        const int seq[2][3] = {{0, 1, 2}, {2, 0, 1}};
        EXPECT_EQ(ExtractAttachments(parts[seq[order][0]], attach).code, -6);
        EXPECT_EQ(ExtractAttachments(parts[seq[order][1]], attach).code, -6);
        const ExtractResult done = ExtractAttachments(parts[seq[order][2]], attach);
        ASSERT_EQ(done.code, 1) << done.error.toStdString();
        const QString suffix = order == 0 ? QString() : QStringLiteral(" (1)");
        EXPECT_EQ(done.savedNames,
                  (QStringList{QStringLiteral("分割された写真") + suffix + QStringLiteral(".eml"),
                               QStringLiteral("photo") + suffix + QStringLiteral(".jpg")}));
        EXPECT_EQ(Saved(done.savedNames.at(1)), photo + photo + photo);
        EXPECT_EQ(DecodeMail(Saved(done.savedNames.at(0))).subject, QStringLiteral("分割された写真"));
        // The waiting parts are gone once joined.
        for (const QString& entry : TreeOf(attach)) {
            EXPECT_FALSE(entry.startsWith(QLatin1Char('.'))) << entry.toStdString();
        }
    }
}

int ModeOf(const QString& path) {
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// What a mail brings is the user's alone, and a link planted in the folder never redirects a
// write or a read of a waiting split-mail part.
TEST_F(ExtractFixture, SplitMailPartsAndAttachmentsArePrivateFilesThatNeverFollowALink) {
    const mode_t oldMask = ::umask(0);
    const QString outside = tmp.filePath(QStringLiteral("outside.txt"));
    {
        QFile f(outside);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    const QString prefix =
        QStringLiteral(".partial-") +
        QString::fromLatin1(
            QCryptographicHash::hash("split-0001@example.jp", QCryptographicHash::Sha1).toHex().left(16)) +
        QLatin1Char('-');
    const QString part1 = attach + QLatin1Char('/') + prefix + QStringLiteral("0001.eml");
    const QString part2 = attach + QLatin1Char('/') + prefix + QStringLiteral("0002.eml");
    ASSERT_TRUE(QFile::link(outside, part1));
    // A forged part 2 outside the folder, reachable only through a link.
    const QString forged = tmp.filePath(QStringLiteral("forged.eml"));
    ASSERT_TRUE(QFile::copy(CorpusDir() + QStringLiteral("/partial-2.eml"), forged));
    ASSERT_TRUE(QFile::link(forged, part2));

    EXPECT_EQ(ExtractAttachments(CorpusMail(QStringLiteral("partial-1.eml")), attach).code, -6);
    EXPECT_EQ(ReadFileBytes(outside), QByteArray("keep me"));
    EXPECT_FALSE(QFileInfo(part1).isSymLink());
    EXPECT_EQ(ModeOf(part1), 0600);
    // Part 3 would complete the mail only with the linked part 2: it must keep waiting.
    EXPECT_EQ(ExtractAttachments(CorpusMail(QStringLiteral("partial-3.eml")), attach).code, -6);

    const ExtractResult done = ExtractAttachments(CorpusMail(QStringLiteral("partial-2.eml")), attach);
    ::umask(oldMask);
    ASSERT_EQ(done.code, 1) << done.error.toStdString();
    for (const QString& name : done.savedNames) {
        EXPECT_EQ(ModeOf(attach + QLatin1Char('/') + name), 0600) << name.toStdString();
    }
}

} // namespace
} // namespace ricorne
