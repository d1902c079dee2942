#pragma once

#include "base/INIfile_IO.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ODBCComm.h"

#include <functional>

class Prompts;

// What the main window needs from the program: the one ODBC library and its door ODBCComm, the
// settings file and the message boxes. Owned by main() (or by a test) and passed by reference.
class AppServices {
public:
    // settingsFile: the QUORVANT.INI to use (tests give one in a temporary folder).
    AppServices(Prompts& prompts, const QString& settingsFile);
    AppServices(const AppServices&) = delete;
    AppServices& operator=(const AppServices&) = delete;

    Prompts& prompts() { return prompts_; }
    OdbcLib& odbc() { return odbc_; }
    ODBCComm& db() { return db_; }
    INIfile_IO& ini() { return ini_; }

    // The program opens the connect dialog as the last load step; tests switch that off.
    bool connectAtStart = true;
    // Starts a program without waiting for it (a new instance, the data source administrator);
    // true when it started. Tests record the program instead: a new instance of a test program
    // would run its tests again.
    std::function<bool(const QString& program)> startDetached;

private:
    Prompts& prompts_;
    OdbcLib odbc_;
    ODBCComm db_;
    INIfile_IO ini_;
};
