// The reply window "返事を書く": recipient, subject, attachments and a body box, filled by the
// history viewer's reply command. A failed send keeps the window and everything in it; a
// successful one, "送信中止" and the close box close it, and every close empties the body.
#pragma once

#include "compose/SendReply.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QTextEdit;

namespace ricorne {

class AttachmentControls;

class BackForm : public QWidget {
    Q_OBJECT
public:
    explicit BackForm(QWidget* parent = nullptr);
    ~BackForm() override;

    // Load steps: AttachText 2800 twips wide, List2 hidden, all attachment buttons enabled.
    void Load();

    // What the history viewer fills in before it shows the window (body with CR LF or "\n").
    void Fill(const QString& recipient, const QString& subject, const QString& body);
    // The state as the controls show it now.
    const ReplyState& State();

    void SetFileChooser(FileChooser chooser);
    // The mail component or a stand-in (tests); nullptr for the program's SharedMail().
    void SetMailLibrary(NMail* mail) { mail_ = mail; }

    // Controls by their names.
    QPushButton* SendButton() const { return send_; }       // Command2 "送信"
    QPushButton* StopButton() const { return stop_; }       // Command3 "送信中止"
    QPushButton* PasteBodyButton() const { return paste_; } // Command4 "本文に貼付"
    QLineEdit* ToText() const { return to_; }
    QLineEdit* SubjectText() const { return subject_; }
    QTextEdit* BodyText() const { return body_; }
    AttachmentControls* Attachments() const { return attachments_; }
    QStatusBar* StatusBar() const { return statusBar_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Pull();
    void Push();
    void Send();
    void PasteQuoted();

    ReplyState state_;
    NMail* mail_ = nullptr;
    bool sending_ = false;
    QPushButton* send_;
    QPushButton* stop_;
    QPushButton* paste_;
    QLabel* toCaption_;
    QLabel* subjectCaption_;
    QLabel* attachCaption_;
    QLineEdit* to_;
    QLineEdit* subject_;
    AttachmentControls* attachments_;
    QTextEdit* body_;
    QStatusBar* statusBar_;
};

} // namespace ricorne
