// Sending through the real test servers: Dovecot's submission service with STARTTLS and AUTH
// (the account from iniIdPass.ini) and plain OpenSMTPD, delivering into the maildirs. Covers the
// compose send (attachments, fortune, batch, a refused recipient, an empty batch list) and the
// reply window.
#include "ComposeTestSupport.h"
#include "TestServers.h"

#include "compose/AttachmentControls.h"
#include "compose/BackForm.h"
#include "compose/Fortune.h"
#include "compose/OpenCompose.h"
#include "compose/SendComposedMail.h"
#include "compose/WriteForm.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "core/mime/MimeDecoder.h"
#include "shell/WindowRegistry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

class ComposeServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        RICORNE_REQUIRE_TEST_SERVERS();
        ASSERT_TRUE(ClearMaildir(u"bob"_s));
        ASSERT_TRUE(InstallCaCertificate(app_.DataDir()));
        ASSERT_TRUE(SaveCredentials(u"alice"_s, u"secret1"_s, true));
        AccountSettings().FromAddress = u"alice@localhost"_s;
        UsePlainSmtp();
        SetSharedMail(&mail_);
        hooks_.close = [this] { ++closed_; };
    }
    void TearDown() override {
        Registry().Close<WriteForm>();
        Registry().Close<BackForm>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SetSharedMail(nullptr);
    }
    static void UsePlainSmtp() { AccountSettings().SmtpServer = u"127.0.0.1:%1"_s.arg(kSmtpPort); }
    static void UseSubmission() { AccountSettings().SmtpServer = u"127.0.0.1:%1"_s.arg(kSubmissionPort); }

    static std::vector<DecodedMail> BobsMails(int count) {
        EXPECT_TRUE(WaitForMails(u"bob"_s, count));
        std::vector<DecodedMail> mails;
        for (const QByteArray& raw : ReadMails(u"bob"_s))
            mails.push_back(DecodeMail(raw));
        return mails;
    }
    static QString ToHeader(const DecodedMail& mail) {
        for (const QString& line : mail.headerText.split(u"\r\n"_s))
            if (line.startsWith(u"To:"_s, Qt::CaseInsensitive))
                return Trim(line.mid(3));
        return {};
    }
    void BatchOf(const QStringList& addresses) {
        for (const QString& address : addresses)
            AddAddress(u"名前"_s, address);
        FillNameList(state_, AddressStore());
        state_.widened = true; // the name panel in view
        state_.batch = BatchChoice::Batch;
    }

    TempAppDir app_;
    NMail mail_;
    ScriptedDialogService dialogs_;
    ScopedDialogService scoped_{dialogs_};
    ComposeState state_;
    ComposeSendHooks hooks_;
    // The boxes shown so far, "title: text".
    QStringList Boxes() const {
        QStringList boxes;
        for (const DialogRequest& r : dialogs_.Requests())
            if (r.kind == DialogRequest::Kind::Message)
                boxes << r.title + u": "_s + r.text;
        return boxes;
    }
    int closed_ = 0;
};

TEST_F(ComposeServerTest, MailWithAttachmentsArrivesIntactThroughSubmission) {
    UseSubmission();
    const QString folder = app_.Path() + u"/files"_s;
    ASSERT_TRUE(QDir().mkpath(folder));
    QByteArray binary;
    for (int i = 0; i < 3000; ++i)
        binary.append(char(i * 7 % 256));
    const QString first = folder + u"/見積書①.pdf"_s;
    const QString second = folder + u"/memo.txt"_s;
    QFile f1(first), f2(second);
    ASSERT_TRUE(f1.open(QIODevice::WriteOnly) && f1.write(binary) == binary.size());
    ASSERT_TRUE(f2.open(QIODevice::WriteOnly) && f2.write("plain text\r\n") == 12);
    f1.close();
    f2.close();

    state_.recipient = u"bob@localhost"_s;
    state_.subject = u"お見積りの件（第２版）"_s;
    state_.body = u"山田様\r\n\r\nお見積りをお送りします。よろしくお願いします。"_s;
    state_.attachments.paths = {first, second};
    const ComposeSendResult result = SendComposedMail(state_, hooks_);
    EXPECT_EQ(result.failed, 0);
    EXPECT_TRUE(Boxes().isEmpty()) << qPrintable(Boxes().join(u'\n'));
    EXPECT_EQ(closed_, 1);

    const auto mails = BobsMails(1);
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].subject, u"お見積りの件（第２版）"_s);
    EXPECT_TRUE(mails[0].body.startsWith(u"山田様\r\n\r\nお見積りをお送りします。よろしくお願いします。"_s))
        << qPrintable(mails[0].body);
    EXPECT_EQ(mails[0].attachmentNames, QStringList({u"見積書①.pdf"_s, u"memo.txt"_s}));
    const QString out = app_.Path() + u"/out"_s;
    ASSERT_TRUE(QDir().mkpath(out));
    const ExtractResult extracted = ExtractAttachments(ReadMails(u"bob"_s).front(), out);
    ASSERT_EQ(extracted.savedNames.size(), 2);
    QFile back(out + u"/見積書①.pdf"_s);
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.readAll(), binary);

    const auto sent = SentMails();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(Trim(sent[0].subject), u"お見積りの件（第２版）"_s);
    EXPECT_EQ(Trim(sent[0].address), u"bob@localhost"_s);
    EXPECT_EQ(Trim(sent[0].body), u"山田様\r\n\r\nお見積りをお送りします。よろしくお願いします。"_s);
}

TEST_F(ComposeServerTest, FortuneGoesOutButIsNotStored) {
    state_.recipient = u"bob@localhost"_s;
    state_.subject = u"占い"_s;
    state_.body = u"B"_s;
    state_.fortune = true;
    SendComposedMail(state_, hooks_);
    const auto mails = BobsMails(1);
    ASSERT_EQ(mails.size(), 1u);
    const QString prefix = u"B\r\n\r\n"_s + FortuneHeader() + u"\r\n\r\n"_s;
    ASSERT_TRUE(mails[0].body.startsWith(prefix)) << qPrintable(mails[0].body);
    const QString drawn = mails[0].body.mid(prefix.size());
    EXPECT_TRUE(std::any_of(FortuneTexts().begin(), FortuneTexts().end(), [&](const QString& text) {
        return drawn.startsWith(Trim(text));
    })) << qPrintable(drawn);
    const auto sent = SentMails();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(Trim(sent[0].body), u"B"_s);
}

TEST_F(ComposeServerTest, BatchGoesToEveryEntryInRecordOrder) {
    BatchOf({u"bob@a.example"_s, u"bob@b.example"_s, u"bob@c.example"_s});
    state_.subject = u"一括"_s;
    state_.body = u"皆様へ"_s;
    // Mails of one second sort in no particular order in the maildir, so each pass's mail is
    // picked up before the next pass starts (the status line is set at the start of every pass).
    QStringList seen;
    QStringList arrivals;
    hooks_.refresh = [&] {
        const int sentSoFar = RecordCount(SentStore());
        ASSERT_TRUE(WaitForMails(u"bob"_s, sentSoFar));
        for (const QString& file : MailFiles(u"bob"_s)) {
            if (seen.contains(file))
                continue;
            seen << file;
            QFile mail(file);
            ASSERT_TRUE(mail.open(QIODevice::ReadOnly));
            arrivals << ToHeader(DecodeMail(mail.readAll()));
        }
    };
    const ComposeSendResult result = SendComposedMail(state_, hooks_);
    EXPECT_EQ(result.attempted, 3);
    EXPECT_TRUE(Boxes().isEmpty()) << qPrintable(Boxes().join(u'\n'));
    EXPECT_EQ(arrivals, QStringList({u"bob@a.example"_s, u"bob@b.example"_s, u"bob@c.example"_s}));
    EXPECT_EQ(SentMails().size(), 3u);
}

TEST_F(ComposeServerTest, RefusedRecipientInTheMiddleShowsOneBoxAndTheRestGoesOut) {
    BatchOf({u"bob@a.example"_s, u"nobody@localhost"_s, u"bob@c.example"_s});
    state_.subject = u"一括"_s;
    state_.body = u"本文"_s;
    const ComposeSendResult result = SendComposedMail(state_, hooks_);
    EXPECT_EQ(result.failed, 1);
    ASSERT_EQ(Boxes().size(), 1);
    EXPECT_TRUE(Boxes()[0].startsWith(u"送信エラー: "_s));
    EXPECT_TRUE(Boxes()[0].contains(u"nobody@localhost"_s)) << qPrintable(Boxes()[0]);
    QStringList delivered;
    for (const DecodedMail& mail : BobsMails(2))
        delivered << ToHeader(mail);
    delivered.sort();
    EXPECT_EQ(delivered, QStringList({u"bob@a.example"_s, u"bob@c.example"_s}));
    EXPECT_EQ(SentMails().size(), 3u);
    EXPECT_EQ(closed_, 1);
}

TEST_F(ComposeServerTest, EmptyBatchListInTheWindowSendsNothingAndCloses) {
    WriteForm* form = Registry().Show<WriteForm>();
    form->NamePanelButton()->click();
    form->BatchSendingOption()->click();
    form->SubjectText()->setText(u"誰にも"_s);
    form->SendButton()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Registry().Find<WriteForm>(), nullptr);
    EXPECT_EQ(RecordCount(SentStore()), 0);
    EXPECT_TRUE(dialogs_.Requests().empty());
    EXPECT_FALSE(WaitForMails(u"bob"_s, 1, 500));
}

// The status line names what the sent history will lose while the mail is written; the mail goes
// out as written and only the sent copy holds "?".
TEST_F(ComposeServerTest, EmojiIsNamedBeforeTheSendArrivesIntactAndOnlyTheCopyLosesIt) {
    WriteForm* form = Registry().Show<WriteForm>();
    form->ToText()->setText(u"bob@localhost"_s);
    form->SubjectText()->setText(u"週末😀"_s);
    form->BodyText()->setPlainText(u"楽しみにしています😀\n또 만나요"_s);
    EXPECT_EQ(form->StatusLabel()->text(), u"送信履歴に保存できない文字があります: 😀 또 만 나 요"_s);
    form->BodyText()->setPlainText(u"楽しみにしています😀"_s);
    EXPECT_EQ(form->StatusLabel()->text(), u"送信履歴に保存できない文字があります: 😀"_s);
    form->SendButton()->click();
    EXPECT_TRUE(dialogs_.Requests().empty()) << qPrintable(dialogs_.MessageTexts().join(u'\n'));

    const auto mails = BobsMails(1);
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].subject, u"週末😀"_s);
    EXPECT_TRUE(mails[0].body.startsWith(u"楽しみにしています😀"_s)) << qPrintable(mails[0].body);
    const auto sent = SentMails();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(Trim(sent[0].subject), u"週末?"_s);
    EXPECT_EQ(Trim(sent[0].body), u"楽しみにしています?"_s);
}

// 一括送信 chosen, then 元のサイズ: the batch choice went out of sight, so the mail typed to one
// person reaches that person and no address book entry.
TEST_F(ComposeServerTest, BatchChoiceHiddenByNormalSizeSendsOnlyToTheTypedAddress) {
    AddAddress(u"山田"_s, u"bob@a.example"_s);
    AddAddress(u"鈴木"_s, u"bob@b.example"_s);
    WriteForm* form = Registry().Show<WriteForm>();
    form->NamePanelButton()->click();
    form->BatchSendingOption()->click();
    form->NormalSizeButton()->click();
    form->ToText()->setFocus();
    QTest::keyClicks(form->ToText(), u"bob@localhost"_s);
    form->SubjectText()->setText(u"一人だけに"_s);
    form->BodyText()->setPlainText(u"あなただけへの連絡です。"_s);
    form->SendButton()->click();
    EXPECT_TRUE(dialogs_.Requests().empty()) << qPrintable(dialogs_.MessageTexts().join(u'\n'));

    const auto mails = BobsMails(1);
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(ToHeader(mails[0]), u"bob@localhost"_s);
    EXPECT_EQ(mails[0].subject, u"一人だけに"_s);
    EXPECT_FALSE(WaitForMails(u"bob"_s, 2, 1500));
    EXPECT_EQ(RecordCount(SentStore()), 1);
}

// A path holding a comma is one file, chosen in the window and arriving byte for byte.
TEST_F(ComposeServerTest, AttachmentWhosePathHoldsACommaArrivesIntact) {
    UseSubmission();
    const QString folder = app_.Path() + u"/書類"_s;
    ASSERT_TRUE(QDir().mkpath(folder));
    QByteArray binary;
    for (int i = 0; i < 70000; ++i)
        binary.append(char((i * 31 + i / 7) % 256));
    const QString path = folder + u"/見積書,第2版.pdf"_s;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(binary) == binary.size());
    file.close();

    WriteForm* form = Registry().Show<WriteForm>();
    form->SetFileChooser([path] { return path; });
    QTest::mouseClick(form->Attachments()->AttachButton(), Qt::LeftButton);
    EXPECT_EQ(form->Attachments()->AttachText()->text(), path);
    form->ToText()->setText(u"bob@localhost"_s);
    form->SubjectText()->setText(u"見積書をお送りします"_s);
    form->SendButton()->click();
    EXPECT_TRUE(dialogs_.Requests().empty()) << qPrintable(dialogs_.MessageTexts().join(u'\n'));

    EXPECT_TRUE(WaitForMails(u"bob"_s, 1));
    const QByteArray raw = ReadMails(u"bob"_s).front();
    EXPECT_EQ(DecodeMail(raw).attachmentNames, QStringList({u"見積書,第2版.pdf"_s}));
    const QString out = app_.Path() + u"/out"_s;
    ASSERT_TRUE(QDir().mkpath(out));
    const ExtractResult extracted = ExtractAttachments(raw, out);
    ASSERT_EQ(extracted.savedNames.size(), 1);
    QFile back(out + u"/"_s + extracted.savedNames.first());
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.readAll(), binary);
}

TEST_F(ComposeServerTest, ReplyGoesOutWithoutASentCopy) {
    UseSubmission();
    OpenReplyWindow(u"bob@localhost"_s, u"Re:  ご相談"_s, u"承知しました。\r\n\r\n> 元の文"_s);
    BackForm* form = Registry().Find<BackForm>();
    ASSERT_NE(form, nullptr);
    form->SendButton()->click();
    EXPECT_TRUE(dialogs_.Requests().empty()) << qPrintable(dialogs_.MessageTexts().join(u'\n'));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Registry().Find<BackForm>(), nullptr);
    const auto mails = BobsMails(1);
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].subject, u"Re:  ご相談"_s);
    EXPECT_TRUE(mails[0].body.startsWith(u"承知しました。\r\n\r\n> 元の文"_s)) << qPrintable(mails[0].body);
    EXPECT_EQ(RecordCount(SentStore()), 0);
}

TEST_F(ComposeServerTest, RefusedReplyStaysInTheWindow) {
    OpenReplyWindow(u"nobody@localhost"_s, u"Re:  件名"_s, u"大事な返事"_s);
    BackForm* form = Registry().Find<BackForm>();
    ASSERT_NE(form, nullptr);
    form->SendButton()->click();
    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_EQ(dialogs_.Requests()[0].title, u"送信エラー"_s);
    EXPECT_TRUE(dialogs_.Requests()[0].text.contains(u"nobody@localhost"_s))
        << qPrintable(dialogs_.Requests()[0].text);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(Registry().Find<BackForm>(), form);
    EXPECT_EQ(form->BodyText()->toPlainText(), u"大事な返事"_s);
    EXPECT_EQ(form->ToText()->text(), u"nobody@localhost"_s);
}

} // namespace
