#include "history/StatementCursor.h"

#include <algorithm>

namespace stmtcursor {

namespace {

std::int16_t clampCount(int count)
{
    return static_cast<std::int16_t>(std::clamp(count, 0, 32767));
}

} // namespace

std::int16_t stepDown(std::int16_t pos, int count)
{
    const std::int16_t n = clampCount(count);
    if (pos <= 0 || pos > n)
        return n;
    return static_cast<std::int16_t>(pos - 1);
}

std::int16_t stepUp(std::int16_t pos, int count)
{
    const std::int16_t n = clampCount(count);
    if (pos < 0)
        return n > 0 ? 1 : 0;
    if (pos < n)
        return static_cast<std::int16_t>(pos + 1);
    return 0;
}

int indexAt(std::int16_t pos, int count)
{
    if (pos < 1 || pos > count)
        return -1;
    return pos - 1;
}

} // namespace stmtcursor
