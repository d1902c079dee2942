#include "transfer/SelectOutStream.h"

#include "odbc/comm/ODBCComm.h"
#include "transfer/ExportFile.h"
#include "transfer/ExportText.h"

namespace {

// Long enough that starting the worker costs nothing beside the rows, short enough that the
// counter moves smoothly and the window never looks stuck.
constexpr auto kSlice = std::chrono::milliseconds(50);

} // namespace

SelectOutOutcome streamResultToFile(ODBCComm& db, const ColumnKinds& kinds,
                                    ExportLineBuilder& builder, ExportFile& file,
                                    const std::atomic<bool>& cancel,
                                    const std::function<void(std::int64_t rows)>& between)
{
    SelectOutOutcome out;
    std::string line;
    const ODBCComm::RowSink sink = [&](const std::vector<std::string_view>& values) {
        if (cancel.load(std::memory_order_relaxed)) {
            out.cancelled = true;
            return false;
        }
        line.clear();
        builder.appendRow(values, kinds, line);
        if (!file.write(line)) {
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
        const std::int16_t code = db.DbStreamRows(sink, kSlice);
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
