#include "compose/SentHistoryLoss.h"

#include "core/text/Text.h"

#include <QStringList>

namespace ricorne {

namespace {

QString LossPrefix() {
    return QStringLiteral(u"送信履歴に保存できない文字があります: ");
}

} // namespace

QString SentHistoryLossText(const QString& recipient, const QString& subject, const QString& body) {
    QStringList unkept;
    for (const QString* text : {&recipient, &subject, &body}) {
        for (const QString& c : UnkeptCharacters(*text)) {
            if (!unkept.contains(c))
                unkept.append(c);
        }
    }
    if (unkept.isEmpty())
        return {};
    // The status line holds one line: a long Korean letter would run far past its end.
    return LossPrefix() + UnkeptCharactersShown(unkept);
}

QString StatusAfterEdit(const QString& status, const QString& recipient, const QString& subject,
                        const QString& body) {
    const QString loss = SentHistoryLossText(recipient, subject, body);
    if (!loss.isEmpty())
        return loss;
    return status.startsWith(LossPrefix()) ? QString() : status;
}

} // namespace ricorne
