#pragma once

#include <QString>

#include <optional>

// The field delimiter as typed into an editable delimiter box: trimmed, and "TAB" is the tab
// character. A text of blanks means one space (trimming it would glue the fields together), or a
// tab when a tab is among them; an empty text is no delimiter at all.
std::optional<QString> delimiterFromBox(const QString& typed);
