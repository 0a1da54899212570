#include "core/random/Random.h"

#include <chrono>

namespace ricorne {

Random::Random() : engine_(DefaultSeed) {}

Random::Random(quint64 seed) : engine_(seed) {}

double Random::Next() {
    // The top 53 bits give every double in [0, 1) on a 2^-53 grid; 1.0 cannot come out,
    // which std::generate_canonical does not promise.
    return static_cast<double>(engine_() >> 11) * 0x1.0p-53;
}

void Random::Seed(quint64 seed) {
    engine_.seed(seed);
}

void Random::SeedFromClock() {
    const auto wall = static_cast<quint64>(std::chrono::system_clock::now().time_since_epoch().count());
    const auto fine = static_cast<quint64>(std::chrono::steady_clock::now().time_since_epoch().count());
    // Mix the two so seeds taken a moment apart land far apart.
    quint64 z = wall * 0x9E3779B97F4A7C15ull ^ fine;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    engine_.seed(z ^ (z >> 31));
}

Random& Random::Shared() {
    static Random shared;
    return shared;
}

} // namespace ricorne
