#pragma once

#include <QString>

// Not part of the program's interface, and included by nothing in src/ but AppFolder.cpp: the
// program folder is always the executable's. The test support points it at a temporary folder
// through this, so that every test has its own settings and program files.
namespace appfolder {

// Makes AppFolder() answer this folder (given a trailing "/"); an empty text returns to the
// executable's folder.
void replaceFolder(const QString& folder);

} // namespace appfolder
