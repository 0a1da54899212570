// What killed checks leave in the attachment folder: attachments that were being written
// (AttachmentTempPrefix) and the message copies ".ricorne-message-<n>.tmp" that older versions
// wrote for every mail.
#pragma once

#include <QString>

namespace ricorne {

// Removes those files from folder. Returns how many went. Only while no other check can be
// running.
int RemoveCheckLeftovers(const QString& folder);

} // namespace ricorne
