#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class Prompts;
class QTemporaryDir;
class QWidget;

// Starting the user's external editor, and the text round trip through the file it edits.
namespace exteditor {

// True when the command holds "%p" in any letter case.
bool hasPlaceholder(const QString& command);

// A program and its arguments, never run through a shell.
struct EditorCommand {
    QString program;
    QStringList arguments;
};

// The editor command split into words as a shell would split them (quotes honoured, nothing
// expanded), then the first "%p" (any case) replaced by path, as it is, inside its word. Other
// occurrences stay; a command without "%p" is started without the path.
EditorCommand buildCommand(const QString& editorCommand, const QString& path);

// A chosen program path as the start of a command line: quoted when it holds a blank or a
// character that the splitting reads specially, so that it splits back into the one word.
QString quoteProgramPath(const QString& path);

// Why the editor could not be used: a system error number where there is one.
struct EditorError {
    int number = 0;
    QString description;
};

// The editor error box: "エディタ起動に失敗しました。", then "Error:" with number and description.
void showEditorError(QWidget* owner, Prompts& prompts, const EditorError& error);

// False (with the reason) when the program cannot be started: not found, or not executable.
bool checkProgram(const QString& program, EditorError* error);

// Starts the editor and returns when its process has ended. The windows keep painting
// meanwhile with the program's input gated (see RunAndWait), so the text being edited cannot
// change under the editor.
bool runAndWait(const EditorCommand& command, EditorError* error);
// Starts the editor and returns at once.
bool startDetached(const EditorCommand& command, EditorError* error);

// The text as the edit file holds it: UTF-8 behind a byte-order mark, with CR LF, so every
// character comes back. Fails only on half a surrogate pair, naming its line and column.
bool encodeForEdit(const QString& text, QByteArray& bytes, EditorError* error);
// The edited file's bytes as text ("\n" line breaks), by the rule of SQL files: UTF-8 behind a
// byte-order mark, or without one when the bytes are valid UTF-8 (editors here often save so),
// else code page 932. Fails on bytes that are none of these.
bool decodeEdited(const QByteArray& bytes, QString& text, EditorError* error);

// Whole-file write (created 0600) and read, with the system's error on failure.
bool writeWholeFile(const QString& path, const QByteArray& bytes, EditorError* error);
bool readWholeFile(const QString& path, QByteArray& bytes, EditorError* error);

// The edit file of this instance: "SQL(temporary edit).sql" in a folder of its own, made on
// first use in the user's runtime folder (else the temporary folder) and removed at the end, so
// two instances never read each other's file and no old file is ever read back.
class EditFileFolder {
public:
    EditFileFolder();
    ~EditFileFolder();
    EditFileFolder(const EditFileFolder&) = delete;
    EditFileFolder& operator=(const EditFileFolder&) = delete;

    // The edit file's path, or empty (with the reason) when no folder can be made.
    QString sqlEditFile(EditorError* error);

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

inline constexpr char kSqlEditFileName[] = "SQL(temporary edit).sql";

// Opens a file in the editor without waiting; the error box on failure. The caller has made sure
// that an editor command is set. For windows that offer to open what they wrote.
bool EditFile(QWidget* owner, Prompts& prompts, const QString& editorCommand, const QString& path);

} // namespace exteditor
