#include "core/mail/BearerSasl.h"

namespace ricorne {

namespace {

bool Printable(const QByteArray& bytes) {
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            return false;
    }
    return true;
}

} // namespace

BearerMechanism ChooseBearerMechanism(const QStringList& offered) {
    bool xoauth2 = false, oauthbearer = false;
    for (const QString& m : offered) {
        xoauth2 = xoauth2 || m.compare(u"XOAUTH2", Qt::CaseInsensitive) == 0;
        oauthbearer = oauthbearer || m.compare(u"OAUTHBEARER", Qt::CaseInsensitive) == 0;
    }
    return oauthbearer ? BearerMechanism::OAuthBearer
                       : (xoauth2 ? BearerMechanism::XOAuth2 : BearerMechanism::None);
}

QByteArray BearerMechanismName(BearerMechanism mechanism) {
    switch (mechanism) {
    case BearerMechanism::XOAuth2:
        return "XOAUTH2";
    case BearerMechanism::OAuthBearer:
        return "OAUTHBEARER";
    case BearerMechanism::None:
        break;
    }
    return {};
}

QByteArray BearerResponse(BearerMechanism mechanism, const QString& user, const QByteArray& token,
                          const QString& host, quint16 port) {
    const QByteArray id = user.toUtf8();
    if (id.isEmpty() || token.isEmpty() || !Printable(id) || !Printable(token) || token.contains(' '))
        return {};
    if (mechanism == BearerMechanism::XOAuth2)
        return "user=" + id + "\x01" + "auth=Bearer " + token + "\x01\x01";
    if (mechanism != BearerMechanism::OAuthBearer || id.contains(',') || id.contains('='))
        return {};
    // RFC 7628 gs2 header with the authorization identity: servers require "a=".
    QByteArray response = "n,a=" + id + ",\x01";
    if (!host.isEmpty() && Printable(host.toUtf8()))
        response += "host=" + host.toUtf8() + "\x01" + "port=" + QByteArray::number(port) + "\x01";
    return response + "auth=Bearer " + token + "\x01\x01";
}

QByteArray BearerErrorAnswer(BearerMechanism mechanism) {
    // RFC 7628 3.2.3: a single ^A; XOAUTH2 expects an empty line.
    return mechanism == BearerMechanism::OAuthBearer ? QByteArray("\x01").toBase64() : QByteArray();
}

QString BearerWithoutTlsText(const QString& protocol, const QString& server) {
    return QStringLiteral(
               "%1 サーバー %2 との通信が暗号化されていないため、サインインの情報を送りませんでした。"
               "サーバー名を暗号化できる形（TLS）にしてください")
        .arg(protocol, server);
}

} // namespace ricorne
