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
#include "core/mime/MimeRepair.h"
#include "core/mime/Rfc2047.h"
#include "core/mime/SafeFileName.h"
#include "core/platform/FileIo.h"
#include "core/platform/FileStatus.h"
#include "core/text/Text.h"

namespace ricorne {

namespace {

const int kSenderFieldBytes = 90;

// Where the header block of raw ends (at its blank line) and where the body begins.
void SplitHeaderBlock(const QByteArray& raw, qsizetype* headerEnd, qsizetype* bodyStart) {
    const qsizetype crlf = raw.indexOf("\r\n\r\n");
    const qsizetype lf = raw.indexOf("\n\n");
    if (crlf >= 0 && (lf < 0 || crlf < lf)) {
        *headerEnd = crlf;
        *bodyStart = crlf + 4;
    } else if (lf >= 0) {
        *headerEnd = lf;
        *bodyStart = lf + 2;
    } else {
        *headerEnd = raw.size();
        *bodyStart = raw.size();
    }
}

QString HeaderBlockText(const QByteArray& raw) {
    qsizetype end, bodyStart;
    SplitHeaderBlock(raw, &end, &bodyStart);
    QString text = GuessDecode(raw.left(end));
    text.replace(QChar(u'\0'), QLatin1Char(' '));
    return ToCrLf(text);
}

// Everything after the header block, as text.
QString RawBodyText(const QByteArray& raw) {
    qsizetype end, bodyStart;
    SplitHeaderBlock(raw, &end, &bodyStart);
    QString text = GuessDecode(raw.mid(bodyStart));
    text.replace(QChar(u'\0'), QLatin1Char(' '));
    return ToCrLf(text);
}

// True when text holds a letter or digit outside boundary lines and part headers.
bool HasWords(const QString& text) {
    for (const QStringView line : QStringView(text).split(u'\n')) {
        const QStringView t = line.trimmed();
        if (t.startsWith(u"--") || t.isEmpty()) {
            continue;
        }
        const qsizetype colon = t.indexOf(u':');
        if (colon > 0 && !t.left(colon).contains(u' ')) {
            continue; // a header line of a part
        }
        for (QChar c : t) {
            if (c.isLetterOrNumber()) {
                return true;
            }
        }
    }
    return false;
}

// Drops quotes and backslash escapes from a phrase; comments are kept as text.
QByteArray Unquote(const QByteArray& phrase) {
    QByteArray out;
    bool inQuote = false;
    for (qsizetype i = 0; i < phrase.size(); ++i) {
        const char c = phrase.at(i);
        if (c == '"') {
            inQuote = !inQuote;
        } else if (c == '\\' && inQuote && i + 1 < phrase.size()) {
            out += phrase.at(++i);
        } else {
            out += c;
        }
    }
    return out;
}

QString StripSpacesAndQuotes(QString s) {
    auto strip = [](QChar c) {
        return c == QLatin1Char(' ') || c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QChar(0x3000);
    };
    qsizetype b = 0, e = s.size();
    while (b < e && strip(s.at(b))) {
        ++b;
    }
    while (e > b && strip(s.at(e - 1))) {
        --e;
    }
    return s.mid(b, e - b);
}

// "display name <address>" from a raw From value (the first mailbox when there are several).
QString SenderText(const QByteArray& raw) {
    // Raw 8-bit or ISO-2022-JP text first (its escape bytes hold '(' and '$'); encoded words are
    // ASCII and come through unchanged, to be decoded once the structure is known.
    QByteArray v = GuessDecode(UnfoldHeader(raw)).toUtf8();
    // Group syntax, "name: member, member;": the first member is the sender, and a group with no
    // member is shown by its name.
    bool groupQuote = false;
    for (qsizetype i = 0; i < v.size(); ++i) {
        const char c = v.at(i);
        if (c == '"') {
            groupQuote = !groupQuote;
        } else if (groupQuote) {
            continue;
        } else if (c == '<' || c == '@' || c == '(' || c == ',') {
            break;
        } else if (c == ':') {
            const QByteArray name = v.left(i);
            v = v.mid(i + 1).trimmed();
            while (v.endsWith(';')) {
                v.chop(1);
            }
            if (v.trimmed().isEmpty()) {
                return CleanHeaderLine(DecodeHeaderText(Unquote(name)));
            }
            break;
        }
    }
    // The first mailbox ends at a comma outside quotes, comments and angle brackets.
    bool inQuote = false;
    int comment = 0;
    bool inAngle = false;
    qsizetype angleOpen = -1, angleClose = -1;
    qsizetype end = v.size();
    QByteArray bare, commentText;
    for (qsizetype i = 0; i < v.size(); ++i) {
        const char c = v.at(i);
        if (inQuote) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inQuote = false;
            }
            continue;
        }
        if (comment > 0) {
            if (c == '\\') {
                ++i;
                continue;
            }
            if (c == '(') {
                ++comment;
            } else if (c == ')') {
                --comment;
            }
            if (comment > 0) {
                commentText += c;
            }
            continue;
        }
        if (c == '"') {
            inQuote = true;
        } else if (c == '(' && !inAngle) {
            comment = 1;
            commentText += ' ';
        } else if (c == '<' && angleOpen < 0) {
            inAngle = true;
            angleOpen = i;
        } else if (c == '>' && inAngle) {
            inAngle = false;
            angleClose = i;
        } else if (c == ',' && !inAngle) {
            end = i;
            break;
        } else if (angleOpen < 0) {
            bare += c;
        }
    }
    QString address;
    QString display;
    if (angleOpen < 0 && !bare.contains('@')) {
        // No address at all, just a name (often a lone encoded word): show the name.
        return CleanHeaderLine(DecodeHeaderText(Unquote(v.left(end))));
    }
    if (angleOpen >= 0) {
        QByteArray addr = v.mid(angleOpen + 1, (angleClose > angleOpen ? angleClose : end) - angleOpen - 1);
        if (const qsizetype colon = addr.lastIndexOf(':'); colon >= 0 && addr.startsWith('@')) {
            addr = addr.mid(colon + 1); // obsolete source route
        }
        address = GuessDecode(addr.trimmed());
        display = DecodeHeaderText(Unquote(v.left(angleOpen)));
    } else {
        address = GuessDecode(bare.trimmed());
        display = DecodeHeaderText(commentText);
    }
    address = CleanHeaderLine(address);
    address.remove(QLatin1Char(' '));
    display = StripSpacesAndQuotes(CleanHeaderLine(display));
    if (display.isEmpty() || display == address) {
        return address.isEmpty() ? display : address;
    }
    if (address.isEmpty()) {
        return display;
    }
    // Shorten the name, never the address (a reply goes to it).
    const QString tail = QStringLiteral(" <") + address + QLatin1Char('>');
    const int tailBytes = static_cast<int>(EncodeCp932(tail).size());
    if (tailBytes >= kSenderFieldBytes) {
        return address;
    }
    // Every character takes at least one byte: a longer name is cut first, so the loop below
    // stays short even for a name of megabytes.
    if (const qsizetype keep = 2 * kSenderFieldBytes; display.size() > keep) {
        display.truncate(display.at(keep - 1).isHighSurrogate() ? keep - 1 : keep);
    }
    while (!display.isEmpty() && EncodeCp932(display).size() + tailBytes > kSenderFieldBytes) {
        display.chop(display.size() >= 2 && display.at(display.size() - 1).isLowSurrogate() ? 2 : 1);
    }
    display = StripSpacesAndQuotes(display);
    return display.isEmpty() ? address : display + tail;
}

QString PartialNote(GMimeMessagePartial* partial) {
    const int number = g_mime_message_partial_get_number(partial);
    const int total = g_mime_message_partial_get_total(partial);
    return QStringLiteral("[partial] %1/%2")
        .arg(number > 0 ? QString::number(number) : QStringLiteral("?"),
             total > 0 ? QString::number(total) : QStringLiteral("?"));
}

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

    void Run(GMimeMessage* message, const QByteArray& raw, int depth) {
        if (!message) {
            return;
        }
        const MimeLayout layout = MimeLayOut(message);
        for (const MimeAttachment& a : layout.attachments) {
            Save(a.name, [&a](GMimeStream* out) {
                if (a.isMessage) {
                    return g_mime_object_write_to_stream(a.object, nullptr, out) >= 0;
                }
                GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(a.object));
                return !content || g_mime_data_wrapper_write_to_stream(content, out) >= 0;
            });
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
            Save(SafeFileName(name + QStringLiteral(".eml")), [&joinedBytes](GMimeStream* out) {
                return g_mime_stream_write(out, joinedBytes.constData(),
                                           static_cast<size_t>(joinedBytes.size())) == joinedBytes.size();
            });
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

    // Writes the file under a temporary name of ours straight from the parsed mail (no copy of
    // a large attachment in memory); Commit gives it its name. A failed write leaves nothing.
    template <typename Writer> void Save(const QString& name, Writer write) {
        CreatedFile file = CreateUniqueFile(dirFd_, AttachmentTempPrefix() + QStringLiteral(".tmp"));
        if (file.fd < 0) {
            Fail(WriteFailure(name, file.error));
            return;
        }
        bool ok;
        {
            // Written front to back: a pipe stream does no seek before every block, as the
            // file stream does (two system calls per 3 KB of a large attachment).
            GObjectPtr<GMimeStream> out(g_mime_stream_pipe_new(file.fd));
            g_mime_stream_pipe_set_owner(GMIME_STREAM_PIPE(out.get()), FALSE);
            errno = 0;
            ok = write(out.get()) && g_mime_stream_flush(out.get()) == 0;
        }
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

DecodedMail DecodeMail(const QByteArray& raw) {
    DecodedMail mail;
    const QByteArray repaired = RepairHeaderBlocks(raw);
    mail.headerText = HeaderBlockText(repaired);
    GObjectPtr<GMimeMessage> message = MimeParseMessage(raw);
    if (!message) {
        QString text = GuessDecode(raw);
        text.replace(QChar(u'\0'), QLatin1Char(' '));
        mail.body = ToCrLf(text);
        return mail;
    }
    GMimeObject* top = GMIME_OBJECT(message.get());
    mail.subject = CleanHeaderLine(DecodeHeaderText(MimeRawHeader(top, "Subject")));
    mail.date = CleanHeaderLine(DecodeHeaderText(MimeRawHeader(top, "Date")));
    QByteArray from = MimeRawHeader(top, "From");
    if (from.trimmed().isEmpty()) {
        from = MimeRawHeader(top, "Sender");
    }
    mail.from = SenderText(from);

    const MimeLayout layout = MimeLayOut(message.get());
    if (layout.body) {
        mail.body = MimeBodyText(layout.body, layout.bodyIsHtml);
    } else if (layout.tooDeep) {
        // Nested past what is followed: the rest of the mail as it is, not nothing.
        QString text = GuessDecode(MimeSerialize(layout.tooDeep));
        text.replace(QChar(u'\0'), QLatin1Char(' '));
        mail.body = ToCrLf(text);
    } else {
        // Broken structure (a multipart whose boundary never appears, is wrong or missing): the
        // mail is deleted from the server once stored, so keep the text that is there. The whole
        // body when the mail itself is such a multipart (GMime's copy would end at a NUL).
        for (GMimeMultipart* mp : layout.unsplit) {
            if (GMIME_OBJECT(mp) == g_mime_message_get_mime_part(message.get())) {
                mail.body = RawBodyText(repaired);
                break;
            }
            for (const char* piece : {g_mime_multipart_get_prologue(mp), g_mime_multipart_get_epilogue(mp)}) {
                if (piece && *piece) {
                    mail.body += ToCrLf(GuessDecode(QByteArray(piece)));
                }
            }
        }
    }
    if (mail.body.trimmed().isEmpty() && layout.attachments.empty() && layout.partials.empty() &&
        HasWords(RawBodyText(repaired))) {
        // Text is there but no reading found it: a mail is deleted from the server once stored,
        // so it is stored as it came rather than empty.
        mail.body = RawBodyText(repaired);
    }
    QStringList extra;
    for (GMimeMessagePartial* partial : layout.partials) {
        extra.append(PartialNote(partial));
    }
    for (const MimeAttachment& a : layout.attachments) {
        mail.attachmentNames.append(a.name);
        extra.append(QStringLiteral("[attachment] ") + a.name);
    }
    if (!extra.isEmpty()) {
        if (!mail.body.isEmpty() && !mail.body.endsWith(QLatin1String("\r\n"))) {
            mail.body += QStringLiteral("\r\n");
        }
        mail.body += extra.join(QStringLiteral("\r\n"));
    }
    return mail;
}

QString AttachmentTempPrefix() {
    return QStringLiteral(".ricorne-attachment");
}

ExtractResult ExtractAttachments(const QByteArray& raw, const QString& targetDir,
                                 const ExtractOptions& options) {
    ExtractResult result;
    const platform::FileHandle folder =
        platform::OpenFile(targetDir, platform::kReadOnly | platform::kFolder);
    if (!folder.valid()) {
        result.code = -5;
        result.error = QStringLiteral("添付ファイルを保存するフォルダを開けません: ") + targetDir;
        return result;
    }
    GObjectPtr<GMimeMessage> message = MimeParseMessage(raw);
    Extraction extraction(folder.get(), targetDir, options, &result);
    extraction.Run(message.get(), raw, 0);
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

} // namespace ricorne
