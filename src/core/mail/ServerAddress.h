// Server fields as the user types them: "host", "host:port", "[v6addr]:port" and the URL forms
// "pop3://", "pop3s://", "smtp://", "smtps://" with an optional port.
#pragma once

#include <QString>

namespace ricorne {

enum class MailProtocol { Pop3, Smtp };

struct ServerAddress {
    bool ok = false;
    QString host; // without brackets for IPv6
    quint16 port = 0;
    bool implicitTls = false; // pop3s:// or smtps://: TLS from the first byte
    // pop3:// or smtp:// written out: the user allows a password in the clear when the
    // server offers no TLS (the bare "host" form does not).
    bool plainAllowed = false;
};

// Default ports: 110 (POP3), 995 (POP3S), 25 (SMTP), 465 (SMTPS). Leading and trailing blanks
// (spaces, tabs, CR, LF) are ignored, the scheme's letter case too; a path "/" after the host
// is allowed. A scheme of the other protocol, an empty host, a host with blanks or control
// characters, or a port outside 1..65535 gives ok = false.
ServerAddress ParseServerAddress(const QString& text, MailProtocol protocol);

// "host:port" for failure texts ("[v6]:port" for IPv6).
QString ServerLabel(const ServerAddress& address);

} // namespace ricorne
