#pragma once

#include <QFont>
#include <QStringList>

// The fixed-pitch font of the workbench's windows: "ＭＳ ゴシック" where a Japanese Windows font
// is installed, else a Japanese monospace family Linux has, else any monospace font; 10 pt.
QFont workbenchFont();
