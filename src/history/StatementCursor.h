#pragma once

#include <cstdint>

// Browse positions over a statement list of count entries: 0 is no entry, 1 to count the
// entries, with 0 between the two ends. Positions the list no longer has (count shrank after
// the caller moved there) are brought back into range: a step down from above the count lands
// on the count, and nothing is read there.
namespace stmtcursor {

// A position above count steps down to count; 0 wraps to count; otherwise one down.
std::int16_t stepDown(std::int16_t pos, int count);
// A position below count steps up by one; otherwise 0.
std::int16_t stepUp(std::int16_t pos, int count);
// The 0-based index at pos, or -1 when pos holds no entry (below 1 or above count).
int indexAt(std::int16_t pos, int count);

} // namespace stmtcursor
