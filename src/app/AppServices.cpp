#include "app/AppServices.h"

#include <QProcess>

AppServices::AppServices(Prompts& prompts, const QString& settingsFile)
    : startDetached([](const QString& program) { return QProcess::startDetached(program, {}); }),
      prompts_(prompts), db_(odbc_, prompts), ini_(settingsFile)
{
}
