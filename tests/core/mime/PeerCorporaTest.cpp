// Other projects' test mail (present on the development machine, absent elsewhere): hostile and
// odd input never crashes us or writes outside the attachment folder.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QTemporaryDir>

#include "MimeTestUtil.h"
#include "core/mime/JapaneseCharsets.h"
#include "core/mime/MimeDecoder.h"

namespace ricorne {
namespace {

using test::ReadFileBytes;
using test::TreeOf;

QString PeerDir() {
    const QByteArray env = qgetenv("RICORNE_PEER_CORPORA");
    return env.isEmpty() ? QStringLiteral(RICORNE_SOURCE_DIR "/../shared/peer-corpora")
                         : QString::fromLocal8Bit(env);
}

#define REQUIRE_PEER_CORPORA()                                                                               \
    if (!QDir(PeerDir()).exists()) {                                                                         \
        GTEST_SKIP() << "no peer corpora at " << PeerDir().toStdString();                                    \
    }

TEST(PeerCorpora, EveryFileDecodesAndExtractsOnlyIntoTheFolder) {
    REQUIRE_PEER_CORPORA();
    QDirIterator it(PeerDir(), QDir::Files, QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.endsWith(QLatin1String(".md"))) {
            continue;
        }
        SCOPED_TRACE(path.toStdString());
        const QByteArray raw = ReadFileBytes(path);
        const DecodedMail mail = DecodeMail(raw);
        for (const QString& s : {mail.subject, mail.from, mail.date}) {
            EXPECT_FALSE(s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r')) ||
                         s.contains(QChar(0)));
        }
        EXPECT_FALSE(mail.body.contains(QChar(0)));
        QTemporaryDir tmp;
        ASSERT_TRUE(tmp.isValid());
        const QString attach = tmp.filePath(QStringLiteral("attach"));
        ASSERT_TRUE(QDir().mkpath(attach));
        const ExtractResult r = ExtractAttachments(raw, attach);
        EXPECT_TRUE(r.code == 0 || r.code == 1 || r.code == -6) << r.code << r.error.toStdString();
        for (const QString& entry : TreeOf(tmp.path())) {
            EXPECT_TRUE(entry == QLatin1String("attach/") || (entry.startsWith(QLatin1String("attach/")) &&
                                                              !entry.mid(7).contains(QLatin1Char('/'))))
                << entry.toStdString();
        }
        ++files;
    }
    EXPECT_GT(files, 40);
}

TEST(PeerCorpora, TheThreeJapaneseTextsReadTheSame) {
    REQUIRE_PEER_CORPORA();
    const QString dir = PeerDir() + QStringLiteral("/gmime/filters/");
    const QString utf8 = DecodeText(ReadFileBytes(dir + QStringLiteral("japanese.utf-8.txt")), "UTF-8");
    ASSERT_GT(utf8.size(), 500);
    EXPECT_EQ(DecodeText(ReadFileBytes(dir + QStringLiteral("japanese.shift-jis.txt")), "Shift_JIS"), utf8);
    EXPECT_EQ(DecodeText(ReadFileBytes(dir + QStringLiteral("japanese.iso-2022-jp.txt")), "ISO-2022-JP"),
              utf8);
    // And unlabelled, the way raw mail arrives.
    EXPECT_EQ(GuessDecode(ReadFileBytes(dir + QStringLiteral("japanese.shift-jis.txt"))), utf8);
    EXPECT_EQ(GuessDecode(ReadFileBytes(dir + QStringLiteral("japanese.iso-2022-jp.txt"))), utf8);
}

TEST(PeerCorpora, ThePhotoSplitInThreeJoins) {
    REQUIRE_PEER_CORPORA();
    const QString dir = PeerDir() + QStringLiteral("/gmime/partial/input/photo-discuss/");
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    EXPECT_EQ(
        ExtractAttachments(ReadFileBytes(dir + QStringLiteral("message-partial.1.eml")), tmp.path()).code,
        -6);
    EXPECT_EQ(
        ExtractAttachments(ReadFileBytes(dir + QStringLiteral("message-partial.2.eml")), tmp.path()).code,
        -6);
    const ExtractResult r =
        ExtractAttachments(ReadFileBytes(dir + QStringLiteral("message-partial.0.eml")), tmp.path());
    ASSERT_EQ(r.code, 1) << r.error.toStdString();
    ASSERT_GE(r.savedNames.size(), 2);
    EXPECT_EQ(r.savedNames.first(), QStringLiteral("Photo of a girl with feather earrings.eml"));
    bool image = false;
    for (const QString& name : r.savedNames) {
        const QByteArray bytes = ReadFileBytes(tmp.filePath(name));
        image =
            image || bytes.startsWith("\xff\xd8") || bytes.startsWith("\x89PNG") || bytes.startsWith("GIF8");
    }
    EXPECT_TRUE(image) << r.savedNames.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(TreeOf(tmp.path()).size(), r.savedNames.size());
}

} // namespace
} // namespace ricorne
