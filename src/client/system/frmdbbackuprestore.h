#pragma once
// TfrmDbBackupRestore: the backup of the account set ("账套备份", function 5006) to the server
// or, through the server, to a local file, and its restore ("账套恢复", function 5005) from a
// server backup or from a local file. The mode follows the function code the window was opened
// with. The administrator's account and password go with every call; the server checks them.

#include "client/common/frmbase.h"

class QLineEdit;
class QRadioButton;
class QPushButton;
class QLabel;
class QTableWidget;
class QWidget;

namespace dyt::client {

class TfrmDbBackupRestore : public TfrmBaseDialog {
    Q_OBJECT
public:
    explicit TfrmDbBackupRestore(QWidget* owner = nullptr);
    ~TfrmDbBackupRestore() override;

    bool restoreMode() const { return restore_; }

    QLineEdit* edAccount() const { return edAccount_; }
    QLineEdit* edPassword() const { return edPassword_; }
    // Backup mode.
    QLineEdit* edFileName() const { return edFileName_; }
    QRadioButton* rbServer() const { return rbServer_; }
    QRadioButton* rbLocal() const { return rbLocal_; }
    QLineEdit* edLocalPath() const { return edLocalPath_; }
    // Restore mode.
    QRadioButton* rbFromLocal() const { return rbFromLocal_; }
    QRadioButton* rbFromServer() const { return rbFromServer_; }
    QLineEdit* edLocalFile() const { return edLocalFile_; }
    QTableWidget* grid() const { return grid_; }
    QLineEdit* edChosen() const { return edChosen_; }
    QPushButton* btnDelete() const { return btnDelete_; }

    void btnOKClick() override;

protected:
    // The mode, the caption and the prefilled values follow the function code at every show.
    void FormShow() override;

private:
    void setMode(bool restore);
    void backup();
    void restore();
    void deleteBackup();
    void loadBackups();
    void chooseFolder();
    void chooseFile();
    QString backupFolder() const;

    bool restore_ = false;
    QLineEdit* edAccount_ = nullptr;
    QLineEdit* edPassword_ = nullptr;
    QWidget* backupPanel_ = nullptr;
    QLineEdit* edFileName_ = nullptr;
    QRadioButton* rbServer_ = nullptr;
    QRadioButton* rbLocal_ = nullptr;
    QLineEdit* edLocalPath_ = nullptr;
    QWidget* restorePanel_ = nullptr;
    QRadioButton* rbFromLocal_ = nullptr;
    QRadioButton* rbFromServer_ = nullptr;
    QLineEdit* edLocalFile_ = nullptr;
    QTableWidget* grid_ = nullptr;
    QLineEdit* edChosen_ = nullptr;
    QPushButton* btnDelete_ = nullptr;
    QLabel* lblRestart_ = nullptr;
};

}  // namespace dyt::client
