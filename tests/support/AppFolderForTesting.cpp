#include "AppFolderForTesting.h"

#include "base/AppFolderSeam.h"

void setAppFolderForTesting(const QString& folder)
{
    appfolder::replaceFolder(folder);
}
