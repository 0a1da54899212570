#include "shell/QtDialogService.h"
#include "shell/ApplicationSetup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

namespace ricorne {
namespace {

// The real message box: Japanese standard buttons whatever the locale, the application title
// when none is given, and the answer of the button pressed.
TEST(QtDialogServiceTest, MessageBoxSpeaksJapanese) {
    ASSERT_TRUE(InstallJapaneseTranslations(*QCoreApplication::instance()));
    QStringList buttonTexts;
    QString title;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        title = box->windowTitle();
        for (QAbstractButton* b : box->buttons())
            buttonTexts << b->text().remove(QLatin1Char('&'));
        box->button(QMessageBox::Yes)->click();
    });
    poll.start();
    QtDialogService qt;
    const Answer answer =
        qt.Message({}, QStringLiteral(u"上書きしますか？ "), MessageIcon::Question, MessageButtons::YesNo);
    EXPECT_EQ(answer, Answer::Yes);
    EXPECT_EQ(title, AppTitle());
    // Qt's Japanese texts carry the access key: "はい(Y)", "いいえ(N)".
    ASSERT_EQ(buttonTexts.size(), 2) << buttonTexts.join(u',').toStdString();
    EXPECT_TRUE(buttonTexts.filter(QRegularExpression(QStringLiteral(u"^はい"))).size() == 1);
    EXPECT_TRUE(buttonTexts.filter(QRegularExpression(QStringLiteral(u"^いいえ"))).size() == 1);
}

} // namespace
} // namespace ricorne
