// The table of mail providers shipped beside the program ("providers.tsv"): which POP3 and SMTP
// servers a mail domain uses and how its users sign in, so the server settings can be filled
// from the mail address alone.
//
// One line per domain, TAB-separated: domain pattern, POP3 host, port, security, SMTP host,
// port, security, sign-in, source, and an optional note starting with "#". A pattern is a
// domain ("gmail.com") or "*.dom" (any subdomain of dom, not dom itself). "{domain}" in a host
// stands for the address's domain; "-" as POP3 host means the provider offers no POP3. A line
// with any field "?" is not confirmed and is never used; "#" starts a comment line.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace ricorne {

enum class SignInKind { Password, AppPassword, OAuth };
enum class TransportSecurity { Tls, StartTls, None };

struct ProviderEntry {
    QString pattern;
    QString pop3Host; // empty: no POP3 at this provider
    quint16 pop3Port = 0;
    TransportSecurity pop3Security = TransportSecurity::Tls;
    QString smtpHost;
    quint16 smtpPort = 0;
    TransportSecurity smtpSecurity = TransportSecurity::Tls;
    SignInKind signIn = SignInKind::Password;
    QString source;
};

// How a provider's users sign in with OAuth 2.0, from a line
//   oauth  NAME  DOMAIN-PATTERNS  AUTHORIZE-URL  TOKEN-URL  DEVICE-URL  SCOPES  CLIENT-ID  source
// (patterns and scopes separated by blanks; "-" for no device flow or no client ID). URLs are
// https://, or http:// to 127.0.0.1 (a server on this machine); anything else drops the line.
struct OAuthEndpoints {
    QString name; // empty: the provider has no OAuth line
    QStringList domains;
    QString authorizeUrl;
    QString tokenUrl;
    QString deviceUrl; // empty: no device flow
    QString scopes;
    QString clientId; // empty: the user supplies one
    QString source;
};

// What the table says for one mail address, in the forms the server boxes take.
struct ProviderSuggestion {
    bool found = false;
    QString domain;  // lower case
    QString pattern; // the line that matched
    QString pop3;    // "pop3s://host", "host:port"; empty when the provider has no POP3
    QString smtp;    // "smtps://host", "host:port"
    SignInKind signIn = SignInKind::Password;
    QString source;
};

class ProviderTable {
public:
    // Unusable lines (too few fields, "?", bad ports, unknown words) are skipped.
    static ProviderTable Parse(const QByteArray& utf8);
    // An unreadable or missing file gives an empty table.
    static ProviderTable Load(const QString& path);

    const QList<ProviderEntry>& Entries() const { return entries_; }
    const QList<OAuthEndpoints>& OAuthLines() const { return oauth_; }
    // The exact domain first, else the "*." pattern with the longest matching suffix.
    const ProviderEntry* Match(const QString& domain) const;
    // The OAuth line naming the address's domain (exactly or by "*." pattern); nullptr for none.
    const OAuthEndpoints* OAuthFor(const QString& address) const;
    // Nothing found for an address without "@", an unknown domain or an empty table.
    ProviderSuggestion Suggest(const QString& address) const;

private:
    QList<ProviderEntry> entries_;
    QList<OAuthEndpoints> oauth_;
};

QString ProviderTableFileName(); // "providers.tsv", beside the program
// The OAuth line for an address from the table in AppDir; name empty when there is none.
OAuthEndpoints OAuthForAddress(const QString& address);
// The table in AppDir, read afresh on each call (it is small).
ProviderSuggestion SuggestProvider(const QString& address);

// "pop3s://host", "smtps://host:port" for TLS from the start; "host:port" otherwise (a server
// without TLS still gets the usual refusal to send a password in the clear).
QString ServerText(const QString& host, quint16 port, TransportSecurity security, bool pop3);

QString SignInKindName(SignInKind kind); // "password", "app-password", "oauth"

} // namespace ricorne
