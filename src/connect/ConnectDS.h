#pragma once

#include "connect/ConnHistory.h"
#include "connect/SourceMarks.h"

#include <QDialog>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

class DriverForm;
class INIfile_IO;
class Keyring;
class ODBCComm;
class Prompts;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QTreeWidget;

// The connect dialog "データベース接続": choose a data source (with user ID and password), a
// driver, or an entry of the connection history. It does not connect; the main window asks
// GetDSN, connects with the answer and reports success back with SetDataSrcTag.
//
// Created once and hidden after use, never destroyed, so the kind, the selections and the typed
// user ID persist between openings. The history is read from the settings file at construction;
// data sources and drivers are listed at the first GetDSN.
//
// Passwords of the history live in the desktop's keyring, never in the settings file: an entry
// is stored there without its password items, and the keyring keeps the whole entry under that
// text. Entries of earlier versions that still hold a password move to the keyring at the first
// GetDSN; where no keyring answers they stay in the file as they are. A driver chosen by name is
// given its server, database, user and password through DriverForm.
//
// Controls (objectName): Option1_0..Option1_2 (source kinds), Frame1_0 (Combo1, TB_uid, TB_psw),
// Frame1_1 (Combo2), Chk_add_hist, Chk_production and Chk_readonly (the marks of the chosen
// source, stored at OK), Lst_conn_hist, ListView1 with label L_conninfo, Cmd_OK,
// Cmd_cancel, popup mn_hist with mn_delete and mn_cancel.
class ConnectDS : public QDialog {
    Q_OBJECT

public:
    enum class Kind { DataSource = 0, Driver = 1, History = 2 };

    // The keyring holds the history's passwords under this service name.
    static constexpr char kKeyringService[] = "QUORVANT";

    ConnectDS(ODBCComm& db, INIfile_IO& ini, Prompts& prompts, QWidget* parent = nullptr);
    ~ConnectDS() override;

    // Runs the dialog modally. Returns dsn; uid, pwd, driver and connStr are set from the
    // confirmed choice. After OK exactly one of dsn (with uid and pwd), driver or connStr is
    // non-empty; after Cancel or closing all are empty.
    QString GetDSN(QString& uid, QString& pwd, QString& driver, QString& connStr);

    // After a successful connect made from the answer: with "接続履歴に追加" checked, puts the
    // completed connection string at the top of the history (no duplicates).
    void SetDataSrcTag(const QString& connStr);

    // Writes the add-to-history flag and the first 20 history entries to section "CONNHIST",
    // without passwords except those of entries that could not move to the keyring.
    void SaveHist();

    // The marks of the source confirmed by the last GetDSN (none after Cancel).
    const SourceMarks& marks() const { return answerMarks_; }

private:
    void buildControls();
    void loadHistory();
    void loadLists();
    void chooseKind(Kind kind);
    Kind kind() const;
    void confirm();
    void showItems();
    int selectedHistoryRow() const;
    void selectHistoryRow(int row);
    void deleteSelectedEntry();
    void moveOldPasswordsToKeyring();
    // The entry with the password the keyring keeps for it (unchanged when there is none).
    QString withKeptPassword(const QString& entry);
    // A history entry with a user ID and no password: asks for the password in the driver
    // form's password rows and adds it. False when the user cancelled.
    bool askMissingPassword(QString& connStr);
    void tellNoKeyring();
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The connection string whose marks the check boxes show; empty while nothing is chosen.
    QString markSource() const;
    void showMarks();

    ODBCComm& db_;
    INIfile_IO& ini_;
    Prompts& prompts_;

    ConnHistory history_;
    std::unique_ptr<Keyring> keyring_;
    // Entries read with their password that must go back to the file as they are: the keyring
    // has not taken them (yet).
    QSet<QString> passwordsInFile_;
    bool keyringMoveTried_ = false;
    bool noKeyringTold_ = false;
    DriverForm* driverForm_ = nullptr;
    bool listsLoaded_ = false;
    QStringList dataSourceNames_;
    int initialWidth_ = 0; // twips

    QString answerDsn_;
    QString answerUid_;
    QString answerPwd_;
    QString answerDriver_;
    QString answerConnStr_;
    SourceMarks answerMarks_;
    QString answerMarkKey_;

    QButtonGroup* kinds_ = nullptr;
    QRadioButton* option_[3] = {};
    QGroupBox* frame_[2] = {};
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QLineEdit* TB_uid = nullptr;
    QLineEdit* TB_psw = nullptr;
    QCheckBox* Chk_add_hist = nullptr;
    QCheckBox* Chk_production = nullptr;
    QCheckBox* Chk_readonly = nullptr;
    QListWidget* Lst_conn_hist = nullptr;
    QLabel* L_conninfo = nullptr;
    QTreeWidget* ListView1 = nullptr;
    QPushButton* Cmd_OK = nullptr;
    QPushButton* Cmd_cancel = nullptr;
    QMenu* mn_hist = nullptr;
};
