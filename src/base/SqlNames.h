#pragma once

#include <QString>
#include <QStringView>

// Names and values put into generated SQL. A name is quoted only when it has to be (a space or a
// double quote inside), so plain names stay as the user reads them in the tree and the grid.

// name, or "name" with every " doubled when it contains a space or a double quote.
QString sqlName(QStringView name);

// 'value' with every ' doubled.
QString sqlStringLiteral(QStringView value);
