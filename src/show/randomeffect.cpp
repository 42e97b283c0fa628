#include "show/randomeffect.h"

#include <array>
#include <cmath>
#include <utility>

namespace show {

bool inRandomPool(int code)
{
    static constexpr std::array<std::pair<int, int>, 8> pool = {{{2000, 2554},
                                                                 {4000, 4029},
                                                                 {5000, 5263},
                                                                 {6000, 6525},
                                                                 {7000, 7263},
                                                                 {8000, 8259},
                                                                 {15000, 15035},
                                                                 {16000, 16035}}};
    for (const auto& [low, high] : pool) {
        if (code >= low && code <= high)
            return true;
    }
    return false;
}

double RandomEffect::draw()
{
    // 32 random bits over 2^32: uniform on [0, 1), never 1.
    return static_cast<double>(m_generator()) / 4294967296.0;
}

int RandomEffect::next()
{
    for (;;) {
        const int candidate = static_cast<int>(std::floor(draw() * 14036.0)) + 2000;
        if (candidate == m_last || !inRandomPool(candidate))
            continue;
        m_last = candidate;
        return candidate;
    }
}

} // namespace show
