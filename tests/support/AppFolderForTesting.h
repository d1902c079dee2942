#pragma once

#include <QString>

// Gives the test its own program folder (settings file, history files); an empty text returns
// to the folder of the test program.
void setAppFolderForTesting(const QString& folder);
