#include "TestServers.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <atomic>
#include <sys/stat.h>
#include <unistd.h>

namespace ricorne::testing {

namespace {
constexpr uid_t kMailUid = 8; // Debian's "mail" user, as Dovecot's mail processes run
constexpr gid_t kMailGid = 8;

bool OwnForMail(const QString& path, mode_t mode) {
    const QByteArray p = QFile::encodeName(path);
    if (::chmod(p.constData(), mode) != 0)
        return false;
    if (::geteuid() == 0 && ::chown(p.constData(), kMailUid, kMailGid) != 0)
        return false;
    return true;
}
} // namespace

void EnsureCoreApplication() {
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "ricorne-test";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
}

QString HarnessDir() {
    const QString dir = qEnvironmentVariable("RICORNE_TEST_SERVERS");
    if (dir.isEmpty() || !QFile::exists(dir + QStringLiteral("/run/dovecot.pid")))
        return {};
    return dir;
}

QString CertPath() {
    return HarnessDir() + QStringLiteral("/tls/cert.pem");
}

QString MaildirPath(const QString& user) {
    return HarnessDir() + QStringLiteral("/mail/") + user + QStringLiteral("/Maildir");
}

bool ClearMaildir(const QString& user) {
    const QString md = MaildirPath(user);
    // Dovecot (index files) or a late delivery of an earlier test may add a file while the folder
    // is being removed; a second pass then finishes the job.
    bool removed = false;
    for (int attempt = 0; attempt < 5 && !removed; ++attempt) {
        removed = QDir(md).removeRecursively();
        if (!removed)
            QThread::msleep(50);
    }
    if (!removed)
        return false;
    for (const char* sub : {"new", "cur", "tmp"}) {
        const QString d = md + u'/' + QLatin1String(sub);
        if (!QDir().mkpath(d) || !OwnForMail(d, 0700))
            return false;
    }
    return OwnForMail(md, 0700);
}

bool DropMail(const QString& user, const QByteArray& raw) {
    static std::atomic<int> counter{0};
    const QString name = QStringLiteral("%1.R%2P%3.ricorne-test")
                             .arg(QDateTime::currentMSecsSinceEpoch())
                             .arg(counter++, 6, 10, QLatin1Char('0'))
                             .arg(::getpid());
    const QString md = MaildirPath(user);
    const QString tmp = md + QStringLiteral("/tmp/") + name;
    QFile f(tmp);
    if (!f.open(QIODevice::WriteOnly) || f.write(raw) != raw.size())
        return false;
    f.close();
    if (!OwnForMail(tmp, 0644))
        return false;
    return QFile::rename(tmp, md + QStringLiteral("/new/") + name);
}

QStringList MailFiles(const QString& user) {
    QStringList files;
    const QString md = MaildirPath(user);
    for (const char* sub : {"new", "cur"}) {
        const QDir d(md + u'/' + QLatin1String(sub));
        for (const QString& f : d.entryList(QDir::Files))
            files << d.filePath(f);
    }
    std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        return QFileInfo(a).fileName() < QFileInfo(b).fileName();
    });
    return files;
}

QList<QByteArray> ReadMails(const QString& user) {
    QList<QByteArray> mails;
    for (const QString& path : MailFiles(user)) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            mails << f.readAll();
    }
    return mails;
}

bool WaitForMails(const QString& user, int count, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (MailFiles(user).size() < count) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(5);
    }
    return true;
}

bool InstallCaCertificate(const QString& folder) {
    if (!QDir().mkpath(folder))
        return false;
    const QString target = folder + QStringLiteral("/ca-certificates.pem");
    QFile::remove(target);
    return QFile::copy(CertPath(), target);
}

} // namespace ricorne::testing
