// The two files a check keeps beside the store: the ids of stored mails, and the temporary
// message file in the attachment folder.
#include "TempAppDir.h"
#include "core/paths/Paths.h"
#include "receive/ReceivedUidls.h"
#include "receive/TempMessageFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;
using namespace ricorne;

namespace {

class ReceiveFilesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(app_.IsValid()); }

    QString AttachFolder() const { return app_.Path() + u"/添付フォルダ"_s; }
    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void Write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    ricorne::testing::TempAppDir app_;
};

TEST_F(ReceiveFilesTest, UidlsSurviveReloadAndGoneOnesAreDropped) {
    ReceivedUidls uidls;
    ASSERT_TRUE(uidls.Load()); // no file yet
    EXPECT_EQ(uidls.Size(), 0);
    ASSERT_TRUE(uidls.Add(u"00000001.abc"_s));
    ASSERT_TRUE(uidls.Add(u"00000002.abc"_s));
    ASSERT_TRUE(uidls.Add(u"00000003.abc"_s));
    ASSERT_TRUE(uidls.Flush());
    EXPECT_EQ(ReceivedUidls::Path(), app_.Path() + u"/★MailData/received-uidl.txt"_s);
    EXPECT_EQ(Read(ReceivedUidls::Path()), "00000001.abc\r\n00000002.abc\r\n00000003.abc\r\n");

    ReceivedUidls again;
    ASSERT_TRUE(again.Load());
    EXPECT_TRUE(again.Contains(u"00000002.abc"_s));
    ASSERT_TRUE(again.KeepOnly({u"00000002.abc"_s, u"00000009.abc"_s}));
    EXPECT_EQ(again.Size(), 1);
    EXPECT_EQ(Read(ReceivedUidls::Path()), "00000002.abc\r\n");
    EXPECT_FALSE(again.Contains(u"00000009.abc"_s)); // on the server, never stored
}

TEST_F(ReceiveFilesTest, UidlLineCutShortByACrashDoesNotSwallowTheNextId) {
    Write(ReceivedUidls::Path(), "aaa\r\nbb");
    ReceivedUidls uidls;
    ASSERT_TRUE(uidls.Load());
    EXPECT_FALSE(uidls.Contains(u"bb"_s)); // perhaps the start of another mail's id
    ASSERT_TRUE(uidls.Add(u"ccc"_s));
    ReceivedUidls again;
    ASSERT_TRUE(again.Load());
    EXPECT_TRUE(again.Contains(u"aaa"_s));
    EXPECT_TRUE(again.Contains(u"ccc"_s));
    EXPECT_FALSE(again.Contains(u"bbccc"_s));
}

TEST_F(ReceiveFilesTest, TempMessageIsCp932WithCrLfAndIsRemoved) {
    TempMessageFile file;
    ASSERT_TRUE(file.Write(AttachFolder(), u"Subject: 件名\r\nFrom: a@example.jp"_s, u"本文①\r\n二行目"_s));
    EXPECT_EQ(file.Path(), AttachFolder() + u"/0.txt"_s);
    EXPECT_EQ(Read(file.Path()), QByteArray("Subject: \x8C\x8F\x96\xBC\r\nFrom: a@example.jp\r\n"
                                            "\x96\x7B\x95\xB6\x87\x40\r\n\x93\xF1\x8D\x73\x96\xDA\r\n"));
    EXPECT_EQ(file.ReadBack(), u"Subject: 件名\r\nFrom: a@example.jp\r\n本文①\r\n二行目\r\n"_s);
    const QString path = file.Path();
    file.Remove();
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(ReceiveFilesTest, TempMessageNeverReplacesOrDeletesAFileAlreadyThere) {
    Write(AttachFolder() + u"/0.txt"_s, "an attachment called 0.txt");
    Write(AttachFolder() + u"/0 (1).txt"_s, "and another");
    QString path;
    {
        TempMessageFile file;
        ASSERT_TRUE(file.Write(AttachFolder(), u"H"_s, u"B"_s));
        path = file.Path();
        EXPECT_EQ(path, AttachFolder() + u"/0 (2).txt"_s);
    }
    EXPECT_FALSE(QFile::exists(path)); // gone with the object
    EXPECT_EQ(Read(AttachFolder() + u"/0.txt"_s), "an attachment called 0.txt");
    EXPECT_EQ(Read(AttachFolder() + u"/0 (1).txt"_s), "and another");
}

TEST_F(ReceiveFilesTest, TempMessageInAMissingFolderFailsWithoutAPath) {
    TempMessageFile file;
    EXPECT_FALSE(file.Write(app_.Path() + u"/no-such-folder"_s, u"H"_s, u"B"_s));
    EXPECT_TRUE(file.Path().isEmpty());
    EXPECT_TRUE(file.ReadBack().isEmpty());
}

} // namespace
