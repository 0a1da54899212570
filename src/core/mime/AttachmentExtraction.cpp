// Saving a mail's attachments into a folder: each written once under a temporary name, synced
// together, then given its final name (an identical file already there is reused), and split
// mail joined when its last part arrives.
#include "MimeDecoder.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "core/mime/JapaneseCharsets.h"
#include "core/mime/MimeParse.h"
#include "core/mime/MimePartial.h"
#include "core/mime/ParsedMail.h"
#include "core/mime/Rfc2047.h"
#include "core/mime/SafeFileName.h"
#include "core/platform/FileIo.h"
#include "core/platform/FileStatus.h"
#include "core/text/Text.h"

namespace ricorne {

namespace {

// Why a file could not be written, in words the user can act on.
QString WriteFailureCause(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("ディスクの空きが足りません");
    case EFBIG:
        return QStringLiteral("ファイルが大きすぎます");
    case EACCES:
    case EPERM:
        return QStringLiteral("書き込む権限がありません");
    case EROFS:
        return QStringLiteral("読み取り専用の場所です");
    case ENAMETOOLONG:
        return QStringLiteral("ファイル名が長すぎます");
    case EIO:
        return QStringLiteral("ディスクの読み書きに失敗しました");
    case 0:
        return QStringLiteral("書き込みに失敗しました");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

// Whether the files open as a and b hold the same bytes.
bool SameContent(int a, int b) {
    if (platform::StatusOfOpen(a).size != platform::StatusOfOpen(b).size)
        return false;
    std::vector<char> left(1 << 16), right(1 << 16);
    for (qint64 offset = 0;; offset += qint64(left.size())) {
        const qint64 n = platform::ReadFully(a, left.data(), qint64(left.size()), offset);
        if (n < 0 || platform::ReadFully(b, right.data(), qint64(right.size()), offset) != n)
            return false;
        if (n == 0)
            return true;
        if (std::memcmp(left.data(), right.data(), size_t(n)) != 0)
            return false;
    }
}

class Extraction {
public:
    Extraction(int dirFd, const QString& dir, const ExtractOptions& options, ExtractResult* result)
        : dirFd_(dirFd), dir_(dir), options_(options), result_(result) {}

    // layout: the message's, when the caller has it already.
    void Run(GMimeMessage* message, const QByteArray& raw, int depth, const MimeLayout* known = nullptr) {
        if (!message) {
            return;
        }
        const MimeLayout layout = known ? *known : MimeLayOut(message);
        for (const MimeAttachment& a : layout.attachments) {
            Save(a.name, a.isMessage ? MimeSerialize(a.object) : MimePartContent(GMIME_PART(a.object)));
        }
        for (GMimeMessagePartial* partial : layout.partials) {
            const bool whole = GMIME_OBJECT(partial) == g_mime_message_get_mime_part(message);
            PartialOutcome outcome =
                StorePartial(dir_, partial, whole ? raw : MimeSerialize(GMIME_OBJECT(partial)));
            if (outcome.state == PartialOutcome::Waiting) {
                waiting_ = true;
                continue;
            }
            if (outcome.state == PartialOutcome::Failed) {
                Fail(outcome.error);
                continue;
            }
            if (depth >= 4) {
                continue;
            }
            const bool failedBefore = failed_;
            failed_ = false;
            // The joined mail itself keeps its text; its attachments go beside it.
            QString name = CleanHeaderLine(
                DecodeHeaderText(MimeRawHeader(GMIME_OBJECT(outcome.joined.get()), "Subject")));
            if (name.isEmpty()) {
                name = QStringLiteral("message");
            }
            const QByteArray joinedBytes = MimeSerialize(GMIME_OBJECT(outcome.joined.get()));
            Save(SafeFileName(name + QStringLiteral(".eml")), joinedBytes);
            Run(outcome.joined.get(), joinedBytes, depth + 1);
            // The kept parts are the only copy (their mails are off the server): the joined
            // files must be on disk under their names first.
            Commit();
            if (!failed_) {
                RemoveStoredParts(dir_, outcome.partPrefix);
            }
            failed_ = failed_ || failedBefore;
        }
    }

    bool failed() const { return failed_; }
    bool waiting() const { return waiting_; }

    // Forces the files written so far to disk with one barrier and gives each its name, never
    // over another file: a kill or a full disk never leaves a cut-short file under a real name.
    void Commit() {
        if (pending_.isEmpty())
            return;
        const QList<Pending> pending = std::exchange(pending_, {});
        if (!platform::SyncFileSystem(dirFd_)) {
            const int error = errno;
            for (const Pending& p : pending)
                platform::RemoveIn(dirFd_, p.temp);
            Fail(WriteFailure(pending.front().name, error));
            return;
        }
        for (qsizetype i = 0; i < pending.size(); ++i) {
            const Pending& p = pending.at(i);
            bool created = false;
            int error = 0;
            const QString saved = NameWithoutReplacing(p.temp, p.name, &created, &error);
            if (saved.isEmpty() || (created && options_.created && !options_.created(saved))) {
                if (saved.isEmpty())
                    platform::RemoveIn(dirFd_, p.temp);
                for (qsizetype j = i + 1; j < pending.size(); ++j)
                    platform::RemoveIn(dirFd_, pending.at(j).temp);
                Fail(WriteFailure(p.name, saved.isEmpty() ? error : errno));
                return;
            }
            result_->savedNames.append(saved);
        }
    }

private:
    struct Pending {
        QString temp; // the name it is written under
        QString name; // the safe name it is to get
    };

    // Writes the file under a temporary name of ours; Commit gives it its name. A failed write
    // leaves nothing. The decoded attachment is put together in memory (the mail it comes from
    // is there already) and written with one call: GMime's file streams write it in blocks of a
    // few KB, a system call each.
    void Save(const QString& name, const QByteArray& bytes) {
        CreatedFile file = CreateUniqueFile(dirFd_, AttachmentTempPrefix() + QStringLiteral(".tmp"));
        if (file.fd < 0) {
            Fail(WriteFailure(name, file.error));
            return;
        }
        errno = 0;
        bool ok = platform::WriteFully(file.fd, bytes.constData(), bytes.size());
        int error = errno;
        if (ok) // the disk starts on it now; Commit's barrier then waits for all at once
            platform::StartWriteBack(file.fd);
        if (!platform::CloseFile(file.fd) && ok) {
            ok = false;
            error = errno;
        }
        if (!ok) {
            platform::RemoveIn(dirFd_, file.name);
            Fail(WriteFailure(name, error));
            return;
        }
        pending_.append({file.name, name});
    }

    // Gives the temporary file the first free name of name, "name (1)", ... (or, when asked,
    // takes one that already holds the same bytes: the temporary file then goes). Empty on
    // failure; created tells whether a new file got the name.
    QString NameWithoutReplacing(const QString& temp, const QString& name, bool* created, int* error) const {
        for (int n = 0; n < 10000; ++n) {
            const QString candidate = NumberedFileName(name, n);
            if (platform::RenameInWithoutReplacing(dirFd_, temp, candidate)) {
                *created = true;
                return candidate;
            }
            if (errno != EEXIST) {
                *error = errno;
                return {};
            }
            if (options_.reuseIdentical && IsSameFile(temp, candidate)) {
                platform::RemoveIn(dirFd_, temp);
                return candidate;
            }
        }
        *error = EEXIST;
        return {};
    }

    bool IsSameFile(const QString& temp, const QString& existing) const {
        const platform::FileHandle a = platform::OpenFileIn(dirFd_, temp, platform::kReadOnly);
        const platform::FileHandle b = platform::OpenFileIn(
            dirFd_, existing, platform::kReadOnly | platform::kNoFollow | platform::kNonBlocking);
        return a.valid() && b.valid() && platform::StatusOfOpen(b.get()).regular &&
               SameContent(a.get(), b.get());
    }

    QString WriteFailure(const QString& name, int error) const {
        return QStringLiteral("添付ファイルを書き込めません: ") + QDir(dir_).filePath(name) +
               QStringLiteral("（") + WriteFailureCause(error) + QStringLiteral("）");
    }

    void Fail(const QString& error) {
        failed_ = true;
        if (result_->error.isEmpty()) {
            result_->error = error;
        }
    }

    int dirFd_;
    QString dir_;
    const ExtractOptions& options_;
    ExtractResult* result_;
    QList<Pending> pending_;
    bool failed_ = false;
    bool waiting_ = false;
};

} // namespace

QString AttachmentTempPrefix() {
    return QStringLiteral(".ricorne-attachment");
}

namespace {

ExtractResult Extract(GMimeMessage* message, const QByteArray& raw, const QString& targetDir,
                      const ExtractOptions& options) {
    ExtractResult result;
    // Most mail has nothing to write: the folder is not even opened for it.
    const MimeLayout layout = message ? MimeLayOut(message) : MimeLayout{};
    if (message && layout.attachments.empty() && layout.partials.empty())
        return result;
    const platform::FileHandle folder =
        platform::OpenFile(targetDir, platform::kReadOnly | platform::kFolder);
    if (!folder.valid()) {
        result.code = -5;
        result.error = QStringLiteral("添付ファイルを保存するフォルダを開けません: ") + targetDir;
        return result;
    }
    Extraction extraction(folder.get(), targetDir, options, &result);
    extraction.Run(message, raw, 0, &layout);
    extraction.Commit();
    // The names must be on disk before the mail can be deleted from the server.
    if (!result.savedNames.isEmpty() && !platform::SyncFile(folder.get()) && result.error.isEmpty()) {
        result.error = QStringLiteral("添付フォルダをディスクに書き込めません: ") + targetDir +
                       QStringLiteral("（") + WriteFailureCause(errno) + QStringLiteral("）");
        result.code = -5;
        return result;
    }
    if (extraction.failed()) {
        result.code = -5;
    } else if (extraction.waiting()) {
        result.code = -6;
        result.error = QStringLiteral("分割されたメールが全て揃っていません");
    } else {
        result.code = result.savedNames.isEmpty() ? 0 : 1;
    }
    return result;
}

} // namespace

ExtractResult ExtractAttachments(const QByteArray& raw, const QString& targetDir,
                                 const ExtractOptions& options) {
    return Extract(MimeParseMessage(raw).get(), raw, targetDir, options);
}

ExtractResult ExtractAttachments(const ParsedMail& mail, const QString& targetDir,
                                 const ExtractOptions& options) {
    return Extract(mail.message.get(), mail.raw, targetDir, options);
}

} // namespace ricorne
