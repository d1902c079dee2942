#include "sqlexec/SqlRunner.h"

#include "sqlexec/GridColumnWidths.h"

#include "base/InputGate.h"

#include <QApplication>
#include <QLabel>
#include <QStyle>
#include <QTableView>
#include <QToolButton>

namespace {

void setText(QLabel* label, const QString& text)
{
    if (label != nullptr)
        label->setText(text);
}

} // namespace

SqlRunner::SqlRunner(ODBCComm& db, Prompts& prompts, const SqlRunnerUi& ui, BatchRunHooks hooks,
                     QObject* parent)
    : QObject(parent), ui_(ui), batch_(db, prompts, ui.owner, std::move(hooks))
{
    QStyle* style =
        ui_.Cmd_start_stop != nullptr ? ui_.Cmd_start_stop->style() : QApplication::style();
    imgStop_ = style->standardIcon(QStyle::SP_MediaPause);
    imgStart_ = style->standardIcon(QStyle::SP_MediaPlay);
    if (ui_.ListView1 != nullptr)
        ui_.ListView1->setModel(&batch_.model());
    if (ui_.Cmd_start_stop != nullptr) {
        connect(ui_.Cmd_start_stop, &QToolButton::clicked, this, &SqlRunner::Cmd_start_stop_Click);
        // Suspend and resume are what the fill is waited on for: they act while it runs.
        InputGate::allow(ui_.Cmd_start_stop);
    }
    connect(&batch_, &BatchRun::panelsChanged, this, &SqlRunner::showPanels);
    connect(&batch_, &BatchRun::stripChanged, this, &SqlRunner::showStrip);
    connect(&batch_, &BatchRun::fillEnded, this, &SqlRunner::fitGrid);
    ResultGridModel* model = &batch_.model();
    // New columns are fitted to their rows once rows have been shown for a while (a fill
    // quicker than that is fitted once, at its end).
    connect(model, &QAbstractItemModel::modelReset, this, [this] { fitted_ = false; });
    connect(model, &ResultGridModel::filterChanged, this, &SqlRunner::showRows);
    connect(model, &QAbstractItemModel::modelReset, this, &SqlRunner::showRows);
}

void SqlRunner::showPanels(const RunPanels& panels)
{
    setText(ui_.status, panels.status);
    setText(ui_.cnt, panels.count);
    setText(ui_.time, panels.time);
    if (ui_.msg == nullptr)
        return;
    // The panel has room for one line; the whole text is its tool tip.
    const QString& text = panels.message;
    const qsizetype end = text.indexOf(QLatin1Char('\n'));
    ui_.msg->setText(end < 0 ? text : text.left(end));
    const QString tip =
        panels.messageDetail.isEmpty() ? text : text + QLatin1Char('\n') + panels.messageDetail;
    ui_.msg->setToolTip(tip == ui_.msg->text() ? QString() : tip);
}

QString SqlRunner::rowsText() const
{
    const ResultGridModel& model = batch_.model();
    if (!model.filtered())
        return stripRows_;
    // The strip's caption "行" follows.
    return QStringLiteral("%1 / %2").arg(model.rowCount()).arg(model.totalRowCount());
}

void SqlRunner::showRows()
{
    setText(ui_.L_rows, rowsText());
}

void SqlRunner::showStrip(const FetchStrip& strip, bool rowsOnly)
{
    stripRows_ = strip.rows;
    showRows();
    if (rowsOnly && !fitted_ && batch_.model().rowCount() > 0)
        fitGrid();
    if (rowsOnly)
        return;
    setText(ui_.L_cols, strip.columns);
    setText(ui_.L_sec, strip.seconds);
    if (ui_.L_sec != nullptr)
        ui_.L_sec->setToolTip(strip.secondsTip);
    setText(ui_.L_msg, strip.message);
    if (ui_.Cmd_start_stop != nullptr) {
        ui_.Cmd_start_stop->setEnabled(strip.button != FetchStrip::Button::Off);
        ui_.Cmd_start_stop->setIcon(strip.button == FetchStrip::Button::Suspend  ? imgStop_
                                    : strip.button == FetchStrip::Button::Resume ? imgStart_
                                                                                 : QIcon());
    }
}

void SqlRunner::fitGrid()
{
    fitted_ = true;
    showRows();
    if (ui_.ListView1 != nullptr)
        FitResultColumns(ui_.ListView1, batch_.model());
}
