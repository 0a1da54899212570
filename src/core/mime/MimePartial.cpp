#include "MimePartial.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <map>
#include <vector>

#include "core/mime/MimeParse.h"

namespace ricorne {

namespace {

const int kMaxParts = 1000;
const qint64 kMaxPartBytes = 256LL * 1024 * 1024;

} // namespace

PartialOutcome StorePartial(const QString& dir, GMimeMessagePartial* partial,
                            const QByteArray& partialBytes) {
    PartialOutcome outcome;
    const char* idText = g_mime_message_partial_get_id(partial);
    const int number = g_mime_message_partial_get_number(partial);
    if (!idText || !*idText || number < 1 || number > kMaxParts) {
        outcome.error = QStringLiteral("分割されたメールの番号を読めません。");
        return outcome;
    }
    const QByteArray id(idText);
    // The id is the sender's text: only a hash of it goes into the file name. The leading dot keeps
    // the waiting parts out of the way (attachment names never start with a dot).
    outcome.partPrefix =
        QStringLiteral(".partial-") +
        QString::fromLatin1(QCryptographicHash::hash(id, QCryptographicHash::Sha1).toHex().left(16)) +
        QLatin1Char('-');
    const QString fileName = outcome.partPrefix +
                             QString::number(number).rightJustified(4, QLatin1Char('0')) +
                             QStringLiteral(".eml");
    QSaveFile file(QDir(dir).filePath(fileName));
    if (!file.open(QIODevice::WriteOnly) || file.write(partialBytes) != partialBytes.size() ||
        !file.commit()) {
        outcome.error = QStringLiteral("分割されたメールを保存できません: ") + QDir(dir).filePath(fileName);
        return outcome;
    }

    std::map<int, GObjectPtr<GMimeMessage>> parts;
    int total = 0;
    const QStringList entries = QDir(dir).entryList(QStringList{outcome.partPrefix + QStringLiteral("*.eml")},
                                                    QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries) {
        QFile f(QDir(dir).filePath(entry));
        if (f.size() > kMaxPartBytes || !f.open(QIODevice::ReadOnly)) {
            continue;
        }
        GObjectPtr<GMimeMessage> message = MimeParseMessage(f.readAll());
        GMimeObject* root = message ? g_mime_message_get_mime_part(message.get()) : nullptr;
        if (!root || !GMIME_IS_MESSAGE_PARTIAL(root)) {
            continue;
        }
        GMimeMessagePartial* p = GMIME_MESSAGE_PARTIAL(root);
        const char* pid = g_mime_message_partial_get_id(p);
        const int n = g_mime_message_partial_get_number(p);
        if (!pid || id != pid || n < 1 || n > kMaxParts) {
            continue;
        }
        total = std::max(total, g_mime_message_partial_get_total(p));
        parts.emplace(n, std::move(message));
    }
    if (total < 1 || total > kMaxParts) {
        outcome.state = PartialOutcome::Waiting;
        return outcome;
    }
    std::vector<GMimeMessagePartial*> ordered;
    for (int n = 1; n <= total; ++n) {
        auto it = parts.find(n);
        if (it == parts.end()) {
            outcome.state = PartialOutcome::Waiting;
            return outcome;
        }
        ordered.push_back(GMIME_MESSAGE_PARTIAL(g_mime_message_get_mime_part(it->second.get())));
    }
    // GMime wants the total on the last part; a sender may have put it only on an earlier one.
    GMimeMessagePartial* last = ordered.back();
    last->total = total;
    outcome.joined.reset(g_mime_message_partial_reconstruct_message(ordered.data(), ordered.size()));
    if (!outcome.joined) {
        outcome.error = QStringLiteral("分割されたメールを結合できません。");
        return outcome;
    }
    outcome.state = PartialOutcome::Joined;
    return outcome;
}

void RemoveStoredParts(const QString& dir, const QString& partPrefix) {
    QDir d(dir);
    const QStringList entries = d.entryList(QStringList{partPrefix + QStringLiteral("*.eml")},
                                            QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        d.remove(entry);
    }
}

} // namespace ricorne
