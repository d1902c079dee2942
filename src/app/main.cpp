#include "app/AppServices.h"
#include "app/EndOnSignal.h"
#include "app/QUORVANT.h"
#include "base/AppFolder.h"
#include "base/MessageBoxPrompts.h"
#include "base/Settings.h"
#include "odbc/comm/ODBCComm.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

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
    const int code = app.exec();
    // A connect given up on may wait for its server until the driver's own timeout. Everything
    // was saved when the window unloaded: the process does not wait for it.
    if (services.db().work().lateJobRunning()) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
