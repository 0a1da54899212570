// A program folder on a file system that really fills up (a small tmpfs, mounted here when the
// test runs as root): the check stops with its message and leaves the unstored mails on the
// server, a send whose sent copy cannot be written does not go out, and a settings save that
// fails leaves the old file whole.
#include "FakePop3.h"
#include "FakeSmtp.h"
#include "ReceiveTestSupport.h"
#include "SmallDisk.h"
#include "compose/ComposeState.h"
#include "compose/ComposeTexts.h"
#include "compose/SendComposedMail.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "core/settings/AccountSettings.h"
#include "core/stores/RecordStore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <memory>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

class DiskFullTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!disk_.Mounted())
            GTEST_SKIP() << disk_.SkipReason().toStdString();
        app_ = std::make_unique<AccountAppDir>();
        disk_.RestoreTmpDir();
        ASSERT_TRUE(app_->IsValid());
        ASSERT_TRUE(app_->Path().startsWith(disk_.Path())) << app_->Path().toStdString();
        pop_.mails = {TextMail(u"一通目 満杯試験"_s, u"本文①"_s, 1),
                      TextMail(u"二通目 満杯試験"_s, u"本文②"_s, 2),
                      TextMail(u"三通目 満杯試験"_s, u"本文③"_s, 3)};
        app_->SetServer(pop_server_.Url("pop3"));
        app_->SetCredentials(u"alice"_s, u"secret1"_s);
    }
    void TearDown() override { app_.reset(); }

    SmallDisk disk_;
    std::unique_ptr<AccountAppDir> app_;
    FakePop3 pop_;
    FakeServer pop_server_{[this](FakeConnection& c) { pop_.Serve(c); }};
};

TEST_F(DiskFullTest, CheckStopsWhereTheDiskIsFullAndLeavesTheRestOnTheServer) {
    ASSERT_TRUE(disk_.FillLeaving(qint64(sizeof(MailRecord)) * 3 / 2));
    NMail mail;
    CheckRecorder check;
    const CheckMailResult result = check.Run(mail);

    EXPECT_TRUE(result.stoppedEarly);
    ASSERT_EQ(check.messages.size(), 1);
    EXPECT_EQ(check.messages[0].text, StoreWriteFailedText());
    // What was stored is whole and was deleted; nothing else was.
    const QVector<StoredMail> stored = ReceivedMails();
    const QStringList subjects = {u"一通目 満杯試験"_s, u"二通目 満杯試験"_s, u"三通目 満杯試験"_s};
    ASSERT_LT(stored.size(), 3);
    QSet<int> expectedDeletes;
    for (int i = 0; i < stored.size(); ++i) {
        EXPECT_EQ(stored[i].subject, subjects[i]);
        expectedDeletes.insert(i + 1);
    }
    EXPECT_EQ(pop_.committedDeletes, expectedDeletes);
    EXPECT_EQ(QFile(StorePath(ReceivedStore())).size(), qint64(stored.size() * sizeof(MailRecord)));
}

// The disk fills up among a mail's attachments: none of its files stay to eat the space, so
// once there is room the next check gets the mail whole, each file once.
TEST_F(DiskFullTest, AttachmentsOfAMailStoppedByAFullDiskDoNotStay) {
    QList<QPair<QString, QByteArray>> files;
    for (int i = 0; i < 8; ++i)
        files.append({u"図面%1.bin"_s.arg(i), QByteArray(512 * 1024, char('a' + i))});
    pop_.mails = {AttachmentsMail(u"図面一式"_s, files)};
    ASSERT_TRUE(disk_.FillLeaving(2 * 1024 * 1024));
    NMail mail;
    CheckMailResult result = CheckRecorder().Run(mail);
    EXPECT_EQ(result.stored, 0);
    EXPECT_TRUE(result.failed);
    EXPECT_TRUE(pop_.committedDeletes.isEmpty());
    const QDir folder(app_->AttachFolder());
    EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_EQ(QDir(app_->Path() + u"/★MailData"_s).entryList({u"received-attachments*"_s}, QDir::Files),
              QStringList());

    ASSERT_TRUE(disk_.Free());
    result = CheckRecorder().Run(mail);
    EXPECT_EQ(result.stored, 1);
    QStringList names = folder.entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(names.size(), files.size());
    for (const auto& [name, content] : std::as_const(files)) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_EQ(file.readAll(), content);
    }
}

TEST_F(DiskFullTest, SendWhoseSentCopyCannotBeWrittenDoesNotGoOutAndKeepsTheText) {
    FakeSmtp smtp;
    FakeServer smtpServer([&smtp](FakeConnection& c) { smtp.Serve(c); });
    AccountRecord account = AccountSettings();
    account.SmtpServer = smtpServer.Url("smtp");
    account.FromAddress = u"alice@example.jp"_s;
    ASSERT_TRUE(SaveServerSettings(account));
    LoadServerSettings();
    ASSERT_TRUE(disk_.FillLeaving(0));

    ComposeState state;
    state.recipient = u"bob@example.jp"_s;
    state.subject = u"満杯の日の件名"_s;
    state.body = u"本文は残ること①㈱\r\n二行目"_s;
    ScriptedDialogService dialogs;
    ComposeSendResult result;
    {
        ScopedDialogService installed(dialogs);
        NMail mail;
        ComposeSendHooks hooks;
        hooks.mail = &mail;
        result = SendComposedMail(state, hooks);
    }
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.attempted, 0);
    EXPECT_EQ(smtpServer.Connections(), 0);
    EXPECT_TRUE(smtp.data.isEmpty());
    EXPECT_EQ(state.recipient, u"bob@example.jp"_s);
    EXPECT_EQ(state.subject, u"満杯の日の件名"_s);
    EXPECT_EQ(state.body, u"本文は残ること①㈱\r\n二行目"_s);
    ASSERT_EQ(dialogs.Requests().size(), 1);
    EXPECT_EQ(dialogs.Requests()[0].text, SentStoreWriteFailedText());
    EXPECT_EQ(RecordCount(SentStore()), 0);
}

TEST_F(DiskFullTest, FailedSettingsSaveLeavesTheOldFileWhole) {
    const QString path = app_->FilePath(u"klmail.ini"_s);
    AccountRecord account = AccountSettings();
    account.SmtpServer = u"smtp://古い.example.jp"_s;
    ASSERT_TRUE(SaveServerSettings(account));
    QFile before(path);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray old = before.readAll();
    before.close();
    ASSERT_FALSE(old.isEmpty());

    ASSERT_TRUE(disk_.FillLeaving(0));
    account.SmtpServer = u"smtp://新しい.example.jp"_s + QString(3000, u'x');
    const platform::ReplaceResult saved = SaveServerSettings(account);
    EXPECT_FALSE(saved);
    // The message the settings window shows says what failed and where.
    EXPECT_TRUE(saved.Text().contains(u"一時ファイルに書き込めません: "_s + QDir::toNativeSeparators(path)))
        << saved.Text().toStdString();
    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), old);
    // No temporary file of the failed save stays behind.
    EXPECT_EQ(QDir(app_->Path()).entryList({u"klmail.ini*"_s}, QDir::Files | QDir::Hidden),
              QStringList{u"klmail.ini"_s});

    // The profile writer (ID and password) alike.
    const platform::ReplaceResult ids = SaveCredentials(u"別の人"_s + QString(3000, u'y'), u"別の鍵"_s, true);
    EXPECT_FALSE(ids);
    EXPECT_TRUE(ids.Text().contains(u"iniIdPass.ini"_s)) << ids.Text().toStdString();
    EXPECT_EQ(ReadCredentials().AccountId, u"alice"_s);
    EXPECT_EQ(ReadCredentials().Password, u"secret1"_s);
}

} // namespace
