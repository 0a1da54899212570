// Outgoing mail: what we build reads back through our own decoder exactly, stays within the
// header rules, and no subject, name or address can add a header.
#include <gtest/gtest.h>

#include <QFile>
#include <QList>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "MimeTestUtil.h"
#include "core/mime/MimeBuilder.h"
#include "core/mime/MimeDecoder.h"
#include "core/mime/MimeParse.h"
#include "core/mime/Rfc2047.h"
#include "core/mime/Rfc2231.h"

namespace ricorne {
namespace {

using test::ReadFileBytes;

QByteArray HeaderBlock(const QByteArray& bytes) {
    return bytes.left(bytes.indexOf("\r\n\r\n") + 2);
}

// Raw header lines, unfolded, by name.
QByteArray Header(const QByteArray& bytes, const char* name) {
    GObjectPtr<GMimeMessage> m = MimeParseMessage(bytes);
    return MimeRawHeader(GMIME_OBJECT(m.get()), name);
}

void ExpectSaneLines(const QByteArray& bytes) {
    for (const QByteArray& line : bytes.split('\n')) {
        EXPECT_LE(line.size(), 999);
    }
    for (char c : HeaderBlock(bytes)) {
        EXPECT_LT(static_cast<unsigned char>(c), 0x80);
    }
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_FALSE(QByteArray(bytes).replace("\r\n", "").contains('\n'));
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& data) {
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
    return f.fileName();
}

TEST(BuildMessage, JapaneseMailWithTwoAttachmentsReadsBackIdentically) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray binary;
    for (int i = 0; i < 5000; ++i) {
        binary += static_cast<char>(i * 7);
    }
    const QString pdf = WriteFile(dir, QStringLiteral("見積書①（最終版）.pdf"), binary);
    const QString txt = WriteFile(dir, QStringLiteral("議事録 2024年4月.txt"), QByteArray("line\r\n.\r\n"));

    OutgoingMail mail;
    mail.from = QStringLiteral("taro@example.jp");
    mail.to = QStringLiteral("山田花子<hanako@example.jp>");
    mail.subject = QStringLiteral("会議室変更のお知らせ（再送）：来週月曜日の定例会議は第三会議室で行います");
    mail.body = QStringLiteral("山田様\r\n\r\nお世話になっております。\r\n.\r\n資料を添付します〜。\r\n");
    mail.attachmentPaths = {pdf, QString(), txt};
    const BuiltMessage built = BuildMessage(mail);
    ASSERT_TRUE(built.ok) << built.error.toStdString();
    ExpectSaneLines(built.bytes);
    EXPECT_EQ(built.envelopeFrom, QStringLiteral("taro@example.jp"));
    EXPECT_EQ(built.recipients, QStringList{QStringLiteral("hanako@example.jp")});

    const DecodedMail got = DecodeMail(built.bytes);
    EXPECT_EQ(got.subject, mail.subject);
    EXPECT_EQ(got.from, QStringLiteral("taro@example.jp"));
    EXPECT_EQ(got.body,
              QString(mail.body).replace(QChar(0x301C), QChar(0xFF5E)) +
                  QStringLiteral("[attachment] 見積書①（最終版）.pdf\r\n[attachment] 議事録 2024年4月.txt"));
    EXPECT_EQ(CleanHeaderLine(DecodeHeaderText(Header(built.bytes, "To"))),
              QStringLiteral("山田花子 <hanako@example.jp>"));
    EXPECT_TRUE(HeaderBlock(built.bytes).contains("\r\nContent-Type: multipart/mixed;"));
    // The body went as 7-bit JIS.
    EXPECT_TRUE(built.bytes.contains("charset=ISO-2022-JP"));

    QTemporaryDir out;
    const ExtractResult saved = ExtractAttachments(built.bytes, out.path());
    ASSERT_EQ(saved.code, 1);
    ASSERT_EQ(saved.savedNames.size(), 2);
    EXPECT_EQ(ReadFileBytes(out.filePath(saved.savedNames.at(0))), binary);
    EXPECT_EQ(ReadFileBytes(out.filePath(saved.savedNames.at(1))), QByteArray("line\r\n.\r\n"));
    // Older readers see an encoded name= too.
    EXPECT_TRUE(built.bytes.contains("name=\"=?ISO-2022-JP?B?") || built.bytes.contains("name=\"=?UTF-8?B?"));
    EXPECT_TRUE(built.bytes.contains("filename*0*=UTF-8''"));
    const qsizetype nameAt = built.bytes.indexOf("name=\"=?");
    ASSERT_GE(nameAt, 0);
    const QByteArray nameParam =
        built.bytes.mid(nameAt, built.bytes.indexOf("\"\r\n", nameAt + 6) - nameAt + 1);
    EXPECT_EQ(HeaderParameter("application/pdf; " + nameParam, "name"),
              QStringLiteral("見積書①（最終版）.pdf"));
}

TEST(BuildMessage, CharactersOutsideJisGoAsUtf8Base64) {
    OutgoingMail mail{QStringLiteral("a@example.jp"),
                      QStringLiteral("b@example.jp"),
                      QStringLiteral("①と🍣の件"),
                      QStringLiteral("㈱山田商事 ①\r\n한국어 🍣\r\n"),
                      {}};
    const BuiltMessage built = BuildMessage(mail);
    ASSERT_TRUE(built.ok);
    ExpectSaneLines(built.bytes);
    EXPECT_TRUE(
        built.bytes.contains("Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64"));
    EXPECT_TRUE(Header(built.bytes, "Subject").trimmed().startsWith("=?UTF-8?B?"));
    const DecodedMail got = DecodeMail(built.bytes);
    EXPECT_EQ(got.subject, mail.subject);
    EXPECT_EQ(got.body, mail.body);

    // A JIS line longer than SMTP allows goes as base64 too.
    mail.subject = QStringLiteral("長い行");
    mail.body = QStringLiteral("あ").repeated(600);
    const BuiltMessage longLine = BuildMessage(mail);
    ExpectSaneLines(longLine.bytes);
    EXPECT_TRUE(longLine.bytes.contains("charset=UTF-8"));
    EXPECT_EQ(DecodeMail(longLine.bytes).body, mail.body);
}

TEST(BuildMessage, StandardHeaders) {
    const BuiltMessage built = BuildMessage({QStringLiteral("Taro Yamada <taro@example.jp>"),
                                             QStringLiteral("a@x.jp, 花子 <b@y.jp>; \"Doe, J.\" <c@z.jp>"),
                                             QStringLiteral("plain subject"),
                                             QStringLiteral("hi"),
                                             {}});
    ASSERT_TRUE(built.ok) << built.error.toStdString();
    EXPECT_EQ(built.envelopeFrom, QStringLiteral("taro@example.jp"));
    EXPECT_EQ(built.recipients,
              (QStringList{QStringLiteral("a@x.jp"), QStringLiteral("b@y.jp"), QStringLiteral("c@z.jp")}));
    EXPECT_EQ(Header(built.bytes, "Subject").trimmed(), QByteArray("plain subject"));
    EXPECT_EQ(Header(built.bytes, "MIME-Version").trimmed(), QByteArray("1.0"));
    const QString date = QString::fromLatin1(Header(built.bytes, "Date").trimmed());
    EXPECT_TRUE(
        QRegularExpression(
            QStringLiteral("^[A-Z][a-z]{2}, \\d{1,2} [A-Z][a-z]{2} \\d{4} \\d\\d:\\d\\d:\\d\\d [+-]\\d{4}$"))
            .match(date)
            .hasMatch())
        << date.toStdString();
    EXPECT_TRUE(date.endsWith(QLatin1String(" +0900")) || qgetenv("TZ") != "Asia/Tokyo");
    EXPECT_TRUE(Header(built.bytes, "Message-ID").trimmed().endsWith("@example.jp>"));
    EXPECT_EQ(CleanHeaderLine(DecodeHeaderText(Header(built.bytes, "From"))),
              QStringLiteral("Taro Yamada <taro@example.jp>"));
    EXPECT_TRUE(Header(built.bytes, "To").contains("\"Doe, J.\" <c@z.jp>"));
    EXPECT_EQ(DecodeMail(built.bytes).body, QStringLiteral("hi\r\n"));
}

TEST(BuildMessage, NothingTheUserTypesCanAddAHeader) {
    const BuiltMessage built = BuildMessage({QStringLiteral("a@example.jp"),
                                             QStringLiteral("evil\r\nBcc: x<b@example.jp>"),
                                             QStringLiteral("hi\r\nBcc: victim@example.com\nX-Evil: 1"),
                                             QStringLiteral("body"),
                                             {}});
    ASSERT_TRUE(built.ok) << built.error.toStdString();
    for (const QByteArray& line : HeaderBlock(built.bytes).split('\n')) {
        EXPECT_FALSE(line.startsWith("Bcc") || line.startsWith("X-Evil")) << line.toStdString();
    }
    EXPECT_EQ(built.recipients, QStringList{QStringLiteral("b@example.jp")});
    EXPECT_EQ(DecodeMail(built.bytes).subject, QStringLiteral("hi  Bcc: victim@example.com X-Evil: 1"));

    for (const QString& to :
         {QStringLiteral("a@x.jp\r\nBcc: v@e.com"), QStringLiteral("a@x.jp>\r\nBcc: <v@e.com"),
          QStringLiteral("山田@example.jp"), QStringLiteral("a b@x.jp"), QStringLiteral(" , ")}) {
        const BuiltMessage bad =
            BuildMessage({QStringLiteral("a@example.jp"), to, QStringLiteral("s"), {}, {}});
        EXPECT_FALSE(bad.ok) << to.toStdString();
        EXPECT_FALSE(bad.error.isEmpty());
    }
    EXPECT_FALSE(
        BuildMessage({QStringLiteral("a@x.jp\r\nBcc: v@e.com"), QStringLiteral("b@x.jp"), {}, {}, {}}).ok);
}

TEST(BuildMessage, AnUnreadableAttachmentFailsWithItsPath) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("ない.pdf"));
    for (const QString& path : {missing, dir.path()}) {
        const BuiltMessage built = BuildMessage({QStringLiteral("a@x.jp"),
                                                 QStringLiteral("b@x.jp"),
                                                 QStringLiteral("s"),
                                                 QStringLiteral("b"),
                                                 {path}});
        EXPECT_FALSE(built.ok);
        EXPECT_EQ(built.error, QStringLiteral("添付ファイルを読み込めません: ") + path);
        EXPECT_TRUE(built.bytes.isEmpty());
    }
}

} // namespace
} // namespace ricorne
