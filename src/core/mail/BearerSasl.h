// Logging in with an OAuth 2.0 access token: the SASL mechanisms XOAUTH2 and OAUTHBEARER
// (RFC 7628), as POP3 (AUTH, RFC 5034) and SMTP speak them.
//
// The exchange always sends the mechanism alone and the token after the server's empty
// challenge: real tokens run to 1-2 KB and some servers refuse a command line that long. A
// refused token comes back as a challenge carrying the server's JSON; the client answers it (or
// the server waits until its own timeout) and then reads the failure.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ricorne {

enum class BearerMechanism { None, XOAuth2, OAuthBearer };

// The mechanism to use among those the server names (any letter case); None when it offers
// neither. OAUTHBEARER is the standard one, XOAUTH2 what older servers know.
BearerMechanism ChooseBearerMechanism(const QStringList& offered);
QByteArray BearerMechanismName(BearerMechanism mechanism); // "XOAUTH2", "OAUTHBEARER"

// The client's response, not yet in base64. Empty when user or token holds a byte that cannot
// go into it (a control character, "," or "=" in an OAUTHBEARER user).
QByteArray BearerResponse(BearerMechanism mechanism, const QString& user, const QByteArray& token,
                          const QString& host, quint16 port);
// What the client answers to the server's error challenge.
QByteArray BearerErrorAnswer(BearerMechanism mechanism); // base64, may be empty

// How a token login ended.
enum class BearerResult {
    LoggedIn,
    TokenRefused, // the server looked at the token and said no: refresh it or sign in again
    Failed,       // anything else (no TLS, a temporary failure, a broken connection): keep the token
};

// The Japanese text for a login refused before anything was sent because the connection is
// not encrypted.
QString BearerWithoutTlsText(const QString& protocol, const QString& server);

} // namespace ricorne
