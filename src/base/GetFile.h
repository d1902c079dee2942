#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The "|"-separated filter as a list of NUL-terminated pieces ending in two NULs; a description
// without a pattern gets "*.*". Empty pieces are skipped.
QString BuildDialogFilter(const QString& filter);

// The same filter in Qt's form, one "description (patterns)" entry per pair.
QStringList qtDialogFilters(const QString& filter);

// The extension a save dialog gives a name typed without one: the filter's one "*.ext" pattern,
// or none ("*.*", several patterns).
QString DefaultSuffixOf(const QString& qtFilter);

// What the file dialogs are asked for; tests replace the dialog through FileDialogBackend.
struct FileDialogRequest {
    QString title;
    QString initialFolder; // up to and including the last "/", or empty
    QString initialName;
    QStringList filters; // Qt form
    int filterIndex = 1; // 1-based
    bool save = false;   // save dialogs confirm before overwriting an existing file
};

class FileDialogBackend {
public:
    virtual ~FileDialogBackend() = default;
    // The chosen path, or the empty text when cancelled.
    virtual QString run(QWidget* owner, const FileDialogRequest& request) = 0;

    static FileDialogBackend& instance();
    // Installs a replacement (not owned); nullptr restores the QFileDialog one.
    static void install(FileDialogBackend* backend);
};

// Open / save dialogs: the chosen path with surrounding spaces removed, or the empty text when
// the user cancels.
QString ShowOpenFileDialog(QWidget* owner, const QString& title, const QString& initialPath,
                           const QString& filter, int filterIndex);
QString ShowSaveFileDialog(QWidget* owner, const QString& title, const QString& initialPath,
                           const QString& filter, int filterIndex);

// The request a dialog call builds (exposed for tests).
FileDialogRequest buildFileDialogRequest(const QString& title, const QString& initialPath,
                                         const QString& filter, int filterIndex, bool save);
