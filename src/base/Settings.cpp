#include "base/Settings.h"

#include "base/AppFolder.h"
#include "base/INIfile_IO.h"

namespace settings {

QString settingsPath()
{
    return AppFolder() + QLatin1String(kFileName);
}

bool readOnOff(const INIfile_IO& ini, const char* section, const char* key)
{
    return ini.ReadIniValue(QLatin1String(section), QLatin1String(key)) == QLatin1String(kOn);
}

bool readOnOff(const INIfile_IO& ini, const char* section, const char* key, bool whenMissing)
{
    const QString value = ini.ReadIniValue(QLatin1String(section), QLatin1String(key));
    return value.isEmpty() ? whenMissing : value == QLatin1String(kOn);
}

void writeOnOff(INIfile_IO& ini, const char* section, const char* key, bool on)
{
    ini.WriteIniValue(QLatin1String(section), QLatin1String(key), QLatin1String(on ? kOn : kOff));
}

int maxHistFromText(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < kMinMaxHist || n > kMaxMaxHist)
        return kDefaultMaxHist;
    return n;
}

int readMaxHist(const INIfile_IO& ini)
{
    return maxHistFromText(ini.ReadIniValue(QLatin1String(kSet), QLatin1String(kMaxHist)));
}

int readUndoAskRows(const INIfile_IO& ini)
{
    bool ok = false;
    const int rows =
        ini.ReadIniValue(QLatin1String(kSet), QLatin1String(kUndoAskRows)).trimmed().toInt(&ok);
    return ok && rows >= 0 ? rows : kDefaultUndoAskRows;
}

QString readHelpUrl(const INIfile_IO& ini)
{
    return ini.ReadIniValue(QLatin1String(kHelp), QLatin1String(kHelpUrl));
}

QString readEditorCommand(const INIfile_IO& ini)
{
    return ini.ReadIniValue(QLatin1String(kSet), QLatin1String(kEditor));
}

void writeEditorCommand(INIfile_IO& ini, const QString& command)
{
    ini.WriteIniValue(QLatin1String(kSet), QLatin1String(kEditor), command);
}

QStringList readConnHist(const INIfile_IO& ini)
{
    QStringList entries;
    for (int i = 1; i <= kConnHistMax; ++i) {
        const QString v = ini.ReadIniValue(QLatin1String(kConnHist), QString::number(i));
        if (!v.trimmed().isEmpty())
            entries << v;
    }
    return entries;
}

void writeConnHist(INIfile_IO& ini, const QStringList& entries, bool saveChecked)
{
    writeOnOff(ini, kConnHist, kConnHistSave, saveChecked);
    for (int i = 1; i <= kConnHistMax; ++i) {
        const QString v = i <= entries.size() ? entries.at(i - 1) : QString();
        ini.WriteIniValue(QLatin1String(kConnHist), QString::number(i), v);
    }
}

} // namespace settings
