// The fetches of OdbcLib: one row per SQLFetch or from 256-row blocks, as texts, as views of
// the driver's bytes, or with every value whole for a file.
#include "odbc/OdbcLib.h"

#include "odbc/OdbcCalls.h"
#include "text/CodePage.h"

#include <algorithm>
#include <cstring>
#include <sql.h>
#include <sqlext.h>

using odbccalls::succeeded;

namespace {

constexpr std::size_t kSlot = OdbcLib::kSlotBytes;
constexpr std::size_t kRows = OdbcLib::kBlockRows;

} // namespace

int OdbcLib::OdbcGetRowData(Handle statement, int n, std::vector<std::string>& values,
                            std::size_t maxBytes)
{
    if (values.size() < static_cast<std::size_t>(n))
        values.resize(n);
    char small[kMaxValueBytes + 2];
    std::string large;
    char* buffer = small;
    if (maxBytes > kMaxValueBytes) {
        large.assign(maxBytes + 2, '\0');
        buffer = large.data();
    }
    for (int i = 0; i < n; ++i) {
        SQLLEN indicator = 0;
        buffer[0] = 0;
        const SQLRETURN rc = SQLGetData(statement, static_cast<SQLUSMALLINT>(i + 1), SQL_C_CHAR,
                                        buffer, static_cast<SQLLEN>(maxBytes + 1), &indicator);
        if (!succeeded(rc))
            return rc;
        if (indicator == SQL_NULL_DATA) {
            values[i].clear();
            continue;
        }
        buffer[maxBytes] = 0;
        const std::size_t bytes = strnlen(buffer, maxBytes);
        storeDriverText(buffer, bytes, maxBytes, bytes >= maxBytes, values[i]);
    }
    return 0;
}

int OdbcLib::readWholeValue(int column, std::string& value, std::string_view& out)
{
    // The buffer keeps its size between rows, so a long column costs one read per row once it
    // has grown; resize only where the size must change.
    if (value.size() < kSlot)
        value.resize(kSlot);
    std::size_t have = 0;
    for (;;) {
        SQLLEN indicator = 0;
        const std::size_t room = value.size() - have;
        const SQLRETURN rc =
            SQLGetData(cursorStmt_, static_cast<SQLUSMALLINT>(column + 1), SQL_C_CHAR,
                       value.data() + have, static_cast<SQLLEN>(room), &indicator);
        if (rc == SQL_NO_DATA && have > 0)
            break;
        if (!succeeded(rc))
            return rc;
        if (indicator == SQL_NULL_DATA) {
            out = std::string_view();
            return SQL_SUCCESS;
        }
        const bool fits = indicator >= 0 && static_cast<std::size_t>(indicator) < room;
        if (rc == SQL_SUCCESS || fits) {
            // The last piece: its length is known, or it ends at its NUL.
            have += fits ? static_cast<std::size_t>(indicator) : strnlen(value.data() + have, room);
            break;
        }
        // Truncated: the buffer holds room - 1 bytes and a NUL. Grow to what is left when the
        // driver says, else double, and read the rest behind them.
        have += room - 1;
        std::size_t wanted = value.size() * 2;
        if (indicator != SQL_NO_TOTAL && indicator >= 0)
            wanted = std::max(wanted, have + static_cast<std::size_t>(indicator) - (room - 1) + 1);
        value.resize(wanted);
    }
    out = wholeText(value, have);
    return SQL_SUCCESS;
}

std::string_view OdbcLib::wholeText(std::string& value, std::size_t length)
{
    const std::string_view bytes(value.data(), length);
    if (codepage::isValidUtf8(bytes))
        return bytes;
    std::string repaired = codepage::sanitizeUtf8(bytes);
    if (value.size() < repaired.size())
        value.resize(repaired.size());
    std::memcpy(value.data(), repaired.data(), repaired.size());
    return std::string_view(value.data(), repaired.size());
}

std::int16_t OdbcLib::OdbcFetchRowWhole(std::vector<std::string_view>& values)
{
    if (!cursorAllocated_)
        return OdbcCheckResult(SQL_INVALID_HANDLE);
    const int n = cursorColumnsHandled();
    if (wholeValues_.size() < static_cast<std::size_t>(n))
        wholeValues_.resize(static_cast<std::size_t>(n));
    if (values.size() < static_cast<std::size_t>(n))
        values.resize(static_cast<std::size_t>(n));
    if (wholeBlockFetch_)
        return OdbcCheckResult(fetchBlockRowWhole(values));
    if (cursorMaxRows_ > 0 && cursorRowsFetched_ >= cursorMaxRows_)
        return OdbcCheckResult(SQL_NO_DATA);
    const SQLRETURN rc = fetchOnce(cursorStmt_);
    if (!succeeded(rc))
        return OdbcCheckResult(rc);
    ++cursorRowsFetched_;
    for (int i = 0; i < n; ++i) {
        const int read = readWholeValue(i, wholeValues_[static_cast<std::size_t>(i)],
                                        values[static_cast<std::size_t>(i)]);
        if (!succeeded(read))
            return OdbcCheckResult(read);
    }
    return 0;
}

int OdbcLib::fetchBlockRowWhole(std::vector<std::string_view>& values)
{
    bool row = false;
    const int rc = stepBlockCursor(row);
    if (!row)
        return rc;
    const std::size_t at = static_cast<std::size_t>(blockIndex_);
    ++blockIndex_;
    bool positioned = false;
    for (int c = 0; c < blockColumns_; ++c) {
        const std::size_t slot = static_cast<std::size_t>(c) * kRows + at;
        const SQLLEN indicator = blockIndicators_[slot];
        std::string_view& out = values[static_cast<std::size_t>(c)];
        if (indicator == SQL_NULL_DATA) {
            out = std::string_view();
        } else if (indicator >= 0 && static_cast<std::size_t>(indicator) < kSlot) {
            // Most values fit their slot and are read from the block as they are.
            const char* bytes = blockValues_.data() + slot * kSlot;
            out = std::string_view(bytes, static_cast<std::size_t>(indicator));
            if (!codepage::isValidUtf8(out)) {
                std::string& copy = wholeValues_[static_cast<std::size_t>(c)];
                copy.assign(out);
                out = wholeText(copy, copy.size());
            }
        } else {
            // A longer value is read again whole from its row.
            if (!positioned) {
                const SQLRETURN set = SQLSetPos(cursorStmt_, static_cast<SQLSETPOSIROW>(at + 1),
                                                SQL_POSITION, SQL_LOCK_NO_CHANGE);
                if (!succeeded(set))
                    return set;
                positioned = true;
            }
            const int read = readWholeValue(c, wholeValues_[static_cast<std::size_t>(c)], out);
            if (!succeeded(read))
                return read;
        }
    }
    return SQL_SUCCESS;
}

int OdbcLib::fetchOnce(Handle statement)
{
    ++fetchCalls_;
    const BusyStatement busy(*this, traits_.cancelsFetches ? statement : nullptr);
    return SQLFetch(statement);
}

std::int16_t OdbcLib::OdbcFetchRow(std::vector<std::string>& values)
{
    if (cursorMaxRows_ > 0 && cursorRowsFetched_ >= cursorMaxRows_)
        return OdbcCheckResult(SQL_NO_DATA);
    const SQLRETURN rc = fetchOnce(cursorAllocated_ ? cursorStmt_ : SQL_NULL_HSTMT);
    if (succeeded(rc)) {
        ++cursorRowsFetched_;
        return OdbcCheckResult(OdbcGetRowData(cursorStmt_, cursorColumnsHandled(), values));
    }
    return OdbcCheckResult(rc);
}

bool OdbcLib::OdbcLiftRowCap()
{
    if (!cursorAllocated_ || (cursorMaxRows_ > 0 && cappedInServer_))
        return false;
    if (cursorMaxRows_ > 0 && traits_.maxRowsKeepsMeaning) {
        if (traits_.maxRowsEndsResult)
            return false;
        SQLSetStmtOption(cursorStmt_, SQL_MAX_ROWS, 0);
    }
    cursorMaxRows_ = 0;
    return true;
}

void OdbcLib::viewBlockRow(std::vector<std::string_view>& values)
{
    if (viewCopies_.size() < static_cast<std::size_t>(blockColumns_))
        viewCopies_.resize(static_cast<std::size_t>(blockColumns_));
    const std::size_t row = static_cast<std::size_t>(blockIndex_);
    for (int c = 0; c < blockColumns_; ++c) {
        const std::size_t slot = static_cast<std::size_t>(c) * kRows + row;
        const SQLLEN indicator = blockIndicators_[slot];
        if (indicator == SQL_NULL_DATA) {
            values[c] = std::string_view();
            continue;
        }
        const char* bytes = blockValues_.data() + slot * kSlot;
        std::size_t limit = kSlot - 1;
        if (indicator >= 0 && static_cast<std::size_t>(indicator) < limit)
            limit = static_cast<std::size_t>(indicator);
        const std::size_t length = strnlen(bytes, limit);
        const bool full = indicator == SQL_NO_TOTAL || length >= kMaxValueBytes;
        if (driverTextAsIs(bytes, length, kMaxValueBytes, full)) {
            values[c] = std::string_view(bytes, length);
            continue;
        }
        std::string& copy = viewCopies_[static_cast<std::size_t>(c)];
        storeDriverText(bytes, length, kMaxValueBytes, full, copy);
        values[c] = copy;
    }
}

int OdbcLib::stepBlockCursor(bool& row)
{
    row = false;
    int pending = SQL_SUCCESS;
    if (cursorRowsFetched_ == 0) {
        blockColumns_ = cursorColumnsHandled();
        const std::size_t n = static_cast<std::size_t>(blockColumns_);
        blockValues_.resize(n * kRows * kSlot);
        blockIndicators_.resize(n * kRows);
        SQLSetStmtOption(cursorStmt_, SQL_ROWSET_SIZE, kRows);
        for (std::size_t c = 0; c < n; ++c) {
            pending = SQLBindCol(cursorStmt_, static_cast<SQLUSMALLINT>(c + 1), SQL_C_CHAR,
                                 blockValues_.data() + c * kRows * kSlot, kSlot,
                                 blockIndicators_.data() + c * kRows);
            if (pending != SQL_SUCCESS)
                break;
        }
        blockRowsDelivered_ = 0;
        blockRowsInBlock_ = 0;
        blockIndex_ = 0;
    }
    // psqlODBC 13.02 without UseDeclareFetch honours SQL_MAX_ROWS in the block that reaches
    // the cap but then goes on with later rows, skipping some; the cap is kept here instead.
    if (cursorMaxRows_ > 0 && blockRowsDelivered_ >= cursorMaxRows_ && pending == SQL_SUCCESS)
        return SQL_NO_DATA;

    ++blockRowsDelivered_;
    if (pending == SQL_SUCCESS && cursorRowsFetched_ < blockRowsDelivered_) {
        blockIndex_ = 0;
        SQLULEN got = 0;
        ++extendedFetchCalls_;
        const BusyStatement busy(*this, traits_.cancelsFetches ? cursorStmt_ : nullptr);
        pending = SQLExtendedFetch(cursorStmt_, SQL_FETCH_NEXT, 0, &got, nullptr);
        if (succeeded(pending)) {
            // A block that claims success but holds no row is the end of the data.
            if (got == 0)
                pending = SQL_NO_DATA;
            blockRowsInBlock_ = static_cast<std::int32_t>(std::min<SQLULEN>(got, kRows));
            cursorRowsFetched_ += blockRowsInBlock_;
        }
    }
    if (succeeded(pending)) {
        if (blockIndex_ < blockRowsInBlock_) {
            row = true;
            pending = SQL_SUCCESS;
        } else if (pending == SQL_SUCCESS) {
            pending = SQL_NO_DATA;
        }
    }
    return pending;
}

std::int16_t OdbcLib::OdbcFetchRowView(std::vector<std::string_view>& values)
{
    const std::int16_t code = OdbcFetchRow(viewCopies_);
    if (values.size() < viewCopies_.size())
        values.resize(viewCopies_.size());
    if (code == 0) {
        for (std::size_t c = 0; c < viewCopies_.size(); ++c)
            values[c] = viewCopies_[c];
    }
    return code;
}

std::int16_t OdbcLib::OdbcFetchBlockRowView(std::vector<std::string_view>& values)
{
    if (!blockFetchAvailable_)
        return OdbcFetchRowView(values);
    if (!cursorAllocated_)
        return OdbcCheckResult(SQL_INVALID_HANDLE);
    bool row = false;
    const int rc = stepBlockCursor(row);
    if (values.size() < static_cast<std::size_t>(blockColumns_))
        values.resize(blockColumns_);
    if (row) {
        viewBlockRow(values);
        ++blockIndex_;
    }
    return OdbcCheckResult(rc);
}
