#include "core/mail/ServerAddress.h"

namespace ricorne {

namespace {

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool ParsePort(QStringView text, quint16* port) {
    if (text.isEmpty() || text.size() > 5)
        return false;
    int value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value < 1 || value > 65535)
        return false;
    *port = quint16(value);
    return true;
}

bool ValidHost(QStringView host) {
    if (host.isEmpty())
        return false;
    for (QChar c : host) {
        if (c.unicode() <= 0x20 || c.unicode() == 0x7f || c == u'/' || c == u'@' || c.isSpace())
            return false;
    }
    return true;
}

} // namespace

ServerAddress ParseServerAddress(const QString& text, MailProtocol protocol) {
    ServerAddress result;
    qsizetype begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    QStringView rest = QStringView(text).mid(begin, end - begin);

    const bool pop3 = protocol == MailProtocol::Pop3;
    result.port = pop3 ? 110 : 25;
    const qsizetype schemeEnd = rest.indexOf(u"://");
    if (schemeEnd >= 0) {
        const QStringView scheme = rest.left(schemeEnd);
        const QString plain = pop3 ? QStringLiteral("pop3") : QStringLiteral("smtp");
        const QString secure = pop3 ? QStringLiteral("pop3s") : QStringLiteral("smtps");
        if (scheme.compare(secure, Qt::CaseInsensitive) == 0) {
            result.implicitTls = true;
            result.port = pop3 ? 995 : 465;
        } else if (scheme.compare(plain, Qt::CaseInsensitive) == 0) {
            result.plainAllowed = true;
        } else {
            return result;
        }
        rest = rest.mid(schemeEnd + 3);
        if (rest.endsWith(u'/'))
            rest.chop(1);
    }

    QStringView host = rest;
    QStringView port;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0)
            return result;
        host = rest.mid(1, close - 1);
        QStringView after = rest.mid(close + 1);
        if (!after.isEmpty()) {
            if (!after.startsWith(u':'))
                return result;
            port = after.mid(1);
            if (port.isEmpty())
                return result;
        }
    } else if (rest.count(u':') == 1) {
        const qsizetype colon = rest.indexOf(u':');
        host = rest.left(colon);
        port = rest.mid(colon + 1);
        if (port.isEmpty())
            return result;
    }
    // More than one colon without brackets: a bare IPv6 address on the default port.
    if (!port.isEmpty() && !ParsePort(port, &result.port))
        return result;
    if (!ValidHost(host))
        return result;
    result.host = host.toString();
    result.ok = true;
    return result;
}

QString ServerLabel(const ServerAddress& address) {
    const QString host = address.host.contains(u':') ? u'[' + address.host + u']' : address.host;
    return host + u':' + QString::number(address.port);
}

} // namespace ricorne
