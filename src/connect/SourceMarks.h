#pragma once

#include <QString>

class INIfile_IO;

// What the user marked a data source as, in the connect dialog: a production database (the
// input area is framed and the title says 【本番】) and one that must not be written to (the
// session is made read-only on the server at every connect and reconnect).
struct SourceMarks {
    bool production = false;
    bool readOnly = false;
    bool operator==(const SourceMarks&) const = default;
    SourceMarks operator|(const SourceMarks& other) const
    {
        return {production || other.production, readOnly || other.readOnly};
    }
};

// Marks are kept per data source in the settings file, in a section "DataSource <key>" with the
// keys "Production" and "ReadOnly" ("ON"/"OFF").
namespace sourcemarks {

// The name a connection's marks are kept under, what identifies its database: the value of its
// DSN item (so a data source chosen by name and a history entry made from it share their
// marks); else "DRIVER=d;SERVER=s;PORT=p;DATABASE=b;" from its driver, server, port and
// database items however the driver spells them (SERVER/SERVERNAME/HOST, DATABASE/DB), empty
// ones left out, so a driver connection and its history entry share their marks and two
// servers of one driver do not; else the whole string without its passwords. "]" cannot stand
// in a section name and becomes "］".
QString keyOf(const QString& connStr);

SourceMarks read(const INIfile_IO& ini, const QString& key);
// The marks of a connection string: those kept under keyOf, else, for a string without DSN,
// those that earlier versions kept under the whole string.
SourceMarks readOf(const INIfile_IO& ini, const QString& connStr);
// Writes only a change, so that sources never marked add nothing to the file. False when the
// file refused the write.
bool write(INIfile_IO& ini, const QString& key, const SourceMarks& marks);

} // namespace sourcemarks
