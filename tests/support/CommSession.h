#pragma once

#include "ScriptedPrompts.h"
#include "odbc/OdbcLib.h"
#include "odbc/comm/ODBCComm.h"

#include <gtest/gtest.h>

#include <QString>

#include <string>

// Connects db to a data source, or by a whole connection string, as the program does.
inline void connectComm(ODBCComm& db, const QString& dsn, const QString& connStr = QString())
{
    ASSERT_TRUE(db.DbInit());
    QString uid;
    QString pwd;
    QString conn = connStr;
    ASSERT_EQ(db.DbConnect(nullptr, dsn, uid, pwd, QString(), conn), 0)
        << db.DbLastErrorText().toStdString();
}

// Runs a statement a test's set-up needs and commits it.
inline void execCommitted(ODBCComm& db, const QString& sql)
{
    ASSERT_EQ(db.DbExecute(sql), 0) << sql.toStdString() << db.DbLastErrorText().toStdString();
    db.DbCommit();
}

// A connection through ODBCComm, as the program holds one.
struct CommSession {
    explicit CommSession(const std::string& connStr)
    {
        QString uid;
        QString pwd;
        QString conn = QString::fromStdString(connStr);
        connected =
            comm.DbInit() && comm.DbConnect(nullptr, QString(), uid, pwd, QString(), conn) == 0;
    }

    OdbcLib lib;
    ScriptedPrompts prompts;
    ODBCComm comm{lib, prompts};
    bool connected = false;
};
