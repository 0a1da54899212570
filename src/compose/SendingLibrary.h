// The mail component the writing windows send through. Until the program hands over its own
// process-wide component, the writing windows keep one of their own (sending keeps no state
// between calls but the last failure's text, so nothing is shared that matters).
#pragma once

namespace ricorne {

class NMail;

// The component sends go through when the caller names none.
NMail& SendingLibrary();
// Points sending at another component (nullptr: back to the own one). Not owned.
void SetSendingLibrary(NMail* mail);

} // namespace ricorne
