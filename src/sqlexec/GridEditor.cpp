#include "sqlexec/GridEditor.h"

#include "sqlexec/BatchRun.h"
#include "sqlexec/GridCellEditor.h"
#include "sqlexec/ResultGridModel.h"

#include "base/DateTimeText.h"
#include "base/Prompts.h"
#include "odbc/comm/ODBCComm.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFontDatabase>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace {

const QString kTitle = QStringLiteral("QUORVANT - 結果の編集");

// The statements as a user could run them, for reading before they are sent.
bool confirmStatements(QWidget* owner, const QStringList& texts)
{
    QDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("EditPreview"));
    dialog.setWindowTitle(QStringLiteral("反映する文（%1文）").arg(texts.size()));
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QPlainTextEdit(&dialog);
    text->setObjectName(QStringLiteral("TB_statements"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setPlainText(texts.join(QStringLiteral(";\n")) + QLatin1Char(';'));
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("反映"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(720, 420);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

GridEditor::GridEditor(ODBCComm& db, Prompts& prompts, BatchRun& run, const GridEditorUi& ui,
                       QObject* parent)
    : QObject(parent), db_(db), prompts_(prompts), run_(run), ui_(ui)
{
    setObjectName(QStringLiteral("GridEditor"));
    ResultGridModel& model = run_.model();
    connect(&model, &QAbstractItemModel::modelReset, this, &GridEditor::resultReplaced);
    connect(&model, &ResultGridModel::editsChanged, this, &GridEditor::showEdits);
    if (ui_.ListView1 != nullptr) {
        delegate_ = new GridCellDelegate(ui_.ListView1);
        ui_.ListView1->setItemDelegate(delegate_);
        connect(delegate_, &GridCellDelegate::refused, this, &GridEditor::say);
        // Cells take edits only once the result is editable (the model's flags say so).
        ui_.ListView1->setEditTriggers(QAbstractItemView::DoubleClicked |
                                       QAbstractItemView::EditKeyPressed |
                                       QAbstractItemView::AnyKeyPressed);
        ui_.ListView1->installEventFilter(this);
        ui_.ListView1->viewport()->installEventFilter(this);
    }
    showEdits();
}

bool GridEditor::eventFilter(QObject* watched, QEvent* event)
{
    // The first try at editing a result decides whether it can be; the view then starts the
    // editor with the same key or double click.
    if (run_.model().editing() || ui_.ListView1 == nullptr)
        return false;
    if (event->type() == QEvent::MouseButtonDblClick && watched == ui_.ListView1->viewport()) {
        beginEditing();
    } else if (event->type() == QEvent::KeyPress && watched == ui_.ListView1) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool typed = !key->text().isEmpty() && key->text().at(0).isPrint() &&
                           !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (typed || key->key() == Qt::Key_F2)
            beginEditing();
    }
    return false;
}

void GridEditor::resultReplaced()
{
    decided_ = false;
    decision_ = Editability();
    target_ = EditTarget();
    editingText_.clear();
    if (delegate_ != nullptr)
        delegate_->setColumnTypes({});
    if (ui_.ListView1 != nullptr)
        ui_.ListView1->setToolTip(QString());
    showEdits();
}

void GridEditor::endEditing()
{
    ResultGridModel& model = run_.model();
    model.setEditableColumns({});
    model.discardEdits();
    editingText_.clear();
    if (delegate_ != nullptr)
        delegate_->setColumnTypes({});
    decided_ = true;
    decision_ = Editability();
    decision_.reason =
        QStringLiteral("編集不可：接続が変わりました。SELECTを実行しなおしてください");
}

void GridEditor::say(const QString& text)
{
    if (ui_.msg != nullptr)
        ui_.msg->setText(text);
}

bool GridEditor::beginEditing()
{
    ResultGridModel& model = run_.model();
    if (model.editing())
        return true;
    if (run_.running()) {
        say(QStringLiteral("編集不可：実行中です"));
        return false;
    }
    if (run_.gridSql().isEmpty() || model.resultColumnCount() == 0) {
        say(QStringLiteral("編集不可：SELECTの結果ではありません"));
        return false;
    }
    if (!decided_) {
        if (db_.work().refuseWhileBusy(prompts_, ui_.owner, kTitle))
            return false;
        decision_ = ResultEditability(db_).decide(run_.gridSql(), run_.gridInfo());
        decided_ = true;
        if (decision_.editable && production_ && production_() &&
            prompts_.ask(ui_.owner, Prompts::Icon::Question, kTitle,
                         QStringLiteral("本番のデータソースです。この結果を編集しますか？"),
                         Prompts::Buttons::YesNo, Prompts::Answer::No) != Prompts::Answer::Yes) {
            decision_ = Editability();
            decision_.reason =
                QStringLiteral("編集不可：本番のデータソースで編集しないことにしました");
        }
    }
    if (!decision_.editable) {
        say(decision_.reason);
        if (ui_.ListView1 != nullptr)
            ui_.ListView1->setToolTip(decision_.reason);
        return false;
    }
    const ResultSetInfo& info = run_.gridInfo();
    target_ = editTargetOf(decision_, info, db_.DbDialect());
    std::vector<CellType> types;
    for (int c = 0; c < model.resultColumnCount(); ++c) {
        const auto i = static_cast<std::size_t>(c);
        types.push_back(i < info.origins.size()
                            ? cellTypeOf(info.origins[i].sqlType, info.origins[i].size,
                                         info.origins[i].decimals, info.origins[i].unsignedColumn)
                            : CellType());
    }
    if (delegate_ != nullptr)
        delegate_->setColumnTypes(std::move(types));
    model.setEditableColumns(decision_.columnEditable);
    if (ui_.ListView1 != nullptr)
        ui_.ListView1->setToolTip(QString());
    QStringList key;
    for (const Editability::KeyColumn& k : decision_.key)
        key.append(k.name);
    editingText_ = QStringLiteral("編集中：%1（キー：%2）")
                       .arg(decision_.table, key.join(QStringLiteral(", ")));
    say(editingText_);
    return true;
}

void GridEditor::editCurrentCell()
{
    if (ui_.ListView1 == nullptr || !beginEditing())
        return;
    QModelIndex current = ui_.ListView1->currentIndex();
    if (!current.isValid())
        return;
    if (current.column() == 0)
        current = current.siblingAtColumn(1);
    ui_.ListView1->setFocus();
    ui_.ListView1->setCurrentIndex(current);
    ui_.ListView1->edit(current);
}

void GridEditor::setCurrentCellNull()
{
    if (ui_.ListView1 == nullptr || !beginEditing())
        return;
    const QModelIndex current = ui_.ListView1->currentIndex();
    if (!current.isValid() || current.column() == 0)
        return;
    ResultGridModel& model = run_.model();
    if (!model.columnEditable(current.column() - 1)) {
        say(QStringLiteral("編集不可：計算された列です"));
        return;
    }
    model.setData(current, QVariant(), Qt::EditRole);
}

void GridEditor::addRow()
{
    if (!beginEditing())
        return;
    ResultGridModel& model = run_.model();
    const std::size_t pos = model.addRow();
    if (ui_.ListView1 == nullptr)
        return;
    const int row = model.viewRow(pos);
    int column = 1;
    while (column <= model.resultColumnCount() && !model.columnEditable(column - 1))
        ++column;
    const QModelIndex at = model.index(row, std::min(column, model.resultColumnCount()));
    ui_.ListView1->scrollTo(at);
    ui_.ListView1->setCurrentIndex(at);
    ui_.ListView1->setFocus();
    ui_.ListView1->edit(at);
}

void GridEditor::deleteSelectedRows()
{
    if (ui_.ListView1 == nullptr || !beginEditing())
        return;
    ResultGridModel& model = run_.model();
    std::set<std::size_t> positions;
    for (const QModelIndex& index : ui_.ListView1->selectionModel()->selectedIndexes())
        positions.insert(model.rowPosition(index.row()));
    if (positions.empty() && ui_.ListView1->currentIndex().isValid())
        positions.insert(model.rowPosition(ui_.ListView1->currentIndex().row()));
    if (positions.empty())
        return;
    if (prompts_.ask(
            ui_.owner, Prompts::Icon::Question, kTitle,
            QStringLiteral("%1行を削除しますか？（変更を反映するまでデータベースは変わりません）")
                .arg(positions.size()),
            Prompts::Buttons::YesNo, Prompts::Answer::No) != Prompts::Answer::Yes)
        return;
    model.deleteRows(std::vector<std::size_t>(positions.begin(), positions.end()));
}

bool GridEditor::hasEdits() const
{
    return run_.model().editCounts().any();
}

void GridEditor::discardCommand()
{
    run_.model().discardEdits();
    say(QStringLiteral("変更を破棄しました"));
}

bool GridEditor::settleEdits()
{
    const ResultGridModel::EditCounts counts = run_.model().editCounts();
    if (!counts.any())
        return true;
    if (prompts_.ask(ui_.owner, Prompts::Icon::Question, kTitle,
                     QStringLiteral("反映していない変更があります（変更%1行・追加%2行・削除%3行）。"
                                    "破棄しますか？")
                         .arg(counts.changed)
                         .arg(counts.added)
                         .arg(counts.deleted),
                     Prompts::Buttons::YesNo, Prompts::Answer::No) != Prompts::Answer::Yes)
        return false;
    run_.model().discardEdits();
    return true;
}

QVector<QString> GridEditor::cellsOf(const std::vector<std::optional<std::string>>& values,
                                     const QVector<QString>& old) const
{
    QVector<QString> cells = old;
    const ResultGridModel& model = run_.model();
    std::size_t next = 0;
    for (int c = 0; c < cells.size(); ++c) {
        if (target_.columns[static_cast<std::size_t>(c)].isEmpty())
            continue; // computed: as it was
        if (next >= values.size())
            break;
        const std::optional<std::string>& v = values[next++];
        if (!v) {
            cells[c] = QString();
            continue;
        }
        const QString text = QString::fromStdString(*v);
        cells[c] = model.kind(c) == ColumnKind::DateTime ? TrimDateTimeText(text) : text;
    }
    return cells;
}

void GridEditor::applyCommand()
{
    ResultGridModel& model = run_.model();
    if (!model.editing() || !model.editCounts().any()) {
        say(QStringLiteral("反映する変更はありません"));
        return;
    }
    if (db_.work().refuseWhileBusy(prompts_, ui_.owner, kTitle))
        return;
    const std::vector<EditStatement> statements = editStatements(model, target_, checkOriginals_);
    if (preview_) {
        QStringList texts;
        for (const EditStatement& s : statements)
            texts.append(previewText(s, target_.dialect));
        if (!confirmStatements(ui_.owner, texts))
            return;
    }
    const BatchRun::EditOutcome outcome = run_.applyEdits(statements, rereadStatement(target_));
    if (!outcome.applied) {
        QString where;
        if (outcome.failed >= 0 && static_cast<std::size_t>(outcome.failed) < statements.size()) {
            const std::size_t pos = statements[static_cast<std::size_t>(outcome.failed)].pos;
            model.setRowProblem(pos, outcome.problem);
            const ResultGridModel::Row& row = model.rows()[pos];
            where = row.number < 0 ? QStringLiteral("追加した行%1").arg(-row.number)
                                   : QStringLiteral("行No.%1").arg(row.number);
            const int view = model.viewRow(pos);
            if (ui_.ListView1 != nullptr && view >= 0)
                ui_.ListView1->scrollTo(model.index(view, 0));
        }
        const QString text =
            QStringLiteral("変更を反映できませんでした（%1）。何も反映していません。\n%2")
                .arg(where, outcome.problem);
        say(text.section(QLatin1Char('\n'), 0, 0));
        prompts_.tell(ui_.owner, Prompts::Icon::Warning, kTitle, text);
        return;
    }
    std::vector<ResultGridModel::Settled> settled;
    settled.reserve(statements.size());
    for (std::size_t i = 0; i < statements.size(); ++i) {
        const std::size_t pos = statements[i].pos;
        std::optional<QVector<QString>> fresh;
        if (i < outcome.reread.size() && outcome.reread[i])
            fresh = cellsOf(*outcome.reread[i], model.rows()[pos].cells);
        settled.emplace_back(pos, std::move(fresh));
    }
    model.settleRows(std::move(settled));
    say(QStringLiteral("変更を反映しました（%1文）").arg(statements.size()));
}

void GridEditor::showEdits()
{
    // A value kept: a refusal said before is no longer the news.
    if (run_.model().editing())
        say(editingText_);
    const ResultGridModel::EditCounts counts = run_.model().editCounts();
    if (ui_.L_edits != nullptr) {
        ui_.L_edits->setText(counts.any() ? QStringLiteral("未反映 変更%1 追加%2 削除%3")
                                                .arg(counts.changed)
                                                .arg(counts.added)
                                                .arg(counts.deleted)
                                          : QString());
        ui_.L_edits->setVisible(counts.any());
    }
    emit editsChanged();
}
