#include "app/PendingWindow.h"

#include "odbc/comm/PendingWork.h"
#include "sqlexec/SqlExecText.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

PendingWindow::PendingWindow(const PendingWork& pending, QWidget* parent)
    : QDialog(parent), pending_(pending), list_(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("PendingWindow"));
    setWindowTitle(QStringLiteral("未確定のSQL"));
    list_->setObjectName(QStringLiteral("LV_pending"));
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({QStringLiteral("時刻"), QStringLiteral("行数"),
                            QStringLiteral("実行時間"), QStringLiteral("SQL")});
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("閉じる"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(640, 300);
    connect(&pending_, &PendingWork::changed, this, &PendingWindow::refill);
    refill();
}

void PendingWindow::refill()
{
    list_->clear();
    for (const PendingWork::Entry& e : pending_.entries()) {
        // One line of the statement; the whole of it is the tool tip.
        QString sql = e.sql.trimmed();
        sql.replace(QLatin1Char('\n'), QLatin1Char(' '));
        auto* item =
            new QTreeWidgetItem({e.at.toString(QStringLiteral("HH:mm:ss")), QString::number(e.rows),
                                 ElapsedTimeText(e.elapsedMs), sql});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(3, e.sql);
        list_->addTopLevelItem(item);
    }
    for (int c = 0; c < 3; ++c)
        list_->resizeColumnToContents(c);
}
