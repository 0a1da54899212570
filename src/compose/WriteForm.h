// The compose window "新規作成": recipient, subject, body, the greeting chooser, attachments,
// the fortune switch and, in the widened window, the name panel with batch sending. The window
// shows a ComposeState; every button runs the state's logic and shows the result.
//
// Other subsystems use it through:
//   Body(), EditBody     the body box as a value, and edits of it (the face-mark palette
//                        inserts at its caret)
//   SetFaceMarkAction    what "顔・絵文字" does (opens the palette once it exists)
#pragma once

#include "compose/ComposeState.h"
#include "compose/ComposeTexts.h"
#include "core/text/TextBox.h"

#include <QWidget>
#include <functional>
#include <map>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace ricorne {

class AttachmentControls;
class NameListBox;

class WriteForm : public QWidget {
    Q_OBJECT
public:
    explicit WriteForm(QWidget* parent = nullptr);
    ~WriteForm() override;

    // Load steps: size 7100 x 8200 twips, centred; switches off; greeting lines; the name list
    // from the master address file.
    void Load();

    // The state as the controls show it now.
    const ComposeState& State();
    // The body box: text ("\n" line breaks), caret and selection, and an edit applied to it
    // that the window shows at once (the text is replaced only when the edit changed it).
    TextBox Body() const;
    void EditBody(const std::function<void(TextBox&)>& edit);
    void SetFaceMarkAction(std::function<void()> action);
    // How an attachment file is chosen (tests; the dialog service by default).
    void SetFileChooser(FileChooser chooser);

    // Controls by their roles (object names in brackets).
    QPushButton* SendButton() const { return send_; }              // Command1 "送信"
    QPushButton* StopButton() const { return stop_; }              // Command3 "送信中止"
    QPushButton* NamePanelButton() const { return addressBook_; }  // Command4 "アドレス帳"
    QPushButton* PasteBodyButton() const { return pasteBody_; }    // Command5 "本文に貼付"
    QPushButton* NormalSizeButton() const { return normalSize_; }  // Command6 "元のサイズ"
    QPushButton* PasteRecipientButton() const { return pasteTo_; } // Command7 "宛先に貼付"
    QPushButton* FaceMarksButton() const { return faceMarks_; }    // Command8 "顔・絵文字"
    QPushButton* ClearButton() const { return clear_; }            // Command11 "クリア"
    QLineEdit* ToText() const { return to_; }                      // ToText
    QLineEdit* SubjectText() const { return subject_; }            // SubjectText
    QComboBox* OpeningLineBox() const { return combo_; }           // Combo1
    QPlainTextEdit* BodyText() const { return body_; }             // BodyText
    QCheckBox* FortuneCheck() const { return fortune_; }           // Check1
    QRadioButton* NormalSendingOption() const { return normal_; }  // Option1 "取消"
    QRadioButton* BatchSendingOption() const { return batch_; }    // Option2 "一括送信"
    NameListBox* NameList() const { return names_; }               // List1
    QLineEdit* NameCountBox() const { return nameCount_; }         // Text1
    QLabel* StatusLabel() const { return status_; }                // Label7
    QPlainTextEdit* HelpBox() const { return help_; }              // Text14
    QWidget* NamePanel() const { return namePanel_; }              // Picture5
    AttachmentControls* Attachments() const { return attachments_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    void Build();
    void BuildNamePanel();
    void Wire();
    void Pull();
    void Push();
    // Pull, run, push: every handler goes through this.
    void Apply(const std::function<void(ComposeState&)>& operation);
    void SetWidth(int twips);
    void CentreOnScreen();
    void Send();
    void PickName();
    // The status line names the characters the sent history would store as "?".
    void NoteSentHistoryLoss();
    void ShowHelpFor(QObject* control);
    void HideHelp();
    // A key or input-method commit that would make the typed recipient longer than its limit.
    bool RefusedByTypingLimit(QEvent* event) const;

    ComposeState state_;
    bool sending_ = false;
    std::function<void()> faceMarkAction_;
    std::map<QObject*, ComposeHelp> helpTargets_;

    QPushButton* send_;
    QPushButton* addressBook_;
    QPushButton* normalSize_;
    QPushButton* faceMarks_;
    QPushButton* stop_;
    QPushButton* pasteBody_;
    QPushButton* pasteTo_;
    QPushButton* clear_;
    QLineEdit* to_;
    QLineEdit* subject_;
    QComboBox* combo_;
    AttachmentControls* attachments_;
    QCheckBox* fortune_;
    QPlainTextEdit* body_;
    QLabel* status_;
    QPlainTextEdit* help_;
    QWidget* namePanel_;
    NameListBox* names_;
    QLineEdit* nameCount_;
    QRadioButton* batch_;
    QRadioButton* normal_;
};

} // namespace ricorne
