#include "core/settings/SendCheckSettings.h"

#include "core/paths/Paths.h"
#include "core/settings/ProfileFile.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace ricorne {

namespace {
const QString kSection = u"SENDCHECK"_s;
}

SendCheckOptions ReadSendCheckOptions() {
    const QString path = ResolvePath(CredentialsFile());
    SendCheckOptions options;
    options.enabled = ReadProfileString(path, kSection, u"CHECK"_s) == u"1"_s;
    bool ok = false;
    const int delay = ReadProfileString(path, kSection, u"DELAY"_s).toInt(&ok);
    options.delaySeconds = ok ? std::clamp(delay, 0, kMaxSendDelaySeconds) : 0;
    return options;
}

platform::ReplaceResult SaveSendCheckOptions(const SendCheckOptions& options) {
    const int delay = std::clamp(options.delaySeconds, 0, kMaxSendDelaySeconds);
    return WriteProfileStrings(
        ResolvePath(CredentialsFile()), kSection,
        {{u"CHECK"_s, options.enabled ? u"1"_s : u"0"_s}, {u"DELAY"_s, QString::number(delay)}}, true);
}

} // namespace ricorne
