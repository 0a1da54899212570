// Which servers have offered TLS on their plain port before (STLS, STARTTLS), one per line
// ("POP3 host:port") in a small file of the mail data folder. A server that once offered it
// and no longer does is more likely an attacker stripping the offer than a server that
// stopped; the engines then refuse to go on in the clear.
#pragma once

#include "core/mail/ServerAddress.h"

#include <QString>

namespace ricorne {

class TlsMemory {
public:
    static QString FileName(); // "tls-servers.txt"

    // path empty: remembers nothing (and Remember writes nothing).
    explicit TlsMemory(QString path) : path_(std::move(path)) {}

    // protocol is the word of the failure texts ("POP3", "SMTP"); host letter case is ignored.
    bool Remembers(const QString& protocol, const ServerAddress& address) const;
    // Adds the server when it is not there yet (the file is created 0600). False when the
    // file could not be written.
    bool Remember(const QString& protocol, const ServerAddress& address) const;

private:
    static QByteArray Line(const QString& protocol, const ServerAddress& address);
    QString path_;
};

// The failure texts of the TLS rules, shared by the engines.
// The server offers no TLS and the user has not allowed a password in the clear.
QString NoEncryptionText(const QString& protocol, const ServerAddress& address);
// The server offered TLS before and does not now.
QString TlsOfferGoneText(const QString& protocol, const ServerAddress& address);

} // namespace ricorne
