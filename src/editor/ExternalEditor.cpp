#include "editor/ExternalEditor.h"

#include "base/Prompts.h"
#include "base/basApiCall.h"
#include "editor/SqlText.h"
#include "text/CodePage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace exteditor {
namespace {

const QString kPlaceholder = QStringLiteral("%p");

EditorError systemError(int number, const QString& what)
{
    EditorError e;
    e.number = number;
    e.description = QString::fromLocal8Bit(std::strerror(number));
    if (!what.isEmpty())
        e.description += QStringLiteral(" (") + what + QLatin1Char(')');
    return e;
}

void setError(EditorError* out, const EditorError& e)
{
    if (out != nullptr)
        *out = e;
}

// Why a checked program did not start. QProcess reports only its own error kind, and the
// system's text of the failed exec ("execve: Exec format error" for a script without "#!"); the
// error number is the one whose text that is, as QProcess wrote it.
EditorError startError(const QProcess& process, const QString& program)
{
    const QString why = process.errorString();
    const qsizetype colon = why.indexOf(QStringLiteral(": "));
    if (process.error() == QProcess::FailedToStart && colon > 0) {
        const QString text = why.mid(colon + 2);
        for (int number = 1; number < 256; ++number) {
            if (qt_error_string(number) == text)
                return systemError(number, program);
        }
    }
    return {static_cast<int>(process.error()), why.isEmpty() ? program : why};
}

} // namespace

bool hasPlaceholder(const QString& command)
{
    return command.contains(kPlaceholder, Qt::CaseInsensitive);
}

EditorCommand buildCommand(const QString& editorCommand, const QString& path)
{
    QStringList words = splitCommandLine(editorCommand);
    for (QString& word : words) {
        const qsizetype at = word.indexOf(kPlaceholder, 0, Qt::CaseInsensitive);
        if (at >= 0) {
            word.replace(at, kPlaceholder.size(), path);
            break;
        }
    }
    EditorCommand command;
    if (!words.isEmpty())
        command.program = words.takeFirst();
    command.arguments = words;
    return command;
}

QString quoteProgramPath(const QString& path)
{
    bool plain = !path.isEmpty();
    for (const QChar c : path) {
        if (c.isSpace() || QStringLiteral("'\"\\$`").contains(c)) {
            plain = false;
            break;
        }
    }
    if (plain)
        return path;
    // Inside single quotes nothing is special; a single quote itself closes, is escaped, reopens.
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

void showEditorError(QWidget* owner, Prompts& prompts, const EditorError& error)
{
    prompts.tell(owner, Prompts::Icon::Critical, QStringLiteral("QUORVANT"),
                 QStringLiteral("エディタ起動に失敗しました。\nError:%1 %2")
                     .arg(error.number)
                     .arg(error.description));
}

bool checkProgram(const QString& program, EditorError* error)
{
    if (program.isEmpty()) {
        setError(error, systemError(ENOENT, program));
        return false;
    }
    QString file = program;
    if (!program.contains(QLatin1Char('/'))) {
        file = QStandardPaths::findExecutable(program);
        if (file.isEmpty()) {
            setError(error, systemError(ENOENT, program));
            return false;
        }
    }
    const QFileInfo info(file);
    if (!info.exists()) {
        setError(error, systemError(ENOENT, program));
        return false;
    }
    if (info.isDir() || !info.isExecutable()) {
        setError(error, systemError(EACCES, program));
        return false;
    }
    return true;
}

bool runAndWait(const EditorCommand& command, EditorError* error)
{
    if (!checkProgram(command.program, error))
        return false;
    QProcess process;
    process.setProgram(command.program);
    process.setArguments(command.arguments);
    // The editor talks to the terminal the program was started from, if any; a pipe nobody
    // reads could fill and stop it.
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    if (!RunAndWait(process)) {
        setError(error, startError(process, command.program));
        return false;
    }
    return true;
}

bool startDetached(const EditorCommand& command, EditorError* error)
{
    if (!checkProgram(command.program, error))
        return false;
    QProcess process;
    process.setProgram(command.program);
    process.setArguments(command.arguments);
    if (!process.startDetached()) {
        setError(error, startError(process, command.program));
        return false;
    }
    return true;
}

bool encodeForEdit(const QString& text, QByteArray& bytes, EditorError* error)
{
    // Only half a surrogate pair has no UTF-8 form; it would come back as another character.
    int line = 1;
    int column = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            ++column;
            continue;
        }
        if (c.isSurrogate()) {
            EditorError e;
            e.number = EILSEQ;
            e.description = QStringLiteral("%1行 %2文字目の文字 (U+%3) は保存できません")
                                .arg(line)
                                .arg(column)
                                .arg(QString::number(c.unicode(), 16).toUpper());
            setError(error, e);
            return false;
        }
        if (c == QLatin1Char('\n')) {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    const std::string utf8 = codepage::toCrLf(text.toStdString());
    bytes = QByteArray(codepage::kUtf8Bom.data(), codepage::kUtf8Bom.size()) +
            QByteArray(utf8.data(), static_cast<qsizetype>(utf8.size()));
    return true;
}

bool decodeEdited(const QByteArray& bytes, QString& text, EditorError* error)
{
    bool notText = false;
    QString decoded = sqltext::decodeSqlFile(bytes, &notText);
    // Taking bytes that are not text would put garbage in place of the user's text.
    if (notText) {
        EditorError e;
        e.number = EILSEQ;
        e.description = QStringLiteral("ファイルがコード ページ 932 でも UTF-8 でもありません");
        setError(error, e);
        return false;
    }
    text = std::move(decoded);
    return true;
}

bool writeWholeFile(const QString& path, const QByteArray& bytes, EditorError* error)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        setError(error, systemError(errno, path));
        return false;
    }
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<std::size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int saved = errno;
            ::close(fd);
            setError(error, systemError(saved, path));
            return false;
        }
        p += n;
        left -= n;
    }
    if (::close(fd) != 0) {
        setError(error, systemError(errno, path));
        return false;
    }
    return true;
}

bool readWholeFile(const QString& path, QByteArray& bytes, EditorError* error)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        setError(error, systemError(errno, path));
        return false;
    }
    bytes.clear();
    char buf[65536];
    while (true) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int saved = errno;
            ::close(fd);
            setError(error, systemError(saved, path));
            return false;
        }
        bytes.append(buf, n);
    }
    ::close(fd);
    return true;
}

EditFileFolder::EditFileFolder() = default;
EditFileFolder::~EditFileFolder() = default;

QString EditFileFolder::sqlEditFile(EditorError* error)
{
    if (!dir_) {
        QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (base.isEmpty() || !QDir::isAbsolutePath(base) || !QFileInfo(base).isDir())
            base = QDir::tempPath();
        auto dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/quorvant-edit-XXXXXX"));
        if (!dir->isValid()) {
            setError(error, {EACCES, dir->errorString()});
            return QString();
        }
        dir_ = std::move(dir);
    }
    return dir_->filePath(QString::fromLatin1(kSqlEditFileName));
}

bool EditFile(QWidget* owner, Prompts& prompts, const QString& editorCommand, const QString& path)
{
    EditorError error;
    if (!startDetached(buildCommand(editorCommand, path), &error)) {
        showEditorError(owner, prompts, error);
        return false;
    }
    return true;
}

} // namespace exteditor
