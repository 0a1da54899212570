#include "core/mail/TlsDiscovery.h"

#include "core/settings/AccountSettings.h"

namespace ricorne {

QList<TlsCandidate> DefaultTlsCandidates(MailProtocol protocol) {
    if (protocol == MailProtocol::Pop3)
        return {{995, true}, {110, false}};
    return {{465, true}, {587, false}, {25, false}};
}

bool IsBareServer(const QString& text, MailProtocol protocol) {
    const QString t = text.trimmed();
    if (t.contains(QLatin1String("://")) || t.contains(u':') || t.contains(u'['))
        return false;
    return ParseServerAddress(t, protocol).ok;
}

QString ExplicitServerText(const QString& host, const TlsCandidate& candidate, MailProtocol protocol) {
    const bool pop3 = protocol == MailProtocol::Pop3;
    if (!candidate.implicitTls)
        return host + u':' + QString::number(candidate.port);
    const QString scheme = pop3 ? QStringLiteral("pop3s://") : QStringLiteral("smtps://");
    const quint16 standard = pop3 ? 995 : 465;
    return candidate.port == standard ? scheme + host
                                      : scheme + host + u':' + QString::number(candidate.port);
}

TlsSearch FindTls(const ServerAddress& address, const QList<TlsCandidate>& candidates, MailProtocol protocol,
                  const TlsProbe& probe) {
    TlsSearch search;
    QStringList tried;
    qsizetype plainOnly = -1; // the first port that answered without TLS
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        ServerAddress candidate = address;
        candidate.port = candidates[i].port;
        candidate.implicitTls = candidates[i].implicitTls;
        tried << QString::number(candidate.port);
        if (probe.open(candidate)) {
            if (probe.encrypted()) {
                search.open = true;
                search.resolved = ExplicitServerText(address.host, candidates[i], protocol);
                return search;
            }
            if (i + 1 == candidates.size()) {
                search.open = true;
                return search;
            }
            if (plainOnly < 0)
                plainOnly = i;
            probe.drop(); // a later port may still offer TLS
            continue;
        }
        if (probe.certificateRejected()) {
            search.certificateRejected = true;
            return search;
        }
        if (search.error.isEmpty() || probe.step() > search.step) {
            search.step = probe.step();
            search.error = probe.error();
        }
    }
    if (plainOnly >= 0) {
        // No TLS anywhere: the port that answered, under the rules for a password in the clear.
        ServerAddress candidate = address;
        candidate.port = candidates[plainOnly].port;
        candidate.implicitTls = false;
        if (probe.open(candidate)) {
            search.open = true;
            return search;
        }
    }
    search.tried = tried.join(QStringLiteral("、"));
    return search;
}

bool AdoptResolvedServer(MailProtocol protocol, const QString& bareText, const QString& resolved) {
    AccountRecord& a = AccountSettings();
    QString& field = protocol == MailProtocol::Pop3 ? a.Pop3Server : a.SmtpServer;
    if (resolved.isEmpty() || field != bareText)
        return true;
    field = resolved;
    return SaveServerSettings(a).ok;
}

} // namespace ricorne
