#pragma once

#include <QString>

// The program folder, ending in exactly one "/". Every file of the program is AppFolder()
// followed by a bare name ("QUORVANT.INI", "SQLHIST.TXT"). It is the folder of the running
// executable when that folder is writable and not an installation; otherwise the user's data
// folder (see ProgramFolders).
QString AppFolder();

// The folder of the files shipped with the program (the help page "HELP/index.htm", the default
// keyword list), ending in "/": the program folder itself when the executable's folder is the
// program folder, else the installed data folder.
QString InstalledFilesFolder();

// False when the program folder is the user's data folder and it could not be created: the
// settings and the lists cannot be kept.
bool AppFolderUsable();

// The folder text with exactly one trailing "/" ("/" stays "/").
QString folderWithSlash(const QString& folder);

// How the program folder is chosen at start.
struct ProgramFolders {
    QString appFolder;       // where the program keeps its own files, with "/"
    QString installedFolder; // help page and default keyword list, with "/"
    bool installed = false;  // the executable's folder is not the program folder
    bool usable = true;      // false: the user's data folder could not be created
};

// The installed data folder as seen from an executable in exeFolder ("<prefix>/share/quorvant/"
// for "<prefix>/bin/").
QString installedDataFolder(const QString& exeFolder);

// Decides the folders for an executable in exeFolder. The executable's folder is the program
// folder when it is writable and no installed data folder lies beside it. Otherwise the
// program folder is dataHome + "quorvant/" (dataHome is $XDG_DATA_HOME when that is an
// absolute path, else home + "/.local/share"), created with mode 0700, and a missing keyword
// list there is copied from the installed data folder.
ProgramFolders chooseProgramFolders(const QString& exeFolder, const QString& xdgDataHome,
                                    const QString& home);
