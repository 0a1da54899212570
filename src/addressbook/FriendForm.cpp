#include "addressbook/FriendForm.h"

#include "addressbook/AddressBookTexts.h"
#include "addressbook/AddressListView.h"
#include "addressbook/FriendFormLayout.h"
#include "addressbook/TypingLimit.h"
#include "core/text/Text.h"
#include "shell/AccessibleNames.h"
#include "shell/EscapeCloses.h"
#include "shell/Place.h"
#include "shell/TextBoxAdapter.h"

#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

#include <memory>

namespace ricorne {

namespace {

QLabel* MakeCaption(QWidget* parent, const QString& text, const TwipsBox& box) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Place(label, box);
    return label;
}

QLineEdit* MakeField(QWidget* parent, const QString& name, const QString& caption, int row) {
    using namespace layout;
    MakeCaption(parent, caption, {kFriendCaptionLeft, row, kFriendCaptionWidth, kFriendFieldHeight});
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    Place(field, {kFriendFieldLeft, row, kFriendFieldWidth, kFriendFieldHeight});
    return field;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, const TwipsBox& box) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setMouseTracking(true); // hover help
    Place(button, box);
    return button;
}

// Caps what the user types (QLineEdit::setMaxLength would also cut what the program sets).
// The text before the user's edit is the last one textChanged reported, whichever of the two
// signals Qt sends first for the edit.
void LimitTypedLength(QLineEdit* edit, int limit) {
    struct Seen {
        QString previous, current;
    };
    auto seen = std::make_shared<Seen>(Seen{edit->text(), edit->text()});
    QObject::connect(edit, &QLineEdit::textChanged, edit, [seen](const QString& text) {
        seen->previous = seen->current;
        seen->current = text;
    });
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit, seen, limit](const QString& text) {
        const QString& before = seen->current == text ? seen->previous : seen->current;
        const TypedText typed{text, edit->cursorPosition()};
        const TypedText limited = LimitTyping(before, typed, limit);
        if (limited == typed)
            return;
        edit->setText(limited.text);
        edit->setCursorPosition(limited.cursor);
    });
}

void SetIfDifferent(QLineEdit* edit, const QString& text) {
    if (edit->text() != text)
        edit->setText(text);
}

} // namespace

FriendForm::FriendForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FriendForm"));
    setWindowTitle(FriendFormCaption());
    resize(TwipsSize(layout::kFriendFormWidth, layout::kFriendFormHeight));
    setMouseTracking(true);
    Build();
    NameControls(*this, FriendAccessibleName, FriendHelpText);
    CloseOnEscape(*this);
    Wire();
}

FriendForm::~FriendForm() = default;

void FriendForm::Build() {
    using namespace layout;
    addressBox_ = MakeField(this, QStringLiteral("Text4"), QStringLiteral(u"メールアドレス"), kAddressRow);
    paste_ = MakeButton(this, QStringLiteral("Command1"), QStringLiteral(u"貼付"), kPasteButton);
    nameBox_ = MakeField(this, QStringLiteral("Text2"), QStringLiteral(u"名前"), kNameRow);
    nameCardBox_ = MakeField(this, QStringLiteral("Text50"), QStringLiteral(u"名刺"), kNameCardRow);
    nameCardButton_ =
        MakeButton(this, QStringLiteral("Command38"), QStringLiteral(u"名刺挿入"), kNameCardButton);
    LimitTypedLength(addressBox_, kAddressTypedLength);
    LimitTypedLength(nameBox_, kNameTypedLength);

    register_ = MakeButton(this, QStringLiteral("Command3"), QStringLiteral(u"登録"), kRegisterButton);
    delete_ = MakeButton(this, QStringLiteral("Command4"), QStringLiteral(u"削除"), kDeleteButton);
    MakeCaption(this, QStringLiteral(u"登録件数"), kCountCaption);
    countBox_ = new QLineEdit(this);
    countBox_->setObjectName(QStringLiteral("Text3"));
    countBox_->setReadOnly(true);
    countBox_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Place(countBox_, kCountBox);
    note_ = MakeCaption(this, FriendNoteText(), kNote);
    note_->setObjectName(QStringLiteral("Label4"));
    note_->setWordWrap(true);

    list_ = new AddressListView(this);
    list_->setObjectName(QStringLiteral("MailListView"));
    list_->setHeaderLabels({QStringLiteral("Address"), QStringLiteral("Name")});
    Place(list_, kAddressList);
    const int listWidth = Twips(kAddressList.width);
    list_->header()->setStretchLastSection(false);
    list_->setColumnWidth(0, listWidth / 2);
    list_->setColumnWidth(1, listWidth / 3);

    auto* statusPanel = new QFrame(this);
    statusPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Place(statusPanel, kStatusPanel);
    status_ = new QLabel(statusPanel);
    status_->setObjectName(QStringLiteral("Label7"));
    status_->setTextFormat(Qt::PlainText); // keeps the leading ideographic space
    status_->setGeometry(statusPanel->rect().adjusted(6, 2, -6, -2));

    help_ = new QPlainTextEdit(this);
    help_->setObjectName(QStringLiteral("Text5"));
    help_->setReadOnly(true);
    help_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    help_->setStyleSheet(QStringLiteral("QPlainTextEdit { background: rgb(192, 255, 255); color: black; }"));
    Place(help_, kFriendHelpBox);
    help_->hide();
}

void FriendForm::Wire() {
    connect(paste_, &QPushButton::clicked, this, [this] {
        Run([](AddressBookState& s) { PasteAddress(s, QGuiApplication::clipboard()->text()); });
    });
    connect(register_, &QPushButton::clicked, this, [this] { Run(RegisterAddress); });
    connect(nameCardButton_, &QPushButton::clicked, this, [this] { Run(InsertNameCard); });
    connect(delete_, &QPushButton::clicked, this, [this] { Run(DeleteAddress); });
    connect(list_, &AddressListView::Pressed, this, [this] { Run(PickAddressRow); });
    for (QPushButton* button : {paste_, register_, delete_, nameCardButton_})
        button->installEventFilter(this);
}

void FriendForm::Load() {
    Run(LoadAddressBook);
}

void FriendForm::SetAddress(const QString& address) {
    Run([&address](AddressBookState& s) { s.address = address; });
}

template <class Operation> void FriendForm::Run(Operation&& operation) {
    Collect();
    operation(state_);
    Present();
}

void FriendForm::Collect() {
    state_.address = addressBox_->text();
    state_.name = nameBox_->text();
    state_.nameCard = nameCardBox_->text();
    state_.selectedRow = list_->SelectedRow();
}

void FriendForm::Present() {
    SetIfDifferent(addressBox_, state_.address);
    SetIfDifferent(nameBox_, state_.name);
    SetIfDifferent(nameCardBox_, state_.nameCard);
    if (shownRevision_ != state_.listRevision) {
        shownRevision_ = state_.listRevision;
        list_->clear();
        QList<QTreeWidgetItem*> items;
        items.reserve(state_.rows.size());
        for (const AddressRow& row : state_.rows)
            items.append(new QTreeWidgetItem(QStringList{row.address, row.name}));
        list_->addTopLevelItems(items);
    }
    if (list_->SelectedRow() != state_.selectedRow) {
        list_->clearSelection();
        if (state_.selectedRow >= 0 && state_.selectedRow < list_->topLevelItemCount())
            list_->topLevelItem(state_.selectedRow)->setSelected(true);
    }
    SetIfDifferent(countBox_, state_.count);
    status_->setText(state_.status);
}

bool FriendForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
        const QString help = FriendHelpText(watched->objectName());
        if (!help.isEmpty()) {
            if (BoxText(*help_) != FromCrLf(help))
                help_->setPlainText(FromCrLf(help));
            help_->show();
            help_->raise();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FriendForm::mouseMoveEvent(QMouseEvent* event) {
    // Moves over children without tracking reach the window too; only the bare background (and
    // the captions painted on it) hides the help box.
    QWidget* under = childAt(event->position().toPoint());
    if (!under || qobject_cast<QLabel*>(under))
        help_->hide();
    QWidget::mouseMoveEvent(event);
}

} // namespace ricorne
