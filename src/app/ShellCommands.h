#pragma once

#include <QString>

// Which document or program the shell commands of the main window open.
namespace shellcmd {

// The help document: the address of the settings (section HELP, key URL) when there is one,
// else the help page of the folder of the files shipped with the program.
QString helpDocument(const QString& helpUrl, const QString& installedFolder);

// The graphical ODBC data source administrator in the system folder, or empty when it is not
// installed there.
QString dataSourceAdministrator(const QString& systemFolder);

// The user's data-source file of the driver manager: $ODBCINI when set, else ~/.odbc.ini.
QString userDataSourceFile();

// The program started by "新規の接続(&N)": the running executable.
QString newInstanceProgram();

} // namespace shellcmd
