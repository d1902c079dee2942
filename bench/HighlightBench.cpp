// Typing into a 5 MB statement file with the SQL colouring on and off: a QPlainTextEdit as the
// input area has it (offscreen, shown, the workbench font), one character typed into the middle
// of the text and taken out again with Backspace, each key press timed with the repaint it
// causes. Also the time to show the file, and the worst key: the "*" that opens a comment at
// the top, which colours every line below again, and its Backspace. Last, the colouring of
// every line alone, without the box, for each dialect.
//
//   highlight_bench [MB] [KEYS]      (default 5 MB, 200 keys)
//
// Run with QT_QPA_PLATFORM=offscreen.
#include "BenchSupport.h"
#include "base/SqlHighlight.h"
#include "base/WindowFont.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

QStringList keywords()
{
    QFile f(QStringLiteral(QV_KEYWORD_FILE));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll())
        .remove(QLatin1Char('\r'))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Statements of the kinds a dump or a long script holds, about 5 MB of them.
QString statementFile(double mb)
{
    const QString lines[] = {
        QStringLiteral("INSERT INTO \"Order Lines\" (id, item, qty, price, note) VALUES (%1, "
                       "'item %1', 3, 12.50, 'it''s fine');"),
        QStringLiteral("SELECT o.id, o.customer, SUM(l.qty * l.price) AS total FROM orders o"),
        QStringLiteral("  JOIN order_lines l ON l.order_id = o.id WHERE o.id > %1 -- recent "
                       "orders only"),
        QStringLiteral("  GROUP BY o.id, o.customer HAVING COUNT(*) > 2 ORDER BY total DESC;"),
        QStringLiteral("/* %1: the nightly totals,"),
        QStringLiteral("   kept for the monthly report */"),
        QStringLiteral("UPDATE customers SET name = '顧客 %1', updated = CURRENT_TIMESTAMP "
                       "WHERE id = %1;"),
        QStringLiteral("/")};
    QString text;
    const qsizetype target = static_cast<qsizetype>(mb * 1024 * 1024);
    text.reserve(target + 200);
    for (int n = 0; text.size() < target; ++n) {
        const QString& line = lines[n % std::size(lines)];
        text += line.contains(QLatin1String("%1")) ? line.arg(n) : line;
        text += QLatin1Char('\n');
    }
    return text;
}

double keyMs(QPlainTextEdit& box, Qt::Key key, const QString& text)
{
    const auto t = std::chrono::steady_clock::now();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(&box, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(&box, &release);
    box.viewport()->repaint();
    return bench::msSince(t);
}

struct Figures {
    double median = 0;
    double p95 = 0;
    double max = 0;
};

Figures figures(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back()};
}

void run(bool colour, double mb, int keys, const QStringList& words)
{
    QPlainTextEdit box;
    box.setFont(workbenchFont());
    box.resize(1000, 700);
    box.show();
    QApplication::processEvents();
    SqlHighlighter* highlighter = nullptr;
    if (colour) {
        highlighter = new SqlHighlighter(box.document());
        highlighter->setKeywords(words);
    }
    const QString text = statementFile(mb);
    auto t = std::chrono::steady_clock::now();
    box.setPlainText(text);
    box.viewport()->repaint();
    const double loadMs = bench::msSince(t);

    QTextCursor c = box.textCursor();
    c.setPosition(static_cast<int>(text.size() / 2));
    c.movePosition(QTextCursor::StartOfBlock);
    c.movePosition(QTextCursor::NextWord);
    box.setTextCursor(c);
    box.centerCursor();
    QApplication::processEvents();
    std::vector<double> typed;
    for (int i = 0; i < keys; ++i) {
        typed.push_back(keyMs(box, Qt::Key_X, QStringLiteral("x")));
        typed.push_back(keyMs(box, Qt::Key_Backspace, QString()));
    }
    const Figures f = figures(typed);

    box.moveCursor(QTextCursor::Start);
    keyMs(box, Qt::Key_Slash, QStringLiteral("/"));
    const double openMs = keyMs(box, Qt::Key_Asterisk, QStringLiteral("*"));
    const double closeMs = keyMs(box, Qt::Key_Backspace, QString());
    std::printf("%-10s %4.1f MB %6d lines  show %8.1f ms   key median %6.2f ms  p95 %6.2f ms  "
                "max %6.2f ms   comment opened at the top %8.1f ms, closed %8.1f ms\n",
                colour ? "colour on" : "colour off", text.size() / 1048576.0,
                box.document()->blockCount(), loadMs, f.median, f.p95, f.max, openMs, closeMs);
}

// The reader's colouring of every line without a widget, per dialect: what one key costs the
// highlighter, apart from the layout and repaint.
void scanOnly(double mb, const QStringList& words)
{
    const QStringList lines = statementFile(mb).split(QLatin1Char('\n'));
    const sqlhighlight::Keywords keywords(words);
    std::vector<sqlhighlight::Span> spans;
    for (const sql::Engine engine :
         {sql::Engine::Other, sql::Engine::PostgreSql, sql::Engine::MariaDb}) {
        const auto t = std::chrono::steady_clock::now();
        sql::Carry<char16_t> carry;
        for (const QString& line : lines)
            carry = sqlhighlight::scanLine(line, carry, {engine, true}, keywords, spans);
        const double ms = bench::msSince(t);
        std::printf("lines alone, engine %d: %8.2f ms, %6.2f us a line\n", static_cast<int>(engine),
                    ms, ms * 1000 / static_cast<double>(lines.size()));
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const double mb = argc > 1 ? std::atof(argv[1]) : 5.0;
    const int keys = argc > 2 ? std::atoi(argv[2]) : 200;
    const QStringList words = keywords();
    std::printf("%lld keywords\n", static_cast<long long>(words.size()));
    run(false, mb, keys, words);
    run(true, mb, keys, words);
    scanOnly(mb, words);
    return 0;
}
