// Finding TLS by itself for a server written as a bare host ("mail.example.jp": no scheme, no
// port). Most providers have closed the plain ports, so the TLS ports go first: POP3S 995, then
// 110 with STLS; SMTPS 465, then 587 and 25 with STARTTLS. The engines try them in that order
// and report what worked in the explicit form, which the caller writes back into the settings:
// from then on the server is no longer bare and the refusal rules of the explicit form hold.
#pragma once

#include "core/mail/ServerAddress.h"

#include "core/mail/MailSocket.h"

#include <QList>
#include <QString>

#include <functional>

namespace ricorne {

struct TlsCandidate {
    quint16 port = 0;
    bool implicitTls = false; // false: the plain port, upgraded by STLS / STARTTLS
};

// The ports tried for a bare host, in order. This is the only place they are listed.
QList<TlsCandidate> DefaultTlsCandidates(MailProtocol protocol);

// True for "host" alone (after blanks are trimmed): no scheme, no port, no brackets.
bool IsBareServer(const QString& text, MailProtocol protocol);

// The explicit form of a candidate that worked: "pop3s://host" (":port" when not the standard
// one) for TLS from the start, "host:port" for an upgraded plain port.
QString ExplicitServerText(const QString& host, const TlsCandidate& candidate, MailProtocol protocol);

// How one engine tries a port, for FindTls.
struct TlsProbe {
    std::function<bool(const ServerAddress&)> open; // connect, greet, STLS/STARTTLS as the port asks
    std::function<void()> drop;                     // abandon an open session without TLS
    std::function<bool()> encrypted;                // the open session runs over TLS
    std::function<bool()> certificateRejected;      // the last attempt failed on the certificate
    std::function<SessionStep()> step;              // where the last attempt stopped
    std::function<QString()> error;                 // and why
};

struct TlsSearch {
    bool open = false; // a session is open (over TLS, or on the first plain port that answered)
    QString resolved;  // the explicit form when the session runs over TLS
    bool certificateRejected = false;        // the search stopped at a rejected certificate
    SessionStep step = SessionStep::Connect; // otherwise where the furthest attempt stopped
    QString tried;                           // "995、110"
    QString error;                           // the furthest attempt's failure
};

// Tries the candidates in order and keeps the first session over TLS. When none gives TLS, the
// first port that answered is opened again (the rules for a password in the clear then apply);
// a rejected certificate stops the search, since a later port would meet the same certificate.
TlsSearch FindTls(const ServerAddress& address, const QList<TlsCandidate>& candidates, MailProtocol protocol,
                  const TlsProbe& probe);

// Where a resolved form goes: the matching server field of AccountSettings, when it still holds
// the bare text that was resolved, and then "klmail.ini". False when the file could not be written.
bool AdoptResolvedServer(MailProtocol protocol, const QString& bareText, const QString& resolved);

} // namespace ricorne
