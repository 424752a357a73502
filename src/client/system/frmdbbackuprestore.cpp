#include "client/system/frmdbbackuprestore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <iterator>

#include "client/logic/autobackup.h"
#include "client/logic/dbbackup.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/session.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"

namespace dyt::client {

namespace {

// The grid's columns: the field of a backup record and its caption.
struct BackupColumn {
    const char* field;
    const char16_t* caption;
};
constexpr BackupColumn kColumns[] = {{"recNo", u"序号"},
                                     {"profileName", u"账套名称"},
                                     {"profileText", u"账套数据库"},
                                     {"backDate", u"备份时间"},
                                     {"backFileName", u"备份文件名称"},
                                     {"backDateTime", u"backDateTime"}};
constexpr int kFileColumn = 4;
constexpr int kTimeColumn = 5;

QLineEdit* lineEdit(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

}  // namespace

TfrmDbBackupRestore::TfrmDbBackupRestore(QWidget* owner) : TfrmBaseDialog(owner) {
    setObjectName(QStringLiteral("frmDbBackupRestore"));
    // A window of the workspace: it goes when it closes.
    setWindowFlags(Qt::Widget);
    setAttribute(Qt::WA_DeleteOnClose, true);
    auto* content = new QVBoxLayout(contentBox());

    auto* admin = new QFormLayout;
    edAccount_ = lineEdit(contentBox(), "edAccount");
    edPassword_ = lineEdit(contentBox(), "edPassword");
    edPassword_->setEchoMode(QLineEdit::Password);
    admin->addRow(dbbackup::adminAccount(), edAccount_);
    admin->addRow(dbbackup::adminPassword(), edPassword_);
    content->addLayout(admin);

    // Backup: file name, target and the local folder.
    backupPanel_ = new QWidget(contentBox());
    auto* b = new QFormLayout(backupPanel_);
    b->setContentsMargins(0, 0, 0, 0);
    edFileName_ = lineEdit(backupPanel_, "edFileName");
    b->addRow(dbbackup::backupFile(), edFileName_);
    auto* targets = new QHBoxLayout;
    rbServer_ = new QRadioButton(dbbackup::serverBackup(), backupPanel_);
    rbServer_->setObjectName(QStringLiteral("rbServer"));
    rbLocal_ = new QRadioButton(dbbackup::localBackup(), backupPanel_);
    rbLocal_->setObjectName(QStringLiteral("rbLocal"));
    rbServer_->setChecked(true);
    targets->addWidget(rbServer_);
    targets->addWidget(rbLocal_);
    targets->addStretch(1);
    b->addRow(targets);
    auto* pathRow = new QHBoxLayout;
    edLocalPath_ = lineEdit(backupPanel_, "edLocalPath");
    auto* btnFolder = new QPushButton(QStringLiteral("..."), backupPanel_);
    btnFolder->setObjectName(QStringLiteral("btnFolder"));
    pathRow->addWidget(edLocalPath_, 1);
    pathRow->addWidget(btnFolder);
    b->addRow(dbbackup::localPath(), pathRow);
    auto* note = new QLabel(dbbackup::localNote(), backupPanel_);
    note->setWordWrap(true);
    b->addRow(note);
    content->addWidget(backupPanel_);
    const auto followTarget = [this, btnFolder] {
        edLocalPath_->setEnabled(rbLocal_->isChecked());
        btnFolder->setEnabled(rbLocal_->isChecked());
    };
    connect(rbLocal_, &QRadioButton::toggled, this, followTarget);
    followTarget();
    connect(btnFolder, &QPushButton::clicked, this, [this] { chooseFolder(); });

    // Restore: from a local file or from a server backup.
    restorePanel_ = new QWidget(contentBox());
    auto* r = new QVBoxLayout(restorePanel_);
    r->setContentsMargins(0, 0, 0, 0);
    rbFromLocal_ = new QRadioButton(dbbackup::fromLocalFile(), restorePanel_);
    rbFromLocal_->setObjectName(QStringLiteral("rbFromLocal"));
    rbFromServer_ = new QRadioButton(dbbackup::fromServer(), restorePanel_);
    rbFromServer_->setObjectName(QStringLiteral("rbFromServer"));
    rbFromServer_->setChecked(true);
    r->addWidget(rbFromLocal_);
    auto* fileRow = new QHBoxLayout;
    edLocalFile_ = lineEdit(restorePanel_, "edLocalFile");
    auto* btnFile = new QPushButton(QStringLiteral("..."), restorePanel_);
    btnFile->setObjectName(QStringLiteral("btnFile"));
    fileRow->addWidget(new QLabel(dbbackup::localFileName(), restorePanel_));
    fileRow->addWidget(edLocalFile_, 1);
    fileRow->addWidget(btnFile);
    r->addLayout(fileRow);
    r->addWidget(rbFromServer_);
    grid_ = new QTableWidget(0, static_cast<int>(std::size(kColumns)), restorePanel_);
    grid_->setObjectName(QStringLiteral("grid"));
    QStringList headers;
    for (const BackupColumn& c : kColumns)
        headers << QString::fromUtf16(c.caption);
    grid_->setHorizontalHeaderLabels(headers);
    grid_->setColumnHidden(kTimeColumn, true);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->horizontalHeader()->setStretchLastSection(true);
    r->addWidget(grid_, 1);
    auto* chosenRow = new QHBoxLayout;
    edChosen_ = lineEdit(restorePanel_, "edChosen");
    btnDelete_ = new QPushButton(dbbackup::deleteCaption(), restorePanel_);
    btnDelete_->setObjectName(QStringLiteral("btnDelete"));
    chosenRow->addWidget(new QLabel(dbbackup::chosenBackup(), restorePanel_));
    chosenRow->addWidget(edChosen_, 1);
    chosenRow->addWidget(btnDelete_);
    r->addLayout(chosenRow);
    lblRestart_ = new QLabel(dbbackup::restartNote(), restorePanel_);
    lblRestart_->setObjectName(QStringLiteral("lblRestart"));
    r->addWidget(lblRestart_);
    content->addWidget(restorePanel_, 1);
    // The backup's few rows stay at the top; the restore's list takes the height.
    content->addStretch(0);
    const auto followSource = [this, btnFile] {
        const bool local = rbFromLocal_->isChecked();
        edLocalFile_->setEnabled(local);
        btnFile->setEnabled(local);
        grid_->setEnabled(!local);
        edChosen_->setEnabled(!local);
    };
    connect(rbFromLocal_, &QRadioButton::toggled, this, followSource);
    followSource();
    connect(btnFile, &QPushButton::clicked, this, [this] { chooseFile(); });
    connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (QTableWidgetItem* item = grid_->item(row, kFileColumn))
            edChosen_->setText(item->text());
    });
    connect(btnDelete_, &QPushButton::clicked, this, [this] { deleteBackup(); });
    setMode(false);
    resize(620, 460);
}

TfrmDbBackupRestore::~TfrmDbBackupRestore() = default;

void TfrmDbBackupRestore::setMode(bool restore) {
    restore_ = restore;
    const QString title = restore ? dbbackup::restoreCaption() : dbbackup::backupCaption();
    setWindowTitle(title);
    lbltitle()->setText(title);
    backupPanel_->setVisible(!restore);
    restorePanel_->setVisible(restore);
}

QString TfrmDbBackupRestore::backupFolder() const {
    const TdmMain* dm = dmMain();
    const QString dir =
        dm && !dm->programDir.isEmpty() ? dm->programDir : QCoreApplication::applicationDirPath();
    return QDir(dir).filePath(dbbackup::localFolder());
}

void TfrmDbBackupRestore::FormShow() {
    TfrmBaseDialog::FormShow();
    setMode(tag() == dbbackup::kRestoreCode);
    const TLoginedUser& user = loginedUser();
    edAccount_->setText(user.dbUserName);
    edPassword_->clear();
    if (restore_) {
        edChosen_->clear();
        try {
            loadBackups();
        } catch (const DytError& e) {
            prompter().showError(caption::hint(), e);
        }
    } else {
        edFileName_->setText(autoBackupFileName(user.ProfileCaption, QDateTime::currentDateTime()));
        if (edLocalPath_->text().isEmpty())
            edLocalPath_->setText(QDir::toNativeSeparators(backupFolder()));
    }
    edPassword_->setFocus(Qt::OtherFocusReason);
}

void TfrmDbBackupRestore::chooseFolder() {
    const QString dir =
        QFileDialog::getExistingDirectory(this, dbbackup::localPath(), edLocalPath_->text());
    if (!dir.isEmpty())
        edLocalPath_->setText(QDir::toNativeSeparators(dir));
}

void TfrmDbBackupRestore::chooseFile() {
    const QString file = QFileDialog::getOpenFileName(
        this, dbbackup::localFileName(),
        edLocalFile_->text().isEmpty() ? backupFolder() : edLocalFile_->text());
    if (!file.isEmpty())
        edLocalFile_->setText(QDir::toNativeSeparators(file));
}

void TfrmDbBackupRestore::loadBackups() {
    const Response r =
        callServer(dataModule(), QStringLiteral("GetProfileBackups"), {loginedUser().ProfileName});
    if (r.code() != 0)
        throw DytError(r.outText(1));
    const RecordSet rows = proto::recordSetFromCbor(r.out(0));
    grid_->setRowCount(0);
    grid_->setRowCount(rows.rowCount());
    for (int row = 0; row < rows.rowCount(); ++row) {
        for (int c = 0; c < static_cast<int>(std::size(kColumns)); ++c) {
            const int f = rows.fieldIndex(QString::fromLatin1(kColumns[c].field));
            grid_->setItem(row, c,
                           new QTableWidgetItem(f >= 0 ? rows.at(row, f).toString() : QString()));
        }
    }
}

void TfrmDbBackupRestore::btnOKClick() {
    try {
        if (edAccount_->text().trimmed().isEmpty())
            throw DytError(dbbackup::emptyAccount());
        if (restore_)
            restore();
        else
            backup();
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
    }
}

void TfrmDbBackupRestore::backup() {
    if (queryOnly())
        throw DytError(dmtext::queryOnly());
    const bool local = rbLocal_->isChecked();
    const QString fileName = edFileName_->text().trimmed();
    QString path;
    if (local) {
        const QString folder = edLocalPath_->text().trimmed();
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            throw DytError(dbbackup::badLocalPath());
        path = localBackupPath(folder, fileName);
        if (QFileInfo::exists(path))
            throw DytError(dbbackup::localFileExists());
    }
    const TLoginedUser& user = loginedUser();
    Response r;
    {
        ProgressScope progress(dbbackup::backingUpDatabase());
        prompter().setProgressText(dbbackup::backingUp());
        r = callServer(dataModule(), QStringLiteral("BackupProfile"),
                       {user.ProfileName, user.ProfileCaption, fileName,
                        edAccount_->text().trimmed(), edPassword_->text(), local ? 1 : 0});
    }
    if (r.code() != 0)
        throw DytError(r.outText(1));
    if (!local) {
        prompter().message(caption::hint(), dbbackup::serverDone());
        btnExitClick();
        return;
    }
    const QByteArray content = r.out(2).toByteArray();
    QFile f(path);
    if (!f.open(QIODevice::NewOnly) || f.write(content) != content.size()) {
        f.remove();
        throw DytError(dbbackup::fileFailed().arg(QDir::toNativeSeparators(path)));
    }
    f.close();
    prompter().message(
        caption::hint(),
        dbbackup::localDone().arg(QDir::toNativeSeparators(path)).arg(content.size() / 1024));
    btnExitClick();
}

void TfrmDbBackupRestore::restore() {
    if (queryOnly())
        throw DytError(dmtext::queryOnly());
    const bool local = rbFromLocal_->isChecked();
    QByteArray content;
    QString name;
    if (local) {
        const QString file = edLocalFile_->text().trimmed();
        QFile f(file);
        if (file.isEmpty() || !QFileInfo(file).isFile())
            throw DytError(dbbackup::localFileMissing());
        if (!f.open(QIODevice::ReadOnly))
            throw DytError(dbbackup::fileFailed().arg(file));
        content = f.readAll();
        name = QFileInfo(file).fileName();
    } else {
        name = edChosen_->text().trimmed();
        if (name.isEmpty())
            throw DytError(dbbackup::noServerBackup());
    }
    const TLoginedUser& user = loginedUser();
    Response r;
    {
        ProgressScope progress(dbbackup::restoring());
        r = callServer(
            dataModule(), QStringLiteral("RestoreProfile"),
            {user.ProfileName, local ? QString() : name, edAccount_->text().trimmed(),
             edPassword_->text(), local ? QCborValue(content) : QCborValue(QCborValue::Null)});
    }
    if (r.code() != 0)
        throw DytError(r.outText(3));
    resetCacheStamps(user.ProfileCaption, user.UserId);
    prompter().message(caption::hint(), dbbackup::restored());
    TfrmBaseDialog::btnOKClick();
    restartClient(dataModule());
}

void TfrmDbBackupRestore::deleteBackup() {
    try {
        const int row = grid_->currentRow();
        if (row < 0 || !grid_->item(row, kFileColumn))
            throw DytError(dbbackup::noServerBackup());
        if (prompter().ask(caption::hint(), dbbackup::deleteQuestion(), buttons::okCancel(), 0) !=
            0) {
            return;
        }
        TdmMain& dm = dataModule();
        // The server takes the deletion only on a connection that has shown the password.
        ParamList check;
        check.setValue(QStringLiteral("Command"), QStringLiteral("CheckAdminPass"));
        check.setValue(QStringLiteral("Password"), edPassword_->text());
        const Response r = callServer(dm, QStringLiteral("ExecCommand"), {check.text()});
        if (r.code() != 0)
            throw DytError(r.outText(1));
        dm.ExecUpdate(deleteBackupSql(grid_->item(row, kFileColumn)->text(),
                                      grid_->item(row, kTimeColumn)->text()));
        edChosen_->clear();
        loadBackups();
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
    }
}

}  // namespace dyt::client
