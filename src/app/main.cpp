#include "app/AppServices.h"
#include "app/EndOnSignal.h"
#include "app/QUORVANT.h"
#include "base/AppFolder.h"
#include "base/MessageBoxPrompts.h"
#include "base/Settings.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Before any file is made: the first file in the program folder tells that the program
    // already ends cleanly on SIGTERM.
    EndOnSignal ending;
    MessageBoxPrompts prompts;
    AppServices services(prompts, settings::settingsPath());
    // Writing into a folder that is not there would fail at every setting; the main window
    // tells the user once instead.
    if (!AppFolderUsable())
        services.ini().refuseWrites();
    QUORVANT window(services);
    ending.onSignal([&window] { return window.closeWithoutQuestions(); });
    return app.exec();
}
