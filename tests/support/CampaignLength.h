// How many trials a kill campaign runs: the short form in the suite, the long form when
// RICORNE_LONG_CAMPAIGN=1 (scripts/long-campaigns.sh), RICORNE_CAMPAIGN_TRIALS overriding both.
#pragma once

#include <QtGlobal>

namespace ricorne::testing {

inline bool LongCampaign() {
    return qEnvironmentVariableIntValue("RICORNE_LONG_CAMPAIGN") != 0;
}

inline int CampaignTrials(int shortForm, int longForm) {
    bool ok = false;
    const int asked = qEnvironmentVariableIntValue("RICORNE_CAMPAIGN_TRIALS", &ok);
    if (ok && asked > 0)
        return asked;
    return LongCampaign() ? longForm : shortForm;
}

} // namespace ricorne::testing
