// decode FILE [--attachments DIR]: the decoding the mail check uses, as one JSON line.
#include <QFile>

#include "ToolCommands.h"
#include "ToolOutput.h"
#include "core/mime/MimeDecoder.h"

namespace ricorne {

int RunDecodeCommand(const QStringList& args) {
    QString file;
    QString attachDir;
    bool haveAttachDir = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--attachments")) {
            if (i + 1 >= args.size() || haveAttachDir) {
                WriteStderr(QStringLiteral("decode: --attachments needs one folder"));
                return kToolBadArguments;
            }
            attachDir = args.at(++i);
            haveAttachDir = true;
        } else if (file.isNull() && (a == QLatin1String("-") || !a.startsWith(QLatin1Char('-')))) {
            file = a;
        } else {
            WriteStderr(QStringLiteral("decode: unexpected argument: ") + a);
            return kToolBadArguments;
        }
    }
    if (file.isEmpty()) {
        WriteStderr(QStringLiteral("decode: no mail file given"));
        return kToolBadArguments;
    }

    QFile in;
    const bool opened = file == QLatin1String("-") ? in.open(stdin, QIODevice::ReadOnly)
                                                   : (in.setFileName(file), in.open(QIODevice::ReadOnly));
    if (!opened) {
        WriteStderr(QStringLiteral("decode: cannot read ") + file + QStringLiteral(": ") + in.errorString());
        return kToolFailed;
    }
    const QByteArray raw = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        WriteStderr(QStringLiteral("decode: cannot read ") + file + QStringLiteral(": ") + in.errorString());
        return kToolFailed;
    }

    const DecodedMail mail = DecodeMail(raw);
    QStringList attachments = mail.attachmentNames;
    if (haveAttachDir) {
        const ExtractResult saved = ExtractAttachments(raw, attachDir);
        attachments = saved.savedNames;
        if (saved.code < 0) {
            WriteStderr(QStringLiteral("decode: %1 (%2)").arg(saved.error).arg(saved.code));
        }
    }
    WriteStdout(JsonLine()
                    .Add("subject", mail.subject)
                    .Add("from", mail.from)
                    .Add("date", mail.date)
                    .Add("body", mail.body)
                    .Add("attachments", attachments)
                    .Bytes());
    return kToolOk;
}

} // namespace ricorne
