#include "MimePartial.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <map>
#include <vector>

#include "core/mime/MimeParse.h"
#include "core/mime/SafeFileName.h"
#include "core/platform/FileIo.h"
#include "core/platform/FileStatus.h"

namespace ricorne {

namespace {

const int kMaxParts = 1000;
const qint64 kMaxPartBytes = 256LL * 1024 * 1024;

// The attachment folder is the user's, and anything may have been put there: a part is
// written under a fresh name (exclusive, never through a link) and renamed into place, which
// replaces a link of that name instead of writing where it points.
bool SavePart(const QString& dir, const QString& fileName, const QByteArray& bytes) {
    const platform::FileHandle folder = platform::OpenFile(dir, platform::kReadOnly | platform::kFolder);
    if (!folder.valid()) {
        return false;
    }
    const CreatedFile created = CreateUniqueFile(folder.get(), fileName + QStringLiteral(".new"));
    bool ok = created.fd >= 0;
    if (ok) {
        platform::FileHandle file(created.fd);
        ok = platform::WriteFully(file.get(), bytes);
        ok = platform::SyncFile(file.get()) && ok;
        ok = file.Close() && ok;
        if (!ok || !platform::RenameIn(folder.get(), created.name, fileName)) {
            platform::RemoveIn(folder.get(), created.name);
            ok = false;
        }
    }
    return ok;
}

// Reads a kept part; a link or anything but a plain file of sensible size is not one of ours.
bool ReadPart(const QString& dir, const QString& fileName, QByteArray* bytes) {
    platform::FileHandle fd = platform::OpenFile(
        QDir(dir).filePath(fileName), platform::kReadOnly | platform::kNoFollow | platform::kNonBlocking);
    if (!fd.valid()) {
        return false;
    }
    QFile file;
    const platform::FileStatus st = platform::StatusOfOpen(fd.get());
    const bool ok = st.regular && st.size <= kMaxPartBytes &&
                    file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    if (!ok) {
        return false;
    }
    fd.Release(); // the QFile closes it
    *bytes = file.readAll();
    return true;
}

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
    if (!SavePart(dir, fileName, partialBytes)) {
        outcome.error = QStringLiteral("分割されたメールを保存できません: ") + QDir(dir).filePath(fileName);
        return outcome;
    }

    std::map<int, GObjectPtr<GMimeMessage>> parts;
    int total = 0;
    const QStringList entries = QDir(dir).entryList(QStringList{outcome.partPrefix + QStringLiteral("*.eml")},
                                                    QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries) {
        QByteArray bytes;
        if (!ReadPart(dir, entry, &bytes)) {
            continue;
        }
        GObjectPtr<GMimeMessage> message = MimeParseMessage(bytes);
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
