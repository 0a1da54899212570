#include "core/paths/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sys/stat.h>
#include <unistd.h>

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
            if (!QFileInfo::exists(path + u'/' + part)) {
                chosen.clear();
                QStringList names = QDir(path).entryList(
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
                for (const QString& name : names) {
                    if (SameNameIgnoringAsciiCase(name, part)) {
                        chosen = name;
                        break;
                    }
                }
                if (chosen.isEmpty()) {
                    chosen = part;
                    matching = false;
                }
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
        const QByteArray native = QFile::encodeName(path);
        struct stat st;
        if (::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
            // Laid out by the build with the usual 0755: the mail in them is the user's alone.
            if ((st.st_mode & 077) != 0 && st.st_uid == ::geteuid())
                ::chmod(native.constData(), st.st_mode & 0700);
            continue;
        }
        if (!QDir().mkpath(QFileInfo(path).absolutePath()) || ::mkdir(native.constData(), 0700) != 0) {
            ok = false;
            continue;
        }
        ::chmod(native.constData(), 0700); // whatever the umask took away or left
    }
    return ok;
}

} // namespace ricorne
