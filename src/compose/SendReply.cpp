#include "compose/SendReply.h"

#include "compose/ComposeTexts.h"
#include "core/dialogs/DialogService.h"
#include "core/dialogs/OutgoingCheck.h"
#include "core/mail/NMail.h"
#include "core/settings/AccountSettings.h"
#include "core/settings/SendCheckSettings.h"
#include "core/stores/RecordBuffers.h"
#include "core/stores/RecordField.h"
#include "core/text/Text.h"

#include <cmath>

namespace ricorne {

bool SendReply(const ReplyState& state, NMail* mail) {
    NMail& library = mail ? *mail : SharedMail();
    const AccountRecord& account = AccountSettings();
    if (const SendCheckOptions check = ReadSendCheckOptions(); check.enabled) {
        QVector<OutgoingRecipient> recipients;
        for (const QString& address : SplitRecipients(state.recipient))
            recipients << OutgoingRecipient{QString(), address};
        if (!Dialogs().ConfirmOutgoing(DescribeOutgoing(account.FromAddress, recipients, state.subject,
                                                        state.attachments.paths, check.delaySeconds)))
            return false; // held back by the sender: the reply stays in its window
    }
    const int result = library.NMailSmtpSendMail(account.SmtpServer, state.recipient, account.FromAddress,
                                                 state.subject, state.body, state.attachments.paths);
    if (result >= 0)
        return true;
    Dialogs().Message(SendErrorTitle(), CutAtNul(library.NMailGetMessage()), MessageIcon::None,
                      MessageButtons::Ok);
    return false;
}

QString QuotedReceivedBody() {
    return Trim(FieldText(ReceivedBuffer().Body));
}

QString ReplyPasteText(const QString& clipboard, const QString& quoted) {
    return clipboard + QStringLiteral("\r\n\r\n\r\n\r") + quoted;
}

ReplyLayout ComputeReplyLayout(int width, int height, int fieldHeights, int currentBodyHeight) {
    const auto part = [width](double share) { return static_cast<int>(std::lround(share * width)); };
    ReplyLayout layout;
    layout.bodyWidth = part(0.99);
    layout.recipientWidth = part(0.7);
    layout.subjectWidth = part(0.7);
    layout.attachWidth = part(0.4);
    layout.attachButtonLeft = layout.attachWidth + 1240;
    layout.addButtonLeft = layout.attachWidth + 2060;
    layout.cancelButtonLeft = layout.attachWidth + 2940;
    layout.bodyHeight = height > 3500 ? height - fieldHeights - 1500 : currentBodyHeight;
    return layout;
}

} // namespace ricorne
