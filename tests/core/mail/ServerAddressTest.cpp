#include "core/mail/ServerAddress.h"

#include <gtest/gtest.h>

using namespace ricorne;

namespace {

struct Expect {
    const char* text;
    MailProtocol protocol;
    bool ok;
    const char* host;
    int port;
    bool tls;
};

TEST(ServerAddress, AcceptsTheFieldFormsWithTheirDefaultPorts) {
    const Expect cases[] = {
        {"mail.example.jp", MailProtocol::Pop3, true, "mail.example.jp", 110, false},
        {"mail.example.jp", MailProtocol::Smtp, true, "mail.example.jp", 25, false},
        {"  mail.example.jp  \r\n", MailProtocol::Pop3, true, "mail.example.jp", 110, false},
        {"mail.example.jp:1110", MailProtocol::Pop3, true, "mail.example.jp", 1110, false},
        {"pop3://mail.example.jp", MailProtocol::Pop3, true, "mail.example.jp", 110, false},
        {"pop3s://mail.example.jp", MailProtocol::Pop3, true, "mail.example.jp", 995, true},
        {"POP3S://mail.example.jp:11995/", MailProtocol::Pop3, true, "mail.example.jp", 11995, true},
        {"smtp://127.0.0.1:587", MailProtocol::Smtp, true, "127.0.0.1", 587, false},
        {"smtps://smtp.example.jp", MailProtocol::Smtp, true, "smtp.example.jp", 465, true},
        {"[::1]:2525", MailProtocol::Smtp, true, "::1", 2525, false},
        {"smtps://[2001:db8::1]", MailProtocol::Smtp, true, "2001:db8::1", 465, true},
        {"2001:db8::1", MailProtocol::Pop3, true, "2001:db8::1", 110, false},
    };
    for (const Expect& c : cases) {
        SCOPED_TRACE(c.text);
        const ServerAddress a = ParseServerAddress(QString::fromUtf8(c.text), c.protocol);
        EXPECT_TRUE(a.ok);
        EXPECT_EQ(a.host, QString::fromUtf8(c.host));
        EXPECT_EQ(a.port, c.port);
        EXPECT_EQ(a.implicitTls, c.tls);
    }
}

TEST(ServerAddress, RejectsWhatCannotBeAServer) {
    const std::pair<const char*, MailProtocol> cases[] = {
        {"", MailProtocol::Pop3},
        {"   ", MailProtocol::Pop3},
        {"smtp://host", MailProtocol::Pop3},
        {"pop3s://host", MailProtocol::Smtp},
        {"imap://host", MailProtocol::Pop3},
        {"host:0", MailProtocol::Pop3},
        {"host:65536", MailProtocol::Pop3},
        {"host:", MailProtocol::Pop3},
        {"host:12a", MailProtocol::Pop3},
        {"ho st", MailProtocol::Pop3},
        {"host\r\nRCPT", MailProtocol::Smtp},
        {"user@host", MailProtocol::Smtp},
        {"[::1", MailProtocol::Smtp},
        {"pop3://", MailProtocol::Pop3},
    };
    for (const auto& [text, protocol] : cases) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseServerAddress(QString::fromUtf8(text), protocol).ok);
    }
}

} // namespace
