// The sent history keeps its copies in CP932, so an emoji or a Hangul syllable in a mail about
// to go out would be stored as "?" (the mail itself goes out as it was written). The compose
// window says so in its status line while the user writes, before the send: a successful send
// closes the window at once, so a word given only at the press would never be read.
#pragma once

#include <QString>

namespace ricorne {

// "送信履歴に保存できない文字があります: 😀 한": the characters of the recipient, subject and
// body the sent history cannot keep, each once, in that order; after the tenth only " …".
// Empty when it keeps them all.
QString SentHistoryLossText(const QString& recipient, const QString& subject, const QString& body);

// The status line as it should read after the texts changed: the loss text when there is a
// loss; otherwise an earlier loss text gives way to an empty line, and any other status stays.
QString StatusAfterEdit(const QString& status, const QString& recipient, const QString& subject,
                        const QString& body);

} // namespace ricorne
