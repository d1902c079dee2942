#pragma once

#include <QString>

// Which document or program the shell commands of the main window open.
namespace shellcmd {

// The help document: the address of the settings (section HELP, key URL) when there is one,
// else the help page beside the program.
QString helpDocument(const QString& helpUrl, const QString& appFolder);

// The graphical ODBC data source administrator in the system folder, or empty when it is not
// installed there.
QString dataSourceAdministrator(const QString& systemFolder);

// The user's data-source file of the driver manager: $ODBCINI when set, else ~/.odbc.ini.
QString userDataSourceFile();

// The program started by "新規の接続(&N)".
QString newInstanceProgram(const QString& appFolder);

} // namespace shellcmd
