// libFuzzer entry for one target, chosen at build time (RICORNE_FUZZ_TARGET).
#include "FuzzTargets.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ricorne::fuzz::Setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ricorne::fuzz::Target* target =
        ricorne::fuzz::FindTarget(QStringLiteral(RICORNE_FUZZ_TARGET));
    if (!target)
        std::abort();
    target->run(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
