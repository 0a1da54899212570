// Split mail (message/partial): parts wait in the attachment folder until all have arrived.
#pragma once

#include <QByteArray>
#include <QString>

#include "core/mime/MimeGObject.h"

namespace ricorne {

struct PartialOutcome {
    enum State { Waiting, Joined, Failed } state = Failed;
    GObjectPtr<GMimeMessage> joined; // when Joined
    QString error;                   // when Failed
    QString partPrefix;              // file name prefix of the kept parts of this mail
};

// Keeps one part (partialBytes: the whole mail that carries it) in dir under a hidden name derived
// from its id and number, then joins the parts when every number up to the total is there.
PartialOutcome StorePartial(const QString& dir, GMimeMessagePartial* partial, const QByteArray& partialBytes);

// Removes the kept parts after a successful join.
void RemoveStoredParts(const QString& dir, const QString& partPrefix);

} // namespace ricorne
