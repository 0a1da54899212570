#include "history/TyakuForm.h"

#include "core/dialogs/DialogService.h"
#include "core/geometry/Twips.h"
#include "core/text/Text.h"
#include "history/EditorCommands.h"
#include "history/EditorState.h"
#include "history/HistorySearch.h"
#include "history/MailHeaderModel.h"
#include "history/RecordOperations.h"
#include "history/ToolbarIcons.h"
#include "history/TyakuFormEditor.h"
#include "history/TyakuTexts.h"
#include "shell/AccessibleNames.h"
#include "shell/EscapeCloses.h"
#include "shell/TextBoxAdapter.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

namespace ricorne {

namespace {

QFont RecordFont() {
    return QFont(QStringLiteral(u"ＭＳ Ｐゴシック"), 9);
}

// Rows keep the fill spaces of their fields; drawn, those would only push every text into an
// ellipsis, so the painter gets the text without them.
class RowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        qsizetype end = option->text.size();
        while (end > 0 && option->text.at(end - 1) == QLatin1Char(' '))
            --end;
        option->text.truncate(end);
    }
};

void SetBoxText(QLineEdit* box, const QString& text) {
    box->setText(text);
    box->setCursorPosition(0); // show the beginning of a long text
}

} // namespace

TyakuForm::TyakuForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("TyakuForm"));
    setWindowTitle(QStringLiteral(u"履歴")); // replaced by the mode's caption before it shows
    CloseOnEscape(*this);
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("TyakuClient"));
    client_->setMouseTracking(true);
    client_->installEventFilter(this);
    setCentralWidget(client_);

    BuildMenus();
    BuildControls();
    BuildToolbar();
    NameControls(*this, TyakuAccessibleName, TyakuHelpText);
    Wire();

    resize(Twips(kTyakuClientWidth), Twips(kTyakuClientHeight) + menuBar()->sizeHint().height());
    layout_.AlignStatusBar(kTyakuClientWidth, kTyakuClientHeight);
    ApplyLayout();
}

TyakuForm::~TyakuForm() = default;

void TyakuForm::BuildMenus() {
    for (const TyakuMenu& menu : TyakuMenus()) {
        QMenu* m = menuBar()->addMenu(menu.caption);
        m->setObjectName(menu.name);
        menus_[menu.name] = m;
        for (const TyakuMenuItem& item : menu.items) {
            QAction* action = item.caption == u"-" ? m->addSeparator() : m->addAction(item.caption);
            action->setObjectName(item.name);
            if (item.command)
                connect(action, &QAction::triggered, this,
                        [this, command = *item.command] { RunCommand(command); });
        }
    }
}

void TyakuForm::BuildControls() {
    auto button = [this](int n, const QString& caption, int l, int t, int w, int h) {
        auto* b = new QPushButton(caption, client_);
        b->setObjectName(QStringLiteral("Command%1").arg(n));
        b->setGeometry(TwipsRect(l, t, w, h));
        b->setMouseTracking(true);
        b->installEventFilter(this);
        recordButtons_[n - 1] = b;
        return b;
    };
    auto textBox = [this](const QString& name, int l, int t, int w, int h) {
        auto* box = new QLineEdit(client_);
        box->setObjectName(name);
        box->setGeometry(TwipsRect(l, t, w, h));
        return box;
    };

    band_ = new QWidget(client_);
    band_->setObjectName(QStringLiteral("Picture1"));
    band_->setAutoFillBackground(true);

    button(2, QStringLiteral("TextQuickSave"), 3960, 0, 1815, 340);
    searchPanel_ = new QWidget(client_);
    searchPanel_->setObjectName(QStringLiteral("Picture4"));
    searchPanel_->setGeometry(TwipsRect(6120, 0, 975, 400));
    searchCaption_ = new QLabel(QStringLiteral(u"検索文字"), searchPanel_);
    searchCaption_->setObjectName(QStringLiteral("Label2"));
    searchCaption_->setTextFormat(Qt::PlainText);
    searchCaption_->setAlignment(Qt::AlignCenter);
    searchCaption_->setGeometry(0, 0, searchPanel_->width(), searchPanel_->height());
    searchBox_ = textBox(QStringLiteral("Text1"), 7080, 0, 1935, 375);
    searchBox_->setMouseTracking(true);
    searchBox_->installEventFilter(this);

    button(3, QStringLiteral(u"一件削除"), 120, 520, 1335, 375);
    button(4, QStringLiteral(u"アドレス帳登録"), 1560, 520, 1335, 375);
    button(5, QStringLiteral(u"返事を書く"), 3000, 520, 1455, 375);
    button(6, QStringLiteral(u"全件削除"), 4560, 520, 1455, 375);
    countCaption_ = new QLabel(QStringLiteral(u"件数"), client_);
    countCaption_->setObjectName(QStringLiteral("Label4"));
    countCaption_->setTextFormat(Qt::PlainText);
    countCaption_->setGeometry(TwipsRect(8040, 600, 495, 255));
    countBox_ = textBox(QStringLiteral("Text2"), 8640, 600, 495, 270);

    list_ = new QTreeView(client_);
    list_->setObjectName(QStringLiteral("MailListView"));
    model_ = new MailHeaderModel(this);
    list_->setModel(model_);
    list_->setItemDelegate(new RowDelegate(list_));
    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setUniformRowHeights(true); // one row measured, whatever the row count
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSortingEnabled(false);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionsMovable(false);
    list_->viewport()->setMouseTracking(true);
    list_->viewport()->installEventFilter(this);
    list_->installEventFilter(this);
    list_->header()->viewport()->setMouseTracking(true);
    list_->header()->viewport()->installEventFilter(this);

    for (QLineEdit** box : {&subjectBox_, &senderBox_, &dateBox_}) {
        const int i = int(box - &subjectBox_);
        *box = textBox(QStringLiteral("Text%1").arg(7 + i), 0, 0, 0, 0);
        (*box)->setFont(RecordFont());
        (*box)->setMouseTracking(true);
        (*box)->installEventFilter(this);
    }

    bodyEditor_ = new QPlainTextEdit(client_);
    bodyEditor_->setTabChangesFocus(true); // Tab must lead on, or the keyboard is caught here
    bodyEditor_->setObjectName(QStringLiteral("rtfEd"));
    bodyEditor_->viewport()->setMouseTracking(true);
    bodyEditor_->viewport()->installEventFilter(this);
    connect(bodyEditor_, &QPlainTextEdit::textChanged, this, [] { Editor().EditorModified = true; });

    lineList_ = new QListWidget(client_);
    lineList_->setObjectName(QStringLiteral("lstLst"));
    lineList_->hide();

    helpBox_ = new QPlainTextEdit(client_);
    helpBox_->setObjectName(QStringLiteral("Text4"));
    helpBox_->setGeometry(TwipsRect(2040, 4320, 5535, 1935));
    helpBox_->setReadOnly(true);
    helpBox_->setFocusPolicy(Qt::NoFocus);
    helpBox_->hide();

    statusBar_ = new QStatusBar(client_);
    statusBar_->setObjectName(QStringLiteral("StatusBar1"));
    statusBar_->setSizeGripEnabled(false);

    button(1, QStringLiteral(u"コピー（Subject/from/Data）"), 0, 0, 0, 0);
    previewBox_ = textBox(QStringLiteral("Text6"), 0, 0, 0, 0);
    // The selection flag's box lies outside the window's area and is never shown.
    selectionFlagBox_ = textBox(QStringLiteral("Text5"), 9720, 480, 735, 375);
    selectionFlagBox_->hide();
    BuildHistorySearch();
}

void TyakuForm::BuildToolbar() {
    toolBar_ = new QToolBar(band_);
    toolBar_->setObjectName(QStringLiteral("tbToolBar"));
    toolBar_->setIconSize(QSize(16, 16));
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    for (const TyakuToolButton& b : TyakuToolButtons()) {
        if (b.key == u"Cut" || b.key == u"Bold")
            toolBar_->addSeparator();
        QAction* action = toolBar_->addAction(ToolbarIcon(b.key), b.tooltip);
        action->setObjectName(b.key);
        action->setToolTip(b.tooltip);
        action->setData(b.key);
        connect(action, &QAction::triggered, this, [this, command = b.command] { RunCommand(command); });
    }
}

void TyakuForm::Load() {
    const std::vector<int> widths = TyakuColumnWidths();
    for (int column = 0; column < int(widths.size()); ++column)
        list_->setColumnWidth(column, Twips(widths[column]));
    layout_.PlaceBodyAtLoad();
    ApplyLayout();
    PrepareEditor();
    SetSelectionFlag(false);
}

void TyakuForm::PrepareEditor() {
    lineList_->hide();
    EditorState& editor = Editor();
    editor.CaretMemory[1] = editor.CaretMemory[0];
    editor.CaretMemory[0] = bodyEditor_->textCursor().position();
    // Nothing to load until the New command has named a file.
    QPointer<TyakuForm> self(this);
    while (!editor.EditorFile.isEmpty()) {
        if (const std::optional<QString> text = ReadEditorFile(editor.EditorFile)) {
            WriteTextBox(*bodyEditor_, TextBox(*text));
            break;
        }
        // OK tries again, Cancel goes on without the file.
        const Answer answer = Dialogs().Message(AppTitle() + QStringLiteral("  Form_LoadError"), QString(),
                                                MessageIcon::Warning, MessageButtons::OkCancel);
        if (!self || answer != Answer::Ok)
            break;
    }
    if (!self)
        return;
    editor.EditorModified = false;
    lineList_->hide();
    bodyEditor_->show();
}

void TyakuForm::SetRecordView(const QString& subject, const QString& sender, const QString& date,
                              const QString& body) {
    SetBoxText(subjectBox_, subject);
    SetBoxText(senderBox_, sender);
    SetBoxText(dateBox_, date);
    SetBody(body);
}

RecordTexts TyakuForm::RecordViewTexts() const {
    return {SubjectText(), SenderText(), DateText(), BodyText()};
}

QString TyakuForm::SubjectText() const {
    return subjectBox_->text();
}
QString TyakuForm::SenderText() const {
    return senderBox_->text();
}
QString TyakuForm::DateText() const {
    return dateBox_->text();
}
QString TyakuForm::BodyText() const {
    return ToCrLf(BoxText(*bodyEditor_));
}

void TyakuForm::SetRows(HeaderRows rows) {
    allRows_ = rows;
    model_->SetHeaders(std::move(rows));
    // A refilled list (a deletion, the other mode) is searched again for the words in the box,
    // once the refill has written its count.
    search_.reset();
    if (!historySearchBox_->text().isEmpty())
        searchPause_->start(0);
}

int TyakuForm::RowCount() const {
    return model_->rowCount();
}

int TyakuForm::SelectedRow() const {
    const QModelIndexList rows = list_->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return 0;
    const int row = rows.first().row();
    return row < model_->Headers().size() ? model_->Headers().at(row).number : 0;
}

void TyakuForm::SetBody(const QString& body) {
    WriteTextBox(*bodyEditor_, TextBox(FromCrLf(body)));
    Editor().EditorModified = true; // also when the text was empty before and after
}

TextBox TyakuForm::EditorBox() const {
    return ReadTextBox(*bodyEditor_);
}

void TyakuForm::EditEditor(const std::function<void(TextBox&)>& edit) {
    EditTextBox(*bodyEditor_, edit);
}

void TyakuForm::SetCount(const QString& text) {
    countBox_->setText(text);
}

void TyakuForm::SetSelectionFlag(bool on) {
    selectionFlagBox_->setText(on ? QStringLiteral("1") : QString());
}

bool TyakuForm::SelectionFlag() const {
    return selectionFlagBox_->text() == u"1";
}

void TyakuForm::SetListColour(ListColour colour) {
    QPalette palette = list_->palette();
    palette.setColor(QPalette::Base, QColor(colour.red, colour.green, colour.blue));
    list_->setPalette(palette);
}

QPushButton* TyakuForm::RecordButton(ViewerCommand command) const {
    for (int i = 0; i < 6; ++i) {
        if (kRecordButtonCommands[i] == command)
            return recordButtons_[i];
    }
    return nullptr;
}

QMenu* TyakuForm::Menu(const QString& name) const {
    const auto it = menus_.find(name);
    return it == menus_.end() ? nullptr : it->second;
}

int TyakuForm::OuterWidthTwips() const {
    return ToTwips(client_->width()) + kTyakuFrameWidth;
}

int TyakuForm::OuterHeightTwips() const {
    return ToTwips(client_->height()) + kTyakuFrameHeight;
}

void TyakuForm::ApplyResizeRules() {
    layout_.AlignStatusBar(ToTwips(client_->width()), ToTwips(client_->height()));
    layout_.Resize(OuterWidthTwips(), OuterHeightTwips(), isMaximized());
    ApplyLayout();
}

void TyakuForm::ApplyLayout() {
    band_->setGeometry(Place(layout_.band));
    if (toolBar_)
        toolBar_->setGeometry(0, 0, band_->width(), band_->height());
    list_->setGeometry(Place(layout_.listView));
    subjectBox_->setGeometry(Place(layout_.text7));
    senderBox_->setGeometry(Place(layout_.text8));
    dateBox_->setGeometry(Place(layout_.text9));
    bodyEditor_->setGeometry(Place(layout_.rtfEd));
    statusBar_->setGeometry(Place(layout_.statusBar));
    recordButtons_[0]->setGeometry(Place(layout_.command1));
    previewBox_->setGeometry(Place(layout_.text6));
    previewBox_->setVisible(layout_.text6Visible);
    recordButtons_[1]->setVisible(layout_.command2Visible);
}

void TyakuForm::PointerMoved(QObject* over) {
    const QString name = over->objectName();
    const QString help = TyakuHelpText(name);
    if (!help.isEmpty()) {
        helpBox_->setPlainText(FromCrLf(help));
        helpBox_->show();
        helpBox_->raise();
        return;
    }
    if (over == subjectBox_ || over == senderBox_ || over == dateBox_) {
        PreviewField(*this, static_cast<QLineEdit*>(over)->text());
        return;
    }
    const bool overList = over == list_->viewport() || over == list_->header()->viewport();
    const bool overBody = over == bodyEditor_->viewport();
    if (overList || overBody) {
        helpBox_->hide();
        if (overList)
            helpBox_->clear();
        layout_.PointerOverList(OuterHeightTwips());
        ApplyLayout();
        return;
    }
    if (over == client_) {
        layout_.PointerOverBackground();
        ApplyLayout();
    }
}

bool TyakuForm::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Resize:
        if (watched == client_)
            ApplyResizeRules();
        break;
    case QEvent::MouseMove: {
        // The bare client only: moves over its children reach it too when they do not track.
        if (watched == client_ &&
            client_->childAt(static_cast<QMouseEvent*>(event)->position().toPoint()) != nullptr)
            break;
        PointerMoved(watched);
        break;
    }
    case QEvent::KeyPress: {
        // Moving with the arrows shows nothing, as ever; Enter shows the row, as a click does.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (watched == list_ && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            // The row with the keyboard's cursor counts as chosen.
            const QModelIndex current = list_->currentIndex();
            if (current.isValid() && !list_->selectionModel()->isRowSelected(current.row()))
                list_->selectionModel()->select(current, QItemSelectionModel::ClearAndSelect |
                                                             QItemSelectionModel::Rows);
            ShowSelectedRecord(*this, CurrentHistoryMode());
            return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        // A mouse click on the list shows the selected row; the keyboard alone shows nothing.
        if (watched == list_->viewport() && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            ShowSelectedRecord(*this, CurrentHistoryMode());
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace ricorne
