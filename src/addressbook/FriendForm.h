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

    // Controls by their names.
    QLineEdit* Text4() const { return text4_; }   // mail address
    QLineEdit* Text2() const { return text2_; }   // name
    QLineEdit* Text50() const { return text50_; } // name card
    QLineEdit* Text3() const { return text3_; }   // registered count
    AddressListView* MailListView() const { return list_; }
    QLabel* Label7() const { return status_; }
    QLabel* Label4() const { return note_; }
    QPlainTextEdit* Text5() const { return help_; }
    QPushButton* Command1() const { return paste_; }
    QPushButton* Command3() const { return register_; }
    QPushButton* Command4() const { return delete_; }
    QPushButton* Command38() const { return nameCard_; }

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

    QLineEdit* text4_ = nullptr;
    QLineEdit* text2_ = nullptr;
    QLineEdit* text50_ = nullptr;
    QLineEdit* text3_ = nullptr;
    QPushButton* paste_ = nullptr;
    QPushButton* register_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* nameCard_ = nullptr;
    QLabel* note_ = nullptr;
    QLabel* status_ = nullptr;
    AddressListView* list_ = nullptr;
    QPlainTextEdit* help_ = nullptr;
};

} // namespace ricorne
