// The provider table: how lines are read and matched, and the table the program ships.
#include "core/providers/ProviderTable.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ricorne;

namespace {

const QByteArray kTable =
    "# comment\n"
    "example.jp\tpop.example.jp\t995\tssl\tsmtp.example.jp\t465\tssl\tpassword\tsrc1\t# note\n"
    "*.example.jp\tpop.{domain}\t110\tstarttls\tmsa.{domain}\t587\tstarttls\tpassword\tsrc2\n"
    "*.b.example.jp\tpop.b.example.jp\t1995\tssl\tsmtp.b.example.jp\t2465\tssl\tapp-password\tsrc3\r\n"
    "nopop.jp\t-\t-\t-\tsmtp.nopop.jp\t587\tstarttls\tapp-password\tsrc4\n"
    "oauth.jp\tpop.oauth.jp\t995\tssl\tsmtp.oauth.jp\t587\tstarttls\toauth\tsrc5\n"
    "unsure.jp\t?\t995\tssl\tsmtp.unsure.jp\t465\tssl\tpassword\tsrc6\n"
    "badport.jp\tpop.badport.jp\t99999\tssl\tsmtp.badport.jp\t465\tssl\tpassword\tsrc7\n"
    "badword.jp\tpop.badword.jp\t995\ttls\tsmtp.badword.jp\t465\tssl\tpassword\tsrc8\n"
    "short.jp\tpop.short.jp\t995\n"
    "evil.jp\tpop.evil.jp\r\nPOP3=x\t995\tssl\tsmtp.evil.jp\t465\tssl\tpassword\tsrc9\n";

struct Row {
    const char16_t* address;
    const char16_t* pop3; // nullptr: nothing found
    const char16_t* smtp;
    SignInKind signIn;
};

class Suggestions : public ::testing::TestWithParam<Row> {};

TEST_P(Suggestions, AddressGivesTheServerTextsTheBoxesTake) {
    const Row row = GetParam();
    const ProviderSuggestion s = ProviderTable::Parse(kTable).Suggest(QString::fromUtf16(row.address));
    if (!row.pop3) {
        EXPECT_FALSE(s.found) << s.pattern.toStdString();
        return;
    }
    ASSERT_TRUE(s.found);
    EXPECT_EQ(s.pop3, QString::fromUtf16(row.pop3));
    EXPECT_EQ(s.smtp, QString::fromUtf16(row.smtp));
    EXPECT_EQ(s.signIn, row.signIn);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Suggestions,
    ::testing::Values(Row{u"taro@example.jp", u"pop3s://pop.example.jp", u"smtps://smtp.example.jp",
                          SignInKind::Password},
                      Row{u" Taro@EXAMPLE.JP ", u"pop3s://pop.example.jp", u"smtps://smtp.example.jp",
                          SignInKind::Password},
                      // a subdomain: {domain} is the address's own domain
                      Row{u"hanako@a1.example.jp", u"pop.a1.example.jp:110", u"msa.a1.example.jp:587",
                          SignInKind::Password},
                      // the longer pattern wins; ports other than the standard ones stay written out
                      Row{u"x@c.b.example.jp", u"pop3s://pop.b.example.jp:1995",
                          u"smtps://smtp.b.example.jp:2465", SignInKind::AppPassword},
                      Row{u"x@nopop.jp", u"", u"smtp.nopop.jp:587", SignInKind::AppPassword},
                      Row{u"x@oauth.jp", u"pop3s://pop.oauth.jp", u"smtp.oauth.jp:587", SignInKind::OAuth},
                      // unconfirmed, broken or unknown lines and addresses give nothing
                      Row{u"x@unsure.jp", nullptr, nullptr, SignInKind::Password},
                      Row{u"x@badport.jp", nullptr, nullptr, SignInKind::Password},
                      Row{u"x@badword.jp", nullptr, nullptr, SignInKind::Password},
                      Row{u"x@short.jp", nullptr, nullptr, SignInKind::Password},
                      Row{u"x@evil.jp", nullptr, nullptr, SignInKind::Password},
                      Row{u"x@unknown.jp", nullptr, nullptr, SignInKind::Password},
                      Row{u"example.jp", nullptr, nullptr, SignInKind::Password},
                      Row{u"x@{domain}.example.jp", nullptr, nullptr, SignInKind::Password}));

TEST(ShippedProviderTable, EveryDataLineLoadsAndTheNamedProvidersAreThere) {
    QFile file(QStringLiteral(RICORNE_SOURCE_DIR "/data/providers.tsv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    int dataLines = 0;
    for (const QByteArray& line : bytes.split('\n'))
        if (!line.trimmed().isEmpty() && !line.startsWith('#'))
            ++dataLines;
    const ProviderTable table = ProviderTable::Parse(bytes);
    EXPECT_EQ(table.Entries().size() + table.OAuthLines().size(), dataLines); // no line is silently dropped
    for (const ProviderEntry& e : table.Entries()) {
        EXPECT_FALSE(e.source.isEmpty()) << e.pattern.toStdString();
        // Every provider that takes nothing but OAuth has its sign-in line.
        if (e.signIn == SignInKind::OAuth) {
            EXPECT_TRUE(table.OAuthFor(u"a@"_s + e.pattern)) << e.pattern.toStdString();
        }
    }
    for (const OAuthEndpoints& o : table.OAuthLines())
        EXPECT_TRUE(o.clientId.isEmpty())
            << "no client ID is registered for this program: " << o.name.toStdString();
    // An endpoint that would carry codes or tokens in the clear to another machine drops its line.
    EXPECT_EQ(ProviderTable::Parse("oauth\tx\tx.jp\thttp://x.jp/a\thttps://x.jp/t\t-\tmail\t-\ts\n"
                                   "oauth\ty\ty.jp\thttps://y.jp/a\thttp://127.0.0.1:80/t\t-\tmail\t-\ts\n")
                  .OAuthLines()
                  .size(),
              1);

    struct Expected {
        const char16_t* address;
        const char16_t* pop3;
        SignInKind signIn;
    };
    for (const Expected& x :
         {Expected{u"a@gmail.com", u"pop3s://pop.gmail.com", SignInKind::AppPassword},
          Expected{u"a@yahoo.co.jp", u"pop3s://pop.mail.yahoo.co.jp", SignInKind::Password},
          Expected{u"a@icloud.com", u"", SignInKind::AppPassword},
          Expected{u"a@hotmail.co.jp", u"pop3s://outlook.office365.com", SignInKind::OAuth},
          Expected{u"a@ocn.ne.jp", u"pop3s://pop.ocn.ne.jp", SignInKind::Password},
          Expected{u"a@xa2.biglobe.ne.jp", u"pop3s://mail.biglobe.ne.jp", SignInKind::Password},
          Expected{u"a@nifty.com", u"pop3s://pop.nifty.com", SignInKind::Password},
          Expected{u"a@asahi-net.or.jp", u"pop3s://pop.asahi-net.or.jp", SignInKind::Password}}) {
        const ProviderSuggestion s = table.Suggest(QString::fromUtf16(x.address));
        EXPECT_TRUE(s.found) << QString::fromUtf16(x.address).toStdString();
        EXPECT_EQ(s.pop3, QString::fromUtf16(x.pop3));
        EXPECT_EQ(s.signIn, x.signIn);
    }
    // Unconfirmed providers are kept only as comments.
    EXPECT_FALSE(table.Suggest(u"a@so-net.ne.jp"_s).found);
    EXPECT_FALSE(table.Suggest(u"a@eonet.ne.jp"_s).found);
}

} // namespace
