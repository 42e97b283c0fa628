#pragma once
// The random paint-effect choice. The generator is never seeded from the
// clock, so every run of a program draws the same sequence of effects.

#include <cstdint>
#include <random>

namespace show {

// True when the code lies in one of the eight ranges of the random pool.
bool inRandomPool(int code);

class RandomEffect {
public:
    // A uniform number in [0, 1) from the fixed-seed generator.
    double draw();

    // A code of the pool, never equal to the previous code returned.
    int next();

    int last() const { return m_last; }

private:
    std::mt19937 m_generator; // default seed on purpose
    int m_last = 0;
};

} // namespace show
