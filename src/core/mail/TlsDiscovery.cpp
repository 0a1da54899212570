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

bool AdoptResolvedServer(MailProtocol protocol, const QString& bareText, const QString& resolved) {
    AccountRecord& a = AccountSettings();
    QString& field = protocol == MailProtocol::Pop3 ? a.Pop3Server : a.SmtpServer;
    if (resolved.isEmpty() || field != bareText)
        return true;
    field = resolved;
    return SaveServerSettings(a).ok;
}

} // namespace ricorne
