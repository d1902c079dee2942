#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class OdbcLib;
class Prompts;
class QWidget;
struct ResultSetInfo;

// The only door from the windows to OdbcLib: the busy pointer around database work, the
// message boxes of initialisation, connect, COMMIT and ROLLBACK failures, and the list loops
// over the one-row catalog enumerators. Status codes are OdbcLib's; texts are QString.
class ODBCComm {
public:
    ODBCComm(OdbcLib& lib, Prompts& prompts);
    ODBCComm(const ODBCComm&) = delete;
    ODBCComm& operator=(const ODBCComm&) = delete;

    // Allocates the environment; shows "INIT エラー" on failure. True on success.
    bool DbInit();
    // uid, pwd and connStr are in-out (the driver's completed string and the keys found in it).
    // 0, or -99 after the one message box that explains the failure.
    int DbConnect(QWidget* owner, const QString& dsn, QString& uid, QString& pwd,
                  const QString& driver, QString& connStr);
    // Commits and disconnects; 0, or -99 when a call failed (nothing is shown).
    int DbDisconnect();
    bool DbIsConnected() const { return connected_; }
    std::int16_t DbCommit(QWidget* owner = nullptr);
    std::int16_t DbRollback(QWidget* owner = nullptr);

    // maxRows > 0 caps the rows of a result in the driver (0: no cap).
    std::int16_t DbExecute(const QString& sql, std::int32_t maxRows = 0);
    std::int32_t DbLastRowCount() const { return lastRowCount_; }
    // The true column count of the last result, which may exceed ResultSetInfo::kCapacity.
    std::int16_t DbLastColumnCount() const { return lastColumnCount_; }
    // info.columnCount must be set (from DbLastColumnCount); it is capped at kCapacity and the
    // names and kinds are filled. On failure info is left unchanged.
    std::int16_t DbDescribeResult(ResultSetInfo& info);
    // The next row of the open result into values (grown to the column count when shorter).
    std::int16_t DbFetch(QVector<QString>& values, bool singleRowMode);
    void DbCloseCursor();
    QString DbLastErrorText() const;
    void DbShowError(std::int16_t code, const QString& title, QWidget* owner = nullptr);

    // List operations: the output lists are replaced (count == their size); 0 at the end of the
    // data, else the code that ended the list, with the elements read so far kept.
    std::int16_t DbListDataSources(int max, int& count, QStringList& names,
                                   QStringList& descriptions);
    std::int16_t DbListDrivers(int max, int& count, QStringList& names);
    // owner: std::nullopt lists every owner's objects; a present owner (even empty) is a
    // pattern passed to the driver as given.
    std::int16_t DbListObjects(const std::optional<QString>& owner, int& tableCount,
                               QStringList& tables, int& viewCount, QStringList& views,
                               int& otherCount, QStringList& others);
    // Columns of exactly this table (rows of other tables matching the name pattern dropped).
    std::int16_t DbListColumns(const std::optional<QString>& owner, const QString& table, int max,
                               int& count, QStringList& names, QStringList& typeTexts);
    // Sets keyPositions[i] to the position of names[i] in a unique index of the table; entries
    // of other columns keep their value. keyPositions is grown to count when shorter.
    std::int16_t DbMarkKeyColumns(const std::optional<QString>& owner, const QString& table,
                                  int count, const QStringList& names,
                                  QVector<std::int16_t>& keyPositions);

private:
    void warn(QWidget* owner, const QString& title, const QString& text);

    OdbcLib& lib_;
    Prompts& prompts_;
    bool connected_ = false;
    std::int32_t lastRowCount_ = 0;
    std::int16_t lastColumnCount_ = 0;
    // Row buffer reused by every fetch: views of the values in OdbcLib's buffers, so that the
    // per-row path allocates only the QStrings.
    std::vector<std::string_view> row_;
};
