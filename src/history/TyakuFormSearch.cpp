// The viewer's history search box: a pause after typing, the search in slices between events,
// the hits in the list.
#include "core/geometry/Twips.h"
#include "history/HistorySearch.h"
#include "history/MailHeaderModel.h"
#include "history/TyakuForm.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QStatusBar>
#include <QTimer>

namespace ricorne {

namespace {
// Records scanned before the events are looked at again: a few milliseconds of work.
constexpr int kSearchSlice = 1024;
} // namespace

void TyakuForm::BuildHistorySearch() {
    historySearchBox_ = new QLineEdit(client_);
    historySearchBox_->setObjectName(QStringLiteral("HistorySearchBox"));
    historySearchBox_->setGeometry(TwipsRect(6200, 520, 1050, 375));
    historySearchBox_->setPlaceholderText(HistorySearchPlaceholder());
    historySearchBox_->setMouseTracking(true);
    historySearchBox_->installEventFilter(this);
    kanaFoldingBox_ = new QCheckBox(KanaFoldingCaption(), client_);
    kanaFoldingBox_->setObjectName(QStringLiteral("KanaFoldingBox"));
    kanaFoldingBox_->setGeometry(TwipsRect(7270, 520, 760, 375));
    kanaFoldingBox_->setChecked(true);
    kanaFoldingBox_->setMouseTracking(true);
    kanaFoldingBox_->installEventFilter(this);
    searchPause_ = new QTimer(this);
    searchPause_->setSingleShot(true);
    connect(searchPause_, &QTimer::timeout, this, &TyakuForm::SearchHistoryNow);
    connect(historySearchBox_, &QLineEdit::textChanged, this, &TyakuForm::HistorySearchEdited);
    connect(kanaFoldingBox_, &QCheckBox::toggled, this, [this] {
        if (!historySearchBox_->text().isEmpty())
            SearchHistoryNow();
    });
}

void TyakuForm::HistorySearchEdited() {
    search_.reset(); // the words it looks for are stale now
    if (historySearchBox_->text().isEmpty()) {
        searchPause_->stop();
        model_->SetHeaders(allRows_);
        SetCount(QString::number(allRows_.size()));
        statusBar_->clearMessage();
        return;
    }
    searchPause_->start(kSearchPauseMs);
}

bool TyakuForm::HistorySearchRunning() const {
    return search_ != nullptr || searchPause_->isActive();
}

void TyakuForm::SearchHistoryNow() {
    searchPause_->stop();
    search_ = std::make_unique<StoreSearch>(HistoryStore(CurrentHistoryMode()), historySearchBox_->text(),
                                            kanaFoldingBox_->isChecked());
    ContinueHistorySearch();
}

void TyakuForm::ContinueHistorySearch() {
    if (!search_)
        return;
    if (!search_->Step(kSearchSlice)) {
        // Keys typed meanwhile run first; one of them may drop this search.
        QTimer::singleShot(0, this, [this, current = search_.get()] {
            if (search_.get() == current)
                ContinueHistorySearch();
        });
        return;
    }
    ShowHistorySearchResult();
}

void TyakuForm::ShowHistorySearchResult() {
    const std::unique_ptr<StoreSearch> search = std::move(search_);
    if (search->Failed()) {
        statusBar_->showMessage(HistorySearchFailedText());
        return;
    }
    // Rows are in record order: row n - 1 is record n (a record past the list's end came after it).
    QVector<int> positions;
    positions.reserve(search->Hits().size());
    for (const int n : search->Hits()) {
        if (n <= allRows_.size())
            positions.append(n - 1);
    }
    const HeaderRows hits = allRows_.Pick(positions);
    model_->SetHeaders(hits);
    SetCount(QString::number(hits.size()));
    statusBar_->showMessage(HistorySearchHitsText(int(hits.size())));
}

} // namespace ricorne
