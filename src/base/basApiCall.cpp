#include "base/basApiCall.h"

#include "base/InputGate.h"
#include "base/Prompts.h"
#include "base/Twips.h"

#include <QAbstractItemView>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QProcess>
#include <QRegularExpression>
#include <QTableView>
#include <QThread>
#include <QTreeView>
#include <QUrl>

#include <malloc.h>

#include <algorithm>
#include <exception>
#include <system_error>

namespace {

QHeaderView* columnHeader(QAbstractItemView* view)
{
    if (auto* table = qobject_cast<QTableView*>(view))
        return table->horizontalHeader();
    if (auto* tree = qobject_cast<QTreeView*>(view))
        return tree->header();
    return nullptr;
}

bool isFixedColumn(const QAbstractItemModel* model, int column)
{
    return model->headerData(column, Qt::Horizontal, kColumnTagRole).toString() ==
           QLatin1String(kFixedColumnTag);
}

int lastVisibleColumn(const QHeaderView* header)
{
    for (int visual = header->count() - 1; visual >= 0; --visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical))
            return logical;
    }
    return -1;
}

void fitColumn(QAbstractItemView* view, QHeaderView* header, int column, bool useHeader)
{
    int width = view->sizeHintForColumn(column);
    if (useHeader) {
        width = std::max(width, header->sectionSizeHint(column));
        // Fitting the last column to its header also lets it take up the rest of the view, so
        // the grid never shows an empty band right of its columns.
        if (column == lastVisibleColumn(header)) {
            const int others = header->length() - header->sectionSize(column);
            width = std::max(width, view->viewport()->width() - others);
        }
    }
    if (width <= 0)
        width = header->minimumSectionSize();
    header->resizeSection(column, width);
}

// Anything that starts with a scheme ("https:", "file:", "mailto:") is an address; everything
// else is a file path. One-letter schemes are not accepted so that "C:/x" stays a path.
bool isAddress(const QString& path)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(path).hasMatch();
}

} // namespace

void AutoSizeListColumns(QAbstractItemView* view, bool useHeader, int column)
{
    if (view == nullptr || view->model() == nullptr)
        return;
    QHeaderView* header = columnHeader(view);
    if (header == nullptr)
        return;
    const int count = view->model()->columnCount(view->rootIndex());
    if (column == -1) {
        for (int c = 0; c < count; ++c) {
            if (!isFixedColumn(view->model(), c))
                fitColumn(view, header, c, useHeader);
        }
        return;
    }
    if (column >= 1 && column <= count)
        fitColumn(view, header, column - 1, useHeader);
}

void ListSubItemHitTest(QAbstractItemView* view, double x, double y, int& item, int& subItem)
{
    item = -1;
    subItem = -1;
    if (view == nullptr)
        return;
    const QModelIndex index = view->indexAt(QPoint(twips::toPixels(x), twips::toPixels(y)));
    if (!index.isValid())
        return;
    item = index.row();
    subItem = index.column();
}

bool OpenDocument(QWidget* owner, Prompts& prompts, const QString& path)
{
    try {
        if (isAddress(path))
            return QDesktopServices::openUrl(QUrl(path));
        // The default program is chosen by the file part; a missing file is a failure here
        // rather than a silent no-op of the desktop's opener.
        const QFileInfo file(path);
        if (file.fileName().isEmpty() || !file.exists())
            return false;
        return QDesktopServices::openUrl(QUrl::fromLocalFile(file.absoluteFilePath()));
    } catch (const std::exception& e) {
        int number = 0;
        if (const auto* system = dynamic_cast<const std::system_error*>(&e))
            number = system->code().value();
        prompts.tell(owner, Prompts::Icon::Critical, QStringLiteral("エラー"),
                     QStringLiteral("エラーが発生しました。\nｴﾗｰNo. ") + QString::number(number) +
                         QLatin1Char('\n') + QString::fromLocal8Bit(e.what()));
        return false;
    }
}

QStringList splitCommandLine(const QString& commandLine)
{
    QStringList words;
    QString word;
    bool inWord = false;
    enum class Quote { None, Single, Double } quote = Quote::None;
    for (qsizetype i = 0; i < commandLine.size(); ++i) {
        const QChar c = commandLine.at(i);
        if (quote == Quote::Single) {
            if (c == QLatin1Char('\''))
                quote = Quote::None;
            else
                word += c;
        } else if (quote == Quote::Double) {
            if (c == QLatin1Char('"')) {
                quote = Quote::None;
            } else if (c == QLatin1Char('\\') && i + 1 < commandLine.size() &&
                       QStringLiteral("\\\"$`").contains(commandLine.at(i + 1))) {
                word += commandLine.at(++i);
            } else {
                word += c;
            }
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inWord) {
                words.append(word);
                word.clear();
                inWord = false;
            }
        } else {
            inWord = true;
            if (c == QLatin1Char('\''))
                quote = Quote::Single;
            else if (c == QLatin1Char('"'))
                quote = Quote::Double;
            else if (c == QLatin1Char('\\') && i + 1 < commandLine.size())
                word += commandLine.at(++i);
            else
                word += c;
        }
    }
    if (inWord)
        words.append(word);
    return words;
}

bool RunAndWait(QProcess& process)
{
    process.start();
    if (!process.waitForStarted(-1))
        return false;
    QCoreApplication* app = QCoreApplication::instance();
    if (qobject_cast<QGuiApplication*>(app) == nullptr ||
        QThread::currentThread() != app->thread()) {
        process.waitForFinished(-1);
        return true;
    }
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    // The window's text is out in the other program: nothing of the window may act (strict).
    if (process.state() != QProcess::NotRunning)
        InputGate::wait(loop, true);
    return true;
}

QString GetSystemFolder()
{
    return QStringLiteral("/usr/bin/");
}

void ReleaseFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}
