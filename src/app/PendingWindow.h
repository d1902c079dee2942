#pragma once

#include <QDialog>

class PendingWork;
class QTreeWidget;

// The list behind the status bar's "未確定" panel: every statement since the last COMMIT or
// ROLLBACK that may have changed data, with its time, row count and elapsed time. Kept up to
// date while it is open.
class PendingWindow : public QDialog {
    Q_OBJECT

public:
    PendingWindow(const PendingWork& pending, QWidget* parent);

    QTreeWidget* list() const { return list_; }

private:
    void refill();

    const PendingWork& pending_;
    QTreeWidget* list_;
};
