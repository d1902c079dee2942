#pragma once

#include "transfer/Delimiter.h"
#include "transfer/ExportFile.h"
#include "transfer/ExportText.h"
#include "transfer/RowTransfer.h"
#include "transfer/SpreadsheetFile.h"

#include <QString>
#include <QStringConverter>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a delimited export writes besides the rows.
struct ExportSettings {
    QString delimiter;
    QString quote; // empty for none
    bool header = false;
    // NULL written as nothing and an empty text as two quotes (see ExportLineBuilder).
    bool markNull = false;
    FileEncoding encoding = FileEncoding::Cp932;
    // Data rows per worksheet of a workbook; past them the rows go on in a new sheet.
    std::int64_t sheetRows = SpreadsheetFile::kSheetDataRows;
};

// One row's texts as UTF-8 views into one buffer: one conversion per cell, no allocation per
// cell.
class Utf8Row {
public:
    const std::vector<std::string_view>& set(const QString* cells, std::size_t count);

private:
    QStringEncoder encoder_{QStringEncoder::Utf8, QStringConverter::Flag::Stateless};
    std::string bytes_;
    std::vector<std::size_t> ends_;
    std::vector<std::string_view> views_;
};

// Delimited lines into a file, in code page 932 or UTF-8 (with its mark), one line per row.
class TextFileSink : public RowSink {
public:
    TextFileSink(const QString& path, const ExportSettings& settings);

    bool open(const QStringList& names, const ColumnKinds& kinds) override;
    bool add(const QString* cells) override;
    bool add(const std::vector<std::string_view>& values) override;
    bool close() override;
    std::int64_t rows() const override;
    QString path() const override { return path_; }
    QString errorText() const override { return file_.errorText(); }
    std::uint64_t replacedValues() const override { return builder_.replacedValues(); }

private:
    const QString path_;
    const ExportSettings settings_;
    ExportLineBuilder builder_;
    ExportFile file_;
    ColumnKinds kinds_;
    Utf8Row row_;
    std::string line_;
    // Lines written that are not rows: the mark of a UTF-8 file, the header.
    int leadLines_ = 0;
};

// Delimited lines as UTF-8 text for the clipboard, which receives them whole at the end (also
// the rows so far when stopped).
class ClipboardSink : public RowSink {
public:
    explicit ClipboardSink(const ExportSettings& settings);

    bool open(const QStringList& names, const ColumnKinds& kinds) override;
    bool add(const QString* cells) override;
    bool add(const std::vector<std::string_view>& values) override;
    bool close() override { return true; }
    void handOver() override;
    std::int64_t rows() const override { return rows_; }

private:
    const ExportSettings settings_;
    ExportLineBuilder builder_;
    ColumnKinds kinds_;
    Utf8Row row_;
    std::string text_;
    std::int64_t rows_ = 0;
};

// Cells of a workbook: a new worksheet after every settings.sheetRows data rows, each one
// beginning with the header when it is wanted, so that a result longer than a sheet is written
// whole. Number columns get number cells where the text is a plain number.
class WorkbookSink : public RowSink {
public:
    WorkbookSink(const QString& path, const ExportSettings& settings);
    ~WorkbookSink() override;

    bool open(const QStringList& names, const ColumnKinds& kinds) override;
    bool add(const QString* cells) override;
    bool add(const std::vector<std::string_view>& values) override;
    // Saves the workbook; false also when a worksheet could not be added.
    bool close() override;
    std::int64_t rows() const override { return rows_; }
    QString path() const override { return path_; }
    QString errorText() const override;

private:
    void writeHeader();

    const QString path_;
    const ExportSettings settings_;
    std::optional<SpreadsheetFile> book_;
    ColumnKinds kinds_;
    QStringList header_;
    int row_ = 0;
    std::int64_t onSheet_ = 0;
    std::int64_t rows_ = 0;
    bool failed_ = false;
    std::vector<QString> texts_;
};
