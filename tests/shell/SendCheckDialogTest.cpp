// The check before a send as the user meets it: "送信" only once every recipient is ticked, a
// domain other than the sender's marked (in the text and for a screen reader), and a wait that
// "送信を止める" ends without sending.
#include "shell/SendCheckDialog.h"
#include "core/dialogs/OutgoingCheck.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace ricorne {
namespace {

OutgoingMail TwoRecipients(int delaySeconds) {
    return DescribeOutgoing(
        u"me@example.jp"_s,
        {{u"山田"_s, u"yamada@example.jp"_s, false}, {QString(), u"佐藤 <sato@Example.COM>"_s, false}},
        u"会議の資料"_s, {u"/nonexistent/資料.pdf"_s}, delaySeconds);
}

TEST(SendCheckDialogTest, SendWaitsForEveryTickAndAnotherDomainStandsOut) {
    const OutgoingMail mail = TwoRecipients(0);
    EXPECT_FALSE(mail.recipients[0].otherDomain);
    EXPECT_TRUE(mail.recipients[1].otherDomain);
    EXPECT_EQ(mail.attachments[0].size, -1);

    SendCheckDialog dialog(mail);
    ASSERT_EQ(dialog.RecipientBoxes().size(), 2);
    EXPECT_FALSE(dialog.SendButton()->isEnabled());
    dialog.RecipientBoxes()[0]->click();
    EXPECT_FALSE(dialog.SendButton()->isEnabled());
    dialog.RecipientBoxes()[1]->click();
    EXPECT_TRUE(dialog.SendButton()->isEnabled());
    dialog.RecipientBoxes()[0]->click();
    EXPECT_FALSE(dialog.SendButton()->isEnabled()) << "an untick takes the go-ahead back";

    EXPECT_TRUE(dialog.RecipientBoxes()[1]->accessibleName().endsWith(u"（差出人と違うドメイン）"_s));
    EXPECT_FALSE(dialog.RecipientBoxes()[0]->accessibleName().contains(u"ドメイン"_s));
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    const QString all = texts.join(u'\n');
    EXPECT_TRUE(all.contains(u"<b style=\"color:#a00000;background:#fff0a0\">Example.COM</b>"_s))
        << qPrintable(all);
    EXPECT_TRUE(all.contains(u"件名: 会議の資料"_s));
    EXPECT_TRUE(all.contains(u"資料.pdf（読めません）"_s));

    dialog.RecipientBoxes()[0]->click();
    dialog.SendButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(SendCheckDialogTest, TheWaitCanBeStoppedAndOtherwiseEndsInTheSend) {
    for (const bool stop : {true, false}) {
        SendCheckDialog dialog(TwoRecipients(2));
        dialog.SetSecondLength(20);
        dialog.show();
        for (QCheckBox* box : dialog.RecipientBoxes())
            box->click();
        dialog.SendButton()->click();
        EXPECT_TRUE(dialog.isVisible()) << "the wait comes first";
        EXPECT_EQ(dialog.CountdownLabel()->text(), u"あと 2 秒で送信します。"_s);
        EXPECT_FALSE(dialog.RecipientBoxes()[0]->isEnabled());
        EXPECT_EQ(dialog.CancelButton()->text(), u"送信を止める(&T)"_s);
        if (stop) {
            dialog.CancelButton()->click();
            QTest::qWait(80);
            EXPECT_EQ(dialog.result(), QDialog::Rejected);
        } else {
            EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.result() == QDialog::Accepted; }, 2000));
        }
    }
}

} // namespace
} // namespace ricorne
