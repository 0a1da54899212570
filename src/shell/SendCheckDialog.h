// The check before a send: a tick box for each recipient (a domain other than the sender's
// stands out), the subject and the attachments with their sizes. "送信" is enabled only when
// every box is ticked; with a wait set, it then counts down, and "送信を止める" (or Esc) still
// stops the mail. Accepted when the mail may go.
#pragma once

#include "core/dialogs/OutgoingCheck.h"

#include <QDialog>
#include <QVector>

class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;

namespace ricorne {

class SendCheckDialog : public QDialog {
    Q_OBJECT
public:
    explicit SendCheckDialog(const OutgoingMail& mail, QWidget* parent = nullptr);

    const QVector<QCheckBox*>& RecipientBoxes() const { return boxes_; }
    QPushButton* SendButton() const { return send_; }
    QPushButton* CancelButton() const { return cancel_; }
    QLabel* CountdownLabel() const { return countdown_; }
    // How long one second of the wait lasts (tests shorten it).
    void SetSecondLength(int milliseconds);

    void done(int result) override;

private:
    void UpdateSendButton();
    void StartCountdown();
    void Tick();

    QVector<QCheckBox*> boxes_;
    QPushButton* send_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QLabel* countdown_ = nullptr;
    QTimer* timer_ = nullptr;
    int remaining_ = 0;
    int delay_ = 0;
};

} // namespace ricorne
