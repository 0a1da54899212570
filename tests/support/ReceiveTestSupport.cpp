#include "ReceiveTestSupport.h"

#include "TestServers.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "core/paths/Paths.h"
#include "core/settings/AccountSettings.h"
#include "core/stores/RecordBuffers.h"
#include "core/stores/RecordField.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"

namespace ricorne::testing {

void PaddedRecordView::SetRecordView(const QString& subject, const QString& sender, const QString& date,
                                     const QString& body) {
    HeadlessHistoryView::SetRecordView(subject, sender, date, body);
    ++stagings;
}

CheckMailHooks CheckRecorder::Hooks(NMail& mail) {
    CheckMailHooks w;
    w.mail = &mail;
    w.recordView = [this]() -> HistoryView& { return view; };
    w.setStatus = [this](const QString& text) { statuses << text; };
    w.openAccountDialog = [this](const QString& id, const QString& password) {
        dialogOpenings << id + QLatin1Char('/') + password;
    };
    w.pullLever = [this] { ++leverPulls; };
    return w;
}

CheckMailResult CheckRecorder::Run(NMail& mail) {
    ScriptedDialogService dialogs;
    const CheckMailResult result = [&] {
        ScopedDialogService installed(dialogs);
        return CheckMail(Hooks(mail));
    }();
    for (const DialogRequest& r : dialogs.Requests())
        messages.push_back({r.title, r.text});
    return result;
}

QVector<StoredMail> ReceivedMails() {
    QVector<StoredMail> mails;
    MailRecord record;
    ReadRecords(ReceivedStore(), record, [&](int n) {
        mails.push_back({n, record.Live, Trim(FieldText(record.Subject)), Trim(FieldText(record.DateText)),
                         Trim(FieldText(record.Address)), Trim(FieldText(record.Body))});
    });
    return mails;
}

AccountAppDir::AccountAppDir() {
    EnsureCoreApplication();
    if (TempAppDir::IsValid() && !HarnessDir().isEmpty())
        caInstalled_ = InstallCaCertificate(DataDir());
}

void AccountAppDir::SetServer(const QString& pop3, int apop) {
    AccountRecord settings;
    settings.SmtpServer = QStringLiteral("localhost");
    settings.Pop3Server = pop3;
    settings.FromAddress = QStringLiteral("alice@localhost");
    settings.UseApop = qint16(apop);
    SaveServerSettings(settings);
    LoadServerSettings(AccountSettings());
}

void AccountAppDir::SetCredentials(const QString& id, const QString& password) {
    SaveCredentials(id, password, true);
}

namespace {
QByteArray EncodedWord(const QString& text) {
    return "=?UTF-8?B?" + text.toUtf8().toBase64() + "?=";
}
QByteArray CommonHeaders(const QString& subject, int serial) {
    return "From: =?UTF-8?B?" + QStringLiteral("送信者").toUtf8().toBase64() +
           "?= <sender@example.jp>\r\n"
           "To: alice@localhost\r\n"
           "Subject: " +
           EncodedWord(subject) +
           "\r\n"
           "Date: Mon, 6 May 2024 10:00:0" +
           QByteArray::number(serial % 10) +
           " +0900\r\n"
           "Message-ID: <receive-test-" +
           QByteArray::number(serial) +
           "@example.jp>\r\n"
           "MIME-Version: 1.0\r\n";
}
} // namespace

QByteArray TextMail(const QString& subject, const QString& body, int serial) {
    return CommonHeaders(subject, serial) +
           "Content-Type: text/plain; charset=UTF-8\r\n"
           "Content-Transfer-Encoding: 8bit\r\n\r\n" +
           ToCrLf(body).toUtf8() + "\r\n";
}

QByteArray AttachmentMail(const QString& subject, const QString& body, const QString& fileName,
                          const QByteArray& content) {
    return CommonHeaders(subject, 7) +
           "Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n"
           "--b1\r\n"
           "Content-Type: text/plain; charset=UTF-8\r\n"
           "Content-Transfer-Encoding: 8bit\r\n\r\n" +
           ToCrLf(body).toUtf8() +
           "\r\n--b1\r\n"
           "Content-Type: application/octet-stream\r\n"
           "Content-Transfer-Encoding: base64\r\n"
           "Content-Disposition: attachment; filename*=UTF-8''" +
           fileName.toUtf8().toPercentEncoding() + "\r\n\r\n" + content.toBase64() + "\r\n--b1--\r\n";
}

QByteArray AttachmentsMail(const QString& subject, const QList<QPair<QString, QByteArray>>& files) {
    QByteArray raw = CommonHeaders(subject, 8) +
                     "Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n"
                     "--b1\r\n"
                     "Content-Type: text/plain; charset=UTF-8\r\n\r\n" +
                     subject.toUtf8() + "\r\n";
    for (const auto& [name, content] : files)
        raw += "--b1\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n"
               "Content-Disposition: attachment; filename*=UTF-8''" +
               name.toUtf8().toPercentEncoding() + "\r\n\r\n" + content.toBase64() + "\r\n";
    return raw + "--b1--\r\n";
}

} // namespace ricorne::testing
