#include "compose/SendComposedMail.h"

#include "core/paths/ProgramFolderLock.h"

#include "compose/ComposeTexts.h"
#include "compose/Fortune.h"
#include "core/clock/ClockText.h"
#include "core/dialogs/DialogService.h"
#include "core/dialogs/OutgoingCheck.h"
#include "core/mail/NMail.h"
#include "core/settings/AccountSettings.h"
#include "core/settings/SendCheckSettings.h"
#include "core/stores/RecordBuffers.h"
#include "core/stores/RecordField.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"

#include <QDateTime>

namespace ricorne {

namespace {

QString TrimRight(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.left(end);
}

// The hooks with its defaults filled in.
class Io {
public:
    explicit Io(const ComposeSendHooks& hooks) : hooks_(hooks) {}

    void Refresh() const {
        if (hooks_.refresh)
            hooks_.refresh();
    }
    // warning marks a problem of the program's own files.
    void Message(const QString& title, const QString& text, bool warning) const {
        Dialogs().Message(title, text, warning ? MessageIcon::Warning : MessageIcon::None,
                          MessageButtons::Ok);
    }
    QString Clock() const {
        return hooks_.clockText ? hooks_.clockText() : ClockText(QDateTime::currentDateTime());
    }
    NMail& Mail() const { return hooks_.mail ? *hooks_.mail : SharedMail(); }

private:
    const ComposeSendHooks& hooks_;
};

// The entry a batch pass goes to, for telling the user where a stopped batch stopped.
struct BatchEntry {
    QString name;
    QString address;
};

QString StoppedText(SentCopyStatus status, int pass, const BatchEntry* entry) {
    QString text;
    switch (status) {
    case SentCopyStatus::StoreFull:
        text = SentStoreFullText();
        break;
    case SentCopyStatus::Locked:
        // Asked again: a lock file that cannot be opened stays so, a busy folder may have freed.
        text = SentStoreLockedText(ProgramFolderLock().state() == ProgramFolderLock::State::Unavailable
                                       ? ProgramFolderLock::State::Unavailable
                                       : ProgramFolderLock::State::Busy);
        break;
    default:
        text = SentStoreWriteFailedText();
    }
    if (entry)
        text += QStringLiteral("\r\n") + BatchStoppedAtText(pass, entry->name, entry->address);
    return text;
}

// The check before the send, when the user asked for it: the whole list of a batch once. The
// batch rows are read as the passes will read them; a row without a record is left out, as the
// send skips it.
bool PassesSendCheck(const ComposeState& state, bool batch, int passes) {
    const SendCheckOptions options = ReadSendCheckOptions();
    if (!options.enabled)
        return true;
    QVector<OutgoingRecipient> recipients;
    if (batch) {
        AddressRecord record;
        for (int k = 1; k <= passes; ++k) {
            if (ReadRecord(AddressStore(), k, record))
                recipients << OutgoingRecipient{TrimRight(FieldText(record.Name)),
                                                TrimRight(FieldText(record.MailAddress))};
        }
    } else {
        for (const QString& address : SplitRecipients(state.recipient))
            recipients << OutgoingRecipient{QString(), address};
    }
    return Dialogs().ConfirmOutgoing(DescribeOutgoing(AccountSettings().FromAddress, recipients,
                                                      state.subject, state.attachments.paths,
                                                      options.delaySeconds));
}

} // namespace

SentCopyStatus AppendSentRecord(int r, const ComposeState& state, const QString& dateText) {
    if (r < 1 || r > kMaxRecordNumber)
        return SentCopyStatus::StoreFull;
    // Without the folder lock the copy could land beside another program's writes; it is not a
    // full disk, so it is told apart.
    const ProgramFolderLock lock;
    if (!lock.Held())
        return SentCopyStatus::Locked;
    MailRecord& record = SentBuffer();
    SetField(record.Subject, Trim(state.subject));
    SetField(record.DateText, dateText);
    SetField(record.Address, Trim(state.recipient));
    SetField(record.Body, Trim(state.body));
    record.LineEnd[0] = '\r';
    record.LineEnd[1] = '\n';
    record.Live = 1;
    // The copy must be on disk before the mail leaves: a copy lost in a crash would be a mail
    // that went out unrecorded.
    if (!WriteRecord(SentStore(), r, record) || !FlushStore(SentStore()))
        return SentCopyStatus::WriteFailed;
    return SentCopyStatus::Written;
}

ComposeSendResult SendComposedMail(ComposeState& state, const ComposeSendHooks& hooks) {
    const Io io(hooks);
    ComposeSendResult result;

    PrepareAttachmentsForSend(state.attachments);

    // Only a batch choice the user can see counts: with the name panel out of view the mail goes
    // to the typed recipient alone.
    const bool batch = state.BatchOn() && state.widened;
    const int passes = batch ? static_cast<int>(state.names.size()) : 1;
    if (!PassesSendCheck(state, batch, passes)) {
        result.held = true;
        state.status = SendHeldStatus();
        io.Refresh();
        return result; // nothing stored, nothing sent, the window keeps all it holds
    }
    result.passes = passes;
    state.status = SendingStatus();
    io.Refresh();
    // A batch goes over one SMTP session instead of a connection, TLS start and login per mail.
    struct BatchSession {
        NMail* mail = nullptr;
        ~BatchSession() {
            if (mail)
                mail->NMailSmtpEndBatch();
        }
    } session;
    if (batch && result.passes > 1) {
        session.mail = &io.Mail();
        session.mail->NMailSmtpBeginBatch();
    }
    for (int k = 1; k <= result.passes; ++k) {
        QString to = state.recipient;
        BatchEntry entry;
        if (batch) {
            // The address book is read afresh for every pass. A row without a record behind it
            // (the list came from another file, or the book shrank meanwhile) has no one to go
            // to: it is skipped without a send and without a copy.
            AddressRecord& record = AddressBuffer();
            if (!ReadRecord(AddressStore(), k, record)) {
                ++result.skipped;
                continue;
            }
            to = TrimRight(FieldText(record.MailAddress));
            entry = {TrimRight(FieldText(record.Name)), to};
        }
        state.status = batch ? SendingProgressStatus(k, result.passes) : SendingStatus();
        io.Refresh();

        const SentCopyStatus copy = AppendSentRecord(NextRecordNumber(SentStore()), state, io.Clock());
        if (copy != SentCopyStatus::Written) {
            result.stopped = true;
            state.status = SendStoppedStatus();
            io.Refresh();
            io.Message(QString(), StoppedText(copy, k, batch ? &entry : nullptr), true);
            return result;
        }
        ++result.stored;

        if (state.fortune) {
            state.body = WithFortune(state.body, PickFortune());
            io.Refresh();
        }

        const AccountRecord& account = AccountSettings();
        NMail& mail = io.Mail();
        ++result.attempted;
        const int sent = mail.NMailSmtpSendMail(account.SmtpServer, to, account.FromAddress, state.subject,
                                                state.body, state.attachments.paths);
        if (sent < 0) {
            ++result.failed;
            io.Message(SendErrorTitle(), CutAtNul(mail.NMailGetMessage()), false);
        }
    }

    if (result.failed > 0) {
        state.status = SendFailedStatus();
        io.Refresh();
        // A single mail that did not go stays in the window, so it can be mended and sent again.
        // A batch that went out in part is not kept: sending it again would reach the others twice.
        if (!batch)
            return result;
    } else {
        state.status = SendCompleteStatus();
        io.Refresh();
    }
    state.recipient.clear();
    state.subject.clear();
    state.body.clear();
    state.fortune = false;
    state.attachments.paths.clear();
    state.batch = BatchChoice::None;
    io.Refresh();
    if (hooks.close)
        hooks.close();
    return result;
}

} // namespace ricorne
