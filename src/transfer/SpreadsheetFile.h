#pragma once

#include <QString>

#include <memory>

// A workbook with one worksheet, written to its path when closed. Rows must be written in
// order (the rows are streamed to a temporary file, so a large grid does not stay in memory).
// Texts are kept as text cells as they are (no "'" prefix: a workbook writer stores it); a
// number cell is written only when asked for one and the text is a plain decimal number, after
// the spaces of number filling (filling is for text; a number cell is the number).
class SpreadsheetFile {
public:
    explicit SpreadsheetFile(const QString& path);
    ~SpreadsheetFile();
    SpreadsheetFile(const SpreadsheetFile&) = delete;
    SpreadsheetFile& operator=(const SpreadsheetFile&) = delete;

    // False when the workbook could not be created at all.
    bool created() const;

    // Row and column from 0. An empty text leaves the cell blank.
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
