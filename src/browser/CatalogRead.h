#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <optional>

class ODBCComm;

// Reading the catalog, without widgets: the tables, views and synonyms of an owner, and the
// columns of one object with the positions of its key columns. Every read goes through
// ODBCComm's catalog calls, whose driver calls run on the connection's thread, and is one
// piece of work on the connection (Kind::Catalog, or Kind::Columns for the columns and keys of
// an object together), nested in the work of its caller when there is one, as a run's
// statements are. Whether a command may start beside other work is its window's question
// (ConnectionWork::refuseWhileBusy); a read reached while a driver call is in progress is
// refused by the connection and ends Busy. It shows no box.
class CatalogRead {
public:
    // Column reads stop storing after this many columns of one object.
    static constexpr int kMaxColumns = 999;

    enum class End {
        Read,
        // The driver refused or failed: code and errorText say why.
        Failed,
        // No connection: nothing was asked.
        NotConnected,
        // Another driver call was in progress on the connection: nothing was read.
        Busy,
        // A stop (or the program's end) came during the read: what was read is not whole.
        Stopped,
    };

    struct Outcome {
        End end = End::Read;
        std::int16_t code = 0;
        QString errorText;
        bool read() const { return end == End::Read; }
    };

    // The objects of an owner by kind, in catalog order. Every type that is no table or view
    // (synonyms, aliases) counts as a synonym.
    struct Objects {
        QStringList tables;
        QStringList views;
        QStringList synonyms;
    };

    // The columns of one object in column order: names, the type texts as the driver gives them
    // (with "NOT NULL" where it stands), and each column's position in a unique index (0 for
    // none, and for every column when the keys were not asked for).
    struct Columns {
        QStringList names;
        QStringList typeTexts;
        QVector<std::int16_t> keyPositions;
        int count() const { return static_cast<int>(names.size()); }
    };

    explicit CatalogRead(ODBCComm& db);

    // std::nullopt reads every owner's objects; a present owner (even empty) is passed to the
    // driver as a pattern. On a failure the lists hold nothing.
    Outcome objects(const std::optional<QString>& owner, Objects& out);
    // The columns of exactly this object (the first kMaxColumns), and with keys the positions
    // of its key columns. A failed key read keeps the positions it found: the columns stand.
    Outcome columns(const std::optional<QString>& owner, const QString& object, bool keys,
                    Columns& out);

private:
    // Whether a read can start: only on an open connection.
    std::optional<Outcome> refusal() const;
    // The outcome of a read that ended with code, inside its work.
    Outcome ending(std::int16_t code) const;

    ODBCComm& db_;
};
