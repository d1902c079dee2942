#pragma once

#include <string>

// psqlODBC reads a whole result into memory when a statement is executed, unless it fetches
// through a cursor (its option UseDeclareFetch=1): a million-row SELECT would then cost
// hundreds of megabytes before the first row shows. Most data sources are made without the
// option, so the program asks for it when connecting, in the connection string given to the
// driver: UseDeclareFetch=1, and Fetch (rows per cursor read) equal to the program's block size.
// A data source or connection string that sets either option keeps its own value; strings for
// other drivers come back unchanged.
std::string withFetchDefaults(const std::string& connStr);

// True when the driver, named as in odbcinst.ini or by its library path, is psqlODBC.
bool isPsqlOdbcDriver(const std::string& driver);
