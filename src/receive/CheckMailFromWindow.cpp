#include "receive/CheckMailFromWindow.h"

#include "shell/LongOperation.h"

namespace ricorne {

void CheckMailFromWindow(CheckMailHooks hooks) {
    if (LongOperation::Running())
        return;
    const LongOperation running;
    if (hooks.setStatus) {
        // The check holds the thread; whatever of the windows needs painting is painted now,
        // so each status is seen while the check runs.
        hooks.setStatus = [setStatus = std::move(hooks.setStatus)](const QString& text) {
            setStatus(text);
            LongOperation::ShowProgress();
        };
    }
    CheckMail(hooks);
}

} // namespace ricorne
