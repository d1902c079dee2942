#pragma once

#include <QString>

// One history entry or one template: its header (time stamp and data source, or the title) and
// its statement, with "\n" line breaks.
struct ClassSQL {
    QString SQLhead;
    QString SQLstmt;

    bool operator==(const ClassSQL&) const = default;
};
