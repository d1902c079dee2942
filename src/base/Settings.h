#pragma once

#include <QString>
#include <QStringList>

class INIfile_IO;

// Every section and key of QUORVANT.INI, and typed readers that apply the defaults. No other
// section or key is used anywhere in the program.
namespace settings {

inline constexpr char kFileName[] = "QUORVANT.INI";

inline constexpr char kWindow[] = "WINDOW";
inline constexpr char kMainPlacement[] = "MAIN";
inline constexpr char kHistPlacement[] = "HIST";
inline constexpr char kTempPlacement[] = "TEMP";
inline constexpr char kToolBar[] = "ToolBar";
inline constexpr char kStatusBar[] = "StatusBar";
inline constexpr char kKwdList[] = "KwdList";
inline constexpr char kCon2Title[] = "Con2Title";
inline constexpr char kGridFilter[] = "GridFilter"; // the filter row over the result grid
// SQL colouring in the input area and the statement boxes; on when missing.
inline constexpr char kHighlight[] = "Highlight";

inline constexpr char kHelp[] = "HELP";
inline constexpr char kHelpUrl[] = "URL";

inline constexpr char kSet[] = "SET";
inline constexpr char kMaxHist[] = "MAXHIST";
inline constexpr char kEditor[] = "EDITOR";
// Ask at disconnect and exit while statements are uncommitted (ON/OFF, off when missing).
inline constexpr char kAskPending[] = "ASKPENDING";
// The grid's edits: show the statements before they are sent; require the values read in the
// changed columns too (ON/OFF, off when missing).
inline constexpr char kEditPreview[] = "EDITPREVIEW";
inline constexpr char kEditCheckOriginals[] = "EDITCHECKORIG";
// An UPDATE or DELETE that changed more rows than this asks whether to keep the change.
inline constexpr char kUndoAskRows[] = "UNDOASKROWS";
inline constexpr int kDefaultUndoAskRows = 1000;
// OFF: no savepoint before statements, so no undo of the last one (ON when missing).
inline constexpr char kUndo[] = "UNDO";

inline constexpr char kConnHist[] = "CONNHIST";
inline constexpr char kConnHistSave[] = "SAVE";
inline constexpr int kConnHistMax = 20; // keys "1" to "20", "1" the newest

inline constexpr int kDefaultMaxHist = 20;
inline constexpr int kMinMaxHist = 20;
inline constexpr int kMaxMaxHist = 999;

inline constexpr char kOn[] = "ON";
inline constexpr char kOff[] = "OFF";

// The settings file of the program folder.
QString settingsPath();

// "ON"/"OFF" options: only the exact text "ON" is on. With whenMissing, a missing (empty) value
// reads as that.
bool readOnOff(const INIfile_IO& ini, const char* section, const char* key);
bool readOnOff(const INIfile_IO& ini, const char* section, const char* key, bool whenMissing);
void writeOnOff(INIfile_IO& ini, const char* section, const char* key, bool on);

// History capacity: 20 unless the value is a whole number from 20 to 999.
int readMaxHist(const INIfile_IO& ini);
// kUndoAskRows, or its default when missing or not a number of 0 or more.
int readUndoAskRows(const INIfile_IO& ini);
int maxHistFromText(const QString& text);

QString readHelpUrl(const INIfile_IO& ini);
QString readEditorCommand(const INIfile_IO& ini);
void writeEditorCommand(INIfile_IO& ini, const QString& command);

// Connection history entries, newest first; blank values are no entry.
QStringList readConnHist(const INIfile_IO& ini);
// Writes all twenty keys (empty beyond the last entry) and the SAVE flag.
void writeConnHist(INIfile_IO& ini, const QStringList& entries, bool saveChecked);

} // namespace settings
