#include "transfer/RowSinks.h"

#include "base/Utf8Text.h"

#include <QClipboard>
#include <QGuiApplication>

#include <algorithm>

const std::vector<std::string_view>& Utf8Row::set(const QString* cells, std::size_t count)
{
    std::size_t room = 0;
    for (std::size_t c = 0; c < count; ++c)
        room += static_cast<std::size_t>(encoder_.requiredSpace(cells[c].size()));
    bytes_.resize(room);
    ends_.resize(count);
    char* const begin = bytes_.data();
    char* at = begin;
    for (std::size_t c = 0; c < count; ++c) {
        at = encoder_.appendToBuffer(at, cells[c]);
        ends_[c] = static_cast<std::size_t>(at - begin);
    }
    views_.resize(count);
    std::size_t from = 0;
    for (std::size_t c = 0; c < count; ++c) {
        // A NULL stays a view without data, apart from an empty text.
        views_[c] = cells[c].isNull() ? std::string_view()
                                      : std::string_view(begin + from, ends_[c] - from);
        from = ends_[c];
    }
    return views_;
}

TextFileSink::TextFileSink(const QString& path, const ExportSettings& settings)
    : path_(path), settings_(settings),
      builder_(settings.delimiter, settings.quote,
               settings.encoding == FileEncoding::Utf8 ? ExportLineBuilder::Target::Utf8File
                                                       : ExportLineBuilder::Target::Cp932File,
               settings.markNull)
{
}

bool TextFileSink::open(const QStringList& names, const ColumnKinds& kinds)
{
    kinds_ = kinds;
    leadLines_ = 0;
    if (!file_.open(path_))
        return false;
    // The mark tells other programs (and the load) that the file is UTF-8.
    if (settings_.encoding == FileEncoding::Utf8 && file_.write("\xEF\xBB\xBF"))
        ++leadLines_;
    if (settings_.header) {
        line_.clear();
        builder_.appendHeader(names, line_);
        if (file_.write(line_))
            ++leadLines_;
    }
    return true;
}

bool TextFileSink::add(const QString* cells)
{
    return add(row_.set(cells, kinds_.size()));
}

bool TextFileSink::add(const std::vector<std::string_view>& values)
{
    line_.clear();
    builder_.appendRow(values, kinds_, line_);
    return file_.write(line_);
}

bool TextFileSink::close()
{
    return file_.close();
}

std::int64_t TextFileSink::rows() const
{
    return std::max<std::int64_t>(0, file_.linesWritten() - leadLines_);
}

ClipboardSink::ClipboardSink(const ExportSettings& settings)
    : settings_(settings), builder_(settings.delimiter, settings.quote,
                                    ExportLineBuilder::Target::Utf8Text, settings.markNull)
{
}

bool ClipboardSink::open(const QStringList& names, const ColumnKinds& kinds)
{
    kinds_ = kinds;
    text_.clear();
    rows_ = 0;
    if (settings_.header)
        builder_.appendHeader(names, text_);
    return true;
}

bool ClipboardSink::add(const QString* cells)
{
    return add(row_.set(cells, kinds_.size()));
}

bool ClipboardSink::add(const std::vector<std::string_view>& values)
{
    builder_.appendRow(values, kinds_, text_);
    ++rows_;
    return true;
}

void ClipboardSink::handOver()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(textFromUtf8(text_));
}

WorkbookSink::WorkbookSink(const QString& path, const ExportSettings& settings)
    : path_(path), settings_(settings)
{
}

WorkbookSink::~WorkbookSink() = default;

bool WorkbookSink::open(const QStringList& names, const ColumnKinds& kinds)
{
    kinds_ = kinds;
    header_ = settings_.header ? names : QStringList();
    if (!book_.emplace(path_).created())
        return false;
    writeHeader();
    return true;
}

void WorkbookSink::writeHeader()
{
    for (qsizetype c = 0; c < header_.size(); ++c)
        book_->writeText(row_, static_cast<int>(c), header_.at(c));
    if (!header_.isEmpty())
        ++row_;
}

bool WorkbookSink::add(const QString* cells)
{
    if (onSheet_ == std::max<std::int64_t>(1, settings_.sheetRows)) {
        if (!book_->addSheet()) {
            failed_ = true;
            return false;
        }
        row_ = 0;
        onSheet_ = 0;
        writeHeader();
    }
    for (std::size_t c = 0; c < kinds_.size(); ++c)
        book_->writeCell(row_, static_cast<int>(c), cells[c], kinds_[c] == ColumnKind::Number);
    ++row_;
    ++onSheet_;
    ++rows_;
    return true;
}

bool WorkbookSink::add(const std::vector<std::string_view>& values)
{
    texts_.resize(kinds_.size());
    for (std::size_t c = 0; c < texts_.size(); ++c) {
        const std::string_view v = c < values.size() ? values[c] : std::string_view();
        texts_[c] = v.data() == nullptr
                        ? QString()
                        : QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
    }
    return add(texts_.data());
}

bool WorkbookSink::close()
{
    const bool saved = book_ && book_->save();
    return saved && !failed_;
}

QString WorkbookSink::errorText() const
{
    return book_ ? book_->errorText() : QString();
}
