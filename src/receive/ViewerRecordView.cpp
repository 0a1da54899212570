#include "receive/ViewerRecordView.h"

#include "app/WindowRegistry.h"
#include "history/TyakuForm.h"

namespace ricorne {

namespace {
// The viewer, loaded hidden (its load steps run) when it is not loaded yet.
TyakuForm& Viewer() {
    return *Registry().Get<TyakuForm>();
}
} // namespace

void ViewerRecordView::Stage(const QString& subject, const QString& sender, const QString& date,
                             const QString& body) {
    Viewer().SetRecordView(subject, sender, date, body);
}

QString ViewerRecordView::SubjectText() const {
    return Viewer().RecordSubject();
}
QString ViewerRecordView::SenderText() const {
    return Viewer().RecordSender();
}
QString ViewerRecordView::DateText() const {
    return Viewer().RecordDate();
}
QString ViewerRecordView::BodyText() const {
    return Viewer().RecordBody();
}

} // namespace ricorne
