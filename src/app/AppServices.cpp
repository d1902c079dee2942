#include "app/AppServices.h"

AppServices::AppServices(Prompts& prompts, const QString& settingsFile)
    : prompts_(prompts), db_(odbc_, prompts), ini_(settingsFile)
{
}
