#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// Description of the open result: what the result grid and the export need to lay out columns.
struct ResultSetInfo {
    // Columns described at most; a wider result is described by its first kCapacity columns.
    static constexpr int kCapacity = 1000;

    // Number of described columns (the caller sets it from DbLastColumnCount before
    // DbDescribeResult, which caps it at kCapacity).
    std::int16_t columnCount = 0;
    // Column names, index 0 .. columnCount - 1.
    QStringList names;
    // One kind letter per column: 'S' character, 'T' date/time, 'N' anything else.
    QString kinds;
};
