#include "compose/SendingLibrary.h"

#include "core/mail/NMail.h"

namespace ricorne {

namespace {
NMail* chosen = nullptr;
}

NMail& SendingLibrary() {
    if (chosen)
        return *chosen;
    static NMail own;
    return own;
}

void SetSendingLibrary(NMail* mail) {
    chosen = mail;
}

} // namespace ricorne
