#include "history/HistoryView.h"

namespace ricorne {

HistoryView::~HistoryView() = default;

} // namespace ricorne
