#include "core/paths/Paths.h"

#include "core/platform/FileStatus.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QStringList>

#include <optional>

using namespace Qt::StringLiterals;

namespace ricorne {

namespace {

QString& AppDirOverride() {
    static QString dir;
    return dir;
}

QString DefaultAppDir() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    // No application object yet (tools, tests): the executable's own folder.
    const QFileInfo exe(u"/proc/self/exe"_s);
    return QFileInfo(exe.canonicalFilePath()).absolutePath();
}

char16_t FoldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c;
}

QStringList ListFolder(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// The names in a folder, kept from one resolve to the next while the folder stays as it was:
// the stores are resolved several times for every received mail, and a listing per component
// each time cost more than the mail itself. One stat of the folder tells whether the kept names
// still hold (any entry added, removed or renamed changes its modification time).
struct FolderNames {
    platform::FileStatus folder; // as it was when listed
    QStringList names;
};

struct FolderNameCache {
    QMutex mutex;
    QHash<QString, FolderNames> folders;
};

FolderNameCache& NameCache() {
    static FolderNameCache cache;
    return cache;
}

// The names in folder when they can be trusted, else nullopt (the caller then looks for
// itself, as if there were no cache).
std::optional<QStringList> CachedNames(const QString& folder) {
    const platform::FileStatus st = platform::StatusOf(folder);
    if (!st.folder)
        return std::nullopt;
    FolderNameCache& cache = NameCache();
    QMutexLocker locker(&cache.mutex);
    auto it = cache.folders.find(folder);
    if (it != cache.folders.end() && it->folder.SameFileAs(st) && it->folder.modified == st.modified)
        return it->names;
    const platform::FileTime listedAt = platform::CoarseClockNow();
    FolderNames entry{st, ListFolder(folder)};
    // A folder changed in the same clock tick as it is listed could change again without its
    // time moving: such a listing is used now but not kept. An empty one may be a folder we
    // cannot read, where only a direct look finds a name: not kept either.
    if (!(st.modified < listedAt) || entry.names.isEmpty()) {
        cache.folders.remove(folder);
        return std::nullopt;
    }
    if (cache.folders.size() >= 64)
        cache.folders.clear();
    const QStringList names = entry.names;
    cache.folders.insert(folder, std::move(entry));
    return names;
}

// The entry of names that stands for part: the exact spelling, else the first that differs
// only in ASCII letter case; empty when there is none.
QString Match(const QStringList& names, const QString& part) {
    if (names.contains(part))
        return part;
    for (const QString& name : names) {
        if (SameNameIgnoringAsciiCase(name, part))
            return name;
    }
    return {};
}

} // namespace

QString AppDir() {
    const QString& dir = AppDirOverride();
    return dir.isEmpty() ? DefaultAppDir() : dir;
}

void SetAppDir(const QString& dir) {
    AppDirOverride() = dir.isEmpty() ? QString() : QDir(dir).absolutePath();
}

QString MailDataDir() {
    return u"★MailData"_s;
}
QString AttachDir() {
    return u"添付フォルダ"_s;
}
QString FaceMarkDir() {
    return u"顔文字データ"_s;
}
QString QuickSaveDir() {
    return u"■TextQuickSave"_s;
}

QString ServerSettingsFile() {
    return u"\\klmail.ini"_s;
}
QString CredentialsFile() {
    return u"\\★MailData\\iniIdPass.ini"_s;
}
QString ReceivedStoreFile() {
    return u"\\★MAilData\\klmdata2.data"_s;
}
QString SentStoreFile() {
    return u"\\★MAilData\\klmdata5.data"_s;
}
QString AddressStoreFile() {
    return u"\\★MAilData\\Klmdata20.data"_s;
}
QString ReceivedTempFile() {
    return u"\\★MAilData\\KLMDATA2.TMP"_s;
}
QString SentTempFile() {
    return u"\\★MAilData\\KLMDATA5.TMP"_s;
}
QString AddressTempFile() {
    return u"\\★MAilData\\KLMDATA20.TMP"_s;
}
QString MasterAddressFile() {
    return u"\\★MAilData\\KLMASTER20.INI"_s;
}

bool SameNameIgnoringAsciiCase(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (FoldAscii(a.at(i).unicode()) != FoldAscii(b.at(i).unicode()))
            return false;
    }
    return true;
}

QString ResolvePath(const QString& relative) {
    QString path = AppDir();
    bool matching = true; // once a component is missing, the rest cannot exist either
    const QStringList parts = QString(relative).replace(u'\\', u'/').split(u'/', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        QString chosen = part;
        if (matching && part != u"."_s && part != u".."_s) {
            if (const std::optional<QStringList> names = CachedNames(path)) {
                chosen = Match(*names, part);
            } else if (!QFileInfo::exists(path + u'/' + part)) {
                chosen = Match(ListFolder(path), part);
            }
            if (chosen.isEmpty()) {
                chosen = part;
                matching = false;
            }
        }
        path += u'/' + chosen;
    }
    return path;
}

bool EnsureInstalledFolders() {
    bool ok = true;
    for (const QString& name : {MailDataDir(), AttachDir(), FaceMarkDir(), QuickSaveDir()}) {
        const QString path = ResolvePath(u'\\' + name);
        const platform::FileStatus st = platform::StatusOf(path);
        if (st.folder) {
            // Laid out by the build with the usual 0755: the mail in them is the user's alone.
            if ((st.mode & 077) != 0 && st.owner == platform::CurrentUser())
                platform::SetPathMode(path, st.mode & 0700);
            continue;
        }
        if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !platform::MakeFolder(path, 0700)) {
            // Another program starting on the same folder may have made it just now.
            if (!platform::StatusOf(path).folder)
                ok = false;
            continue;
        }
        platform::SetPathMode(path, 0700); // whatever the umask took away or left
    }
    return ok;
}

} // namespace ricorne
