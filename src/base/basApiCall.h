#pragma once

#include <QString>
#include <QStringList>
#include <Qt>

class Prompts;
class QAbstractItemView;
class QProcess;
class QWidget;

// Window and process helpers shared by every window: column auto-sizing, the cell under a
// point, opening a document with its default program, running a program and waiting for it,
// and the folder of the system's programs. They hold no state.

// Header data role that carries a column's tag. A column whose tag is exactly "FIX" has a width
// set by its owner and is skipped when all columns are auto-sized.
inline constexpr int kColumnTagRole = Qt::UserRole + 100;
inline constexpr char kFixedColumnTag[] = "FIX";

// Fits a column of a QTableView or QTreeView to its contents, and to its header text too when
// useHeader is set. column is 1-based, or -1 for every column except those tagged "FIX"; a
// column number outside the view does nothing.
void AutoSizeListColumns(QAbstractItemView* view, bool useHeader, int column);

// The cell under a point of the view's viewport, given in twips. item is the 0-based row, or -1
// with subItem -1 when no row is there; subItem is the 0-based column.
void ListSubItemHitTest(QAbstractItemView* view, double x, double y, int& item, int& subItem);

// Opens a file path or an address (anything with a scheme such as "https:") with its default
// program. True when it was handed over; a missing local file is false. Nothing is shown on
// failure except for an unexpected internal error, which is told through prompts.
bool OpenDocument(QWidget* owner, Prompts& prompts, const QString& path);

// Splits a command line into words as a POSIX shell does, without expansions: blanks separate
// words, '...' is literal, "..." keeps blanks and lets a backslash escape \ " $ and `, and a
// backslash outside quotes escapes the next character. An unterminated quote runs to the end.
QStringList splitCommandLine(const QString& commandLine);

// Starts the process as the caller has set it up and returns when it has ended; false when it
// could not be started (process.error() and errorString() say why). On the window thread of a
// GUI program the windows paint meanwhile with the program's input gated (InputGate);
// elsewhere this thread simply waits.
bool RunAndWait(QProcess& process);

// Gives memory freed after large work (a result the driver held whole) back to the system;
// the allocator would otherwise keep it for the rest of the process.
void ReleaseFreedMemory();

// The folder of the system's programs, with its trailing "/".
QString GetSystemFolder();
