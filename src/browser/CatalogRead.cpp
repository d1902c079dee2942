#include "browser/CatalogRead.h"

#include "odbc/comm/ODBCComm.h"

CatalogRead::CatalogRead(ODBCComm& db) : db_(db) {}

std::optional<CatalogRead::Outcome> CatalogRead::refusal() const
{
    if (!db_.work().open())
        return Outcome{End::NotConnected, 0, QString()};
    return std::nullopt;
}

CatalogRead::Outcome CatalogRead::ending(std::int16_t code) const
{
    // Asked before the work's scope ends: the stop is known only while the work runs. A
    // cancelled call fails, but the user asked for it, so it is a stop and not a failure.
    const ConnectionWork& work = db_.work();
    if (work.stopRequested() || work.ending())
        return Outcome{End::Stopped, code, QString()};
    if (code == ODBCComm::kBusy)
        return Outcome{End::Busy, code, ConnectionWork::busyText()};
    if (code != 0)
        return Outcome{End::Failed, code, db_.DbLastErrorText()};
    return Outcome{};
}

CatalogRead::Outcome CatalogRead::objects(const std::optional<QString>& owner, Objects& out)
{
    out = Objects{};
    if (const auto refused = refusal())
        return *refused;
    const ConnectionWork::Scope work(db_.work(), ConnectionWork::Kind::Catalog);
    int tableCount = 0;
    int viewCount = 0;
    int synonymCount = 0;
    const std::int16_t code = db_.DbListObjects(owner, tableCount, out.tables, viewCount, out.views,
                                                synonymCount, out.synonyms);
    const Outcome outcome = ending(code);
    // A part of a list is no list: nobody may take it for the catalog.
    if (!outcome.read())
        out = Objects{};
    return outcome;
}

CatalogRead::Outcome CatalogRead::columns(const std::optional<QString>& owner,
                                          const QString& object, bool keys, Columns& out)
{
    out = Columns{};
    if (const auto refused = refusal())
        return *refused;
    // The columns and their keys are one piece of work: nothing else starts between them.
    const ConnectionWork::Scope work(db_.work(), ConnectionWork::Kind::Columns);
    int count = 0;
    const std::int16_t code =
        db_.DbListColumns(owner, object, kMaxColumns, count, out.names, out.typeTexts);
    Outcome outcome = ending(code);
    if (outcome.read()) {
        out.keyPositions.fill(0, count);
        // A key read that fails part way keeps the positions found: the columns stand
        // without it.
        if (keys) {
            db_.DbMarkKeyColumns(owner, object, count, out.names, out.keyPositions);
            outcome = ending(0);
        }
    }
    if (!outcome.read())
        out = Columns{};
    return outcome;
}
