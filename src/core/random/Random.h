// The program's one source of uniform random numbers.
//
// The slot lottery and the fortune draw from the same generator. It starts from a fixed seed,
// so every run draws the same sequence until something reseeds it from the clock (a send with
// the fortune switch on does).
#pragma once

#include <QtGlobal>

#include <random>

namespace ricorne {

class Random {
public:
    static constexpr quint64 DefaultSeed = 0x5EED0131u;

    // A fresh generator at the fixed default seed.
    Random();
    explicit Random(quint64 seed);

    // The next number, uniform in [0, 1). Never returns 1.0.
    double Next();

    void Seed(quint64 seed);
    // Seeds from the wall clock and the monotonic clock (nanoseconds).
    void SeedFromClock();

    // The process-wide generator, created at the default seed on first use.
    static Random& Shared();

private:
    std::mt19937_64 engine_;
};

} // namespace ricorne
