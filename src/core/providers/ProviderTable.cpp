#include "core/providers/ProviderTable.h"

#include "core/paths/Paths.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStringList>

namespace ricorne {

namespace {

bool ParsePort(const QString& text, quint16* port) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1 || value > 65535)
        return false;
    *port = quint16(value);
    return true;
}

bool ParseSecurity(const QString& text, TransportSecurity* security) {
    if (text == QLatin1String("ssl"))
        *security = TransportSecurity::Tls;
    else if (text == QLatin1String("starttls"))
        *security = TransportSecurity::StartTls;
    else if (text == QLatin1String("none"))
        *security = TransportSecurity::None;
    else
        return false;
    return true;
}

bool ParseSignIn(const QString& text, SignInKind* kind) {
    if (text == QLatin1String("password"))
        *kind = SignInKind::Password;
    else if (text == QLatin1String("app-password"))
        *kind = SignInKind::AppPassword;
    else if (text == QLatin1String("oauth"))
        *kind = SignInKind::OAuth;
    else
        return false;
    return true;
}

// A host from the table: letters, digits, dots, hyphens and "{domain}" only, so nothing odd
// reaches the settings file.
bool ValidHost(const QString& host) {
    QString plain = host;
    plain.replace(QLatin1String("{domain}"), QLatin1String("x"));
    if (plain.isEmpty())
        return false;
    for (QChar c : plain)
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != u'.' && c != u'-')
            return false;
    return true;
}

bool ParseLine(const QString& line, ProviderEntry* entry) {
    const QStringList f = line.split(u'\t');
    if (f.size() < 9)
        return false;
    for (int i = 0; i < 8; ++i)
        if (f[i].trimmed() == QLatin1String("?") || f[i].trimmed().isEmpty())
            return false;
    entry->pattern = f[0].trimmed().toLower();
    if (entry->pattern.startsWith(QLatin1String("*.")) ? !ValidHost(entry->pattern.mid(2))
                                                       : !ValidHost(entry->pattern))
        return false;
    if (f[1].trimmed() == QLatin1String("-")) {
        entry->pop3Host.clear();
    } else {
        entry->pop3Host = f[1].trimmed();
        if (!ValidHost(entry->pop3Host) || !ParsePort(f[2].trimmed(), &entry->pop3Port) ||
            !ParseSecurity(f[3].trimmed(), &entry->pop3Security))
            return false;
    }
    entry->smtpHost = f[4].trimmed();
    if (!ValidHost(entry->smtpHost) || !ParsePort(f[5].trimmed(), &entry->smtpPort) ||
        !ParseSecurity(f[6].trimmed(), &entry->smtpSecurity) || !ParseSignIn(f[7].trimmed(), &entry->signIn))
        return false;
    entry->source = f[8].trimmed();
    return true;
}

bool UsableEndpoint(const QString& url) {
    return url.startsWith(QLatin1String("https://")) || url.startsWith(QLatin1String("http://127.0.0.1:")) ||
           url.startsWith(QLatin1String("http://127.0.0.1/"));
}

bool ParseOAuthLine(const QStringList& f, OAuthEndpoints* o) {
    if (f.size() < 9)
        return false;
    o->name = f[1].trimmed();
    o->domains = f[2].toLower().split(u' ', Qt::SkipEmptyParts);
    o->authorizeUrl = f[3].trimmed();
    o->tokenUrl = f[4].trimmed();
    o->deviceUrl = f[5].trimmed() == QLatin1String("-") ? QString() : f[5].trimmed();
    o->scopes = f[6].simplified();
    o->clientId = f[7].trimmed() == QLatin1String("-") ? QString() : f[7].trimmed();
    o->source = f[8].trimmed();
    return !o->name.isEmpty() && !o->domains.isEmpty() && !o->scopes.isEmpty() &&
           UsableEndpoint(o->authorizeUrl) && UsableEndpoint(o->tokenUrl) &&
           (o->deviceUrl.isEmpty() || UsableEndpoint(o->deviceUrl));
}

QString DomainOf(const QString& address) {
    QString trimmed = address.trimmed();
    const qsizetype open = trimmed.lastIndexOf(u'<');
    if (open >= 0 && trimmed.endsWith(u'>'))
        trimmed = trimmed.mid(open + 1, trimmed.size() - open - 2).trimmed();
    const qsizetype at = trimmed.lastIndexOf(u'@');
    return at <= 0 ? QString() : trimmed.mid(at + 1).toLower();
}

} // namespace

const OAuthEndpoints* ProviderTable::OAuthFor(const QString& address) const {
    const QString d = DomainOf(address);
    if (d.isEmpty())
        return nullptr;
    for (const OAuthEndpoints& o : oauth_)
        for (const QString& p : o.domains)
            if (p == d || (p.startsWith(QLatin1String("*.")) && d.endsWith(p.mid(1))))
                return &o;
    return nullptr;
}

OAuthEndpoints OAuthForAddress(const QString& address) {
    const ProviderTable table = ProviderTable::Load(AppDir() + u'/' + ProviderTableFileName());
    const OAuthEndpoints* o = table.OAuthFor(address);
    return o ? *o : OAuthEndpoints{};
}

ProviderTable ProviderTable::Parse(const QByteArray& utf8) {
    ProviderTable table;
    const QStringList lines = QString::fromUtf8(utf8).split(u'\n');
    for (QString line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(QLatin1String("oauth\t"))) {
            OAuthEndpoints o;
            if (ParseOAuthLine(line.split(u'\t'), &o))
                table.oauth_ << o;
            continue;
        }
        ProviderEntry entry;
        if (ParseLine(line, &entry))
            table.entries_ << entry;
    }
    return table;
}

ProviderTable ProviderTable::Load(const QString& path) {
    // Every login and every mail of a batch send asks the table; read the file again only when it
    // changed on disk.
    struct Last {
        QString path;
        qint64 size = -1;
        QDateTime modified;
        ProviderTable table;
    };
    static QMutex mutex;
    static Last last;
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    const QMutexLocker lock(&mutex);
    if (last.path == path && last.size == info.size() && last.modified == info.lastModified())
        return last.table;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    last = {path, info.size(), info.lastModified(), Parse(file.read(4 << 20))};
    return last.table;
}

const ProviderEntry* ProviderTable::Match(const QString& domain) const {
    const QString d = domain.toLower();
    const ProviderEntry* best = nullptr;
    for (const ProviderEntry& e : entries_) {
        if (e.pattern == d)
            return &e;
        if (e.pattern.startsWith(QLatin1String("*.")) && d.endsWith(e.pattern.mid(1)) &&
            (!best || e.pattern.size() > best->pattern.size()))
            best = &e;
    }
    return best;
}

ProviderSuggestion ProviderTable::Suggest(const QString& address) const {
    ProviderSuggestion s;
    // "山田 <taro@example.jp>" as the address box may hold it: the part in angle brackets.
    QString trimmed = address.trimmed();
    const qsizetype open = trimmed.lastIndexOf(u'<');
    if (open >= 0 && trimmed.endsWith(u'>'))
        trimmed = trimmed.mid(open + 1, trimmed.size() - open - 2).trimmed();
    const qsizetype at = trimmed.lastIndexOf(u'@');
    if (at <= 0 || at == trimmed.size() - 1)
        return s;
    s.domain = trimmed.mid(at + 1).toLower();
    if (!ValidHost(s.domain) || s.domain.contains(u'{'))
        return s;
    const ProviderEntry* e = Match(s.domain);
    if (!e)
        return s;
    auto host = [&s](QString h) { return h.replace(QLatin1String("{domain}"), s.domain); };
    s.found = true;
    s.pattern = e->pattern;
    if (!e->pop3Host.isEmpty())
        s.pop3 = ServerText(host(e->pop3Host), e->pop3Port, e->pop3Security, true);
    s.smtp = ServerText(host(e->smtpHost), e->smtpPort, e->smtpSecurity, false);
    s.signIn = e->signIn;
    s.source = e->source;
    return s;
}

QString ProviderTableFileName() {
    return QStringLiteral("providers.tsv");
}

ProviderSuggestion SuggestProvider(const QString& address) {
    return ProviderTable::Load(AppDir() + u'/' + ProviderTableFileName()).Suggest(address);
}

QString ServerText(const QString& host, quint16 port, TransportSecurity security, bool pop3) {
    if (security == TransportSecurity::Tls) {
        const quint16 standard = pop3 ? 995 : 465;
        const QString scheme = pop3 ? QStringLiteral("pop3s://") : QStringLiteral("smtps://");
        return port == standard ? scheme + host : scheme + host + u':' + QString::number(port);
    }
    return host + u':' + QString::number(port);
}

QString SignInKindName(SignInKind kind) {
    switch (kind) {
    case SignInKind::AppPassword:
        return QStringLiteral("app-password");
    case SignInKind::OAuth:
        return QStringLiteral("oauth");
    case SignInKind::Password:
        break;
    }
    return QStringLiteral("password");
}

} // namespace ricorne
