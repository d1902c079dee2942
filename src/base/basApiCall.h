#pragma once

#include <QString>
#include <QStringList>
#include <Qt>

class Prompts;
class QAbstractItemView;
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

// Results of RunAndWait and WaitForProcess.
inline constexpr int kWaitEnded = 0;   // the process has ended
inline constexpr int kWaitFailed = -1; // it could not be started or waited for

// Starts a command line (split into words as a shell does, quotes honoured) and blocks until
// the process ends. windowStyle is accepted for callers' sake; X11 programs choose their own
// window. When starting fails, errorText (if given) receives the reason.
int RunAndWait(const QString& commandLine, int windowStyle, QString* errorText = nullptr);

// Blocks until the process with this id has ended (a zombie counts as ended).
int WaitForProcess(qint64 processId);

// The folder of the system's programs, with its trailing "/".
QString GetSystemFolder();
