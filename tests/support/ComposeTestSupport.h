// Shared by the compose tests: a temporary AppDir, address book and sent history helpers, and a
// mail component that records sends instead of making them.
#pragma once

#include "TempAppDir.h"
#include "core/mail/NMail.h"
#include "core/paths/Paths.h"
#include "core/settings/AccountSettings.h"
#include "core/stores/RecordField.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace ricorne::testing {

inline void AddAddress(const QString& name, const QString& address) {
    AddressRecord record;
    SetField(record.Name, name);
    SetField(record.MailAddress, address);
    ASSERT_TRUE(AppendRecord(AddressStore(), record));
}

struct StoredMail {
    QString subject, date, address, body;
    qint16 live = 0;
    QByteArray lineEnd;
};

inline std::vector<StoredMail> SentMails() {
    std::vector<StoredMail> mails;
    MailRecord record;
    ReadRecords(SentStore(), record, [&](int) {
        mails.push_back({FieldText(record.Subject), FieldText(record.DateText), FieldText(record.Address),
                         FieldText(record.Body), record.Live, QByteArray(record.LineEnd, 2)});
    });
    return mails;
}

// Records every send; calls listed in failOn (1-based) fail with a server-like text.
class RecordingMail : public NMail {
public:
    struct Call {
        QString server, to, from, subject, body;
        QStringList attachments;
        int sentRecordsBefore = 0; // sent history records when the call was made
    };
    std::vector<Call> calls;
    std::set<int> failOn;

    int NMailSmtpSendMail(const QString& server, const QString& to, const QString& from,
                          const QString& subject, const QString& body,
                          const QStringList& attachmentPaths) override {
        calls.push_back({server, to, from, subject, body, attachmentPaths, RecordCount(SentStore())});
        if (failOn.count(static_cast<int>(calls.size()))) {
            message_ = QStringLiteral(u"宛先を受け付けません: %1: 550 5.1.1 no such user").arg(to);
            return -1;
        }
        return 1;
    }
    QString NMailGetMessage() const override { return message_; }

private:
    QString message_;
};

} // namespace ricorne::testing
