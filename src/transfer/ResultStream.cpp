#include "transfer/ResultStream.h"

#include "base/DateTimeText.h"
#include "odbc/comm/ODBCComm.h"

namespace {

// Long enough that starting the worker costs nothing beside the rows, short enough that the
// counter moves smoothly and the window never looks stuck.
constexpr auto kSlice = std::chrono::milliseconds(50);

} // namespace

StreamOutcome
streamResultRows(ODBCComm& db, const ColumnKinds& kinds, const std::atomic<bool>& cancel,
                 const std::function<void(std::int64_t rows)>& between, bool asGrid,
                 const std::function<bool(const std::vector<std::string_view>& values)>& perRow)
{
    StreamOutcome out;
    std::vector<std::string_view> trimmed;
    const ODBCComm::RowSink sink = [&](const std::vector<std::string_view>& values) {
        if (cancel.load(std::memory_order_relaxed)) {
            out.cancelled = true;
            return false;
        }
        bool written = false;
        if (asGrid) {
            trimmed = values;
            for (std::size_t c = 0; c < trimmed.size() && c < kinds.size(); ++c) {
                if (kinds[c] == ColumnKind::DateTime)
                    trimmed[c] = TrimDateTimeText(trimmed[c]);
            }
            written = perRow(trimmed);
        } else {
            written = perRow(values);
        }
        if (!written) {
            out.writeFailed = true;
            return false;
        }
        ++out.rows;
        return true;
    };
    for (;;) {
        if (cancel.load(std::memory_order_relaxed)) {
            out.cancelled = true;
            break;
        }
        const std::int16_t code = db.DbStreamRows(
            sink, kSlice, asGrid ? ODBCComm::StreamFetch::AsGrid : ODBCComm::StreamFetch::Whole);
        if (between)
            between(out.rows);
        if (out.cancelled || out.writeFailed || code == 100)
            break;
        if (code != 0) {
            out.fetchStatus = code;
            out.fetchError = db.DbLastErrorText();
            break;
        }
    }
    return out;
}
