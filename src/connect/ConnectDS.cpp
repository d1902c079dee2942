#include "connect/ConnectDS.h"

#include "base/INIfile_IO.h"
#include "base/Prompts.h"
#include "base/Settings.h"
#include "base/Twips.h"
#include "base/basApiCall.h"
#include "connect/ConnStrItems.h"
#include "connect/ConnectionString.h"
#include "connect/DriverForm.h"
#include "connect/Keyring.h"
#include "odbc/ConnStrValue.h"
#include "odbc/comm/ODBCComm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTreeWidget>

namespace {

// Design sizes in twips.
constexpr int kClientWidth = 4455;
constexpr int kClientHeight = 5115;
constexpr int kListViewWidth = 3885;
constexpr int kWideMargin = 30;
constexpr int kInfoColumnWidth = 1440;
constexpr int kMaxListed = 99;

void place(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(twips::toPixels(left), twips::toPixels(top), twips::toPixels(width),
                   twips::toPixels(height));
}

template <typename W, typename... Args> W* named(QWidget* parent, const char* name, Args&&... args)
{
    auto* w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

} // namespace

ConnectDS::ConnectDS(ODBCComm& db, INIfile_IO& ini, Prompts& prompts, QWidget* parent)
    : QDialog(parent), db_(db), ini_(ini), prompts_(prompts),
      keyring_(std::make_unique<Keyring>(QLatin1String(kKeyringService)))
{
    setObjectName(QStringLiteral("ConnectDS"));
    setWindowTitle(QStringLiteral("データベース接続"));
    buildControls();
    initialWidth_ = kClientWidth;
    setFixedSize(twips::toPixels(kClientWidth), twips::toPixels(kClientHeight));
    loadHistory();
    chooseKind(Kind::DataSource);
}

ConnectDS::~ConnectDS() = default;

void ConnectDS::buildControls()
{
    static const char* const optionNames[] = {"Option1_0", "Option1_1", "Option1_2"};
    static const char* const optionCaptions[] = {"データソース", "ドライバ", "接続履歴"};
    kinds_ = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        option_[i] =
            named<QRadioButton>(this, optionNames[i], QString::fromUtf8(optionCaptions[i]));
        kinds_->addButton(option_[i], i);
        connect(option_[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                chooseKind(static_cast<Kind>(i));
        });
    }
    place(option_[0], 450, 90, 1635, 285);
    place(option_[1], 2295, 90, 1635, 285);
    place(option_[2], 450, 1890, 1635, 285);

    frame_[0] = named<QGroupBox>(this, "Frame1_0");
    place(frame_[0], 120, 360, 4215, 1455);
    Combo1 = named<QComboBox>(frame_[0], "Combo1");
    place(Combo1, 180, 210, 3855, 345);
    auto* uidLabel = named<QLabel>(frame_[0], "L_uid", QStringLiteral("ユーザーID"));
    place(uidLabel, 180, 690, 1155, 225);
    TB_uid = named<QLineEdit>(frame_[0], "TB_uid");
    place(TB_uid, 1410, 630, 2535, 330);
    auto* pswLabel = named<QLabel>(frame_[0], "L_psw", QStringLiteral("パスワード"));
    place(pswLabel, 180, 1050, 1155, 225);
    TB_psw = named<QLineEdit>(frame_[0], "TB_psw");
    TB_psw->setEchoMode(QLineEdit::Password);
    TB_psw->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    place(TB_psw, 1410, 990, 2535, 330);

    frame_[1] = named<QGroupBox>(this, "Frame1_1");
    place(frame_[1], 120, 360, 4215, 795);
    Combo2 = named<QComboBox>(frame_[1], "Combo2");
    place(Combo2, 120, 270, 3975, 345);

    Chk_add_hist = named<QCheckBox>(this, "Chk_add_hist", QStringLiteral("接続履歴に追加"));
    place(Chk_add_hist, 2295, 1890, 1905, 285);

    Lst_conn_hist = named<QListWidget>(this, "Lst_conn_hist");
    Lst_conn_hist->setSelectionMode(QAbstractItemView::SingleSelection);
    place(Lst_conn_hist, 120, 2250, 4215, 1890);
    Lst_conn_hist->viewport()->installEventFilter(this);
    connect(Lst_conn_hist, &QListWidget::itemSelectionChanged, this, &ConnectDS::showItems);
    connect(Lst_conn_hist, &QListWidget::itemDoubleClicked, this, &ConnectDS::confirm);

    Cmd_OK = named<QPushButton>(this, "Cmd_OK", QStringLiteral("OK"));
    place(Cmd_OK, 428, 4590, 1875, 375);
    Cmd_OK->setDefault(true);
    connect(Cmd_OK, &QPushButton::clicked, this, &ConnectDS::confirm);
    Cmd_cancel = named<QPushButton>(this, "Cmd_cancel", QStringLiteral("Cancel"));
    place(Cmd_cancel, 2408, 4590, 1635, 375);
    connect(Cmd_cancel, &QPushButton::clicked, this, &QDialog::reject);

    Chk_production = named<QCheckBox>(this, "Chk_production", QStringLiteral("本番"));
    place(Chk_production, 450, 4230, 1635, 285);
    Chk_readonly = named<QCheckBox>(this, "Chk_readonly", QStringLiteral("読取専用"));
    place(Chk_readonly, 2295, 4230, 1905, 285);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &ConnectDS::showMarks);
    connect(Combo2, &QComboBox::currentIndexChanged, this, &ConnectDS::showMarks);

    L_conninfo = named<QLabel>(this, "L_conninfo", QStringLiteral("接続情報："));
    place(L_conninfo, 4440, 60, 1155, 225);
    ListView1 = named<QTreeWidget>(this, "ListView1");
    ListView1->setColumnCount(2);
    ListView1->setHeaderLabels({QStringLiteral("項目"), QStringLiteral("値")});
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->header()->setStretchLastSection(false);
    ListView1->setColumnWidth(0, twips::toPixels(kInfoColumnWidth));
    ListView1->setColumnWidth(1, twips::toPixels(kInfoColumnWidth));
    place(ListView1, 4380, 300, kListViewWidth, 4395);

    driverForm_ = new DriverForm(this);

    mn_hist = named<QMenu>(this, "mn_hist");
    auto* mn_delete = mn_hist->addAction(QStringLiteral("削除"));
    mn_delete->setObjectName(QStringLiteral("mn_delete"));
    connect(mn_delete, &QAction::triggered, this, &ConnectDS::deleteSelectedEntry);
    // "ｷｬﾝｾﾙ" only closes the menu.
    auto* mn_cancel = mn_hist->addAction(QStringLiteral("ｷｬﾝｾﾙ"));
    mn_cancel->setObjectName(QStringLiteral("mn_cancel"));
}

void ConnectDS::loadHistory()
{
    Chk_add_hist->setChecked(
        settings::readOnOff(ini_, settings::kConnHist, settings::kConnHistSave));
    history_.load(settings::readConnHist(ini_));
    passwordsInFile_.clear();
    for (const QString& e : history_.entries()) {
        if (connstr::hasPassword(e))
            passwordsInFile_.insert(e);
    }
    Lst_conn_hist->clear();
    for (const QString& e : history_.entries())
        Lst_conn_hist->addItem(connstr::maskHistoryEntry(e));
}

void ConnectDS::loadLists()
{
    listsLoaded_ = true;

    // Centred for the widened history layout, so that widening never pushes it off screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect g = screen->geometry();
        const int left =
            static_cast<int>(twips::fromPixels(g.width())) - (kListViewWidth + kClientWidth);
        const int top = static_cast<int>(twips::fromPixels(g.height())) - kClientHeight;
        move(g.left() + twips::toPixels(left / 2), g.top() + twips::toPixels(top / 2));
    }

    Combo1->clear();
    Combo2->clear();
    dataSourceNames_.clear();
    option_[0]->setChecked(true);
    chooseKind(Kind::DataSource);

    int count = 0;
    QStringList names;
    QStringList descriptions;
    if (db_.DbListDataSources(kMaxListed, count, names, descriptions) != 0) {
        prompts_.tell(this, Prompts::Icon::Warning, windowTitle(),
                      QStringLiteral("データソースの取得に失敗しました。"));
        return;
    }
    for (int i = 0; i < count && i < names.size(); ++i) {
        dataSourceNames_ << names.at(i);
        Combo1->addItem(connstr::dataSourceEntry(names.at(i), descriptions.value(i)));
    }
    Combo1->setCurrentIndex(-1);

    QStringList drivers;
    if (db_.DbListDrivers(kMaxListed, count, drivers) != 0) {
        prompts_.tell(this, Prompts::Icon::Warning, windowTitle(),
                      QStringLiteral("ドライバの取得に失敗しました。"));
        return;
    }
    for (int i = 0; i < count && i < drivers.size(); ++i)
        Combo2->addItem(drivers.at(i));
    Combo2->setCurrentIndex(-1);
}

ConnectDS::Kind ConnectDS::kind() const
{
    const int id = kinds_->checkedId();
    return id < 0 ? Kind::DataSource : static_cast<Kind>(id);
}

void ConnectDS::chooseKind(Kind k)
{
    frame_[0]->setVisible(k == Kind::DataSource);
    frame_[1]->setVisible(k == Kind::Driver);
    Lst_conn_hist->setEnabled(k == Kind::History);
    ListView1->setVisible(k == Kind::History);
    L_conninfo->setVisible(k == Kind::History);
    showMarks();

    int width = initialWidth_;
    if (k == Kind::History)
        width = kListViewWidth + initialWidth_ + kWideMargin;
    setFixedWidth(twips::toPixels(width));

    if (k == Kind::DataSource)
        Combo1->setFocus();
    else if (k == Kind::Driver)
        Combo2->setFocus();
    else
        Lst_conn_hist->setFocus();
}

QString ConnectDS::GetDSN(QString& uid, QString& pwd, QString& driver, QString& connStr)
{
    uid.clear();
    pwd.clear();
    driver.clear();
    connStr.clear();
    answerDsn_.clear();
    answerUid_.clear();
    answerPwd_.clear();
    answerDriver_.clear();
    answerConnStr_.clear();
    answerMarks_ = SourceMarks();
    answerMarkKey_.clear();

    if (!keyringMoveTried_)
        moveOldPasswordsToKeyring();
    if (!listsLoaded_)
        loadLists();
    showItems();
    exec();

    uid = answerUid_;
    pwd = answerPwd_;
    driver = answerDriver_;
    connStr = answerConnStr_;
    return answerDsn_;
}

void ConnectDS::confirm()
{
    // The source whose marks the check boxes show.
    const QString shownSource = markSource();
    SourceMarks marks{Chk_production->isChecked(), Chk_readonly->isChecked()};
    QString markedSource = shownSource;
    switch (kind()) {
    case Kind::DataSource: {
        const int i = Combo1->currentIndex();
        if (i < 0 || i >= dataSourceNames_.size())
            return;
        // The kept name, not the text before "(": a name may itself contain "(".
        answerDsn_ = dataSourceNames_.at(i);
        answerUid_ = TB_uid->text();
        answerPwd_ = TB_psw->text();
        break;
    }
    case Kind::Driver: {
        if (Combo2->currentIndex() < 0)
            return;
        // The driver shows no login dialog of their own (unixODBC drivers have none), so the
        // program asks. Cancelling the form leaves the connect dialog open.
        QString connStr;
        if (!driverForm_->ask(Combo2->currentText(), connStr))
            return;
        answerConnStr_ = connStr;
        // The boxes showed the marks of the server the form named before; another one keeps
        // its own marks, which the user has not seen, and gains those checked.
        markedSource = connStr;
        if (sourcemarks::keyOf(connStr) != sourcemarks::keyOf(shownSource))
            marks = marks | sourcemarks::readOf(ini_, connStr);
        break;
    }
    case Kind::History: {
        const int row = selectedHistoryRow();
        if (row < 0)
            return;
        answerConnStr_ = withKeptPassword(history_.at(row));
        // Without a keyring the entry was kept without its password; a server would refuse it
        // ("using password: NO"), so it is asked for as the other kinds ask.
        if (!askMissingPassword(answerConnStr_))
            return;
        break;
    }
    }
    answerMarks_ = marks;
    answerMarkKey_ = sourcemarks::keyOf(markedSource);
    sourcemarks::write(ini_, answerMarkKey_, answerMarks_);
    accept();
}

QString ConnectDS::markSource() const
{
    const auto item = [](const char* key, const QString& value) {
        return QLatin1String(key) + QLatin1Char('=') +
               QString::fromStdString(connvalue::quote(value.toStdString())) + QLatin1Char(';');
    };
    switch (kind()) {
    case Kind::DataSource: {
        const int i = Combo1->currentIndex();
        return i < 0 || i >= dataSourceNames_.size() ? QString()
                                                     : item("DSN", dataSourceNames_.at(i));
    }
    case Kind::Driver:
        // As the form would answer with the fields it keeps.
        return Combo2->currentIndex() < 0
                   ? QString()
                   : connstr::driverConnectionString(Combo2->currentText(), driverForm_->fields());
    case Kind::History: {
        const int row = selectedHistoryRow();
        return row < 0 ? QString() : history_.at(row);
    }
    }
    return QString();
}

void ConnectDS::showMarks()
{
    if (Chk_production == nullptr)
        return;
    const QString source = markSource();
    const SourceMarks marks = sourcemarks::readOf(ini_, source);
    Chk_production->setChecked(marks.production);
    Chk_readonly->setChecked(marks.readOnly);
    Chk_production->setEnabled(!source.isEmpty());
    Chk_readonly->setEnabled(!source.isEmpty());
}

int ConnectDS::selectedHistoryRow() const
{
    const QList<QListWidgetItem*> items = Lst_conn_hist->selectedItems();
    return items.isEmpty() ? -1 : Lst_conn_hist->row(items.first());
}

void ConnectDS::selectHistoryRow(int row)
{
    if (row < 0 || row >= Lst_conn_hist->count()) {
        Lst_conn_hist->clearSelection();
        Lst_conn_hist->setCurrentRow(-1);
    } else {
        Lst_conn_hist->setCurrentRow(row);
    }
}

void ConnectDS::showItems()
{
    showMarks();
    ListView1->clear();
    const int row = selectedHistoryRow();
    if (row < 0)
        return;
    const auto items = connstr::splitItems(connstr::maskHistoryEntry(history_.at(row)));
    for (const auto& [key, value] : items)
        ListView1->addTopLevelItem(new QTreeWidgetItem(QStringList{key, value}));
    AutoSizeListColumns(ListView1, true, -1);
}

bool ConnectDS::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != Lst_conn_hist->viewport() || !Lst_conn_hist->isEnabled())
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        // Any button selects the row under the pointer; below the last row nothing is selected.
        const auto* me = static_cast<QMouseEvent*>(event);
        const QModelIndex index = Lst_conn_hist->indexAt(me->position().toPoint());
        selectHistoryRow(index.isValid() ? index.row() : -1);
        return me->button() == Qt::RightButton;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() != Qt::RightButton)
            return false;
        if (selectedHistoryRow() >= 0)
            mn_hist->popup(me->globalPosition().toPoint());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ConnectDS::deleteSelectedEntry()
{
    const int row = selectedHistoryRow();
    if (row < 0)
        return;
    const QString entry = history_.at(row);
    history_.removeAt(row);
    delete Lst_conn_hist->takeItem(row);
    selectHistoryRow(-1);
    SaveHist();
    // Its password goes with it; the answer does not matter, nothing else refers to it.
    if (keyring_->available())
        keyring_->remove(connstr::withoutPasswords(entry));
}

void ConnectDS::moveOldPasswordsToKeyring()
{
    keyringMoveTried_ = true;
    if (passwordsInFile_.isEmpty())
        return;
    bool moved = false;
    // Oldest first: of two entries that differ only in their password the newer one wins.
    const QStringList& entries = history_.entries();
    for (auto e = entries.crbegin(); e != entries.crend(); ++e) {
        if (!passwordsInFile_.contains(*e))
            continue;
        if (keyring_->write(connstr::withoutPasswords(*e), *e) != Keyring::Result::Done)
            break; // left as they are, silently: nothing is lost
        passwordsInFile_.remove(*e);
        moved = true;
    }
    if (moved)
        SaveHist();
}

QString ConnectDS::withKeptPassword(const QString& entry)
{
    if (connstr::hasPassword(entry))
        return entry;
    QString full;
    switch (keyring_->read(entry, full)) {
    case Keyring::Result::Done:
        // Taken only when it is this entry's: the keyring is shared with other programs.
        if (connstr::withoutPasswords(full) == entry)
            return full;
        break;
    case Keyring::Result::NotFound:
        break;
    case Keyring::Result::NoKeyring:
        tellNoKeyring();
        break;
    }
    return entry;
}

bool ConnectDS::askMissingPassword(QString& connStr)
{
    if (connstr::hasPassword(connStr))
        return true;
    QString uid;
    for (const auto& [key, value] : connstr::splitItems(connStr)) {
        const QString k = key.trimmed();
        if (k.compare(QLatin1String("UID"), Qt::CaseInsensitive) == 0 ||
            k.compare(QLatin1String("USER"), Qt::CaseInsensitive) == 0) {
            uid = QString::fromStdString(connvalue::unquote(value.trimmed().toStdString()));
            break;
        }
    }
    if (uid.isEmpty())
        return true;
    QString pwd;
    if (!driverForm_->askPassword(connstr::ConnectionSummary(connStr), uid, pwd))
        return false;
    if (pwd.isEmpty())
        return true;
    if (!connStr.trimmed().endsWith(QLatin1Char(';')))
        connStr += QLatin1Char(';');
    connStr += QStringLiteral("PWD=") +
               QString::fromStdString(connvalue::quote(pwd.toStdString())) + QLatin1Char(';');
    return true;
}

void ConnectDS::tellNoKeyring()
{
    if (noKeyringTold_)
        return;
    noKeyringTold_ = true;
    prompts_.tell(isVisible() ? this : parentWidget(), Prompts::Icon::Warning, windowTitle(),
                  QStringLiteral("パスワードを保存できるキーリングがありません。"
                                 "パスワードは保存されません。"));
}

void ConnectDS::SetDataSrcTag(const QString& connStr)
{
    // The completed string may name the database otherwise than the typed one did (a driver
    // fills in a port left out); its history entry must carry the marks the connect had.
    const QString completedKey = sourcemarks::keyOf(connStr);
    if (!answerMarkKey_.isEmpty() && completedKey != answerMarkKey_)
        sourcemarks::write(ini_, completedKey, answerMarks_ | sourcemarks::readOf(ini_, connStr));
    if (!Chk_add_hist->isChecked())
        return;
    const QString e = connstr::trimTrailingSpaces(connStr);
    if (e.trimmed().isEmpty())
        return;
    for (int pos : history_.addToFront(e))
        delete Lst_conn_hist->takeItem(pos);
    Lst_conn_hist->insertItem(0, connstr::maskHistoryEntry(e));
    if (!connstr::hasPassword(e))
        return;
    // Kept in the keyring now, so that it never waits for the file; without a keyring the
    // password lives only while the program runs.
    if (keyring_->write(connstr::withoutPasswords(e), e) == Keyring::Result::Done)
        passwordsInFile_.remove(e);
    else
        tellNoKeyring();
}

void ConnectDS::SaveHist()
{
    QStringList stored;
    for (const QString& e : history_.stored())
        stored << (passwordsInFile_.contains(e) ? e : connstr::withoutPasswords(e));
    settings::writeConnHist(ini_, stored, Chk_add_hist->isChecked());
}
