#include "base/GetFile.h"

#include <QDir>
#include <QFileDialog>

namespace {

const QString kAllFiles = QStringLiteral("すべてのﾌｧｲﾙ(*.*)");

QStringList filterPieces(const QString& filter)
{
    QStringList pieces;
    for (const QString& piece : filter.split(QLatin1Char('|'))) {
        if (!piece.isEmpty())
            pieces << piece;
    }
    if (pieces.size() % 2 == 1)
        pieces << QStringLiteral("*.*");
    return pieces;
}

class QtFileDialogBackend : public FileDialogBackend {
public:
    QString run(QWidget* owner, const FileDialogRequest& r) override
    {
        QFileDialog dialog(owner, r.title, r.initialFolder, r.filters.join(QStringLiteral(";;")));
        dialog.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(r.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        const QString selected = r.filters.value(r.filterIndex - 1);
        if (!selected.isEmpty())
            dialog.selectNameFilter(selected);
        if (!r.initialName.isEmpty())
            dialog.selectFile(r.initialName);
        if (r.save) {
            // A name typed without its extension gets the chosen type's: a workbook saved as
            // "result" could not be found as a workbook, nor opened as one. The dialog asks
            // before overwriting the name it returns.
            dialog.setDefaultSuffix(DefaultSuffixOf(dialog.selectedNameFilter()));
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                             [&dialog](const QString& chosen) {
                                 dialog.setDefaultSuffix(DefaultSuffixOf(chosen));
                             });
        }
        if (dialog.exec() != QDialog::Accepted)
            return {};
        return dialog.selectedFiles().value(0);
    }
};

FileDialogBackend*& installed()
{
    static FileDialogBackend* backend = nullptr;
    return backend;
}

} // namespace

QString BuildDialogFilter(const QString& filter)
{
    QString out;
    for (const QString& piece : filterPieces(filter))
        out += piece + QChar(0);
    if (!out.isEmpty())
        out += QChar(0);
    return out;
}

QStringList qtDialogFilters(const QString& filter)
{
    const QStringList pieces = filterPieces(filter.isEmpty() ? kAllFiles : filter);
    QStringList out;
    for (int i = 0; i + 1 < pieces.size(); i += 2) {
        const QString& desc = pieces.at(i);
        QString patterns = pieces.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // "CSVﾌｧｲﾙ(*.csv)" already names its patterns in the form Qt reads.
        if (desc.endsWith(QLatin1Char('(') + patterns + QLatin1Char(')')))
            out << desc;
        else
            out << desc + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out;
}

QString DefaultSuffixOf(const QString& qtFilter)
{
    const qsizetype open = qtFilter.lastIndexOf(QLatin1Char('('));
    const qsizetype close = qtFilter.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close < open)
        return {};
    const QStringList patterns =
        qtFilter.mid(open + 1, close - open - 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (patterns.size() != 1 || !patterns.first().startsWith(QStringLiteral("*.")))
        return {};
    const QString suffix = patterns.first().mid(2);
    if (suffix.isEmpty() || suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?')))
        return {};
    return suffix;
}

FileDialogRequest buildFileDialogRequest(const QString& title, const QString& initialPath,
                                         const QString& filter, int filterIndex, bool save)
{
    FileDialogRequest r;
    const QString path = initialPath.trimmed();
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    r.initialFolder = slash >= 0 ? path.left(slash + 1) : QString();
    r.initialName = path.mid(slash + 1);
    r.title = title;
    r.filters = qtDialogFilters(filter);
    r.filterIndex = filterIndex;
    r.save = save;
    return r;
}

FileDialogBackend& FileDialogBackend::instance()
{
    static QtFileDialogBackend qtBackend;
    return installed() != nullptr ? *installed() : qtBackend;
}

void FileDialogBackend::install(FileDialogBackend* backend)
{
    installed() = backend;
}

QString ShowOpenFileDialog(QWidget* owner, const QString& title, const QString& initialPath,
                           const QString& filter, int filterIndex)
{
    const FileDialogRequest r =
        buildFileDialogRequest(title, initialPath, filter, filterIndex, false);
    return FileDialogBackend::instance().run(owner, r).trimmed();
}

QString ShowSaveFileDialog(QWidget* owner, const QString& title, const QString& initialPath,
                           const QString& filter, int filterIndex)
{
    const FileDialogRequest r =
        buildFileDialogRequest(title, initialPath, filter, filterIndex, true);
    return FileDialogBackend::instance().run(owner, r).trimmed();
}
