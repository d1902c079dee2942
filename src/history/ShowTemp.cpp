#include "history/ShowTemp.h"

#include "base/AppFolder.h"
#include "base/INIfile_IO.h"
#include "base/Prompts.h"
#include "base/Settings.h"
#include "base/Twips.h"
#include "base/WindowFont.h"
#include "base/WindowPlacement.h"
#include "history/TextBoxAids.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace {

int px(double t)
{
    return twips::toPixels(t);
}

// Spaces only, at both ends: line breaks stay.
QString trimSpaces(const QString& s)
{
    qsizetype b = 0;
    while (b < s.size() && s[b] == QLatin1Char(' '))
        ++b;
    qsizetype e = s.size();
    while (e > b && s[e - 1] == QLatin1Char(' '))
        --e;
    return s.mid(b, e - b);
}

} // namespace

ShowTemp::ShowTemp(INIfile_IO& ini, Prompts& prompts, std::function<void(const QString&)> CopyTmpl,
                   QWidget* owner)
    : QWidget(owner, Qt::Window), ini_(ini), prompts_(prompts), copyTmpl_(std::move(CopyTmpl)),
      store_(AppFolder() + QStringLiteral("SQLTMPL.TXT"))
{
    setObjectName(QStringLiteral("ShowTemp"));
    setWindowTitle(QStringLiteral("SQLﾃﾝﾌﾟﾚｰﾄ"));
    resize(600, 400);

    CB_hdr = new QComboBox(this);
    CB_hdr->setObjectName(QStringLiteral("CB_hdr"));
    CB_hdr->setEditable(true);
    CB_hdr->setInsertPolicy(QComboBox::NoInsert);

    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setFont(workbenchFont());
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setReadOnly(true);
    textAids_ = new TextBoxAids(Text1);

    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    auto frame = [this](const char* name) {
        auto* f = new QFrame(Picture1);
        f->setObjectName(QString::fromLatin1(name));
        auto* row = new QHBoxLayout(f);
        row->setContentsMargins(0, 0, 0, 0);
        return f;
    };
    auto button = [](QWidget* parent, const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), parent);
        b->setObjectName(QString::fromLatin1(name));
        if (parent->layout() != nullptr)
            parent->layout()->addWidget(b);
        return b;
    };
    Frm_tmpl = frame("Frm_tmpl");
    Cmd_add = button(Frm_tmpl, "Cmd_add", "追加");
    Cmd_del = button(Frm_tmpl, "Cmd_del", "削除");
    Cmd_mod = button(Frm_tmpl, "Cmd_mod", "修正");
    Frm_ok_cancel = frame("Frm_ok_cancel");
    Cmd_OK = button(Frm_ok_cancel, "Cmd_OK", "OK");
    Cmd_Cancel = button(Frm_ok_cancel, "Cmd_Cancel", "取消");
    Frm_ok_cancel->hide();
    Command1 = button(Picture1, "Command1", "SQL入力エリアへ&Copy");
    Command2 = button(Picture1, "Command2", "閉じる(&X)");
    for (QWidget* w : {static_cast<QWidget*>(Frm_tmpl), static_cast<QWidget*>(Frm_ok_cancel),
                       static_cast<QWidget*>(Command1), static_cast<QWidget*>(Command2)})
        w->adjustSize();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(1);
    connect(Timer1, &QTimer::timeout, this, [this] {
        if (QLineEdit* edit = CB_hdr->lineEdit())
            edit->setSelection(0, 0);
    });

    connect(CB_hdr, &QComboBox::activated, this, [this](int index) {
        // While a template is being written, a list choice neither shows nor selects another
        // template: the typed title comes back.
        if (editing()) {
            CB_hdr->setEditText(typedTitle_);
            return;
        }
        chooseEntry(index);
    });
    connect(CB_hdr->lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString& text) { typedTitle_ = text; });
    connect(Cmd_add, &QPushButton::clicked, this, &ShowTemp::Cmd_add_Click);
    connect(Cmd_mod, &QPushButton::clicked, this, &ShowTemp::Cmd_mod_Click);
    connect(Cmd_del, &QPushButton::clicked, this, &ShowTemp::Cmd_del_Click);
    connect(Cmd_OK, &QPushButton::clicked, this, &ShowTemp::Cmd_OK_Click);
    connect(Cmd_Cancel, &QPushButton::clicked, this, &ShowTemp::Cmd_Cancel_Click);
    connect(Command1, &QPushButton::clicked, this, &ShowTemp::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &ShowTemp::Command2_Click);
}

void ShowTemp::fillCombo()
{
    const QSignalBlocker quiet(CB_hdr);
    CB_hdr->clear();
    for (const ClassSQL& t : store_.templates())
        CB_hdr->addItem(TemplateStore::entryText(t));
}

void ShowTemp::ReadTmpl()
{
    // The store then never replaces the file, which still holds the user's templates: the user
    // hears why changes are not kept, once, at the start.
    if (!store_.read())
        prompts_.tell(parentWidget(), Prompts::Icon::Warning, QStringLiteral("QUORVANT"),
                      QStringLiteral("テンプレートファイル（SQLTMPL.TXT）を読み込めないため、"
                                     "テンプレートを保存できません。"));
    fillCombo();
    cur_tmpl_index = -1;
    if (CB_hdr->count() > 0)
        chooseEntry(0);
}

void ShowTemp::SaveTmpl()
{
    store_.save();
}

void ShowTemp::chooseEntry(int index)
{
    if (index < 0 || index >= store_.GetTempNum())
        return;
    Timer1->start();
    cur_tmpl_index = static_cast<std::int16_t>(index);
    {
        const QSignalBlocker quiet(CB_hdr);
        CB_hdr->setCurrentIndex(index);
        CB_hdr->setEditText(CB_hdr->itemText(index));
    }
    Text1->setPlainText(store_.templates()[index].SQLstmt);
    Text1->moveCursor(QTextCursor::Start);
}

void ShowTemp::enterEditing(EditMode mode)
{
    editMode_ = mode;
    Text1->setReadOnly(false);
    Frm_tmpl->hide();
    Frm_ok_cancel->show();
    Command1->setEnabled(false);
}

void ShowTemp::leaveEditing()
{
    editMode_ = EditMode::None;
    modIndex_ = -1;
    Text1->setReadOnly(true);
    Frm_ok_cancel->hide();
    Frm_tmpl->show();
    Command1->setEnabled(true);
}

void ShowTemp::Cmd_add_Click()
{
    typedTitle_ = QStringLiteral("タイトルを入力してください");
    CB_hdr->setEditText(typedTitle_);
    CB_hdr->lineEdit()->selectAll();
    CB_hdr->setFocus();
    Text1->setPlainText(QStringLiteral("ＳＱＬを入力してください\n"));
    enterEditing(EditMode::Add);
}

void ShowTemp::Cmd_mod_Click()
{
    if (cur_tmpl_index < 0 || cur_tmpl_index >= store_.GetTempNum())
        return;
    modIndex_ = cur_tmpl_index;
    typedTitle_ = store_.templates()[modIndex_].SQLhead;
    CB_hdr->setEditText(typedTitle_);
    CB_hdr->setFocus();
    Text1->moveCursor(QTextCursor::Start);
    enterEditing(EditMode::Modify);
}

void ShowTemp::Cmd_OK_Click()
{
    // Title and text are read before the list changes, so no neighbour's text is taken.
    const QString title = TemplateStore::cleanTitle(trimSpaces(CB_hdr->currentText()));
    const QString text = trimSpaces(Text1->toPlainText());
    if (editMode_ == EditMode::Modify && modIndex_ >= 0)
        store_.remove(modIndex_);
    const int i = store_.add({title, text});
    fillCombo();
    chooseEntry(i);
    leaveEditing();
}

void ShowTemp::Cmd_Cancel_Click()
{
    leaveEditing();
    if (cur_tmpl_index < 0) {
        CB_hdr->setEditText(QString());
        Text1->clear();
    } else {
        chooseEntry(cur_tmpl_index);
    }
}

void ShowTemp::Cmd_del_Click()
{
    if (cur_tmpl_index < 0 || cur_tmpl_index >= store_.GetTempNum())
        return;
    if (prompts_.ask(this, Prompts::Icon::Question, QStringLiteral("テンプレートの削除"),
                     QStringLiteral("表示のテンプレートを削除してよろしいですか？"),
                     Prompts::Buttons::YesNo, Prompts::Answer::No) != Prompts::Answer::Yes)
        return;
    store_.remove(cur_tmpl_index);
    fillCombo();
    cur_tmpl_index = -1;
    CB_hdr->setCurrentIndex(-1);
    CB_hdr->setEditText(QString());
    Text1->clear();
}

void ShowTemp::Command1_Click()
{
    CB_hdr->setFocus();
    SaveWindowPlacement(this, ini_, QLatin1String(settings::kTempPlacement));
    hide();
    if (copyTmpl_)
        copyTmpl_(Text1->toPlainText());
}

void ShowTemp::Command2_Click()
{
    SaveWindowPlacement(this, ini_, QLatin1String(settings::kTempPlacement));
    hide();
}

void ShowTemp::showWindow()
{
    if (!placed_) {
        placed_ = true;
        RestoreWindowPlacement(this, placement_);
    }
    show();
    raise();
    activateWindow();
}

void ShowTemp::closeEvent(QCloseEvent* event)
{
    event->ignore();
    Command2_Click();
}

void ShowTemp::keyPressEvent(QKeyEvent* event)
{
    // Escape arrives here only when the focused box had no use for it (an open list takes it
    // itself). A template being written is kept for the next showing.
    if (event->matches(QKeySequence::Cancel)) {
        Command2_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ShowTemp::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!isMinimized())
        layOut();
}

void ShowTemp::layOut()
{
    const int comboH = CB_hdr->sizeHint().height();
    CB_hdr->setGeometry(0, 0, width(), comboH);
    const int barH = std::max(Frm_tmpl->sizeHint().height(), Command1->sizeHint().height()) + 8;
    Picture1->setGeometry(0, height() - barH, width(), barH);
    Text1->setGeometry(0, comboH, width(), std::max(px(500), height() - barH - comboH));
    Frm_ok_cancel->setGeometry(Frm_tmpl->geometry().x(), 4, Frm_ok_cancel->sizeHint().width(),
                               Frm_ok_cancel->sizeHint().height());
    QWidget* items[3] = {Frm_tmpl, Command1, Command2};
    int widths = 0;
    for (QWidget* w : items)
        widths += w->sizeHint().width();
    const int gap = std::max(0, (width() - widths) / 4);
    int x = gap;
    for (QWidget* w : items) {
        w->setGeometry(x, 4, w->sizeHint().width(), w->sizeHint().height());
        x += w->width() + gap;
    }
    Frm_ok_cancel->move(Frm_tmpl->pos());
}

SqlHighlighter& ShowTemp::highlighter()
{
    return textAids_->highlighter();
}
