#pragma once

#include <QString>

#include <cstdint>
#include <memory>

// A workbook, written to its path when closed, with one worksheet to begin with and more added
// by addSheet. Rows must be written in order, the current sheet's only (the rows are streamed to
// a temporary file, so a large result does not stay in memory).
// Texts are kept as text cells as they are (no "'" prefix: a workbook writer stores it); a
// number cell is written only when asked for one and the text is a plain decimal number, after
// the spaces of number filling (filling is for text; a number cell is the number).
class SpreadsheetFile {
public:
    // The rows a worksheet holds: 1,048,576, one of them for the header.
    static constexpr std::int64_t kSheetDataRows = 1048575;

    explicit SpreadsheetFile(const QString& path);
    ~SpreadsheetFile();
    SpreadsheetFile(const SpreadsheetFile&) = delete;
    SpreadsheetFile& operator=(const SpreadsheetFile&) = delete;

    // False when the workbook could not be created at all.
    bool created() const;

    // Starts the next worksheet; later cells go to it, from row 0. False when the workbook
    // refused it (the error is reported by save).
    bool addSheet();

    // Row and column from 0, in the current worksheet. An empty text leaves the cell blank.
    void writeText(int row, int column, const QString& text);
    void writeCell(int row, int column, const QString& text, bool numberColumn);

    // Writes the file. False on failure, with the library's error number and text; a failure
    // while cells were written is reported here too.
    bool save();
    // "Error:" + the number + " " + the library's description.
    QString errorText() const;

private:
    struct Book;
    std::unique_ptr<Book> book_;
    int error_ = 0;
    int systemError_ = 0; // errno of a file that could not be created
};
