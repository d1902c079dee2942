#include "LoadCsvHarness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace loadtest {

QString scratchConnStr(Db db, const char* sqliteFile, const QString& extra)
{
    if (db == Db::PostgreSQL)
        return QStringLiteral("DSN=") + QLatin1String(testenv::kPgDsn) + QLatin1Char(';') + extra;
    if (db == Db::MariaDB)
        return QStringLiteral("DSN=") + QLatin1String(testenv::kMyDsn) + QLatin1Char(';') + extra;
    return QString::fromStdString(testenv::freshSqliteConnStr(sqliteFile)) + extra;
}

Session::Session(const QString& connStr)
{
    db = std::make_unique<ODBCComm>(lib, prompts);
    QString uid, pwd, conn = connStr;
    EXPECT_EQ(db->DbConnect(nullptr, QString(), uid, pwd, QString(), conn), 0)
        << connStr.toStdString();
    w = std::make_unique<LoadCSV>(*db, prompts, nullptr);
}

Session::~Session()
{
    w.reset();
    if (db->DbIsConnected())
        db->DbDisconnect();
}

void Session::exec(const QString& sql)
{
    const std::int16_t code = db->DbExecute(sql);
    ASSERT_EQ(code, 0) << sql.toStdString() << "\n" << db->DbLastErrorText().toStdString();
    ASSERT_EQ(db->DbCommit(), 0);
}

QStringList Session::rows(const QString& sql)
{
    QStringList out;
    const std::int16_t code = db->DbExecute(sql);
    EXPECT_EQ(code, 0) << sql.toStdString() << "\n" << db->DbLastErrorText().toStdString();
    if (code != 0)
        return out;
    const int columns = db->DbLastColumnCount();
    QVector<QString> values;
    while (db->DbFetch(values, false) == 0)
        out.append(QStringList(values.begin(), values.begin() + columns).join(QLatin1Char('|')));
    db->DbCloseCursor();
    return out;
}

QString Session::writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    return path;
}

void Session::prepare(const QString& path, const QString& table, const QString& delimiter,
                      bool header, bool headerNames, int position, const QStringList& tables,
                      const QStringList& synonyms)
{
    w->hide();
    w->ShowOption(tables, synonyms);
    w->TB_file->setText(path);
    w->CB_txt_dlm->setEditText(delimiter);
    w->Chk_head->setChecked(header);
    w->Chk_head_col->setChecked(headerNames);
    w->VScroll1->setValue(position);
    w->ImCB_table->setEditText(table);
    prompts.clear();
}

bool Session::load()
{
    w->Command1->click();
    return !w->isVisible();
}

qint64 Session::counted() const
{
    return w->L_cnt->text().section(QLatin1Char('/'), 0, 0).toLongLong();
}

QList<ScriptedPrompts::Box> Session::boxes(const QString& title) const
{
    QList<ScriptedPrompts::Box> out;
    for (const ScriptedPrompts::Box& box : prompts.boxes())
        if (box.title == title)
            out.append(box);
    return out;
}

QString Session::endMessage() const
{
    for (const ScriptedPrompts::Box& box : prompts.boxes())
        if (box.title == QStringLiteral("ファイルからTABLEへ登録") &&
            box.icon == Prompts::Icon::Information)
            return box.text;
    return QString();
}

} // namespace loadtest
