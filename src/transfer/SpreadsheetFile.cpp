#include "transfer/SpreadsheetFile.h"

#include "transfer/ExportText.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <xlsxwriter.h>

struct SpreadsheetFile::Book {
    lxw_workbook* workbook = nullptr;
    lxw_worksheet* sheet = nullptr;
};

SpreadsheetFile::SpreadsheetFile(const QString& path) : book_(std::make_unique<Book>())
{
    const QByteArray name = QFile::encodeName(path);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    book_->workbook = workbook_new_opt(name.constData(), &options);
    if (book_->workbook != nullptr)
        book_->sheet = workbook_add_worksheet(book_->workbook, nullptr);
    if (book_->sheet == nullptr && book_->workbook != nullptr) {
        // workbook_close frees the workbook; nothing is written without a worksheet.
        workbook_close(book_->workbook);
        book_->workbook = nullptr;
    }
}

SpreadsheetFile::~SpreadsheetFile()
{
    if (book_->workbook != nullptr)
        workbook_close(book_->workbook);
}

bool SpreadsheetFile::created() const
{
    return book_->workbook != nullptr;
}

bool SpreadsheetFile::addSheet()
{
    if (book_->workbook == nullptr)
        return false;
    lxw_worksheet* sheet = workbook_add_worksheet(book_->workbook, nullptr);
    if (sheet == nullptr) {
        if (error_ == 0)
            error_ = LXW_ERROR_MEMORY_MALLOC_FAILED;
        return false;
    }
    book_->sheet = sheet;
    return true;
}

void SpreadsheetFile::writeText(int row, int column, const QString& text)
{
    if (book_->sheet == nullptr || text.isEmpty())
        return;
    const QByteArray bytes = text.toUtf8();
    const lxw_error rc =
        worksheet_write_string(book_->sheet, static_cast<lxw_row_t>(row),
                               static_cast<lxw_col_t>(column), bytes.constData(), nullptr);
    if (rc != LXW_NO_ERROR && error_ == 0)
        error_ = rc;
}

void SpreadsheetFile::writeCell(int row, int column, const QString& text, bool numberColumn)
{
    double number = 0;
    // The grid's number filling puts spaces before a positive number ("-0012.50" keeps its
    // zeros): a workbook holds the number itself, so a column keeps one type.
    qsizetype padding = 0;
    while (numberColumn && padding < text.size() && text[padding] == u' ')
        ++padding;
    if (book_->sheet == nullptr || !numberColumn ||
        !spreadsheetNumber(padding > 0 ? text.mid(padding) : text, number)) {
        writeText(row, column, text);
        return;
    }
    const lxw_error rc = worksheet_write_number(book_->sheet, static_cast<lxw_row_t>(row),
                                                static_cast<lxw_col_t>(column), number, nullptr);
    if (rc != LXW_NO_ERROR && error_ == 0)
        error_ = rc;
}

bool SpreadsheetFile::save()
{
    if (book_->workbook == nullptr)
        return false;
    errno = 0;
    const lxw_error rc = workbook_close(book_->workbook);
    // The library names the system's reason on stderr only; the box should say it.
    const int systemError = errno;
    book_->workbook = nullptr;
    book_->sheet = nullptr;
    if (rc != LXW_NO_ERROR) {
        error_ = rc;
        systemError_ = rc == LXW_ERROR_CREATING_XLSX_FILE ? systemError : 0;
    }
    return error_ == 0;
}

QString SpreadsheetFile::errorText() const
{
    QString text = QStringLiteral("Error:") + QString::number(error_) + QLatin1Char(' ') +
                   QString::fromUtf8(lxw_strerror(static_cast<lxw_error>(error_)));
    if (systemError_ != 0)
        text += QLatin1Char('\n') + QString::fromLocal8Bit(std::strerror(systemError_));
    return text;
}
