#pragma once

// The real main window in a program folder of its own, connected to the test's data source
// through its own connect dialog, as the window tests drive it. Header only: only the test
// programs that link the main window include it.
#include "AppFolderForTesting.h"
#include "Backend.h"
#include "ScriptedPrompts.h"
#include "app/AppServices.h"
#include "app/QUORVANT.h"
#include "base/Settings.h"
#include "odbc/comm/ODBCComm.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <initializer_list>
#include <memory>

class ConnectedWindow : public ::testing::TestWithParam<const char*> {
protected:
    // Opens the window and connects to GetParam(); callers check HasFatalFailure() after it.
    void openAndConnect()
    {
        ASSERT_TRUE(dir_.isValid());
        setAppFolderForTesting(dir_.path());
        services_ = std::make_unique<AppServices>(prompts_, settings::settingsPath());
        services_->connectAtStart = false;
        window_ = std::make_unique<QUORVANT>(*services_);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        connectTo(GetParam());
        ASSERT_TRUE(services_->db().DbIsConnected()) << GetParam();
    }
    // Rolls back what a test left, runs the clean-up statements, commits and closes the window.
    void closeWindow(std::initializer_list<const char*> cleanUp)
    {
        if (services_ && services_->db().DbIsConnected()) {
            run("ROLLBACK");
            for (const char* statement : cleanUp)
                run(QString::fromUtf8(statement));
            run("COMMIT");
        }
        window_.reset();
        services_.reset();
        setAppFolderForTesting(QString());
    }

    void connectTo(const char* dsn)
    {
        QTimer::singleShot(0, window_.get(), [this, dsn] {
            auto* dialog = window_->findChild<QDialog*>(QStringLiteral("ConnectDS"));
            ASSERT_NE(dialog, nullptr);
            auto* sources = dialog->findChild<QComboBox*>(QStringLiteral("Combo1"));
            const int index =
                sources->findText(QString::fromLatin1(dsn) + "(", Qt::MatchStartsWith);
            if (index < 0) {
                dialog->reject(); // never leave a modal dialog open
                FAIL() << "data source " << dsn << " missing";
            }
            sources->setCurrentIndex(index);
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Cmd_OK")),
                              Qt::LeftButton);
        });
        action("mn_connect")->trigger();
    }

    QAction* action(const char* name) const
    {
        auto* a = window_->findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(a, nullptr) << name;
        return a;
    }
    // Types the text into the input area and runs it with "SQL実行(&I)".
    void run(const QString& text)
    {
        window_->findChild<QPlainTextEdit*>(QStringLiteral("TB_SQL"))->setPlainText(text);
        action("mn_sql_go")->trigger();
    }
    QAbstractItemModel* grid() const
    {
        return window_->findChild<QTableView*>(QStringLiteral("ListView1"))->model();
    }
    QString cell(int row, int column) const
    {
        return grid()->data(grid()->index(row, column)).toString();
    }

    QTemporaryDir dir_;
    ScriptedPrompts prompts_;
    std::unique_ptr<AppServices> services_;
    std::unique_ptr<QUORVANT> window_;
};
