#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <functional>
#include <vector>

// The rows of the result grid: a "行No." column, one column per result column and a closing
// "<" column. Rows are kept as plain texts, one vector per row, so a sort moves only the row
// handles. Rows appended during a fill stay invisible to views until flush(), so a fill of
// thousands of rows costs one insert notification instead of one per row.
class ResultGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    struct Row {
        std::int32_t number = 0;
        QVector<QString> cells; // one text per result column
    };

    explicit ResultGridModel(QObject* parent = nullptr);

    // No columns and no rows.
    void clear();
    // Replaces everything by the headers of a result: names and one kind letter per column
    // ('N' cells are right-aligned).
    void setColumns(const QStringList& names, const QString& kinds);
    // Adds a row behind the pending ones; cells is cut or padded to the result's columns.
    void appendRow(std::int32_t number, QVector<QString>&& cells);
    // Announces the pending rows to the views.
    void flush();

    // What all texts of one result column have in common, pending rows included: kept as rows
    // arrive, while their texts are at hand, so that sizing the columns can skip most texts.
    struct ColumnTexts {
        qsizetype longest = 0;      // characters of the longest text
        bool printableAscii = true; // every text is " " to "~" only
    };
    const std::vector<ColumnTexts>& columnTexts() const { return columnTexts_; }

    int resultColumnCount() const { return static_cast<int>(names_.size()); }
    QChar kind(int resultColumn) const { return kinds_.at(resultColumn); }
    const std::vector<Row>& rows() const { return rows_; }
    // The text of a grid cell (grid column numbering, 0 is the row number), pending rows too.
    QString cellText(int row, int column) const;
    QString headerText(int column) const;

    // The caption and width of the numbering column ("行No." and 6 after setColumns): a table
    // that is not a result (the column attribute view) numbers its rows its own way.
    void setNumberColumn(const QString& header, int width);
    // The numbering cell of a row number.
    QString numberText(std::int32_t number) const;

    // Reorders the rows (stable); selections and other persistent indexes follow their rows.
    void sortRows(const std::function<bool(const Row&, const Row&)>& less);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void reset(const QStringList& names, const QString& kinds, bool laidOut);
    QVariant alignment(int column) const;

    bool laidOut_ = false;
    QStringList names_;
    QString kinds_;
    std::vector<Row> rows_;
    std::vector<ColumnTexts> columnTexts_;
    int shownRows_ = 0; // rows announced to views; the rest are pending
    QString numberHeader_ = QStringLiteral("行No.");
    int numberWidth_ = 6;
};
