#include "app/AppServices.h"
#include "app/QUORVANT.h"
#include "base/AppFolder.h"
#include "base/MessageBoxPrompts.h"
#include "base/Settings.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    MessageBoxPrompts prompts;
    AppServices services(prompts, settings::settingsPath());
    // Writing into a folder that is not there would fail at every setting; the main window
    // tells the user once instead.
    if (!AppFolderUsable())
        services.ini().refuseWrites();
    QUORVANT window(services);
    return app.exec();
}
