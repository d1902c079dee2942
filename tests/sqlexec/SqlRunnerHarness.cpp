#include "SqlRunnerHarness.h"

#include <QVBoxLayout>

namespace sqltest {

namespace {

template <typename T> T* named(QWidget* parent, const char* name)
{
    auto* w = new T(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

} // namespace

Widgets::Widgets()
{
    auto* layout = new QVBoxLayout(&window);
    TB_SQL = named<QPlainTextEdit>(&window, "TB_SQL");
    TreeView1 = named<QTreeWidget>(&window, "TreeView1");
    ListView1 = named<QTableView>(&window, "ListView1");
    Cmd_start_stop = named<QToolButton>(&window, "Cmd_start_stop");
    L_cols = named<QLabel>(&window, "L_cols");
    L_rows = named<QLabel>(&window, "L_rows");
    L_sec = named<QLabel>(&window, "L_sec");
    L_msg = named<QLabel>(&window, "L_msg");
    status = named<QLabel>(&window, "status");
    cnt = named<QLabel>(&window, "cnt");
    time = named<QLabel>(&window, "time");
    msg = named<QLabel>(&window, "msg");
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        layout->addWidget(child);
    window.resize(800, 600);
}

SqlRunnerUi Widgets::ui()
{
    SqlRunnerUi u;
    u.owner = &window;
    u.ListView1 = ListView1;
    u.Cmd_start_stop = Cmd_start_stop;
    u.L_cols = L_cols;
    u.L_rows = L_rows;
    u.L_sec = L_sec;
    u.L_msg = L_msg;
    u.status = status;
    u.cnt = cnt;
    u.time = time;
    u.msg = msg;
    return u;
}

Session::Session(const QString& connStr)
{
    db = std::make_unique<ODBCComm>(lib, prompts);
    QString uid, pwd, conn = connStr;
    EXPECT_EQ(db->DbConnect(nullptr, QString(), uid, pwd, QString(), conn), 0)
        << connStr.toStdString();
    BatchRunHooks hooks;
    hooks.AddHist = [this](const QString& sql) { history.append(sql); };
    runner = std::make_unique<SqlRunner>(*db, prompts, w.ui(), hooks);
    runner->reset_fetch_strip();
    w.window.show();
}

Session::~Session()
{
    runner.reset();
    if (db->DbIsConnected()) {
        db->DbRollback();
        db->DbDisconnect();
    }
}

void Session::run(const QString& text)
{
    runner->runBatch(text);
}

void Session::exec(const QString& sql)
{
    ASSERT_EQ(db->DbExecute(sql), 0) << sql.toStdString() << "\n"
                                     << db->DbLastErrorText().toStdString();
}

QStringList Session::headers() const
{
    QStringList h;
    const auto& m = runner->model();
    for (int c = 0; c < m.columnCount(); ++c)
        h.append(m.headerData(c, Qt::Horizontal).toString());
    return h;
}

QString Session::cell(int row, int column) const
{
    const auto& m = runner->model();
    return m.data(m.index(row, column)).toString();
}

QList<ScriptedPrompts::Box> Session::boxes(const QString& title) const
{
    QList<ScriptedPrompts::Box> found;
    for (const auto& b : prompts.boxes())
        if (b.title == title)
            found.append(b);
    return found;
}

QString sqliteScratch(const char* name)
{
    return QString::fromStdString(testenv::freshSqliteConnStr(name));
}

QString pgConnStr()
{
    return QStringLiteral("DSN=") + QLatin1String(testenv::kPgDsn) + QLatin1Char(';');
}

QString myConnStr()
{
    return QStringLiteral("DSN=") + QLatin1String(testenv::kMyDsn) + QLatin1Char(';');
}

QString demoConnStr()
{
    return QStringLiteral("DSN=") + QLatin1String(testenv::kDemoDsn) + QLatin1Char(';');
}

} // namespace sqltest
