#include "editor/SqlInputArea.h"

#include "base/AppFolder.h"
#include "base/Composition.h"
#include "base/GetFile.h"
#include "base/Prompts.h"
#include "base/SqlHighlight.h"
#include "base/TextDrag.h"
#include "editor/SqlText.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>

namespace {

const QString kSql = QStringLiteral("sql");
const QString kHist = QStringLiteral("hist");
const QString kTmpl = QStringLiteral("tmpl");

QColor windowColour()
{
    return QApplication::palette().color(QPalette::Base);
}

QColor tooltipColour()
{
    return QToolTip::palette().color(QPalette::ToolTipBase);
}

QColor buttonFaceColour()
{
    return QApplication::palette().color(QPalette::Button);
}

// The one file a drag offers, or the empty text when it offers none, several, or a folder.
QString singleDroppedFile(const QMimeData* data)
{
    if (data == nullptr || !data->hasUrls())
        return QString();
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return QString();
    const QString path = urls.first().toLocalFile();
    return QFileInfo(path).isDir() ? QString() : path;
}

} // namespace

SqlInputArea::SqlInputArea(const SqlInputAreaUi& ui, SqlInputAreaHooks hooks, QObject* parent)
    : QObject(parent), textDrag_(ui.TB_SQL), ui_(ui), hooks_(std::move(hooks))
{
    struct Tab {
        const QString& key;
        const char* tooltip;
    };
    const Tab tabs[] = {{kSql, "SQLを入力してください"},
                        {kHist, "SQLの履歴を表示します（[Ctrl] +↑↓）"},
                        {kTmpl, "SQLのﾃﾝﾌﾟﾚｰﾄを表示します（[Ctrl] +↑↓）"}};
    for (int i = 0; i < 3 && i < ui_.TabStrip1->count(); ++i) {
        ui_.TabStrip1->setTabData(i, tabs[i].key);
        ui_.TabStrip1->setTabToolTip(i, QString::fromUtf8(tabs[i].tooltip));
    }
    shownIndex_ = ui_.TabStrip1->currentIndex();
    connect(ui_.TabStrip1, &QTabBar::currentChanged, this, &SqlInputArea::tabChanged);

    highlighter_ = new SqlHighlighter(ui_.TB_SQL->document());
    highlighter_->setDarkBackground(ui_.TB_SQL->palette().color(QPalette::Base).lightness() < 128);
    ui_.TB_SQL->installEventFilter(this);
    viewport_ = ui_.TB_SQL->viewport();
    viewport_->installEventFilter(this);
    ui_.TB_SQL->setAcceptDrops(true);
    ui_.Cmd_clear->setText(QStringLiteral("ｸﾘｱ"));
    ui_.Cmd_clear->setToolTip(QStringLiteral("SQLをｸﾘｱします"));
    connect(ui_.Cmd_clear, &QToolButton::clicked, this, &SqlInputArea::clearCommand);
    for (int i = 0; i < 2; ++i) {
        connect(ui_.Cmd_updwn[i], &QToolButton::clicked, this, [this, i] {
            browse(i == 1);
            ui_.TB_SQL->setFocus();
        });
    }
    ui_.L_sql_no->setEnabled(false);
    setBrowseEnabled(false);

    if (ui_.Cmd_srch_wd != nullptr) {
        ui_.Cmd_srch_wd->setAutoFillBackground(true);
        connect(ui_.Cmd_srch_wd, &QToolButton::clicked, this, &SqlInputArea::cycleSearchMode);
    }
    for (int i = 0; i < 2; ++i) {
        if (ui_.Cmd_q[i] == nullptr)
            continue;
        ui_.Cmd_q[i]->setArrowType(i == 0 ? Qt::RightArrow : Qt::LeftArrow);
        ui_.Cmd_q[i]->setToolTip(i == 0 ? QStringLiteral("右をサーチ")
                                        : QStringLiteral("左をサーチ"));
        connect(ui_.Cmd_q[i], &QToolButton::clicked, this, [this, i] {
            if (i == 0)
                searchRight();
            else
                searchLeft();
        });
    }
}

QColor SqlInputArea::templateColour()
{
    return QColor(224, 255, 255);
}

QString SqlInputArea::currentKey() const
{
    return ui_.TabStrip1->tabData(ui_.TabStrip1->currentIndex()).toString();
}

void SqlInputArea::setColour(const QColor& colour)
{
    QPalette p = ui_.TB_SQL->palette();
    p.setColor(QPalette::Base, colour);
    ui_.TB_SQL->setPalette(p);
    highlighter_->setDarkBackground(colour.lightness() < 128);
}

void SqlInputArea::setBrowseEnabled(bool on)
{
    for (QToolButton* b : ui_.Cmd_updwn)
        b->setEnabled(on);
}

void SqlInputArea::showPosition(std::int16_t pos, int count)
{
    ui_.L_sql_no->setText(QStringLiteral("%1/%2").arg(pos).arg(count));
}

void SqlInputArea::tabChanged(int index)
{
    QPlainTextEdit* box = ui_.TB_SQL;
    // Only the user's own text is set aside; stepping between the other tabs keeps it.
    if (ui_.TabStrip1->tabData(shownIndex_).toString() == kSql) {
        const QTextCursor c = box->textCursor();
        saved_sql = box->toPlainText();
        saved_sel_start = c.selectionStart();
        saved_sel_length = c.selectionEnd() - c.selectionStart();
    }
    shownIndex_ = index;
    const QString key = ui_.TabStrip1->tabData(index).toString();
    if (key == kSql) {
        box->setPlainText(saved_sql);
        QTextCursor c = box->textCursor();
        c.setPosition(std::min<int>(saved_sel_start, saved_sql.size()));
        c.setPosition(std::min<int>(saved_sel_start + saved_sel_length, saved_sql.size()),
                      QTextCursor::KeepAnchor);
        box->setTextCursor(c);
        ui_.L_sql_no->setEnabled(false);
        setColour(windowColour());
    } else if (key == kHist) {
        box->setPlainText(hooks_.GetHistCurr ? hooks_.GetHistCurr(hist_no) : QString());
        showPosition(hist_no, hooks_.GetHistNum ? hooks_.GetHistNum() : 0);
        ui_.L_sql_no->setEnabled(true);
        setColour(tooltipColour());
    } else if (key == kTmpl) {
        box->setPlainText(hooks_.GetTempCurr ? hooks_.GetTempCurr(temp_no) : QString());
        box->moveCursor(QTextCursor::Start);
        searchRight();
        showPosition(temp_no, hooks_.GetTempNum ? hooks_.GetTempNum() : 0);
        ui_.L_sql_no->setEnabled(true);
        setColour(templateColour());
    }
    box->setFocus();
    setBrowseEnabled(ui_.L_sql_no->isEnabled());
}

void SqlInputArea::selectSqlTab()
{
    for (int i = 0; i < ui_.TabStrip1->count(); ++i) {
        if (ui_.TabStrip1->tabData(i).toString() == kSql) {
            if (ui_.TabStrip1->currentIndex() != i)
                ui_.TabStrip1->setCurrentIndex(i);
            return;
        }
    }
}

void SqlInputArea::browse(bool down)
{
    QPlainTextEdit* box = ui_.TB_SQL;
    const QString key = currentKey();
    if (key == kHist) {
        if (!hooks_.GetHistNext || !hooks_.GetHistBack)
            return;
        const QString sql = down ? hooks_.GetHistNext(hist_no) : hooks_.GetHistBack(hist_no);
        showPosition(hist_no, hooks_.GetHistNum());
        if (hist_no != 0) {
            box->setPlainText(sql);
            setColour(tooltipColour());
        } else {
            QApplication::beep();
            box->setPlainText(QStringLiteral("/* これ以上履歴はありません */"));
            setColour(buttonFaceColour());
        }
    } else if (key == kTmpl) {
        if (!hooks_.GetTempNext || !hooks_.GetTempBack)
            return;
        const QString sql = down ? hooks_.GetTempNext(temp_no) : hooks_.GetTempBack(temp_no);
        showPosition(temp_no, hooks_.GetTempNum());
        if (temp_no != 0) {
            box->setPlainText(sql);
            box->moveCursor(QTextCursor::Start);
            searchRight();
            setColour(templateColour());
        } else {
            QApplication::beep();
            box->setPlainText(QStringLiteral("/* これ以上テンプレートはありません */"));
            setColour(buttonFaceColour());
        }
    }
}

tokensearch::Mode SqlInputArea::searchMode() const
{
    if (ui_.Cmd_srch_wd == nullptr)
        return tokensearch::Mode::Placeholder;
    return tokensearch::modeOfCaption(ui_.Cmd_srch_wd->text());
}

bool SqlInputArea::placeholderMode() const
{
    return searchMode() == tokensearch::Mode::Placeholder;
}

void SqlInputArea::setSearchMode(tokensearch::Mode mode)
{
    if (ui_.Cmd_srch_wd == nullptr)
        return;
    QColor colour(Qt::white);
    if (mode == tokensearch::Mode::Keyword && ui_.Lst_kwd != nullptr)
        colour = ui_.Lst_kwd->palette().color(QPalette::Base);
    QPalette p = ui_.Cmd_srch_wd->palette();
    p.setColor(QPalette::Button, colour);
    p.setColor(QPalette::Window, colour);
    ui_.Cmd_srch_wd->setPalette(p);
    ui_.Cmd_srch_wd->setText(tokensearch::modeCaption(mode));
}

void SqlInputArea::cycleSearchMode()
{
    setSearchMode(tokensearch::nextMode(searchMode()));
    ui_.TB_SQL->setFocus();
}

void SqlInputArea::setKeywords(const QStringList& keywords)
{
    keywords_ = tokensearch::KeywordSet(keywords);
    highlighter_->setKeywords(keywords);
}

void SqlInputArea::selectHit(const tokensearch::Hit& hit)
{
    QPlainTextEdit* box = ui_.TB_SQL;
    if (hit.found) {
        QTextCursor c = box->textCursor();
        c.setPosition(static_cast<int>(hit.start));
        c.setPosition(static_cast<int>(hit.start + hit.length), QTextCursor::KeepAnchor);
        box->setTextCursor(c);
    }
    box->setFocus();
}

void SqlInputArea::searchRight()
{
    const QTextCursor c = ui_.TB_SQL->textCursor();
    selectHit(tokensearch::searchRight(ui_.TB_SQL->toPlainText(), c.selectionStart(),
                                       c.selectionEnd() - c.selectionStart(), searchMode(),
                                       keywords_));
}

void SqlInputArea::searchLeft()
{
    const QTextCursor c = ui_.TB_SQL->textCursor();
    selectHit(tokensearch::searchLeft(ui_.TB_SQL->toPlainText(), c.selectionStart(),
                                      c.selectionEnd() - c.selectionStart(), searchMode(),
                                      keywords_));
}

void SqlInputArea::editCommand()
{
    if (!hooks_.editSql)
        return;
    QPlainTextEdit* box = ui_.TB_SQL;
    const QString before = box->toPlainText();
    const QString after = hooks_.editSql(before);
    if (after == before)
        return;
    QTextCursor c = box->textCursor();
    c.beginEditBlock();
    c.select(QTextCursor::Document);
    c.insertText(after);
    c.endEditBlock();
    c.movePosition(QTextCursor::Start);
    box->setTextCursor(c);
    box->setFocus();
}

bool SqlInputArea::composing() const
{
    if (composition::composing(ui_.TB_SQL))
        return true;
    const QTextBlock block = ui_.TB_SQL->textCursor().block();
    return block.isValid() && block.layout() != nullptr &&
           !block.layout()->preeditAreaText().isEmpty();
}

void SqlInputArea::InsertAtCaret(const QString& text)
{
    ui_.TB_SQL->textCursor().insertText(text);
    if (placeholderMode())
        searchRight();
    ui_.TB_SQL->setFocus();
}

void SqlInputArea::PostSQL(const QString& SQLstmt)
{
    selectSqlTab();
    ui_.TB_SQL->setPlainText(SQLstmt);
    if (hooks_.runBatch)
        hooks_.runBatch(SQLstmt);
}

QString SqlInputArea::statements()
{
    composition::commit(ui_.TB_SQL);
    return ui_.TB_SQL->toPlainText();
}

void SqlInputArea::InputHist(const QString& HistSql)
{
    selectSqlTab();
    ui_.TB_SQL->setPlainText(HistSql);
    ui_.TB_SQL->setFocus();
}

void SqlInputArea::CopyTmpl(const QString& TmplSql)
{
    selectSqlTab();
    QPlainTextEdit* box = ui_.TB_SQL;
    QTextCursor c = box->textCursor();
    const int start = c.selectionStart();
    c.insertText(TmplSql);
    c.setPosition(start);
    box->setTextCursor(c);
    searchRight();
}

void SqlInputArea::LoadSqlFile(const QString& path)
{
    QByteArray bytes;
    const sqltext::SqlFileRead read = sqltext::readSqlFile(path, bytes);
    selectSqlTab();
    if (read == sqltext::SqlFileRead::Read)
        ui_.TB_SQL->setPlainText(sqltext::decodeSqlFile(bytes));
    const QString refusal = sqltext::sqlFileRefusal(read, path);
    if (!refusal.isEmpty() && hooks_.prompts != nullptr)
        hooks_.prompts->tell(ui_.owner, Prompts::Icon::Critical, QStringLiteral("QUORVANT"),
                             refusal);
    ui_.TB_SQL->setFocus();
}

void SqlInputArea::openFileCommand()
{
    const QString initial = last_sql_file.isEmpty() ? AppFolder() : last_sql_file;
    const QString path =
        ShowOpenFileDialog(ui_.owner, QStringLiteral("SQLﾌｧｲﾙ読込み"), initial,
                           QStringLiteral("SQLﾌｧｲﾙ(*.sql)|*.sql|すべてのﾌｧｲﾙ(*.*)|*.*"), 1);
    if (path.isEmpty())
        return;
    last_sql_file = path;
    LoadSqlFile(path);
}

void SqlInputArea::clearCommand()
{
    QPlainTextEdit* box = ui_.TB_SQL;
    box->setFocus();
    // Through the box's own editing, so that undo brings the text back.
    QTextCursor c = box->textCursor();
    c.select(QTextCursor::Document);
    c.removeSelectedText();
    box->setTextCursor(c);
}

void SqlInputArea::trimDoubleClickSelection()
{
    QTextCursor c = ui_.TB_SQL->textCursor();
    if (!c.hasSelection())
        return;
    const int start = c.selectionStart();
    const int length = sqltext::trimmedSelectionLength(c.selectedText());
    c.setPosition(start);
    c.setPosition(start + length, QTextCursor::KeepAnchor);
    ui_.TB_SQL->setTextCursor(c);
}

bool SqlInputArea::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui_.TB_SQL && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & Qt::ControlModifier) {
            const bool shortcut =
                key->key() == Qt::Key_Up || key->key() == Qt::Key_Down || key->key() == Qt::Key_A;
            // While an input method composes, its text is not the box's yet: browsing would
            // replace the text under it and select-all would take half of it. The keys wait.
            if (shortcut && composing())
                return true;
            if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
                if (currentKey() == kSql)
                    return false;
                browse(key->key() == Qt::Key_Down);
                return true;
            }
            if (key->key() == Qt::Key_A) {
                ui_.TB_SQL->selectAll();
                return true;
            }
        }
        return false;
    }
    // The viewport as kept, not asked of TB_SQL: events still arrive while it is destroyed.
    if (watched == viewport_) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove)
            return textDrag_.mouseEvent(event);
        if (event->type() == QEvent::MouseButtonDblClick) {
            // After the box has selected the word.
            QTimer::singleShot(0, this, &SqlInputArea::trimDoubleClickSelection);
            return false;
        }
        return dragEvent(event);
    }
    return QObject::eventFilter(watched, event);
}

bool SqlInputArea::dragEvent(QEvent* event)
{
    QPlainTextEdit* box = ui_.TB_SQL;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* e = static_cast<QDropEvent*>(event);
        const QMimeData* data = e->mimeData();
        const bool files = TextDrag::offersFiles(data);
        const bool ok = files ? !singleDroppedFile(data).isEmpty() : data->hasText();
        if (!ok) {
            e->ignore();
            return true;
        }
        textDrag_.dragOver(e, !files);
        e->setDropAction(Qt::CopyAction);
        e->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        const QMimeData* data = e->mimeData();
        if (TextDrag::offersFiles(data)) {
            const QString path = singleDroppedFile(data);
            if (!path.isEmpty())
                LoadSqlFile(path);
        } else if (data->hasText()) {
            textDrag_.drop(e, data->text());
            return true;
        }
        own_drag = false;
        e->setDropAction(Qt::CopyAction);
        e->accept();
        box->setFocus();
        return true;
    }
    default:
        return false;
    }
}
