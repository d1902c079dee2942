#include "base/WindowFont.h"

QFont workbenchFont()
{
    QFont f;
    f.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"),
                   QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("monospace")});
    f.setStyleHint(QFont::Monospace);
    f.setPointSize(10);
    return f;
}
