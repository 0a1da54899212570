#include "facemarks/KaoForm.h"

#include "core/dialogs/DialogService.h"
#include "core/paths/Paths.h"
#include "core/text/Text.h"
#include "facemarks/FaceMarkCommands.h"
#include "facemarks/FaceMarkTexts.h"
#include "facemarks/KaoFormLayout.h"
#include "shell/EscapeCloses.h"
#include "shell/Place.h"
#include "shell/TextBoxAdapter.h"

#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QToolButton>
#include <QUrl>

namespace ricorne {

namespace {

QPushButton* MakeButton(QWidget* parent, int number, const QString& caption, const TwipsBox& box) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QStringLiteral("Command%1").arg(number));
    button->setAutoDefault(false);
    Place(button, box);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const TwipsBox& box) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Place(label, box);
    return label;
}

// The credit lines point at the program's own help page.
QString HelpPageAddress() {
    return QUrl::fromLocalFile(ResolvePath(QStringLiteral(u"\\help\\index.html"))).toString();
}

// Everything the system clipboard is asked for goes through here: plain text only.
void PutOnClipboard(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

QString ClipboardText() {
    return QGuiApplication::clipboard()->text();
}

} // namespace

KaoForm::KaoForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("KaoForm"));
    setWindowTitle(QStringLiteral(u"絵・顔文字"));
    setFixedSize(TwipsSize(kaolayout::kWidth, kaolayout::kHeight));
    CloseOnEscape(*this);
    BuildTabs();
    BuildFooter();
    for (int tab = 0; tab < kFaceMarkListCount; ++tab) {
        connect(inserts_[tab], &QPushButton::clicked, this, [this, tab] { Insert(tab); });
        connect(pastes_[tab], &QPushButton::clicked, this, [this, tab] { Paste(tab); });
        if (favourites_[tab])
            connect(favourites_[tab], &QPushButton::clicked, this, [this, tab] { AddToFavourites(tab); });
    }
}

void KaoForm::BuildTabs() {
    using namespace kaolayout;
    tabControl_ = new QWidget(this);
    tabControl_->setObjectName(QStringLiteral("SSTab1"));
    Place(tabControl_, kTabControl);

    // Twelve captions do not fit one row of tabs, so the tabs stand in four rows of three.
    tabGroup_ = new QButtonGroup(this);
    tabGroup_->setExclusive(true);
    const int tabWidth = kTabControl.width / kTabColumns;
    for (const FaceMarkList& list : FaceMarkLists()) {
        auto* button = new QToolButton(tabControl_);
        button->setObjectName(QStringLiteral("Tab%1").arg(list.tab));
        button->setText(list.caption);
        button->setCheckable(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        const int row = list.tab / kTabColumns;
        const int column = list.tab % kTabColumns;
        Place(button, {column * tabWidth, row * kTabRowHeight, tabWidth, kTabRowHeight});
        tabGroup_->addButton(button, list.tab);
        tabs_[list.tab] = button;
    }

    pages_ = new QStackedWidget(tabControl_);
    pages_->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    const int pagesTop = kTabRows * kTabRowHeight;
    Place(pages_, {0, pagesTop, kTabControl.width, kTabControl.height - pagesTop});
    for (int tab = 0; tab < kFaceMarkListCount; ++tab)
        pages_->addWidget(BuildPage(tab));
    connect(tabGroup_, &QButtonGroup::idClicked, this, &KaoForm::SetCurrentTab);
    SetCurrentTab(kOpeningTab);
}

QWidget* KaoForm::BuildPage(int tab) {
    using namespace kaolayout;
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Page%1").arg(tab));
    inserts_[tab] =
        MakeButton(page, kInsertCommands[tab], QStringLiteral(u"新規作成本文に挿入"), kInsertButton);
    pastes_[tab] = MakeButton(page, kPasteCommands[tab], QStringLiteral(u"追加（貼付）"), kPasteButton);
    if (tab != kFavouritesTab)
        favourites_[tab] =
            MakeButton(page, kFavouriteCommands[tab], QStringLiteral(u"お気に入りに追加"), kFavouriteButton);
    const QString labelName = tab == 0 ? QStringLiteral("Label1") : QStringLiteral("Label3_%1").arg(tab - 1);
    MakeLabel(page, labelName,
              QStringLiteral(
                  u"本文に挿入したい部分をマウスで選択（青色反転）し、「新規作成本文に挿入」をクリック！"),
              kInstruction);

    auto* box = new QPlainTextEdit(page);
    box->setObjectName(FaceMarkLists().at(tab).box);
    box->setAccessibleName(FaceMarkLists().at(tab).caption);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Text pictures only line up when lines are not wrapped at the box's edge.
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    Place(box, kListBox);
    boxes_[tab] = box;
    return page;
}

void KaoForm::BuildFooter() {
    using namespace kaolayout;
    MakeLabel(this, QStringLiteral("Label4"),
              QStringLiteral(u"追加・削除、編集自由自在。自動で保存されます。県名や電話番号、氏名をあなた用に"
                             u"変更して下さい。"),
              kLabel4);
    const QString address = HelpPageAddress();
    MakeLabel(this, QStringLiteral("Label6"), QStringLiteral(u"文字署名"), kCredit1Caption);
    MakeLabel(this, QStringLiteral("Label5"), address, kCredit1Address);
    MakeLabel(this, QStringLiteral("Label7"), QStringLiteral(u"(^-^)なページ"), kCredit2Caption);
    MakeLabel(this, QStringLiteral("Label8"), address, kCredit2Address);
}

void KaoForm::Load() {
    loaded_ = LoadFaceMarkLists();
    QStringList notCp932;
    for (int tab = 0; tab < kFaceMarkListCount; ++tab) {
        WriteTextBox(*boxes_[tab], TextBox(loaded_[tab].text, 0));
        const QString& name = FaceMarkLists().at(tab).fileName;
        if (loaded_[tab].reading == ListReading::Utf8)
            notCp932 << ReadAsUtf8Note(name);
        else if (loaded_[tab].reading == ListReading::Damaged)
            notCp932 << ReadDamagedNote(name);
    }
    SetCurrentTab(kOpeningTab);
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        const QRect frame = frameGeometry();
        move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
    }
    if (!notCp932.isEmpty())
        Dialogs().Message(QString(), ListsNotCp932Text(notCp932), MessageIcon::Warning, MessageButtons::Ok);
}

void KaoForm::SetInsertTarget(InsertTarget target) {
    insertTarget_ = std::move(target);
}

FaceMarkTexts KaoForm::Lists() const {
    FaceMarkTexts lists;
    for (int tab = 0; tab < kFaceMarkListCount; ++tab)
        lists[tab] = BoxText(*boxes_[tab]);
    return lists;
}

bool KaoForm::SaveLists(bool canStayOpen) {
    QStringList failures;
    for (int tab = 0; tab < kFaceMarkListCount; ++tab) {
        const QString text = BoxText(*boxes_[tab]);
        if (text == loaded_[tab].text)
            continue;
        const QStringList unkept = UnkeptCharacters(text);
        if (!unkept.isEmpty() &&
            Dialogs().Message(QString(),
                              UnkeptFaceMarksQuestion(FaceMarkLists().at(tab).caption, unkept, canStayOpen),
                              MessageIcon::Warning, MessageButtons::YesNo) != Answer::Yes) {
            if (!canStayOpen)
                continue;
            SetCurrentTab(tab);
            return false;
        }
        const platform::ReplaceResult result = SaveFaceMarkList(tab, text, loaded_[tab]);
        if (result)
            loaded_[tab] = {text, FaceMarkListBytes(text), ListReading::Cp932};
        else
            failures << result.Text();
    }
    if (failures.isEmpty())
        return true;
    Dialogs().Message(QString(), FaceMarkSaveFailedText(failures), MessageIcon::Warning, MessageButtons::Ok);
    // Open, the palette still holds the edits for another try.
    return !canStayOpen;
}

int KaoForm::CurrentTab() const {
    return pages_->currentIndex();
}

void KaoForm::SetCurrentTab(int tab) {
    if (tab < 0 || tab >= kFaceMarkListCount)
        return;
    pages_->setCurrentIndex(tab);
    tabs_[tab]->setChecked(true);
    // A pressed button alone hardly tells which tab is in front; its caption stands out too.
    for (QToolButton* button : tabs_) {
        QFont font = button->font();
        font.setBold(button == tabs_[tab]);
        button->setFont(font);
    }
}

void KaoForm::Insert(int tab) {
    QPlainTextEdit* source = boxes_[tab];
    TextBox sourceBox = ReadTextBox(*source);
    // Nothing selected: inserting empty text would only wipe the body's selection and the clipboard.
    if (!sourceBox.HasSelection())
        return;
    QString copied;
    const bool inserted =
        insertTarget_ && insertTarget_([&](TextBox& body) { copied = InsertFaceMark(sourceBox, body); });
    if (!inserted) {
        TextBox nowhere;
        copied = InsertFaceMark(sourceBox, nowhere);
    }
    PutOnClipboard(copied);
    WriteTextBox(*source, sourceBox);
    source->setFocus();
    close();
}

void KaoForm::Paste(int tab) {
    const QString clipboard = ClipboardText();
    EditTextBox(*boxes_[tab], [&](TextBox& target) { PasteFaceMark(target, clipboard); });
}

void KaoForm::AddToFavourites(int tab) {
    QPlainTextEdit* source = boxes_[tab];
    TextBox sourceBox = ReadTextBox(*source);
    if (!sourceBox.HasSelection())
        return;
    QString copied;
    EditTextBox(*boxes_[kFavouritesTab],
                [&](TextBox& favourites) { copied = AddFaceMarkToFavourites(sourceBox, favourites); });
    PutOnClipboard(copied);
    WriteTextBox(*source, sourceBox);
    source->setFocus();
}

void KaoForm::closeEvent(QCloseEvent* event) {
    if (!SaveLists(true)) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace ricorne
