// Outgoing text attachments say which charset their bytes are in, so a reader that shows them
// inline does not take Japanese for ASCII; bytes that are no clean text go as plain data. The
// bytes themselves travel unchanged.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "MimeTestUtil.h"
#include "core/mime/MimeBuilder.h"
#include "core/mime/MimeParse.h"

namespace ricorne {
namespace {

struct AttachmentRow {
    const char* what;
    const char* fileName;
    QByteArray bytes;
    QByteArray type; // the Content-Type up to the name parameter
};

class TextAttachment : public ::testing::TestWithParam<AttachmentRow> {};

TEST_P(TextAttachment, IsLabelledWithItsCharset) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QString::fromUtf8(GetParam().fileName));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(GetParam().bytes);
    }
    OutgoingMail out;
    out.from = QStringLiteral("yamada@example.jp");
    out.to = QStringLiteral("suzuki@example.jp");
    out.subject = QStringLiteral("資料");
    out.body = QStringLiteral("添付します。");
    out.attachmentPaths = {path};
    const BuiltMessage built = BuildMessage(out);
    ASSERT_TRUE(built.ok) << built.error.toStdString();

    GObjectPtr<GMimeMessage> message = MimeParseMessage(built.bytes);
    const MimeLayout layout = MimeLayOut(message.get());
    ASSERT_EQ(layout.attachments.size(), 1u);
    const QByteArray type = MimeRawHeader(layout.attachments.front().object, "Content-Type").trimmed();
    EXPECT_TRUE(type.startsWith(GetParam().type + ";")) << type.toStdString();
    EXPECT_EQ(MimePartContent(GMIME_PART(layout.attachments.front().object)), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Charsets, TextAttachment,
    ::testing::Values(
        AttachmentRow{"ascii", "memo.txt", "plain notes\r\n", "text/plain; charset=us-ascii"},
        AttachmentRow{"shift_jis", "議事録.txt", "\x8b\x63\x8e\x96\x98\x5e\x87\x40\r\n",
                      "text/plain; charset=Shift_JIS"},
        AttachmentRow{"utf-8", "メモ.txt", QStringLiteral("絵文字🍣と①\n").toUtf8(),
                      "text/plain; charset=UTF-8"},
        AttachmentRow{"euc-jp", "euc.txt", "\xc6\xfc\xcb\xdc\xb8\xec\xa4\xce\xca\xb8\xbd\xf1\n",
                      "text/plain; charset=EUC-JP"},
        AttachmentRow{"iso-2022-jp", "jis.txt", "\x1b$BF|K\\8l\x1b(B\r\n", "text/plain; charset=ISO-2022-JP"},
        AttachmentRow{"csv in shift_jis", "一覧.csv", "\x96\xbc\x91\x4f,1\r\n",
                      "text/csv; charset=Shift_JIS"},
        AttachmentRow{"binary named .txt", "broken.txt", QByteArray("\x00\xff\xfe\x81\x20\x1b$Bx", 9),
                      "application/octet-stream"}),
    [](const auto& info) { return std::to_string(info.index); });

} // namespace
} // namespace ricorne
