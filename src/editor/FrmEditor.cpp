#include "editor/FrmEditor.h"

#include "base/GetFile.h"
#include "base/INIfile_IO.h"
#include "base/Prompts.h"
#include "base/Settings.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <cerrno>

namespace {

const QString kTitle = QStringLiteral("外部エディタ設定");

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

FrmEditor::FrmEditor(INIfile_IO& ini, Prompts& prompts, const QString& keywordFile, QWidget* parent)
    : QDialog(parent), ini_(ini), prompts_(prompts), keywordFile_(keywordFile)
{
    setObjectName(QStringLiteral("FrmEditor"));
    setWindowTitle(kTitle);

    Label2 = makeLabel(this, QStringLiteral("Label2"),
                       QStringLiteral("外部エディタの実行コマンドを入力してください"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setMinimumWidth(360);
    Label1[0] = makeLabel(this, QStringLiteral("Label1_0"), QStringLiteral("ex.  notepad %p"));
    Label1[1] = makeLabel(this, QStringLiteral("Label1_1"), QStringLiteral("（%P : 編集ﾌｧｲﾙ）"));
    Label1[0]->setProperty("index", 0);
    Label1[1]->setProperty("index", 1);
    Cmd_fileref = makeButton(this, QStringLiteral("Cmd_fileref"), QStringLiteral("参照"));
    Cmd_OK = makeButton(this, QStringLiteral("Cmd_OK"), QStringLiteral("OK"));
    Cmd_cancel = makeButton(this, QStringLiteral("Cmd_cancel"), QStringLiteral("Cancel"));
    Cmd_OK->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label2, 0, 0, 1, 2);
    grid->addWidget(Text1, 1, 0);
    grid->addWidget(Cmd_fileref, 1, 1);
    auto* hints = new QHBoxLayout;
    hints->addWidget(Label1[0]);
    hints->addWidget(Label1[1]);
    hints->addStretch();
    grid->addLayout(hints, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Cmd_OK);
    buttons->addWidget(Cmd_cancel);
    grid->addLayout(buttons, 3, 0, 1, 2);

    connect(Cmd_fileref, &QPushButton::clicked, this, &FrmEditor::fileRefCommand);
    connect(Cmd_OK, &QPushButton::clicked, this, &FrmEditor::okCommand);
    connect(Cmd_cancel, &QPushButton::clicked, this, &FrmEditor::cancelCommand);

    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.left() + (area.width() - width()) / 2,
             area.top() + (area.height() - height()) / 2);
    }
}

FrmEditor::~FrmEditor() = default;

void FrmEditor::GetEditorCommand()
{
    editor_command = settings::readEditorCommand(ini_);
    Text1->setText(editor_command);
}

void FrmEditor::showWindow(Qt::WindowModality modality)
{
    if (windowModality() != modality) {
        // Qt takes a new modality only while the window is hidden.
        hide();
        setWindowModality(modality);
    }
    show();
    raise();
    activateWindow();
}

void FrmEditor::showSettings()
{
    showWindow(Qt::ApplicationModal);
}

bool FrmEditor::editorCheck()
{
    if (!editor_command.trimmed().isEmpty())
        return true;
    prompts_.tell(parentWidget(), Prompts::Icon::Information, kTitle,
                  QStringLiteral("外部エディタを設定してください"));
    showWindow(Qt::NonModal);
    return false;
}

QString FrmEditor::editSql(const QString& org_sql)
{
    if (!editorCheck())
        return org_sql;
    using namespace exteditor;
    EditorError error;
    if (editing_) {
        showEditorError(parentWidget(), prompts_, {EBUSY, QStringLiteral("別のSQLを編集中です")});
        return org_sql;
    }
    QByteArray written;
    const QString path = editFolder_.sqlEditFile(&error);
    if (!encodeForEdit(org_sql, written, &error) || path.isEmpty() ||
        !writeWholeFile(path, written, &error)) {
        showEditorError(parentWidget(), prompts_, error);
        return org_sql;
    }
    editing_ = true;
    const bool ran = runAndWait(buildCommand(editor_command, path), &error);
    editing_ = false;
    if (!ran) {
        showEditorError(parentWidget(), prompts_, error);
        return org_sql;
    }
    QByteArray edited;
    QString text;
    if (readWholeFile(path, edited, &error)) {
        // Unchanged bytes give the text exactly as it was, line breaks included.
        if (edited == written)
            return org_sql;
        if (decodeEdited(edited, text, &error))
            return text;
    }
    prompts_.tell(parentWidget(), Prompts::Icon::Critical, QStringLiteral("QUORVANT"),
                  QStringLiteral("編集したSQLを読み込めませんでした。SQL入力エリアは編集前のま"
                                 "まです。\nError:%1 %2")
                      .arg(error.number)
                      .arg(error.description));
    return org_sql;
}

void FrmEditor::EditKeyWord()
{
    if (!editorCheck())
        return;
    using namespace exteditor;
    EditorError error;
    if (editing_) {
        showEditorError(parentWidget(), prompts_,
                        {EBUSY, QStringLiteral("別のファイルを編集中です")});
        return;
    }
    editing_ = true;
    const bool ran = runAndWait(buildCommand(editor_command, keywordFile_), &error);
    editing_ = false;
    if (!ran)
        showEditorError(parentWidget(), prompts_, error);
}

void FrmEditor::EditFile(const QString& file_path)
{
    if (!editorCheck())
        return;
    exteditor::EditFile(parentWidget(), prompts_, editor_command, file_path);
}

void FrmEditor::fileRefCommand()
{
    const QString path =
        ShowOpenFileDialog(this, QStringLiteral("外部エディタ"), QString(),
                           QStringLiteral("EXEﾌｧｲﾙ(*.exe)|*.exe|すべてのﾌｧｲﾙ(*.*)|*.*"), 1);
    if (!path.isEmpty())
        Text1->setText(exteditor::quoteProgramPath(path));
}

void FrmEditor::okCommand()
{
    const QString command = Text1->text().trimmed();
    if (command.isEmpty()) {
        Text1->setFocus();
        return;
    }
    if (!exteditor::hasPlaceholder(command)) {
        prompts_.tell(this, Prompts::Icon::Information, kTitle,
                      QStringLiteral("編集ファイル置換用の %p を入力してください"));
        Text1->setFocus();
        return;
    }
    editor_command = command;
    settings::writeEditorCommand(ini_, editor_command);
    Text1->setFocus();
    hide();
}

void FrmEditor::cancelCommand()
{
    Text1->setFocus();
    hide();
}

void FrmEditor::reject()
{
    // The close box and Escape cancel; the window is kept for the next time.
    cancelCommand();
}
