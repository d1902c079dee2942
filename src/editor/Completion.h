#pragma once

#include "sql/SqlLexer.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class QListWidget;
class QPlainTextEdit;

// Name completion in the SQL input area: what is being typed at the caret, the tables the
// statement names (with their aliases), and the names that may complete it.

struct CompletionContext {
    QString prefix; // the part of the name typed before the caret
    int prefixStart = 0;
    QString qualifier; // the table or alias before "." (empty when none)
    // Tables the statement names after FROM, JOIN, UPDATE, INTO and their aliases, both
    // folded to upper case, each mapped to the table's name as written.
    QHash<QString, QString> tables;
};

// The context at caret in the statement text (the piece of the input area being edited), read
// as the connected database reads it: names inside strings and comments name no table.
CompletionContext CompletionContextAt(const QString& text, int caret, sql::Dialect dialect = {});

// The catalog's names for completion, kept per connection: the object names read once, the
// columns of each table read when first asked for. Reads go through the functions given;
// clear() forgets everything (reconnect, tree reload).
class CompletionCatalog {
public:
    std::function<QStringList()> readObjects;
    std::function<QStringList(const QString& table)> readColumns;

    const QStringList& objects();
    const QStringList& columns(const QString& table);
    void clear();

private:
    bool objectsRead_ = false;
    QStringList objects_;
    QHash<QString, QStringList> columns_;
};

// The names that complete the context: the columns of the qualifier's table, else the object
// names and the columns of the tables the statement names; those starting with the prefix,
// blind to case, width and kana, in their catalog order, without duplicates.
QStringList CompletionCandidates(const CompletionContext& context, CompletionCatalog& catalog);

// The popup list of TB_SQL: Ctrl+J opens it at the caret, and so does a "." typed after a table
// or alias of the statement; Enter or a click inserts the chosen name (quoted as the generated
// statements quote), Esc closes it. Never while an input method composes, nor while allowed()
// says no (work runs on the connection).
class CompletionPopup : public QObject {
    Q_OBJECT

public:
    CompletionPopup(QPlainTextEdit* box, CompletionCatalog& catalog, std::function<bool()> allowed,
                    QObject* parent = nullptr);

    // Opens the list for the caret's context; false when nothing completes it.
    bool open();
    QListWidget* list() const { return list_; }
    bool composing() const { return composing_; }
    void setDialect(sql::Dialect dialect) { dialect_ = dialect; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void insertChosen();

    QPointer<QPlainTextEdit> box_;
    QObject* boxObject_;
    CompletionCatalog& catalog_;
    std::function<bool()> allowed_;
    QListWidget* list_;
    CompletionContext context_;
    sql::Dialect dialect_;
    bool composing_ = false;
};
