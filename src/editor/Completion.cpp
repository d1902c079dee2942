#include "editor/Completion.h"

#include "base/Utf8Text.h"

#include "base/SearchFold.h"
#include "base/SqlNames.h"
#include "sql/SqlStatement.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <iterator>

namespace {

bool isName(const sql::Piece& p)
{
    return p.kind == sql::TokenKind::Word || p.kind == sql::TokenKind::QuotedName;
}

bool isSymbol(const sql::Piece& p, char c)
{
    return p.kind == sql::TokenKind::Symbol && p.text.size() == 1 && p.text[0] == c;
}

bool isWord(const sql::Piece& p, std::string_view word)
{
    return p.kind == sql::TokenKind::Word && p.text == word;
}

// Words that end a table list rather than name a table or alias.
bool isKeyword(const sql::Piece& p)
{
    static const std::string_view words[] = {
        "WHERE", "ON",    "JOIN",   "LEFT",   "RIGHT",   "INNER", "OUTER",
        "FULL",  "CROSS", "SET",    "VALUES", "GROUP",   "ORDER", "HAVING",
        "LIMIT", "UNION", "SELECT", "USING",  "NATURAL", "AS",    "FROM"};
    return p.kind == sql::TokenKind::Word &&
           std::find(std::begin(words), std::end(words), p.text) != std::end(words);
}

} // namespace

CompletionContext CompletionContextAt(const QString& text, int caret, sql::Dialect dialect)
{
    CompletionContext c;
    caret = std::clamp(caret, 0, static_cast<int>(text.size()));
    const std::vector<sql::Piece> t = sql::readPieces(utf16View(text), dialect).list;
    // A name as written: a word as typed, a quoted name without its quotes.
    const auto nameOf = [&text](const sql::Piece& p) {
        return p.kind == sql::TokenKind::QuotedName
                   ? QString::fromStdString(p.text)
                   : text.mid(static_cast<qsizetype>(p.begin),
                              static_cast<qsizetype>(p.end - p.begin));
    };

    // The word the caret is in or right behind, and a name and "." right before it.
    const auto at = static_cast<std::size_t>(caret);
    std::size_t before = 0; // pieces wholly before the caret
    while (before < t.size() && t[before].end <= at)
        ++before;
    c.prefixStart = caret;
    std::size_t word = t.size();
    if (before < t.size() && t[before].begin < at)
        word = before;
    else if (before > 0 && t[before - 1].end == at)
        word = before - 1;
    if (word < t.size() && t[word].kind == sql::TokenKind::Word) {
        c.prefixStart = static_cast<int>(t[word].begin);
        c.prefix = text.mid(c.prefixStart, caret - c.prefixStart);
        before = word;
    } else if (word == before) {
        // Inside a string or quoted name, where no name is typed.
        before = 0;
    }
    if (before >= 2 && isSymbol(t[before - 1], '.') &&
        t[before - 1].end == static_cast<std::size_t>(c.prefixStart) && isName(t[before - 2]) &&
        t[before - 2].end == t[before - 1].begin)
        c.qualifier = nameOf(t[before - 2]);

    for (std::size_t i = 0; i < t.size(); ++i) {
        const bool from = isWord(t[i], "FROM");
        if (!from && !isWord(t[i], "JOIN") && !isWord(t[i], "UPDATE") && !isWord(t[i], "INTO"))
            continue;
        // A list after FROM: name [AS] [alias] {, name [AS] [alias]}.
        std::size_t j = i + 1;
        for (;;) {
            if (j >= t.size() || !isName(t[j]) || isKeyword(t[j]))
                break;
            QString table = nameOf(t[j]);
            ++j;
            // owner.table: the table's own name is what the catalog lists.
            while (j + 1 < t.size() && isSymbol(t[j], '.') && isName(t[j + 1])) {
                table = nameOf(t[j + 1]);
                j += 2;
            }
            c.tables.insert(table.toUpper(), table);
            if (j < t.size() && isWord(t[j], "AS"))
                ++j;
            if (j < t.size() && isName(t[j]) && !isKeyword(t[j])) {
                c.tables.insert(nameOf(t[j]).toUpper(), table);
                ++j;
            }
            if (!from || j >= t.size() || !isSymbol(t[j], ','))
                break;
            ++j;
        }
    }
    return c;
}

const QStringList& CompletionCatalog::objects()
{
    if (!objectsRead_ && readObjects) {
        objects_ = readObjects();
        objectsRead_ = true;
    }
    return objects_;
}

const QStringList& CompletionCatalog::columns(const QString& table)
{
    const QString key = table.toUpper();
    auto it = columns_.find(key);
    if (it == columns_.end())
        it = columns_.insert(key, readColumns ? readColumns(table) : QStringList());
    return *it;
}

void CompletionCatalog::clear()
{
    objectsRead_ = false;
    objects_.clear();
    columns_.clear();
}

QStringList CompletionCandidates(const CompletionContext& context, CompletionCatalog& catalog)
{
    const QString prefix = foldForSearch(context.prefix);
    QStringList out;
    QSet<QString> seen;
    const auto add = [&](const QStringList& names) {
        for (const QString& name : names) {
            if (!foldForSearch(name).startsWith(prefix) || seen.contains(name))
                continue;
            seen.insert(name);
            out.append(name);
        }
    };
    if (!context.qualifier.isEmpty()) {
        const QString table = context.tables.value(context.qualifier.toUpper(), context.qualifier);
        add(catalog.columns(table));
        return out;
    }
    add(catalog.objects());
    QStringList named = context.tables.values();
    named.removeDuplicates();
    for (const QString& table : named)
        add(catalog.columns(table));
    return out;
}

CompletionPopup::CompletionPopup(QPlainTextEdit* box, CompletionCatalog& catalog,
                                 std::function<bool()> allowed, QObject* parent)
    : QObject(parent), box_(box), boxObject_(box), catalog_(catalog), allowed_(std::move(allowed)),
      list_(new QListWidget(box))
{
    list_->setObjectName(QStringLiteral("LV_complete"));
    list_->setWindowFlags(Qt::ToolTip);
    list_->hide();
    connect(list_, &QListWidget::itemClicked, this, [this] { insertChosen(); });
    box_->installEventFilter(this);
}

bool CompletionPopup::open()
{
    if (box_ == nullptr || composing_ || (allowed_ && !allowed_()))
        return false;
    const QTextCursor cursor = box_->textCursor();
    context_ = CompletionContextAt(box_->toPlainText(), cursor.position(), dialect_);
    const QStringList names = CompletionCandidates(context_, catalog_);
    if (names.isEmpty()) {
        list_->hide();
        return false;
    }
    list_->clear();
    list_->addItems(names);
    list_->setCurrentRow(0);
    const QRect caret = box_->cursorRect();
    list_->move(box_->viewport()->mapToGlobal(caret.bottomLeft()));
    list_->resize(std::max(200, list_->sizeHintForColumn(0) + 30),
                  std::min(240, list_->sizeHintForRow(0) * static_cast<int>(names.size()) + 6));
    list_->show();
    return true;
}

void CompletionPopup::insertChosen()
{
    QListWidgetItem* item = list_->currentItem();
    list_->hide();
    if (item == nullptr || box_ == nullptr)
        return;
    QTextCursor cursor = box_->textCursor();
    cursor.setPosition(context_.prefixStart);
    cursor.setPosition(box_->textCursor().position(), QTextCursor::KeepAnchor);
    cursor.insertText(sqlName(item->text()));
    box_->setTextCursor(cursor);
}

bool CompletionPopup::eventFilter(QObject* watched, QEvent* event)
{
    // Only these two; and compared with the pointer kept at construction: the box still sends
    // events while it is destroyed, when its guarded pointer may no longer be read as one.
    const QEvent::Type type = event->type();
    if ((type != QEvent::InputMethod && type != QEvent::KeyPress) || watched != boxObject_)
        return false;
    if (type == QEvent::InputMethod) {
        // While the input method composes, keys belong to it.
        composing_ = !static_cast<QInputMethodEvent*>(event)->preeditString().isEmpty();
        return false;
    }
    if (composing_)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    // The list never takes the focus: the box's keys move in it while it is shown.
    if (list_->isVisible()) {
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
            insertChosen();
            return true;
        case Qt::Key_Escape:
            list_->hide();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down: {
            const int step = key->key() == Qt::Key_Up ? -1 : 1;
            list_->setCurrentRow(std::clamp(list_->currentRow() + step, 0, list_->count() - 1));
            return true;
        }
        default:
            list_->hide();
            break;
        }
    }
    if (key->key() == Qt::Key_J && key->modifiers() == Qt::ControlModifier) {
        open();
        return true;
    }
    if (key->text() == QStringLiteral(".")) {
        // The dot goes in first; a table or alias of the statement before it opens the list.
        QTimer::singleShot(0, this, [this] {
            if (box_ == nullptr)
                return;
            const CompletionContext c =
                CompletionContextAt(box_->toPlainText(), box_->textCursor().position(), dialect_);
            if (!c.qualifier.isEmpty() && c.tables.contains(c.qualifier.toUpper()))
                open();
        });
    }
    return false;
}
