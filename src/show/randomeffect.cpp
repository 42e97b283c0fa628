#include "show/randomeffect.h"

#include <cmath>

#include "pictures/transitions.h"

namespace show {

bool inRandomPool(int code)
{
    // The effect table is the one place that says which codes the pool holds.
    return pictures::isPoolCode(code);
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
