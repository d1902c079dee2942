#include "app/AppServices.h"
#include "app/QUORVANT.h"
#include "base/Prompts.h"
#include "base/Settings.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    AppServices services(Prompts::instance(), settings::settingsPath());
    QUORVANT window(services);
    return app.exec();
}
