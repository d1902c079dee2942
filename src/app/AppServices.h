#pragma once

#include "base/INIfile_IO.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ODBCComm.h"

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

private:
    Prompts& prompts_;
    OdbcLib odbc_;
    ODBCComm db_;
    INIfile_IO ini_;
};
