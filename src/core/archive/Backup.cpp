#include "core/archive/Backup.h"

#include "core/paths/Paths.h"
#include "core/paths/ProgramFolderLock.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <zstd.h>

namespace ricorne {

namespace {

constexpr char kManifest[] = "ricorne-manifest.txt";
constexpr qint64 kBlock = 512;

// The data a backup holds, relative to AppDir: files and folders, by their installed names.
QStringList DataFiles() {
    return {QStringLiteral("klmail.ini"), QStringLiteral("providers.tsv")};
}
QStringList DataFolders() {
    return {MailDataDir(), AttachDir(), FaceMarkDir(), QuickSaveDir()};
}

// Where a path inside the backup lives now (its first component matched as the resolver does).
QString LocalPath(const QString& relative) {
    const qsizetype slash = relative.indexOf(QLatin1Char('/'));
    const QString top = slash < 0 ? relative : relative.left(slash);
    const QString rest = slash < 0 ? QString() : relative.mid(slash);
    return ResolvePath(QLatin1Char('\\') + top) + rest;
}

bool IsDataPath(const QString& relative) {
    if (relative.isEmpty() || relative.startsWith(QLatin1Char('/')) || relative.contains(QLatin1Char('\\')))
        return false;
    const QStringList parts = relative.split(QLatin1Char('/'));
    for (const QString& p : parts) {
        if (p.isEmpty() || p == QLatin1String(".") || p == QLatin1String(".."))
            return false;
    }
    const QString top = parts.first();
    if (parts.size() == 1)
        return DataFiles().contains(top, Qt::CaseInsensitive);
    return DataFolders().contains(top, Qt::CaseInsensitive) &&
           parts.last().compare(ProgramFolderLock::FileName(), Qt::CaseInsensitive) != 0;
}

class ZstdWriter {
public:
    explicit ZstdWriter(QSaveFile& out) : out_(out), ctx_(ZSTD_createCCtx()) {
        ZSTD_CCtx_setParameter(ctx_, ZSTD_c_compressionLevel, 3);
    }
    ~ZstdWriter() { ZSTD_freeCCtx(ctx_); }
    bool Write(const char* data, qint64 size) { return Run(data, size, ZSTD_e_continue); }
    bool Write(const QByteArray& bytes) { return Write(bytes.constData(), bytes.size()); }
    bool Finish() { return Run(nullptr, 0, ZSTD_e_end); }

private:
    bool Run(const char* data, qint64 size, ZSTD_EndDirective mode) {
        ZSTD_inBuffer in{data, size_t(size), 0};
        QByteArray buffer(qsizetype(ZSTD_CStreamOutSize()), Qt::Uninitialized);
        for (;;) {
            ZSTD_outBuffer out{buffer.data(), size_t(buffer.size()), 0};
            const size_t left = ZSTD_compressStream2(ctx_, &out, &in, mode);
            if (ZSTD_isError(left) || out_.write(buffer.constData(), qint64(out.pos)) != qint64(out.pos))
                return false;
            if (mode == ZSTD_e_end ? left == 0 : in.pos == in.size)
                return true;
        }
    }
    QSaveFile& out_;
    ZSTD_CCtx* ctx_;
};

class ZstdReader {
public:
    explicit ZstdReader(QFile& in) : in_(in), ctx_(ZSTD_createDCtx()) {}
    ~ZstdReader() { ZSTD_freeDCtx(ctx_); }
    // Exactly size bytes, or false (a cut or damaged archive).
    bool Read(char* data, qint64 size) {
        while (size > 0) {
            if (pending_.size() - taken_ == 0 && !Fill())
                return false;
            const qint64 n = qMin(size, qint64(pending_.size() - taken_));
            std::memcpy(data, pending_.constData() + taken_, size_t(n));
            taken_ += n;
            data += n;
            size -= n;
        }
        return true;
    }

private:
    bool Fill() {
        pending_.resize(qsizetype(ZSTD_DStreamOutSize()));
        taken_ = 0;
        for (;;) {
            if (inPos_ == input_.size()) {
                input_ = in_.read(qint64(ZSTD_DStreamInSize()));
                inPos_ = 0;
                if (input_.isEmpty())
                    return false;
            }
            ZSTD_inBuffer in{input_.constData(), size_t(input_.size()), size_t(inPos_)};
            ZSTD_outBuffer out{pending_.data(), size_t(pending_.size()), 0};
            if (ZSTD_isError(ZSTD_decompressStream(ctx_, &out, &in)))
                return false;
            inPos_ = qsizetype(in.pos);
            if (out.pos > 0) {
                pending_.resize(qsizetype(out.pos));
                return true;
            }
        }
    }
    QFile& in_;
    ZSTD_DCtx* ctx_;
    QByteArray input_, pending_;
    qsizetype inPos_ = 0, taken_ = 0;
};

void Octal(char* field, int width, qint64 value) {
    const QByteArray digits = QByteArray::number(value, 8).rightJustified(width - 1, '0');
    std::memcpy(field, digits.constData(), size_t(width - 1));
    field[width - 1] = '\0';
}

QByteArray TarHeader(const QByteArray& name, qint64 size, char type, qint64 mtime) {
    QByteArray h(kBlock, '\0');
    char* p = h.data();
    std::memcpy(p, name.constData(), size_t(qMin<qsizetype>(name.size(), 99)));
    Octal(p + 100, 8, type == '5' ? 0700 : 0600);
    Octal(p + 108, 8, 0);
    Octal(p + 116, 8, 0);
    Octal(p + 124, 12, size);
    Octal(p + 136, 12, mtime);
    std::memset(p + 148, ' ', 8);
    p[156] = type;
    std::memcpy(p + 257, "ustar", 6);
    std::memcpy(p + 263, "00", 2);
    unsigned sum = 0;
    for (const char c : h)
        sum += uchar(c);
    Octal(p + 148, 7, sum);
    return h;
}

QByteArray Padding(qint64 size) {
    return QByteArray((kBlock - size % kBlock) % kBlock, '\0');
}

// The path as a pax record (UTF-8 names of any length), then the ustar header itself.
bool WriteEntry(ZstdWriter& z, const QString& path, qint64 size, char type, qint64 mtime) {
    const QByteArray utf8 = path.toUtf8();
    const QByteArray body = " path=" + utf8 + '\n';
    // The record's length counts its own digits.
    qint64 length = body.size() + QByteArray::number(body.size()).size();
    if (QByteArray::number(length).size() != QByteArray::number(body.size()).size())
        ++length;
    const QByteArray record = QByteArray::number(length) + body;
    const QByteArray ascii = QStringLiteral("ricorne/%1").arg(qHash(path)).toLatin1();
    return z.Write(TarHeader("PaxHeader/" + ascii, record.size(), 'x', mtime)) && z.Write(record) &&
           z.Write(Padding(record.size())) && z.Write(TarHeader(ascii, size, type, mtime));
}

} // namespace

QString DatedBackupName() {
    return QStringLiteral("ricorne-backup-") +
           QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
           QStringLiteral(".tar.zst");
}

BackupResult WriteBackup(const QString& file) {
    BackupResult result;
    result.path = QFileInfo(file).isDir() ? QDir(file).filePath(DatedBackupName()) : file;
    const ProgramFolderLock lock;
    if (!lock.Held()) {
        result.error = QStringLiteral("the program folder is in use by another program");
        return result;
    }
    QStringList paths; // relative, "/" separated
    const QDir app(AppDir());
    for (const QString& name : DataFiles()) {
        if (QFileInfo(ResolvePath(QLatin1Char('\\') + name)).isFile())
            paths.append(app.relativeFilePath(ResolvePath(QLatin1Char('\\') + name)));
    }
    for (const QString& folder : DataFolders()) {
        const QString root = ResolvePath(QLatin1Char('\\') + folder);
        QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString relative = app.relativeFilePath(it.next());
            if (IsDataPath(relative) && it.fileInfo().isFile() && !it.fileInfo().isSymLink())
                paths.append(relative);
        }
    }
    paths.sort();
    QSaveFile out(result.path);
    if (!out.open(QIODevice::WriteOnly)) {
        result.error = result.path + QStringLiteral(": ") + out.errorString();
        return result;
    }
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ZstdWriter z(out);
    QByteArray manifest;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (const QString& relative : paths) {
        QFile in(app.filePath(relative));
        if (!in.open(QIODevice::ReadOnly)) {
            result.error = in.fileName() + QStringLiteral(": ") + in.errorString();
            out.cancelWriting();
            return result;
        }
        const qint64 size = in.size();
        if (!WriteEntry(z, relative, size, '0', QFileInfo(in).lastModified().toSecsSinceEpoch())) {
            result.error = result.path + QStringLiteral(": ") + out.errorString();
            out.cancelWriting();
            return result;
        }
        QCryptographicHash hash(QCryptographicHash::Sha256);
        qint64 done = 0;
        while (done < size) {
            const qint64 n = in.read(buffer.data(), qMin<qint64>(buffer.size(), size - done));
            if (n <= 0 || !z.Write(buffer.constData(), n)) {
                result.error = in.fileName() + QStringLiteral(": read or write failed");
                out.cancelWriting();
                return result;
            }
            hash.addData(QByteArrayView(buffer.constData(), n));
            done += n;
        }
        z.Write(Padding(size));
        manifest += hash.result().toHex() + ' ' + QByteArray::number(size) + ' ' + relative.toUtf8() + '\n';
        ++result.files;
    }
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    if (!WriteEntry(z, QString::fromLatin1(kManifest), manifest.size(), '0', now) || !z.Write(manifest) ||
        !z.Write(Padding(manifest.size())) || !z.Write(QByteArray(2 * kBlock, '\0')) || !z.Finish() ||
        !out.commit()) {
        result.error = result.path + QStringLiteral(": ") + out.errorString();
        out.cancelWriting();
        return result;
    }
    result.ok = true;
    return result;
}

BackupResult RestoreBackup(const QString& file) {
    BackupResult result;
    result.path = file;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        result.error = file + QStringLiteral(": ") + in.errorString();
        return result;
    }
    // Unpacked beside the data, so each file can be renamed into place.
    QTemporaryDir staging(QDir(AppDir()).filePath(QStringLiteral(".ricorne-restore-XXXXXX")));
    if (!staging.isValid()) {
        result.error = AppDir() + QStringLiteral(": cannot make a folder to unpack into");
        return result;
    }
    auto fail = [&](const QString& why) {
        result.error = file + QStringLiteral(": ") + why;
        return result;
    };
    ZstdReader z(in);
    QHash<QString, QByteArray> digests; // relative path -> "sha size"
    QByteArray manifest;
    QString paxPath;
    QByteArray block(kBlock, Qt::Uninitialized), buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        if (!z.Read(block.data(), kBlock))
            return fail(QStringLiteral("the archive is cut short or damaged"));
        if (block.count('\0') == kBlock)
            break;
        bool ok = false;
        const qint64 size =
            QByteArray(block.constData() + 124, 12).replace('\0', ' ').trimmed().toLongLong(&ok, 8);
        const char type = block.at(156);
        if (!ok || size < 0)
            return fail(QStringLiteral("the archive is damaged"));
        if (type == 'x') {
            QByteArray records(size, Qt::Uninitialized);
            if (!z.Read(records.data(), size) || !z.Read(buffer.data(), Padding(size).size()))
                return fail(QStringLiteral("the archive is cut short"));
            const qsizetype at = records.indexOf(" path=");
            paxPath = at < 0 ? QString()
                             : QString::fromUtf8(records.mid(at + 6, records.indexOf('\n', at) - at - 6));
            continue;
        }
        // Our archives name every file in a pax record; a plain header's name is taken otherwise.
        const QString path =
            paxPath.isEmpty() ? QString::fromUtf8(block.left(100).split('\0').constFirst()) : paxPath;
        paxPath.clear();
        if (type != '0' && type != '\0')
            return fail(QStringLiteral("the archive holds something other than files"));
        const bool isManifest = path == QLatin1String(kManifest);
        if (!isManifest && (!IsDataPath(path) || digests.contains(path)))
            return fail(QStringLiteral("the archive holds a path outside the program's data: ") + path);
        QFile staged(staging.filePath(isManifest ? QStringLiteral(".manifest") : path));
        if (!isManifest && (!QDir().mkpath(QFileInfo(staged).path()) || !staged.open(QIODevice::WriteOnly)))
            return fail(staged.fileName() + QStringLiteral(": ") + staged.errorString());
        QCryptographicHash hash(QCryptographicHash::Sha256);
        for (qint64 done = 0; done < size;) {
            const qint64 n = qMin<qint64>(buffer.size(), size - done);
            if (!z.Read(buffer.data(), n))
                return fail(QStringLiteral("the archive is cut short"));
            if (isManifest)
                manifest.append(buffer.constData(), n);
            else if (staged.write(buffer.constData(), n) != n)
                return fail(staged.fileName() + QStringLiteral(": ") + staged.errorString());
            hash.addData(QByteArrayView(buffer.constData(), n));
            done += n;
        }
        if (!z.Read(buffer.data(), Padding(size).size()))
            return fail(QStringLiteral("the archive is cut short"));
        if (!isManifest) {
            if (!staged.flush())
                return fail(staged.fileName() + QStringLiteral(": ") + staged.errorString());
            staged.close();
            digests.insert(path, hash.result().toHex() + ' ' + QByteArray::number(size));
        }
    }
    // Every file as the manifest lists it, and nothing else.
    QHash<QString, QByteArray> listed;
    for (const QByteArray& line : manifest.split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() >= 3)
            listed.insert(QString::fromUtf8(line.mid(parts[0].size() + parts[1].size() + 2)),
                          parts[0] + ' ' + parts[1]);
    }
    if (manifest.isEmpty() || listed != digests)
        return fail(QStringLiteral("the files do not match the archive's manifest"));

    const ProgramFolderLock lock;
    if (!lock.Held())
        return fail(QStringLiteral("the program folder is in use by another program"));
    for (auto it = digests.cbegin(); it != digests.cend(); ++it) {
        const QString target = LocalPath(it.key());
        QDir().mkpath(QFileInfo(target).path());
        if (std::rename(QFile::encodeName(staging.filePath(it.key())).constData(),
                        QFile::encodeName(target).constData()) != 0)
            return fail(target + QStringLiteral(": cannot be replaced"));
        ++result.files;
    }
    // What the data folders hold beyond the backup goes, so the data is the backup's.
    const QDir app(AppDir());
    QSet<QString> kept;
    for (auto it = digests.cbegin(); it != digests.cend(); ++it)
        kept.insert(QFileInfo(LocalPath(it.key())).absoluteFilePath());
    for (const QString& folder : DataFolders()) {
        QDirIterator files(ResolvePath(QLatin1Char('\\') + folder), QDir::Files | QDir::Hidden | QDir::System,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            if (IsDataPath(app.relativeFilePath(path)) && !kept.contains(QFileInfo(path).absoluteFilePath()))
                QFile::remove(path);
        }
    }
    result.ok = true;
    return result;
}

} // namespace ricorne
