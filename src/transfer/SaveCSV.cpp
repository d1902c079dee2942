#include "transfer/SaveCSV.h"

#include "base/GetFile.h"
#include "base/InputGate.h"
#include "base/Prompts.h"
#include "base/Twips.h"
#include "base/basApiCall.h"
#include "odbc/comm/ODBCComm.h"
#include "odbc/comm/ResultSetInfo.h"
#include "transfer/BusyMarker.h"
#include "transfer/Delimiter.h"
#include "transfer/ExportText.h"
#include "transfer/RowSinks.h"
#include "transfer/RowSources.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

const QString kSqlErrorTitle = QStringLiteral("QUORVANT - ＳＱＬ実行エラー");
const QString kCsvFilter =
    QStringLiteral("CSVﾌｧｲﾙ(*.csv)|*.csv|ﾃｷｽﾄﾌｧｲﾙ(*.txt)|*.txt|すべてのﾌｧｲﾙ(*.*)|*.*");
const QString kOutputTip = QStringLiteral("保存先を指定して出力");
const QString kStoppedText = QStringLiteral("出力を中断しました。");

template <typename T> T* named(QWidget* parent, const QString& name)
{
    auto* w = new T(parent);
    w->setObjectName(name);
    return w;
}

} // namespace

SaveCSV::SaveCSV(ODBCComm& db, Prompts& prompts, SaveCSVHooks hooks, QWidget* owner)
    : QDialog(owner), db_(db), prompts_(prompts), hooks_(std::move(hooks))
{
    setObjectName(QStringLiteral("SaveCSV"));
    setWindowTitle(QStringLiteral("SELECT結果の保存"));
    setModal(false);
    buildControls();
}

void SaveCSV::buildControls()
{
    auto* layout = new QVBoxLayout(this);

    auto* outputs = new QHBoxLayout;
    const char* captions[3] = {"ﾃｷｽﾄﾌｧｲﾙ", "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ", "Excelﾌｧｲﾙ"};
    const char* tips[3] = {"テキストファイルに出力", "クリップボードに出力", "Excelファイルに出力"};
    for (int i = 0; i < 3; ++i) {
        Opt_out[i] = named<QRadioButton>(this, QStringLiteral("Opt_out_%1").arg(i));
        Opt_out[i]->setProperty("index", i);
        Opt_out[i]->setText(QString::fromUtf8(captions[i]));
        Opt_out[i]->setToolTip(QString::fromUtf8(tips[i]));
        outputs->addWidget(Opt_out[i]);
        connect(Opt_out[i], &QRadioButton::clicked, this, [this, i] { Opt_out_Click(i); });
    }
    layout->addLayout(outputs);

    auto* choices = new QGridLayout;
    L_txt_dlm = named<QLabel>(this, QStringLiteral("L_txt_dlm"));
    L_txt_dlm->setText(QStringLiteral("テキストの区切り："));
    CB_txt_dlm = named<QComboBox>(this, QStringLiteral("CB_txt_dlm"));
    CB_txt_dlm->setEditable(true);
    CB_txt_dlm->addItems({QStringLiteral(" ,"), QStringLiteral(" |"), QStringLiteral("TAB")});
    L_kakomi = named<QLabel>(this, QStringLiteral("L_kakomi"));
    L_kakomi->setText(QStringLiteral("文字列の引用符："));
    CB_kakomi = named<QComboBox>(this, QStringLiteral("CB_kakomi"));
    CB_kakomi->setEditable(true);
    CB_kakomi->addItems({QStringLiteral(" \""), QStringLiteral(" '"), QStringLiteral("(なし)")});
    choices->addWidget(L_txt_dlm, 0, 0);
    choices->addWidget(CB_txt_dlm, 0, 1);
    choices->addWidget(L_kakomi, 1, 0);
    choices->addWidget(CB_kakomi, 1, 1);
    L_code = named<QLabel>(this, QStringLiteral("L_code"));
    L_code->setText(QStringLiteral("文字コード："));
    CB_code = named<QComboBox>(this, QStringLiteral("CB_code"));
    for (const char* item : kEncodingItems)
        CB_code->addItem(QString::fromUtf8(item));
    choices->addWidget(L_code, 2, 0);
    choices->addWidget(CB_code, 2, 1);
    layout->addLayout(choices);

    Chk_head = named<QCheckBox>(this, QStringLiteral("Chk_head"));
    Chk_head->setText(QStringLiteral("列名をヘッダーとして出力する"));
    Chk_edit_csv = named<QCheckBox>(this, QStringLiteral("Chk_edit_csv"));
    Chk_edit_csv->setText(QStringLiteral("出力後、ファイルを外部エディタで開く"));
    Chk_open_exel = named<QCheckBox>(this, QStringLiteral("Chk_open_exel"));
    Chk_open_exel->setText(QStringLiteral("出力後、ファイルをExcelで開く"));
    Chk_null = named<QCheckBox>(this, QStringLiteral("Chk_null"));
    Chk_null->setText(QStringLiteral("NULLと空の文字列を区別して出力する"));
    layout->addWidget(Chk_head);
    layout->addWidget(Chk_null);
    layout->addWidget(Chk_edit_csv);
    layout->addWidget(Chk_open_exel);

    // The marker moves inside the picture by hand, so the picture has no layout.
    Picture1 = named<QFrame>(this, QStringLiteral("Picture1"));
    Picture1->setFrameShape(QFrame::StyledPanel);
    Picture1->setFixedHeight(22);
    Label1 = named<QLabel>(Picture1, QStringLiteral("Label1"));
    Label1->setText(QStringLiteral("■■■"));
    Label1->adjustSize();
    L_cnt = named<QLabel>(Picture1, QStringLiteral("L_cnt"));
    L_cnt->setText(QStringLiteral("99999999"));
    L_cnt->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    L_cnt->adjustSize();
    layout->addWidget(Picture1);

    ProgressBar1 = named<QProgressBar>(this, QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    layout->addWidget(ProgressBar1);

    auto* buttons = new QHBoxLayout;
    Command1 = named<QPushButton>(this, QStringLiteral("Command1"));
    Command1->setText(QStringLiteral("ＯＫ"));
    Command1->setProperty("tag", kOutputTip);
    Command1->setDefault(true);
    Command2 = named<QPushButton>(this, QStringLiteral("Command2"));
    Command2->setText(QStringLiteral("Cancel"));
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    layout->addLayout(buttons);
    connect(Command1, &QPushButton::clicked, this, &SaveCSV::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &SaveCSV::Command2_Click);
    // Cancel is the one control that acts while the export holds the program's input.
    InputGate::allow(Command2);

    Opt_out[TextFile]->setChecked(true);
    Opt_out_Click(TextFile);
    resize(std::max(360, sizeHint().width()), sizeHint().height());
}

void SaveCSV::Opt_out_Click(int index)
{
    output_ = index;
    Opt_out[index]->setChecked(true);
    for (int i = 0; i < 3; ++i) {
        QFont font = Opt_out[i]->font();
        font.setBold(i == index);
        Opt_out[i]->setFont(font);
    }
    const bool text = index != Spreadsheet;
    Command1->setToolTip(index == Clipboard ? QString() : Command1->property("tag").toString());
    for (QWidget* w : {static_cast<QWidget*>(L_txt_dlm), static_cast<QWidget*>(CB_txt_dlm),
                       static_cast<QWidget*>(L_kakomi), static_cast<QWidget*>(CB_kakomi)})
        w->setVisible(text);
    Chk_null->setVisible(text);
    L_code->setVisible(index == TextFile);
    CB_code->setVisible(index == TextFile);
    Chk_edit_csv->setVisible(index == TextFile);
    Chk_open_exel->setVisible(index == Spreadsheet);
    if (Command1->isVisible())
        Command1->setFocus();
}

void SaveCSV::showWindow()
{
    if (!placed_) {
        placed_ = true;
        adjustSize();
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    show();
}

bool SaveCSV::refusedNow(const QString& title)
{
    // Open already: the command only shows it. During work the window's choices and title stay
    // those of the export that runs.
    return isVisible() || db_.work().refuseWhileBusy(prompts_, parentWidget(), title);
}

void SaveCSV::ShowOption(const ResultGridSource& grid)
{
    if (refusedNow(QStringLiteral("SELECT結果の保存")))
        return;
    setWindowTitle(QStringLiteral("SELECT結果の保存"));
    const int rows = grid.rowCount ? grid.rowCount() : 0;
    if (rows <= 0) {
        prompts_.tell(parentWidget(), Prompts::Icon::Warning, windowTitle(),
                      QStringLiteral("SELECT結果はありません。"));
        return;
    }
    grid_ = grid;
    restMode_ = false;
    ProgressBar1->setRange(0, rows);
    ProgressBar1->setValue(0);
    showInMode(false);
}

void SaveCSV::ShowRest()
{
    if (refusedNow(QStringLiteral("残りをファイルに保存")))
        return;
    setWindowTitle(QStringLiteral("残りをファイルに保存"));
    restMode_ = true;
    Label1->setVisible(false);
    L_cnt->setText(QString());
    // A text file (chosen first) or a workbook, with the counter of execute-and-save: how many
    // rows remain is unknown.
    showInMode(true);
    Opt_out[Spreadsheet]->setVisible(true);
}

void SaveCSV::Show4SelectOut(const QString& sql)
{
    if (refusedNow(QStringLiteral("SELECT実行＆保存")))
        return;
    setWindowTitle(QStringLiteral("SELECT実行＆保存"));
    // Only spaces are trimmed: a statement after a line break or a comment is not taken.
    qsizetype from = 0;
    qsizetype to = sql.size();
    while (from < to && sql[from] == QLatin1Char(' '))
        ++from;
    while (to > from && sql[to - 1] == QLatin1Char(' '))
        --to;
    const QString statement = sql.mid(from, to - from);
    if (statement.isEmpty()) {
        prompts_.tell(parentWidget(), Prompts::Icon::Warning, windowTitle(),
                      QStringLiteral("実行するSQL(SELECT)がありません。"));
        return;
    }
    if (statement.left(6).compare(QLatin1String("select"), Qt::CaseInsensitive) != 0) {
        prompts_.tell(parentWidget(), Prompts::Icon::Warning, windowTitle(),
                      QStringLiteral("SQLがSELECT文ではありません。"));
        return;
    }
    statement_ = statement;
    restMode_ = false;
    Label1->setVisible(false);
    L_cnt->setText(QString());
    showInMode(true);
}

void SaveCSV::showInMode(bool selectOut)
{
    // Execute-and-save writes a text file only and shows a busy marker and a counter instead
    // of the progress bar, since its row count is unknown.
    selectOutMode_ = selectOut;
    Opt_out[Clipboard]->setVisible(!selectOut);
    Opt_out[Spreadsheet]->setVisible(!selectOut);
    Picture1->setVisible(selectOut);
    ProgressBar1->setVisible(!selectOut);
    showWindow();
    Opt_out_Click(selectOut ? TextFile : output_);
    Command1->setFocus();
}

QWidget* SaveCSV::boxOwner()
{
    return isVisible() ? static_cast<QWidget*>(this) : parentWidget();
}

void SaveCSV::tell(Prompts::Icon icon, const QString& title, const QString& text)
{
    // The program is ending: nobody may be there to answer.
    if (db_.work().ending())
        return;
    prompts_.tell(boxOwner(), icon, title, text);
}

QString SaveCSV::initialPath(const QString& name) const
{
    if (outputPath_.isEmpty())
        return name;
    return QFileInfo(outputPath_).path() + QLatin1Char('/') + name;
}

bool SaveCSV::takeSettings()
{
    quote_ = quoteFromBox(CB_kakomi->currentText());
    if ((restMode_ || !selectOutMode_) && output_ == Spreadsheet)
        return true;
    const std::optional<QString> delimiter = delimiterFromBox(CB_txt_dlm->currentText());
    if (!delimiter) {
        // Without a delimiter every value of a row would run into the next.
        tell(Prompts::Icon::Warning, windowTitle(),
             QStringLiteral("テキストの区切りを指定して下さい。"));
        return false;
    }
    delimiter_ = *delimiter;
    return true;
}

ExportSettings SaveCSV::settings() const
{
    return {delimiter_,
            quote_,
            Chk_head->isChecked(),
            Chk_null->isChecked(),
            static_cast<FileEncoding>(std::max(0, CB_code->currentIndex())),
            sheetRows};
}

void SaveCSV::Command1_Click()
{
    // A run, a fill or a catalog read in progress would change the grid or take the cursor
    // under the export.
    if (db_.work().refuseWhileBusy(prompts_, boxOwner(), windowTitle()))
        return;
    if (!takeSettings())
        return;
    Command1->setEnabled(false);
    job_.emplace(db_.work());
    if (restMode_)
        saveRest();
    else if (selectOutMode_)
        selectOut();
    else
        saveGrid();
    job_.reset();
    Command1->setEnabled(true);
    hide();
}

void SaveCSV::Command2_Click()
{
    if (job_)
        job_->stop();
    hide();
}

void SaveCSV::reject()
{
    Command2_Click();
}

void SaveCSV::closeEvent(QCloseEvent* event)
{
    // Closing by the frame is Cancel: the window and its choices stay for the next use.
    event->ignore();
    Command2_Click();
}

void SaveCSV::writeFailed(const QString& errorText)
{
    tell(Prompts::Icon::Critical, windowTitle(),
         QStringLiteral("書込みに失敗しました。\n") + errorText);
}

void SaveCSV::tellIncomplete(Prompts::Icon icon, const QString& why, const ExportOutcome& outcome)
{
    tell(icon, windowTitle(),
         why + QStringLiteral("\n%1行を%2に出力しました。")
                   .arg(QString::number(outcome.rows), outcome.path));
}

bool SaveCSV::tellTextFileEnd(const ExportOutcome& outcome)
{
    using End = ExportOutcome::End;
    if (outcome.fetchStatus != 0)
        tell(Prompts::Icon::Warning, kSqlErrorTitle, outcome.fetchError);
    switch (outcome.end) {
    case End::Complete:
        return false;
    case End::NotOpened:
        writeFailed(outcome.errorText);
        break;
    case End::WriteFailed:
        tellIncomplete(Prompts::Icon::Critical,
                       QStringLiteral("書込みに失敗しました。\n") + outcome.errorText, outcome);
        break;
    case End::Stopped:
        tellIncomplete(Prompts::Icon::Warning, kStoppedText, outcome);
        break;
    case End::FetchFailed:
        tellIncomplete(Prompts::Icon::Critical, QStringLiteral("出力に失敗しました。"), outcome);
        break;
    }
    return true;
}

void SaveCSV::endTextFile(const QString& path, const ExportOutcome& outcome)
{
    if (db_.work().ending() || tellTextFileEnd(outcome))
        return;
    tell(Prompts::Icon::Information, windowTitle(), path + QStringLiteral("\nに出力しました。"));
    if (outcome.replaced > 0)
        tell(Prompts::Icon::Warning, windowTitle(), replacedValuesText(outcome.replaced));
    if (Chk_edit_csv->isChecked() && hooks_.EditFile)
        hooks_.EditFile(path);
}

void SaveCSV::endSpreadsheet(const QString& path, const ExportOutcome& outcome)
{
    if (db_.work().ending() || tellSpreadsheetEnd(outcome))
        return;
    tell(Prompts::Icon::Information, windowTitle(), path + QStringLiteral("\nに出力しました。"));
    if (Chk_open_exel->isChecked())
        OpenDocument(boxOwner(), prompts_, path);
}

QString SaveCSV::askTextFilePath()
{
    return ShowSaveFileDialog(this, QStringLiteral("SELECT結果の保存ﾌｧｲﾙ指定"),
                              initialPath(QStringLiteral("SELECT.csv")), kCsvFilter, 1);
}

QString SaveCSV::askSpreadsheetPath()
{
    return ShowSaveFileDialog(this, QStringLiteral("SELECT結果の保存ﾌｧｲﾙ(Excelﾌｧｲﾙ)指定"),
                              initialPath(QStringLiteral("SELECT.xlsx")),
                              QStringLiteral("Excelﾌｧｲﾙ(*.xlsx)|*.xlsx|すべてのﾌｧｲﾙ(*.*)|*.*"), 1);
}

bool SaveCSV::tellSpreadsheetEnd(const ExportOutcome& outcome)
{
    using End = ExportOutcome::End;
    if (outcome.fetchStatus != 0)
        tell(Prompts::Icon::Warning, kSqlErrorTitle, outcome.fetchError);
    switch (outcome.end) {
    case End::Complete:
        return false;
    case End::NotOpened:
        tell(Prompts::Icon::Warning, windowTitle(),
             QStringLiteral("エクセル起動失敗。エクセルファイルは出力できません。"));
        break;
    case End::WriteFailed: {
        const QString why =
            QStringLiteral("エクセルファイルの出力に失敗しました。\n") + outcome.errorText;
        // The library may have written a workbook all the same: it is kept as .partial.
        if (QFileInfo::exists(outcome.path) && outcome.path.endsWith(QStringLiteral(".partial")))
            tellIncomplete(Prompts::Icon::Critical, why, outcome);
        else
            tell(Prompts::Icon::Critical, windowTitle(), why);
        break;
    }
    case End::Stopped:
        tellIncomplete(Prompts::Icon::Warning, kStoppedText, outcome);
        break;
    case End::FetchFailed:
        tellIncomplete(Prompts::Icon::Critical, QStringLiteral("出力に失敗しました。"), outcome);
        break;
    }
    return true;
}

void SaveCSV::writeFile(RowSource& rows, const QString& path, bool book)
{
    if (book) {
        WorkbookSink workbook(path, settings());
        endSpreadsheet(path, job_->run(rows, workbook));
        return;
    }
    TextFileSink file(path, settings());
    endTextFile(path, job_->run(rows, file));
}

void SaveCSV::saveGrid()
{
    GridRows rows(grid_);
    job_->progress = [this](std::int64_t done) { ProgressBar1->setValue(static_cast<int>(done)); };
    if (output_ == Clipboard) {
        ClipboardSink clipboard(settings());
        job_->run(rows, clipboard);
        tell(Prompts::Icon::Information, windowTitle(),
             QStringLiteral("プリップボードに出力しました。"));
        return;
    }
    const bool book = output_ == Spreadsheet;
    const QString path = book ? askSpreadsheetPath() : askTextFilePath();
    if (path.isEmpty())
        return;
    outputPath_ = path;
    writeFile(rows, path, book);
}

void SaveCSV::advanceMarker(std::int64_t rows)
{
    // One step per row written, as the rows came; the label is moved once per slice.
    const int picture = static_cast<int>(twips::fromPixels(Picture1->width()));
    const int counter = static_cast<int>(twips::fromPixels(L_cnt->width()));
    const int marker = static_cast<int>(twips::fromPixels(Label1->width()));
    BusyMarkerMotion motion{markerCounter_, markerLeft_};
    for (; markerRows_ < rows; ++markerRows_)
        motion.advance(picture, counter, marker);
    markerCounter_ = motion.counter;
    markerLeft_ = motion.left;
    Label1->move(twips::toPixels(markerLeft_), Label1->y());
    L_cnt->setText(QString::number(rows));
}

void SaveCSV::startMarker()
{
    Label1->move(0, std::max(0, (Picture1->height() - Label1->height()) / 2));
    L_cnt->move(Picture1->width() - L_cnt->width() - 4,
                std::max(0, (Picture1->height() - L_cnt->height()) / 2));
    Label1->setVisible(true);
    // The count starts at 0 and the marker takes its first step before any row.
    markerRows_ = -1;
    markerCounter_ = 0;
    markerLeft_ = 0;
    advanceMarker(0);
}

void SaveCSV::saveRest()
{
    const bool book = output_ == Spreadsheet;
    const QString path = book ? askSpreadsheetPath() : askTextFilePath();
    if (path.isEmpty())
        return;
    // The file holds the result, not the grid's view of it: the rows read so far come in
    // fetch order and unfiltered, whatever the grid shows, followed by the rest.
    ResultGridSource read;
    std::vector<QVector<QString>> held;
    if (!hooks_.takeGridRest || !hooks_.takeGridRest(read, held)) {
        tell(Prompts::Icon::Warning, windowTitle(),
             QStringLiteral("この結果の残りは読み出せません。SELECT実行＆保存を使って下さい。"));
        return;
    }
    outputPath_ = path;
    // The cursor has gone on past what the grid shows: the grid can never resume it, so the
    // result ends with the export, also when that stops early.
    struct ResultEnd {
        const SaveCSVHooks& hooks;
        ~ResultEnd()
        {
            if (hooks.endGridResult)
                hooks.endGridResult();
        }
    } end{hooks_};
    startMarker();
    job_->progress = [this](std::int64_t rows) { advanceMarker(rows); };
    GridRows rows(read, held, db_);
    writeFile(rows, path, book);
}

void SaveCSV::selectOut()
{
    if (hooks_.endGridResult)
        hooks_.endGridResult();
    const OpenedResult opened =
        db_.DbOpenResultToStream(statement_, hooks_.readsOnly && hooks_.readsOnly(statement_));
    if (opened.code != 0) {
        tell(Prompts::Icon::Warning, kSqlErrorTitle, db_.DbLastErrorText());
        return;
    }
    if (hooks_.AddHist)
        hooks_.AddHist(statement_);
    // The result is released here, not left to the next statement: a cancelled export of a
    // large result would otherwise keep the rest of it in the driver.
    struct CursorRelease {
        ODBCComm& db;
        ~CursorRelease()
        {
            if (db.work().cursorHeld())
                db.DbCloseCursor();
            ReleaseFreedMemory();
        }
    } release{db_};
    // Described before any file is touched: a statement that gave no rows to write, or whose
    // columns cannot be described, must not empty the chosen file.
    if (opened.columnCount <= 0) {
        tell(Prompts::Icon::Warning, windowTitle(),
             QStringLiteral("SQLがSELECT文ではありません。"));
        return;
    }
    if (opened.describeCode != 0) {
        tell(Prompts::Icon::Warning, kSqlErrorTitle,
             QString::number(opened.describeCode) + QLatin1Char(':') + db_.DbLastErrorText());
        return;
    }
    const ResultSetInfo& info = opened.info;

    const QString path =
        ShowSaveFileDialog(this, QStringLiteral("SELECT実行結果の保存ﾌｧｲﾙ指定"),
                           initialPath(QStringLiteral("SELECT.csv")), kCsvFilter, 1);
    if (path.isEmpty())
        return;
    outputPath_ = path;

    startMarker();
    job_->progress = [this](std::int64_t rows) { advanceMarker(rows); };
    ResultRows rows(db_, info);
    TextFileSink file(path, settings());
    endTextFile(path, job_->run(rows, file));
}
