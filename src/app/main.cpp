#include "AppServices.h"
#include "Prompts.h"
#include "QUORVANT.h"
#include "Settings.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    AppServices services(Prompts::instance(), settings::settingsPath());
    QUORVANT window(services);
    return app.exec();
}
