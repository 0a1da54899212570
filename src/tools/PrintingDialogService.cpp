#include "PrintingDialogService.h"

#include "HeadlessWindows.h"

namespace ricorne {

Answer PrintingDialogService::Message(const QString&, const QString& text, MessageIcon,
                                      MessageButtons buttons) {
    PrintHeadlessLine(text);
    return CancellingAnswer(buttons);
}

} // namespace ricorne
