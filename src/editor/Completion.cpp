#include "editor/Completion.h"

#include "base/SearchFold.h"
#include "base/SqlNames.h"
#include "base/SqlTokens.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSet>
#include <QTimer>

namespace {

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

bool isName(const SqlToken& token)
{
    return token.kind != SqlToken::Kind::Punctuation;
}

bool isKeyword(const QString& word)
{
    static const QSet<QString> words = {
        QStringLiteral("WHERE"),   QStringLiteral("ON"),     QStringLiteral("JOIN"),
        QStringLiteral("LEFT"),    QStringLiteral("RIGHT"),  QStringLiteral("INNER"),
        QStringLiteral("OUTER"),   QStringLiteral("FULL"),   QStringLiteral("CROSS"),
        QStringLiteral("SET"),     QStringLiteral("VALUES"), QStringLiteral("GROUP"),
        QStringLiteral("ORDER"),   QStringLiteral("HAVING"), QStringLiteral("LIMIT"),
        QStringLiteral("UNION"),   QStringLiteral("SELECT"), QStringLiteral("USING"),
        QStringLiteral("NATURAL"), QStringLiteral("AS"),     QStringLiteral("FROM")};
    return words.contains(word.toUpper());
}

} // namespace

CompletionContext CompletionContextAt(const QString& text, int caret)
{
    CompletionContext c;
    caret = std::clamp(caret, 0, static_cast<int>(text.size()));
    int start = caret;
    while (start > 0 && isNameChar(text[start - 1]))
        --start;
    c.prefixStart = start;
    c.prefix = text.mid(start, caret - start);
    if (start > 0 && text[start - 1] == u'.') {
        int end = start - 1;
        int from = end;
        if (from > 0 && text[from - 1] == u'"') {
            const qsizetype open = text.lastIndexOf(u'"', from - 2);
            if (open >= 0)
                c.qualifier = text.mid(open + 1, from - 2 - open);
        } else {
            while (from > 0 && isNameChar(text[from - 1]))
                --from;
            c.qualifier = text.mid(from, end - from);
        }
    }

    const QVector<SqlToken> t = SqlTokens(text);
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QString word = t[i].text.toUpper();
        if (!isName(t[i]) ||
            (word != u"FROM" && word != u"JOIN" && word != u"UPDATE" && word != u"INTO"))
            continue;
        // A list after FROM: name [AS] [alias] {, name [AS] [alias]}.
        qsizetype j = i + 1;
        for (;;) {
            if (j >= t.size() || !isName(t[j]) || isKeyword(t[j].text))
                break;
            QString table = t[j].text;
            ++j;
            // owner.table: the table's own name is what the catalog lists.
            while (j + 1 < t.size() && t[j].text == u"." && isName(t[j + 1])) {
                table = t[j + 1].text;
                j += 2;
            }
            c.tables.insert(table.toUpper(), table);
            if (j < t.size() && isName(t[j]) && t[j].text.toUpper() == u"AS")
                ++j;
            if (j < t.size() && isName(t[j]) && !isKeyword(t[j].text)) {
                c.tables.insert(t[j].text.toUpper(), table);
                ++j;
            }
            if (word != u"FROM" || j >= t.size() || t[j].text != u",")
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
    context_ = CompletionContextAt(box_->toPlainText(), cursor.position());
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
                CompletionContextAt(box_->toPlainText(), box_->textCursor().position());
            if (!c.qualifier.isEmpty() && c.tables.contains(c.qualifier.toUpper()))
                open();
        });
    }
    return false;
}
