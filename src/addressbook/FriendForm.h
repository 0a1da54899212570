// The address book window "アドレス帳": binds the controls to AddressBookState and the
// operations of AddressBook.h. Rules live there; this file has the layout and the events.
#pragma once

#include "addressbook/AddressBook.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace ricorne {

class AddressListView;

class FriendForm : public QWidget {
    Q_OBJECT
public:
    explicit FriendForm(QWidget* parent = nullptr);
    ~FriendForm() override;

    // Load steps (run by the window registry): status empty, list filled from the store.
    void Load();

    // Puts a text into the mail address box (the history viewer's register-sender command).
    // Text set by the program is never cut to the typing limit.
    void SetAddress(const QString& address);

    const AddressBookState& State() const { return state_; }

    // Controls by their roles (object names in brackets).
    QLineEdit* AddressBox() const { return addressBox_; }           // Text4, mail address
    QLineEdit* NameBox() const { return nameBox_; }                 // Text2
    QLineEdit* NameCardBox() const { return nameCardBox_; }         // Text50
    QLineEdit* CountBox() const { return countBox_; }               // Text3, registered count
    AddressListView* MailListView() const { return list_; }         // MailListView
    QLabel* StatusLabel() const { return status_; }                 // Label7
    QLabel* NoteLabel() const { return note_; }                     // Label4
    QPlainTextEdit* HelpBox() const { return help_; }               // Text5
    QPushButton* PasteButton() const { return paste_; }             // Command1 "貼付"
    QPushButton* RegisterButton() const { return register_; }       // Command3 "登録"
    QPushButton* DeleteButton() const { return delete_; }           // Command4 "削除"
    QPushButton* NameCardButton() const { return nameCardButton_; } // Command38 "名刺挿入"

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void Build();
    void Wire();
    // Runs an operation on the state read from the controls, then shows the state.
    template <class Operation> void Run(Operation&& operation);
    void Collect();
    void Present();

    AddressBookState state_;
    int shownRevision_ = -1;

    QLineEdit* addressBox_ = nullptr;
    QLineEdit* nameBox_ = nullptr;
    QLineEdit* nameCardBox_ = nullptr;
    QLineEdit* countBox_ = nullptr;
    QPushButton* paste_ = nullptr;
    QPushButton* register_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* nameCardButton_ = nullptr;
    QLabel* note_ = nullptr;
    QLabel* status_ = nullptr;
    AddressListView* list_ = nullptr;
    QPlainTextEdit* help_ = nullptr;
};

} // namespace ricorne
