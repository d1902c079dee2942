#include "transfer/LoadCSV.h"

#include "base/GetFile.h"
#include "base/InputGate.h"
#include "base/Prompts.h"
#include "base/Utf8Text.h"
#include "odbc/comm/ODBCComm.h"
#include "text/CodePage.h"
#include "transfer/CsvImport.h"
#include "transfer/Delimiter.h"
#include "transfer/LoadJob.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace {

const QString kCaption = QStringLiteral("ファイルからTABLEへ登録");
const QString kLoadTitle = QStringLiteral("登録の実行");
constexpr int kPreviewLines = 10;
// L_sql and each preview line show this much of a text; a line of a megabyte would take them
// seconds to lay out. A click on L_sql still copies the whole statement.
constexpr qsizetype kShownText = 2000;

template <typename T> T* named(QWidget* parent, const char* name)
{
    auto* w = new T(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

QLabel* label(QWidget* parent, const char* name, const QString& text)
{
    auto* l = named<QLabel>(parent, name);
    l->setText(text);
    return l;
}

qint64 powerOfTen(int exponent)
{
    qint64 n = 1;
    for (int i = 0; i < exponent; ++i)
        n *= 10;
    return n;
}

} // namespace

LoadCSV::LoadCSV(ODBCComm& db, Prompts& prompts, QWidget* owner)
    : QWidget(owner, Qt::Window), db_(db), prompts_(prompts)
{
    setObjectName(QStringLiteral("LoadCSV"));
    setWindowTitle(kCaption);

    auto* fileFrame = named<QGroupBox>(this, "Fra_file");
    fileFrame->setTitle(QStringLiteral("登録元CSVファイル"));
    TB_file = named<QLineEdit>(fileFrame, "TB_file");
    Cmd_ref = named<QPushButton>(fileFrame, "Cmd_ref");
    Cmd_ref->setText(QStringLiteral("参照(&F)"));
    Cmd_read = named<QPushButton>(fileFrame, "Cmd_read");
    Cmd_read->setText(QStringLiteral("確認(&R)"));
    CB_txt_dlm = named<QComboBox>(fileFrame, "CB_txt_dlm");
    CB_txt_dlm->setEditable(true);
    CB_txt_dlm->addItems({QStringLiteral(" ,"), QStringLiteral(" |"), QStringLiteral("TAB")});
    CB_txt_dlm->setCurrentIndex(0);
    Chk_head = named<QCheckBox>(fileFrame, "Chk_head");
    Chk_head->setText(QStringLiteral("ヘッダー(1行目)有り"));
    Frm_head = named<QGroupBox>(fileFrame, "Frm_head");
    Chk_head_col = named<QCheckBox>(Frm_head, "Chk_head_col");
    Chk_head_col->setText(QStringLiteral("ヘッダーを列名として使用する"));
    auto* headLayout = new QHBoxLayout(Frm_head);
    headLayout->addWidget(Chk_head_col);
    Frm_head->setVisible(false);
    CB_code = named<QComboBox>(fileFrame, "CB_code");
    for (const char* item : kEncodingItems)
        CB_code->addItem(QString::fromUtf8(item));
    Chk_quoted_lf = named<QCheckBox>(fileFrame, "Chk_quoted_lf");
    Chk_quoted_lf->setText(QStringLiteral("引用符内の改行を値に含める"));
    TB_file_cont = named<QPlainTextEdit>(fileFrame, "TB_file_cont");
    TB_file_cont->setReadOnly(true);
    TB_file_cont->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto* fileLayout = new QGridLayout(fileFrame);
    fileLayout->addWidget(label(fileFrame, "L_file", QStringLiteral("ファイル名")), 0, 0);
    fileLayout->addWidget(TB_file, 0, 1, 1, 2);
    fileLayout->addWidget(Cmd_ref, 0, 3);
    fileLayout->addWidget(Cmd_read, 0, 4);
    fileLayout->addWidget(label(fileFrame, "L_txt_dlm", QStringLiteral("テキストの区切り：")), 1,
                          0);
    fileLayout->addWidget(CB_txt_dlm, 1, 1);
    fileLayout->addWidget(Chk_head, 1, 2);
    fileLayout->addWidget(Frm_head, 1, 3, 1, 2);
    fileLayout->addWidget(label(fileFrame, "L_code", QStringLiteral("文字コード：")), 2, 0);
    fileLayout->addWidget(CB_code, 2, 1);
    fileLayout->addWidget(Chk_quoted_lf, 2, 2, 1, 3);
    fileLayout->addWidget(
        label(fileFrame, "L_file_cont", QStringLiteral("ファイルの内容（先頭10行分のみ）")), 3, 0,
        1, 5);
    fileLayout->addWidget(TB_file_cont, 4, 0, 1, 5);

    ImCB_table = named<QComboBox>(this, "ImCB_table");
    ImCB_table->setEditable(true);
    ImCB_table->setInsertPolicy(QComboBox::NoInsert);
    L_commit_int = named<QLabel>(this, "L_commit_int");
    L_commit_int->setText(QStringLiteral("1"));
    VScroll1 = named<QScrollBar>(this, "VScroll1");
    VScroll1->setOrientation(Qt::Vertical);
    VScroll1->setRange(0, 4);
    VScroll1->setPageStep(1);
    VScroll1->setValue(0);
    L_cnt = named<QLabel>(this, "L_cnt");
    L_cnt->setText(QStringLiteral("999999/999999"));
    ProgressBar1 = named<QProgressBar>(this, "ProgressBar1");
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    L_sql = named<QLabel>(this, "L_sql");
    L_sql->setToolTip(QStringLiteral("マウスクリックでクリップボードへコピー"));
    L_sql->setFrameShape(QFrame::Panel);
    L_sql->setFrameShadow(QFrame::Sunken);
    L_sql->setTextFormat(Qt::PlainText);
    L_sql->setMinimumWidth(1);
    L_sql->installEventFilter(this);
    Command1 = named<QPushButton>(this, "Command1");
    Command1->setText(QStringLiteral("ＯＫ"));
    Command2 = named<QPushButton>(this, "Command2");
    Command2->setText(QStringLiteral("Cancel"));

    // Room for the widest texts, so that the layout does not move while they change.
    L_commit_int->setMinimumWidth(
        L_commit_int->fontMetrics().horizontalAdvance(QStringLiteral("10000")) + 4);
    L_cnt->setMinimumWidth(L_cnt->fontMetrics().horizontalAdvance(QStringLiteral("999999/999999")) +
                           4);

    auto* targetLayout = new QGridLayout;
    targetLayout->addWidget(label(this, "L_table", QStringLiteral("登録先テーブルの選択")), 0, 0);
    targetLayout->addWidget(ImCB_table, 0, 1, 1, 3);
    targetLayout->addWidget(label(this, "L_commit", QStringLiteral("COMMIT間隔：１回／")), 1, 0);
    auto* interval = new QHBoxLayout;
    interval->addWidget(L_commit_int);
    interval->addWidget(VScroll1);
    interval->addStretch();
    targetLayout->addLayout(interval, 1, 1);
    targetLayout->addWidget(label(this, "L_cnt_title", QStringLiteral("INSERＴ行数")), 1, 2);
    targetLayout->addWidget(L_cnt, 1, 3);
    targetLayout->addWidget(ProgressBar1, 2, 0, 1, 4);
    targetLayout->addWidget(L_sql, 3, 0, 1, 4);
    targetLayout->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fileFrame, 1);
    layout->addLayout(targetLayout);
    layout->addLayout(buttons);
    resize(640, 520);

    connect(Chk_head, &QCheckBox::toggled, Frm_head, &QWidget::setVisible);
    connect(Cmd_ref, &QPushButton::clicked, this, [this] { Cmd_ref_Click(); });
    connect(Cmd_read, &QPushButton::clicked, this, [this] { readPreview(); });
    // Enter reads the preview and goes no further.
    connect(TB_file, &QLineEdit::returnPressed, this, [this] { readPreview(); });
    connect(VScroll1, &QScrollBar::valueChanged, this,
            [this](int position) { L_commit_int->setText(QString::number(powerOfTen(position))); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    // Cancel is the one control that works while the load holds the program's input.
    InputGate::allow(Command2);
}

LoadCSV::~LoadCSV() = default;

void LoadCSV::ShowOption(const QStringList& TblName, const QStringList& SynmName)
{
    if (isVisible())
        return;
    ImCB_table->clear();
    const QIcon tableImage(QStringLiteral(":/icons/table.png"));
    const QIcon synonymImage(QStringLiteral(":/icons/synonym.png"));
    for (const QString& name : TblName)
        ImCB_table->addItem(tableImage, name, QStringLiteral("table"));
    for (const QString& name : SynmName)
        ImCB_table->addItem(synonymImage, name, QStringLiteral("synonym"));
    ImCB_table->setCurrentIndex(-1);
    ImCB_table->setEditText(QString());
    listed_ = TblName + SynmName;
    TB_file_cont->clear();
    lastSql_.clear();
    L_sql->clear();
    L_cnt->clear();
    ProgressBar1->setMinimum(0);
    ProgressBar1->setValue(0);
    if (!placed_) {
        placed_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            move(area.center() - QPoint(width() / 2, height() / 2));
        }
    }
    show();
    Command1->setFocus();
}

void LoadCSV::Cmd_ref_Click()
{
    const QString path = ShowOpenFileDialog(
        this, QStringLiteral("CSVﾌｧｲﾙ選択"), TB_file->text().trimmed(),
        QStringLiteral("CSVﾌｧｲﾙ(*.csv)|*.csv|ﾃｷｽﾄﾌｧｲﾙ(*.txt)|*.txt|すべてのﾌｧｲﾙ(*.*)|*.*"), 1);
    if (path.isEmpty())
        return;
    TB_file->setText(path);
    readPreview();
}

bool LoadCSV::readPreview()
{
    const QString path = TB_file->text().trimmed();
    if (path.isEmpty()) {
        TB_file->setFocus();
        return false;
    }
    QFile file(path);
    // Only a file: a folder reads as nothing, and a device such as /dev/zero never ends.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        prompts_.tell(this, Prompts::Icon::Warning, QStringLiteral("登録元CSVﾌｧｲﾙ"),
                      QStringLiteral("ﾌｧｲﾙがありません。"));
        TB_file->setFocus();
        return false;
    }
    filePath_ = path;
    const csvimport::FileFormat format = fileFormat();
    QString preview;
    csvimport::LineSource source(file, {format.encoding, false, {}});
    std::string_view bytes;
    int shown = 0;
    while (shown < kPreviewLines && source.nextBytes(bytes)) {
        // A character takes at most four bytes, so a cut past four times the length shown
        // never touches what is shown.
        const std::string text =
            csvimport::fileTextToUtf8(bytes.substr(0, 4 * kShownText + 4), format.encoding);
        preview += textFromUtf8(text).left(kShownText);
        preview += QLatin1Char('\n');
        ++shown;
    }
    TB_file_cont->setPlainText(preview);
    file.seek(0);
    const qint64 lines = format.quotedLineBreaks ? csvimport::countRecords(file, format)
                                                 : csvimport::countLines(file);
    lineCount_ = lines < 0 ? shown : lines;
    return true;
}

csvimport::FileFormat LoadCSV::fileFormat() const
{
    csvimport::FileFormat format;
    format.encoding = static_cast<FileEncoding>(std::max(0, CB_code->currentIndex()));
    format.quotedLineBreaks = Chk_quoted_lf->isChecked();
    if (const std::optional<QString> delimiter = delimiterFromBox(CB_txt_dlm->currentText()))
        format.delimiter = csvimport::delimiterBytes(*delimiter, format.encoding);
    return format;
}

void LoadCSV::Command1_Click()
{
    // This window stays usable while the main window runs other work on the connection.
    if (db_.work().refuseWhileBusy(prompts_, this, kLoadTitle))
        return;
    Command1->setEnabled(false);
    const bool completed = load();
    Command1->setEnabled(true);
    if (completed)
        hide();
}

void LoadCSV::Command2_Click()
{
    if (job_ != nullptr)
        job_->cancel();
    hide();
}

void LoadCSV::closeEvent(QCloseEvent* event)
{
    // The frame's close is Cancel: the window is only hidden, and a load stops.
    Command2_Click();
    event->accept();
}

void LoadCSV::keyPressEvent(QKeyEvent* event)
{
    // Escape is Cancel, as in a dialog.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Command2_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool LoadCSV::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == L_sql && event->type() == QEvent::MouseButtonPress) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(lastSql_);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void LoadCSV::warn(const QString& title, const QString& text)
{
    // The program is ending: nobody may be there to answer.
    if (db_.work().ending())
        return;
    prompts_.tell(this, Prompts::Icon::Warning, title, text);
}

void LoadCSV::showStatement(const QString& sql)
{
    lastSql_ = sql;
    L_sql->setText(sql.size() > kShownText ? sql.left(kShownText) : sql);
}

void LoadCSV::showCount(qint64 inserted, qint64 total)
{
    L_cnt->setText(QString::number(inserted) + QLatin1Char('/') + QString::number(total));
    ProgressBar1->setValue(static_cast<int>(std::min<qint64>(inserted, ProgressBar1->maximum())));
}

bool LoadCSV::load()
{
    const QString table = ImCB_table->currentText().trimmed();
    if (table.isEmpty()) {
        warn(kLoadTitle, QStringLiteral("登録先テーブルを選択（入力）して下さい。"));
        ImCB_table->setFocus();
        return false;
    }
    LoadJob::Options options;
    options.head = QStringLiteral("INSERT INTO ") + csvimport::targetName(table, listed_);
    if (!readPreview())
        return false;
    // An editable box can hold anything; an empty delimiter would split nowhere.
    const std::optional<QString> delimiter = delimiterFromBox(CB_txt_dlm->currentText());
    if (!delimiter) {
        warn(kLoadTitle, QStringLiteral("テキストの区切りを指定して下さい。"));
        CB_txt_dlm->setFocus();
        return false;
    }
    if (!db_.DbIsConnected()) {
        warn(kLoadTitle, QStringLiteral("ＤＢが接続されていません。"));
        return false;
    }
    options.filePath = filePath_;
    options.delimiter = *delimiter;
    options.header = Chk_head->isChecked();
    options.headerNames = Chk_head_col->isChecked();
    options.encoding = fileFormat().encoding;
    options.quotedLineBreaks = Chk_quoted_lf->isChecked();
    options.interval = std::max(L_commit_int->text().toLongLong(), qint64{1});

    const qint64 total = std::max<qint64>(lineCount_ - (options.header ? 1 : 0), 0);
    ProgressBar1->setRange(0, static_cast<int>(std::clamp<qint64>(total, 1, INT_MAX)));
    ProgressBar1->setValue(0);
    showCount(0, total);

    LoadJob job(db_, std::move(options));
    job.onProgress = [this, total](const LoadJob::Progress& progress) {
        showCount(progress.inserted, total);
        if (!progress.statement.isEmpty())
            showStatement(progress.statement);
    };
    job.onFailedLine = [this](const LoadJob::FailedLine& failed) {
        // Ending, the load stops at the refused line without a question.
        if (db_.work().ending())
            return false;
        prompts_.tell(this, Prompts::Icon::Warning, QStringLiteral("QUORVANT - INSERTエラー"),
                      failed.error);
        if (!failed.rolledBack.isEmpty())
            prompts_.tell(this, Prompts::Icon::Warning, QStringLiteral("QUORVANT - INSERTエラー"),
                          failed.rolledBack);
        return prompts_.ask(
                   this, Prompts::Icon::Question, QStringLiteral("QUORVANT - INSERT続行確認"),
                   QStringLiteral("登録を次行から続行しますか？（OK = 続行）"),
                   Prompts::Buttons::OkCancel, Prompts::Answer::Cancel) == Prompts::Answer::Ok;
    };
    job_ = &job;
    struct Done {
        LoadCSV& w;
        ~Done() { w.job_ = nullptr; }
    } done{*this};
    // The outcome's boxes are part of the load: the main window closes after them.
    const ConnectionWork::Scope scope(db_.work(), ConnectionWork::Kind::Transfer);
    const LoadJob::Outcome outcome = job.run();
    // The program is ending (its window closed, SIGTERM): the load ends without a box.
    if (db_.work().ending())
        return false;
    switch (outcome.end) {
    case LoadJob::End::Unreadable:
        warn(QStringLiteral("登録元CSVﾌｧｲﾙ"), QStringLiteral("ﾌｧｲﾙがありません。"));
        return false;
    case LoadJob::End::CommitFailed:
        db_.DbShowError(outcome.commitCode, QStringLiteral("COMMIT エラー"), this);
        break;
    case LoadJob::End::Completed:
        prompts_.tell(this, Prompts::Icon::Information, kCaption, outcome.message);
        lastSql_.clear();
        L_sql->clear();
        break;
    case LoadJob::End::ReadFailed:
        prompts_.tell(this, Prompts::Icon::Critical, kCaption, outcome.message);
        break;
    case LoadJob::End::Stopped:
        break;
    }
    if (!outcome.badValues.isEmpty())
        warn(kCaption, outcome.badValues);
    return outcome.end == LoadJob::End::Completed;
}
