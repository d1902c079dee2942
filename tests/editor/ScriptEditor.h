#pragma once

#include "editor/ExternalEditor.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A stand-in for the user's editor: a shell script that logs every argument it is given, one per
// line, into a log file, then does what the test wants to the file it got ($1 is the first
// argument). It lives in a folder whose name holds a blank and a quote, as chosen paths may.
class ScriptEditor {
public:
    ScriptEditor(const QTemporaryDir& dir, const QString& name, const QString& action)
    {
        const QString folder = dir.filePath(QStringLiteral("my editor's \"bin\""));
        QDir().mkpath(folder);
        script = folder + QLatin1Char('/') + name;
        log = dir.filePath(name + QStringLiteral(".log"));
        QFile f(script);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n");
        f.write(("LOG=" + exteditor::quoteProgramPath(log) + "\n").toUtf8());
        f.write("for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$LOG\"; done\n");
        f.write(action.toUtf8() + "\n");
        f.close();
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // The editor command as the settings window stores it.
    QString command(const QString& rest = QStringLiteral(" %p")) const
    {
        return exteditor::quoteProgramPath(script) + rest;
    }
    QStringList arguments() const
    {
        QStringList lines = QString::fromUtf8(readAll(log)).split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }
    bool ran() const { return QFile::exists(log); }

    QString script;
    QString log;
};

} // namespace
