// Mail with broken structure keeps every line of its text: a multipart whose boundary is missing,
// wrong or never there, "text" without a subtype, header blocks that run into their text; and
// Python's test mails (when installed) read the same way.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "MimeTestUtil.h"
#include "core/mime/MimeBuilder.h"
#include "core/mime/MimeDecoder.h"
#include "core/mime/MimeRepair.h"

namespace ricorne {
namespace {

using test::ReadFileBytes;
using test::TreeOf;

const QByteArray kTop = "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <yamada@example.jp>\r\nSubject: test\r\n";
// "お世話になっております。" in ISO-2022-JP.
const QByteArray kJis = "\x1b$B$*@$OC$K$J$C$F$*$j$^$9!#\x1b(B";
const QString kJisText = QStringLiteral("お世話になっております。");

struct StructureRow {
    const char* what;
    QByteArray mail; // after the From and Subject lines
    QString body;
    QStringList attachments;
};

class BrokenStructure : public ::testing::TestWithParam<StructureRow> {};

TEST_P(BrokenStructure, KeepsTheText) {
    const DecodedMail mail = DecodeMail(kTop + GetParam().mail);
    EXPECT_EQ(mail.from, QStringLiteral("山田 <yamada@example.jp>"));
    EXPECT_EQ(mail.subject, QStringLiteral("test"));
    EXPECT_EQ(mail.body, GetParam().body);
    EXPECT_EQ(mail.attachmentNames, GetParam().attachments);
}

INSTANTIATE_TEST_SUITE_P(
    Multipart, BrokenStructure,
    ::testing::Values(
        StructureRow{"boundary never appears",
                     "Content-Type: multipart/mixed; boundary=\"NOPE\"\r\n\r\n" + kJis + "\r\nline 2\r\n",
                     kJisText + QStringLiteral("\r\nline 2\r\n"),
                     {}},
        StructureRow{
            "wrong boundary",
            "Content-Type: multipart/mixed; boundary=\"A\"\r\n\r\n--B\r\nContent-Type: text/plain\r\n\r\n"
            "text\r\n--B--\r\n",
            QStringLiteral("--B\r\nContent-Type: text/plain\r\n\r\ntext\r\n--B--\r\n"),
            {}},
        StructureRow{"no boundary parameter",
                     "Content-Type: multipart/alternative;\r\n\r\nBlah blah\r\n",
                     QStringLiteral("Blah blah\r\n"),
                     {}},
        StructureRow{"nested alternative with a wrong boundary beside a file",
                     "Content-Type: multipart/mixed; boundary=O\r\n\r\n--O\r\n"
                     "Content-Type: multipart/alternative; boundary=WRONG\r\n\r\n--I\r\n"
                     "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n" +
                         kJis +
                         "\r\n--I--\r\n"
                         "--O\r\nContent-Type: text/csv; name=a.csv\r\n\r\nx\r\n--O--\r\n",
                     QStringLiteral("--I\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n\r\n") +
                         kJisText + QStringLiteral("\r\n--I--\r\n[attachment] a.csv"),
                     {QStringLiteral("a.csv")}},
        // A sound multipart whose parts are all empty has no text to keep.
        StructureRow{"empty parts",
                     "Content-Type: multipart/mixed; boundary=B\r\n\r\n--B\r\n\r\n--B--\r\n",
                     QString(),
                     {}},
        // Only when no text and no attachment was found: a mail of pictures keeps an empty body.
        StructureRow{"attachments only",
                     "Content-Type: multipart/mixed; boundary=B\r\n\r\n--B\r\nContent-Type: image/png\r\n"
                     "Content-Transfer-Encoding: base64\r\n\r\niVBORw0K\r\n--B--\r\n",
                     QStringLiteral("[attachment] attachment.png"),
                     {QStringLiteral("attachment.png")}}),
    [](const auto& info) { return std::to_string(info.index); });

INSTANTIATE_TEST_SUITE_P(
    TypeWithoutSubtype, BrokenStructure,
    ::testing::Values(StructureRow{"text only",
                                   "Content-Type: text; charset=ISO-2022-JP\r\n\r\n" + kJis + "\r\n",
                                   kJisText + QStringLiteral("\r\n"),
                                   {}},
                      StructureRow{"slash without subtype",
                                   "Content-Type: text/\r\n\r\nplain words\r\n",
                                   QStringLiteral("plain words\r\n"),
                                   {}},
                      StructureRow{"unlabelled 8-bit guessed",
                                   "Content-Type: text\r\n\r\n\x82\xa8\x90\xa2\x98\x62\r\n",
                                   QStringLiteral("お世話\r\n"),
                                   {}},
                      StructureRow{"a named file stays a file",
                                   "Content-Type: application; name=\"a.pdf\"\r\n\r\n%PDF\x80\r\n",
                                   QStringLiteral("[attachment] a.pdf"),
                                   {QStringLiteral("a.pdf")}},
                      StructureRow{
                          "inside a multipart",
                          "Content-Type: multipart/mixed; boundary=B\r\n\r\n--B\r\nContent-Type: text\r\n\r\n"
                          "part text\r\n--B--\r\n",
                          QStringLiteral("part text"),
                          {}}),
    [](const auto& info) { return std::to_string(info.index); });

INSTANTIATE_TEST_SUITE_P(
    HeaderRunsIntoText, BrokenStructure,
    ::testing::Values(
        StructureRow{"message header block",
                     "Content-Type: text/plain; charset=ISO-2022-JP\r\n" + kJis + "\r\nnext\r\n",
                     kJisText + QStringLiteral("\r\nnext\r\n"),
                     {}},
        StructureRow{"part header block, attachment after it",
                     "Content-Type: multipart/mixed; boundary=\"=_b\"\r\n\r\n--=_b\r\n"
                     "Content-Type: text/plain; charset=ISO-2022-JP\r\n" +
                         kJis +
                         "\r\nline two\r\n--=_b\r\n"
                         "Content-Type: text/csv; name=\"a.csv\"\r\n\r\nx,y\r\n--=_b--\r\n",
                     kJisText + QStringLiteral("\r\nline two\r\n[attachment] a.csv"),
                     {QStringLiteral("a.csv")}},
        StructureRow{"part without headers or blank line",
                     "Content-Type: multipart/mixed; boundary=B\r\n\r\n--B\r\nHello\r\n--B--\r\n",
                     QStringLiteral("Hello"),
                     {}},
        StructureRow{"nested multipart part",
                     "Content-Type: multipart/mixed; boundary=O\r\n\r\n--O\r\n"
                     "Content-Type: multipart/alternative; boundary=I\r\n\r\n--I\r\n"
                     "Content-Type: text/plain\r\ninner text\r\n--I--\r\n--O--\r\n",
                     QStringLiteral("inner text"),
                     {}}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(RepairHeaderBlocks, LeavesSoundMailAloneAndStaysLinear) {
    const QByteArray sound = kTop + "Content-Type: multipart/mixed; boundary=B\r\n\r\npreamble\r\n--B\r\n"
                                    "Content-Type: text/plain\r\n X-Folded: yes\r\n\r\nbody\r\n--B--\r\n";
    EXPECT_EQ(RepairHeaderBlocks(sound), sound);
    const QByteArray emptyName = kTop + ": no name\r\n\r\nbody\r\n";
    EXPECT_EQ(RepairHeaderBlocks(emptyName), emptyName);
    // An mbox separator is not mistaken for the start of the body.
    const QByteArray mbox = "From someone Mon Jan  1 00:00:00 2024\n" + kTop + "\r\nbody\r\n";
    EXPECT_EQ(RepairHeaderBlocks(mbox), mbox);
    EXPECT_EQ(DecodeMail(mbox).body, QStringLiteral("body\r\n"));

    // Thousands of nested multiparts and millions of boundary-like lines.
    QByteArray hostile = kTop;
    for (int i = 0; i < 5000; ++i) {
        hostile += "Content-Type: multipart/mixed; boundary=b" + QByteArray::number(i) + "\r\n\r\n--b" +
                   QByteArray::number(i) + "\r\n";
    }
    hostile += QByteArray("--b0\r\nno header line\r\n").repeated(100000);
    QElapsedTimer timer;
    timer.start();
    const QByteArray repaired = RepairHeaderBlocks(hostile);
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_GT(repaired.size(), hostile.size());
}

QString PythonEmailData() {
    const QByteArray env = qgetenv("RICORNE_PYTHON_EMAIL_DATA");
    return env.isEmpty() ? QStringLiteral("/usr/lib/python3.11/test/test_email/data")
                         : QString::fromLocal8Bit(env);
}

#define REQUIRE_PYTHON_EMAIL_DATA()                                                                          \
    if (!QDir(PythonEmailData()).exists()) {                                                                 \
        GTEST_SKIP() << "no Python test_email data (libpython3.11-testsuite) at "                            \
                     << PythonEmailData().toStdString();                                                     \
    }

TEST(PythonEmailData, BrokenStructureKeepsItsText) {
    REQUIRE_PYTHON_EMAIL_DATA();
    const struct {
        const char* file;
        const char* text;
    } rows[] = {{"msg_17.txt", "This is the dingus fish."},
                {"msg_25.txt", "The original message was received at"},
                {"msg_31.txt", "message 2"},
                {"msg_41.txt", "Blah blah blah"},
                {"msg_35.txt", "counter to RFC 2822, there's no separating newline here"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        const QByteArray raw = ReadFileBytes(PythonEmailData() + QLatin1Char('/') + QLatin1String(row.file));
        ASSERT_FALSE(raw.isEmpty());
        EXPECT_TRUE(DecodeMail(raw).body.contains(QLatin1String(row.text)));
    }
}

TEST(PythonEmailData, EveryMailDecodesAndExtractsOnlyIntoTheFolder) {
    REQUIRE_PYTHON_EMAIL_DATA();
    const QStringList files =
        QDir(PythonEmailData()).entryList(QStringList{QStringLiteral("msg_*.txt")}, QDir::Files);
    ASSERT_GT(files.size(), 40);
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray raw = ReadFileBytes(PythonEmailData() + QLatin1Char('/') + name);
        const DecodedMail mail = DecodeMail(raw);
        EXPECT_FALSE(mail.subject.contains(QLatin1Char('\n')) || mail.from.contains(QLatin1Char('\n')));
        EXPECT_FALSE(mail.body.contains(QChar(0)));
        QTemporaryDir tmp;
        ASSERT_TRUE(tmp.isValid());
        const QString attach = tmp.filePath(QStringLiteral("attach"));
        ASSERT_TRUE(QDir().mkpath(attach));
        const ExtractResult r = ExtractAttachments(raw, attach);
        EXPECT_TRUE(r.code == 0 || r.code == 1 || r.code == -6) << r.code;
        for (const QString& entry : TreeOf(tmp.path())) {
            EXPECT_TRUE(entry.startsWith(QLatin1String("attach/")) &&
                        !entry.mid(7).contains(QLatin1Char('/')))
                << entry.toStdString();
        }
    }
}

} // namespace
} // namespace ricorne
