// Our one-pass base64 decoding gives exactly the bytes GMime's filters give: every attachment
// saved before it (and every body read) must come out the same, damaged input included.
#include <gtest/gtest.h>

#include <QDirIterator>

#include <random>

#include "MimeTestUtil.h"
#include "core/mime/Base64Content.h"
#include "core/mime/MimeParse.h"

namespace ricorne {
namespace {

using test::CorpusDir;
using test::ReadFileBytes;

// Every part of the mail whose content is base64, attached messages included.
void Base64Parts(GMimeObject* object, std::vector<GMimePart*>* parts, int depth = 0) {
    if (!object || depth > 64) {
        return;
    }
    if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* mp = GMIME_MULTIPART(object);
        for (int k = 0; k < g_mime_multipart_get_count(mp); ++k) {
            Base64Parts(g_mime_multipart_get_part(mp, k), parts, depth + 1);
        }
    } else if (GMIME_IS_MESSAGE_PART(object)) {
        if (GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object))) {
            Base64Parts(g_mime_message_get_mime_part(inner), parts, depth + 1);
        }
    } else if (GMIME_IS_PART(object) &&
               g_mime_part_get_content_encoding(GMIME_PART(object)) == GMIME_CONTENT_ENCODING_BASE64) {
        parts->push_back(GMIME_PART(object));
    }
}

// The number of base64 parts in raw, after checking each decodes as GMime decodes it.
int ExpectSameAsGMime(const QByteArray& raw) {
    const GObjectPtr<GMimeMessage> message = MimeParseMessage(raw);
    std::vector<GMimePart*> parts;
    Base64Parts(message ? g_mime_message_get_mime_part(message.get()) : nullptr, &parts);
    for (GMimePart* part : parts) {
        const QByteArray ours = MimePartContent(part);
        const QByteArray theirs = MimePartContentByGMime(part);
        EXPECT_EQ(ours.size(), theirs.size());
        EXPECT_TRUE(ours == theirs)
            << "first difference at "
            << std::mismatch(ours.begin(), ours.end(), theirs.begin(), theirs.end()).first - ours.begin();
    }
    return int(parts.size());
}

QByteArray MailWith(const QByteArray& content) {
    return "From: =?UTF-8?B?5bGx55Sw?= <yamada@example.jp>\r\nSubject: test\r\nMIME-Version: 1.0\r\n"
           "Content-Type: application/octet-stream; name=\"data.bin\"\r\n"
           "Content-Transfer-Encoding: base64\r\n\r\n" +
           content;
}

struct Damage {
    const char* name;
    QByteArray content;
};

class Base64Damage : public ::testing::TestWithParam<Damage> {};

TEST_P(Base64Damage, DecodesAsGMimeDoes) {
    EXPECT_EQ(ExpectSameAsGMime(MailWith(GetParam().content)), 1);
}

const QByteArray kJapanese =
    QByteArray("5ZC+6Lyp44Gv54yr44Gn44GC44KL44CC5ZCN5YmN44Gv44G+44Gg54Sh44GE44CC\r\n"
               "44Gp44GT44Gn55Sf44KM44Gf44GL44Go44KT44Go6KaL5b2T44GM44Gk44GL44Gs44CC\r\n")
        .repeated(200);

INSTANTIATE_TEST_SUITE_P(
    Rows, Base64Damage,
    ::testing::Values(
        Damage{"Clean", kJapanese}, Damage{"BareLineFeeds", QByteArray(kJapanese).replace("\r", "")},
        Damage{"NoLineBreaks", QByteArray(kJapanese).replace("\r\n", "")},
        Damage{"PaddedEnd", "QUJDRA==\r\n"}, Damage{"OnePad", "QUJDREU=\r\n"},
        Damage{"MissingPadding", "QUJDRA\r\n"}, Damage{"LoneDigit", "QUJDR\r\n"},
        Damage{"PaddingInTheMiddle", "QQ==QUJD\r\nQUI=QUJD\r\n"},
        Damage{"PaddingThenJunkAtTheEnd", "QUJDRA==\r\n-- \r\nfooter\r\n"},
        Damage{"OnlyPadding", "====\r\n=\r\n"}, Damage{"ThreePads", "QQ===\r\n"},
        Damage{"JunkCharacters", "QU*JD!R E\tF\x01G\xff\x80Hw==\r\n"},
        Damage{"SpacesAndTabs", "  QUJD  \t REVG \r\n"}, Damage{"Empty", ""},
        Damage{"OnlyJunk", "***\r\n...\r\n"}, Damage{"NotBase64AtAll", "こんにちは、これは本文です。\r\n"},
        Damage{"PadAfterOneDigit", "QUJDR=QUJD\r\n"}, Damage{"PadAfterThreeDigits", "QUJDREU=QUJD\r\n"},
        Damage{"JunkInsideAQuartet", "QU\r\nJD\r\nRE\r\nU=\r\n"},
        Damage{"PadAfterALongText", kJapanese + "QQ==" + kJapanese}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

TEST(Base64Content, RandomDamageDecodesAsGMimeDoes) {
    // Digits with "=", line ends and junk mixed in, in every proportion.
    std::mt19937 random(20261207);
    const QByteArray alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int round = 0; round < 300; ++round) {
        const int length = int(random() % 9000);
        const unsigned pads = random() % 3, junk = random() % 20;
        QByteArray content;
        for (int i = 0; i < length; ++i) {
            const unsigned r = random() % 1000;
            content += r < pads               ? '='
                       : r < pads + 10 * junk ? char(random() % 256)
                       : r < 980              ? alphabet.at(int(random() % 64))
                                              : '\n';
        }
        SCOPED_TRACE(round);
        const GObjectPtr<GMimeMessage> message = MimeParseMessage(MailWith(content));
        EXPECT_EQ(DecodeBase64Content(content),
                  MimePartContentByGMime(GMIME_PART(g_mime_message_get_mime_part(message.get()))));
    }
}

TEST(Base64Content, RealMailDecodesAsGMimeDoes) {
    // Our own corpus always; other projects' test mail where this machine has it.
    QStringList roots{CorpusDir()};
    const QByteArray peers = qgetenv("RICORNE_PEER_CORPORA");
    if (!peers.isEmpty() && QDir(QString::fromLocal8Bit(peers)).exists()) {
        roots.append(QString::fromLocal8Bit(peers));
    }
    int parts = 0;
    for (const QString& root : roots) {
        QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            SCOPED_TRACE(path.toStdString());
            parts += ExpectSameAsGMime(ReadFileBytes(path));
        }
    }
    EXPECT_GE(parts, 5);
}

} // namespace
} // namespace ricorne
