#pragma once

#include "sqlexec/GridEditStatements.h"
#include "sqlexec/ResultEditability.h"

#include <QObject>
#include <QString>

#include <functional>

class BatchRun;
class GridCellDelegate;
class ODBCComm;
class Prompts;
class QLabel;
class QTableView;
class QWidget;

// The main window's widgets that editing uses; the main window keeps them.
struct GridEditorUi {
    QWidget* owner = nullptr;
    QTableView* ListView1 = nullptr;
    QLabel* msg = nullptr;     // status bar message: why a result cannot be edited
    QLabel* L_edits = nullptr; // status bar: the edits not applied yet
};

// The window side of editing a result in the grid: decides once per result, when the user
// first tries to edit it, whether and how it can be edited, starts the cell editors, and
// passes the commands (NULL, add, delete, apply, discard) on to the model and the run.
class GridEditor : public QObject {
    Q_OBJECT

public:
    GridEditor(ODBCComm& db, Prompts& prompts, BatchRun& run, const GridEditorUi& ui,
               QObject* parent = nullptr);

    // The connected data source is marked production: editing asks once per result.
    void setProductionCheck(std::function<bool()> production)
    {
        production_ = std::move(production);
    }
    // Show the statements before they are sent; require the values read in the changed
    // columns too (a row changed by someone else is then caught).
    void setPreview(bool on) { preview_ = on; }
    void setCheckOriginals(bool on) { checkOriginals_ = on; }

    // Whether the grid's result may be edited, deciding once per result; says why not.
    bool offerEditing() { return beginEditing(); }
    void editCurrentCell();
    void setCurrentCellNull();
    void addRow();
    void deleteSelectedRows();
    void applyCommand();
    void discardCommand();
    // The connection is about to close or has changed: the grid's rows belong to no open
    // connection any more, and are not edited again (until a statement is run).
    void endEditing();
    // Something is edited and not applied yet.
    bool hasEdits() const;
    // Before the grid's rows are replaced or the window goes: true when nothing unapplied is
    // lost (none, or the user let them go).
    bool settleEdits();

signals:
    // Edits came or went: the commands' states follow.
    void editsChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether the grid's result may be edited, deciding once per result; says why not.
    bool beginEditing();
    void resultReplaced();
    void showEdits();
    void say(const QString& text);
    // The fresh row read after an apply, as the grid's cells of that row.
    QVector<QString> cellsOf(const std::vector<std::optional<std::string>>& values,
                             const QVector<QString>& old) const;

    ODBCComm& db_;
    Prompts& prompts_;
    BatchRun& run_;
    GridEditorUi ui_;
    GridCellDelegate* delegate_ = nullptr;
    std::function<bool()> production_;
    bool preview_ = false;
    bool checkOriginals_ = false;
    bool decided_ = false;
    Editability decision_;
    // What the status bar says while the result is edited: its table and key.
    QString editingText_;
    EditTarget target_;
};
