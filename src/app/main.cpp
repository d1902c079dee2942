#include "app/AppServices.h"
#include "app/QUORVANT.h"
#include "base/MessageBoxPrompts.h"
#include "base/Settings.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    MessageBoxPrompts prompts;
    AppServices services(prompts, settings::settingsPath());
    QUORVANT window(services);
    return app.exec();
}
