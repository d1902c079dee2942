#pragma once

#include "connect/ConnectionString.h"

#include <QString>

// Connection strings taken apart and put together where passwords matter: the password items
// that never go into a file, and the string built from the fields of the driver form.
namespace connstr {

// The string without its password items (each with its ";"); what the settings file keeps of a
// history entry, and the entry's name in the keyring.
QString withoutPasswords(const QString& connStr);

bool hasPassword(const QString& connStr);

// What the driver form asks for; empty fields are left out of the string.
struct DriverFields {
    QString server;
    QString port;
    QString database;
    QString uid;
    QString pwd;
    // Further "KEY=value;..." items, as typed.
    QString further;
};

// "DRIVER=name;SERVER=...;PORT=...;DATABASE=...;UID=...;PWD=...;" and the further items, each
// value in braces where it needs them.
QString driverConnectionString(const QString& driver, const DriverFields& fields);

} // namespace connstr
