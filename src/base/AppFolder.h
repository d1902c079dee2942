#pragma once

#include <QString>

// The program folder: the folder of the running executable, ending in exactly one "/". Every
// file of the program is AppFolder() followed by a bare name ("QUORVANT.INI", "SQLHIST.TXT").
QString AppFolder();

// The folder text with exactly one trailing "/" ("/" stays "/").
QString folderWithSlash(const QString& folder);
