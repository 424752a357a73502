#include "client/system/frmsyspurview.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "client/bills/selectbase.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/purview.h"
#include "client/logic/session.h"
#include "common/error.h"
#include "common/paramlist.h"

namespace dyt::client {

namespace {

QTableWidget* rightsGrid(const QString& name, const QString& caption, QWidget* parent) {
    auto* grid = new QTableWidget(0, 2, parent);
    grid->setObjectName(name);
    grid->setHorizontalHeaderLabels({caption, QStringLiteral("授权")});
    grid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    grid->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    grid->verticalHeader()->hide();
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setTabKeyNavigation(false);
    return grid;
}

QTableWidgetItem* cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

void showRemoteError(const DytError& e) {
    prompter().message(caption::hint(), purview::errorPrefix() + e.message());
}

}  // namespace

// --- TfrmSysPurview

TfrmSysPurview::TfrmSysPurview(QWidget* owner) : TfrmBaseDialog(owner) {
    setObjectName(QStringLiteral("frmSysPurview"));
    setWindowTitle(QStringLiteral("操作员授权"));
    lbltitle()->setText(QStringLiteral("操作员授权"));
    auto* layout = new QVBoxLayout(contentBox());
    auto* body = new QHBoxLayout;
    auto* users = new QVBoxLayout;
    QWidget* box = contentBox();
    auto* lblUser = new QLabel(QStringLiteral("操作员"), box);
    lstUser_ = new QListWidget(box);
    lstUser_->setObjectName(QStringLiteral("lstUser"));
    lblUser->setBuddy(lstUser_);
    users->addWidget(lblUser);
    users->addWidget(lstUser_);
    auto* types = new QVBoxLayout;
    auto* lblType = new QLabel(QStringLiteral("权限类型"), box);
    lstType_ = new QListWidget(box);
    lstType_->setObjectName(QStringLiteral("lstType"));
    lblType->setBuddy(lstType_);
    for (const char16_t* name : purview::groupNames())
        lstType_->addItem(QString::fromUtf16(name));
    types->addWidget(lblType);
    types->addWidget(lstType_);
    for (QListWidget* list : {lstUser_, lstType_})
        list->setFixedWidth(150);
    auto* grids = new QVBoxLayout;
    grdMain_ = rightsGrid(QStringLiteral("grdMain"), QStringLiteral("主权限"), box);
    grdDetail_ = rightsGrid(QStringLiteral("grdDetail"), QStringLiteral("明细权限"), box);
    grids->addWidget(grdMain_, 3);
    grids->addWidget(grdDetail_, 2);
    body->addLayout(users);
    body->addLayout(types);
    body->addLayout(grids, 1);
    layout->addLayout(body, 1);

    auto* buttons = new QHBoxLayout;
    const std::pair<const char*, const char16_t*> kButtons[] = {
        {"btnSelectAll", u"全选"},     {"btnUnselectAll", u"反选"},
        {"btnAddUser", u"添加操作员"}, {"btnDeleteUser", u"删除操作员"},
        {"btnPassword", u"修改密码"},  {"btnCopy", u"复制权限"}};
    for (const auto& [name, text] : kButtons) {
        auto* b = new QPushButton(QString::fromUtf16(text), box);
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
    btnOK()->setText(QStringLiteral("保存(&S)"));
    resize(900, 600);

    connect(button(QStringLiteral("btnSelectAll")), &QPushButton::clicked, this,
            [this] { btnSelectAllClick(true); });
    connect(button(QStringLiteral("btnUnselectAll")), &QPushButton::clicked, this,
            [this] { btnSelectAllClick(false); });
    connect(button(QStringLiteral("btnAddUser")), &QPushButton::clicked, this,
            &TfrmSysPurview::btnAddUserClick);
    connect(button(QStringLiteral("btnDeleteUser")), &QPushButton::clicked, this,
            &TfrmSysPurview::btnDeleteUserClick);
    connect(button(QStringLiteral("btnPassword")), &QPushButton::clicked, this,
            &TfrmSysPurview::btnPasswordClick);
    connect(button(QStringLiteral("btnCopy")), &QPushButton::clicked, this,
            &TfrmSysPurview::btnCopyClick);
    connect(lstUser_, &QListWidget::currentRowChanged, this, [this] { loadRights(); });
    connect(lstType_, &QListWidget::currentRowChanged, this, [this] { loadRights(); });
    connect(grdMain_, &QTableWidget::currentCellChanged, this, [this](int row, int, int previous) {
        if (row != previous)
            loadDetail();
    });
    for (QTableWidget* grid : {grdMain_, grdDetail_}) {
        grid->installEventFilter(this);
        connect(grid, &QTableWidget::cellClicked, this, [this, grid](int row, int column) {
            if (column == 1)
                toggle(grid == grdDetail_, row);
        });
    }
    setTabOrder(lstUser_, lstType_);
    setTabOrder(lstType_, grdMain_);
    setTabOrder(grdMain_, grdDetail_);

    const QSignalBlocker block(lstType_);
    lstType_->setCurrentRow(0);
    loadUsers();
}

TfrmSysPurview::~TfrmSysPurview() = default;

QPushButton* TfrmSysPurview::button(const QString& objectName) const {
    return findChild<QPushButton*>(objectName);
}

qint64 TfrmSysPurview::chosenUser() const {
    const int row = lstUser_->currentRow();
    return row >= 0 && row < userIds_.size() ? userIds_[row] : 0;
}

bool TfrmSysPurview::editable() const {
    return chosenUser() >= 2;
}

bool TfrmSysPurview::run(const QString& procedure, ParamList& params) {
    try {
        dataModule().ExecProc(procedure, params);
        return true;
    } catch (const DytError& e) {
        showRemoteError(e);
        return false;
    }
}

void TfrmSysPurview::loadUsers(qint64 select) {
    RecordSet rows;
    try {
        ParamList p;
        p.setInt(QStringLiteral("par_id"), loginedUser().UserId);
        dataModule().ExecProcQuery(QStringLiteral("p_sys_Get_User"), p, &rows);
    } catch (const DytError& e) {
        showRemoteError(e);
    }
    {
        const QSignalBlocker block(lstUser_);
        lstUser_->clear();
        userIds_.clear();
        for (rows.first(); !rows.eof(); rows.next()) {
            userIds_.append(rows.integer(QStringLiteral("id")));
            lstUser_->addItem(rows.text(QStringLiteral("fullname")).trimmed());
        }
        const int at = static_cast<int>(userIds_.indexOf(select));
        if (!userIds_.isEmpty())
            lstUser_->setCurrentRow(at >= 0 ? at : 0);
    }
    loadRights();
}

void TfrmSysPurview::fill(QTableWidget* grid, const RecordSet& rows) {
    const QSignalBlocker block(grid);
    const int current = grid->currentRow();
    grid->setRowCount(rows.rowCount());
    const int name = rows.fieldIndex(QStringLiteral("Name"));
    const int isbj = rows.fieldIndex(QStringLiteral("isbj"));
    for (int r = 0; r < rows.rowCount(); ++r) {
        grid->setItem(r, 0, cell(rows.at(r, name).toString().trimmed()));
        QTableWidgetItem* grant = cell(QString());
        grant->setCheckState(rows.at(r, isbj).toLongLong() == 1 ? Qt::Checked : Qt::Unchecked);
        grid->setItem(r, 1, grant);
    }
    if (rows.rowCount() > 0)
        grid->setCurrentCell(qBound(0, current, rows.rowCount() - 1), 0);
}

void TfrmSysPurview::loadRights() {
    const qint64 user = chosenUser();
    const bool canEdit = editable();
    for (const char* name : {"btnSelectAll", "btnUnselectAll", "btnDeleteUser", "btnCopy"})
        button(QString::fromLatin1(name))->setEnabled(canEdit);
    button(QStringLiteral("btnPassword"))
        ->setEnabled(user >= 2 || (user == 1 && loginedUser().UserId == 1));
    main_ = RecordSet();
    if (user > 0) {
        try {
            ParamList p;
            p.setInt(QStringLiteral("userid"), user);
            p.setInt(QStringLiteral("czyid"), loginedUser().UserId);
            p.setInt(QStringLiteral("type"), qMax(0, lstType_->currentRow()));
            dataModule().ExecProcQuery(QStringLiteral("p_sys_Get_purview"), p, &main_);
        } catch (const DytError& e) {
            showRemoteError(e);
        }
    }
    fill(grdMain_, main_);
    loadDetail();
}

void TfrmSysPurview::loadDetail() {
    detail_ = RecordSet();
    const int row = grdMain_->currentRow();
    if (row >= 0 && row < main_.rowCount()) {
        try {
            ParamList p;
            p.setInt(QStringLiteral("userid"), chosenUser());
            p.setInt(QStringLiteral("czyid"), loginedUser().UserId);
            p.setInt(QStringLiteral("type"), qMax(0, lstType_->currentRow()));
            p.setValue(QStringLiteral("code"),
                       main_.at(row, main_.fieldIndex(QStringLiteral("code"))).toString());
            dataModule().ExecProcQuery(QStringLiteral("p_sys_Get_purview"), p, &detail_);
        } catch (const DytError& e) {
            showRemoteError(e);
        }
    }
    fill(grdDetail_, detail_);
}

void TfrmSysPurview::toggle(bool detail, int row) {
    const RecordSet& rows = detail ? detail_ : main_;
    if (!editable() || row < 0 || row >= rows.rowCount())
        return;
    const bool granted = rows.at(row, rows.fieldIndex(QStringLiteral("isbj"))).toLongLong() == 1;
    ParamList p;
    p.setValue(QStringLiteral("id"),
               rows.at(row, rows.fieldIndex(QStringLiteral("id"))).toString());
    p.setInt(QStringLiteral("userid"), chosenUser());
    p.setValue(QStringLiteral("isbj"), granted ? QStringLiteral("0") : QStringLiteral("1"));
    if (!run(QStringLiteral("p_sys_up_purview"), p))
        return;
    const int mainRow = grdMain_->currentRow();
    loadRights();
    if (detail && mainRow >= 0 && mainRow < grdMain_->rowCount()) {
        grdMain_->setCurrentCell(mainRow, 0);
        grdDetail_->setCurrentCell(qMin(row, grdDetail_->rowCount() - 1), 1);
    }
}

void TfrmSysPurview::btnSelectAllClick(bool grant) {
    if (!editable())
        return;
    ParamList p;
    p.setInt(QStringLiteral("id"), -qMax(0, lstType_->currentRow()));
    p.setInt(QStringLiteral("userid"), chosenUser());
    p.setValue(QStringLiteral("isbj"), grant ? QStringLiteral("1") : QStringLiteral("0"));
    if (run(QStringLiteral("p_sys_up_purview"), p))
        loadRights();
}

void TfrmSysPurview::btnAddUserClick() {
    const std::optional<BaseChoice> employee =
        selectBase(QStringLiteral("zhiyuan"), QString(), this);
    if (!employee)
        return;
    ParamList p;
    p.setInt(QStringLiteral("id"), employee->id);
    const qint64 parent = chosenUser() > 0 ? chosenUser() : loginedUser().UserId;
    p.setInt(QStringLiteral("par_id"), parent);
    if (run(QStringLiteral("p_sys_Up_User"), p))
        loadUsers(employee->id);
}

void TfrmSysPurview::btnDeleteUserClick() {
    const qint64 user = chosenUser();
    if (user <= 1)
        return;
    if (prompter().ask(caption::hint(), purview::confirmDelete(), buttons::okCancel(), 0) != 0)
        return;
    ParamList p;
    p.setInt(QStringLiteral("id"), -user);
    if (run(QStringLiteral("p_sys_Up_user"), p))
        loadUsers();
}

void TfrmSysPurview::btnPasswordClick() {
    const qint64 user = chosenUser();
    if (user <= 0 || (user == 1 && loginedUser().UserId != 1))
        return;
    TfrmSysPassword dialog(user, lstUser_->currentItem()->text(), this);
    dialog.exec();
}

void TfrmSysPurview::btnCopyClick() {
    const qint64 user = chosenUser();
    if (!editable())
        return;
    RecordSet sources;
    try {
        dataModule().ExecQuery(purview::copySourcesSql(user), &sources);
    } catch (const DytError& e) {
        showRemoteError(e);
        return;
    }
    if (sources.rowCount() == 0) {
        prompter().message(caption::hint(), purview::noCopySource());
        return;
    }
    TfrmSysCopyPurview dialog(sources, this);
    if (dialog.exec() != 1 || dialog.chosen() <= 0)
        return;
    ParamList p;
    p.setValue(QStringLiteral("itype"), QStringLiteral("1"));
    p.setInt(QStringLiteral("id"), dialog.chosen());
    p.setInt(QStringLiteral("userid"), user);
    if (!run(QStringLiteral("p_sys_up_purview"), p))
        return;
    loadRights();
    prompter().message(caption::hint(), purview::copied());
}

bool TfrmSysPurview::eventFilter(QObject* watched, QEvent* event) {
    auto* grid = qobject_cast<QTableWidget*>(watched);
    if (grid && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            toggle(grid == grdDetail_, grid->currentRow());
            return true;
        }
    }
    return TfrmBaseDialog::eventFilter(watched, event);
}

// --- TfrmSysPassword

TfrmSysPassword::TfrmSysPassword(qint64 user, const QString& name, QWidget* owner)
    : TfrmBaseDialog(owner), user_(user) {
    setObjectName(QStringLiteral("frmSysPassword"));
    setWindowTitle(QStringLiteral("修改密码"));
    lbltitle()->setText(QStringLiteral("职员密码设置"));
    QGroupBox* box = contentBox();
    box->setTitle(QStringLiteral("职员密码设置"));
    auto* form = new QFormLayout(box);
    auto* edName = new QLineEdit(name, box);
    edName->setReadOnly(true);
    edName->setFocusPolicy(Qt::NoFocus);
    edPassword_ = new QLineEdit(box);
    edPassword_->setObjectName(QStringLiteral("edPassword"));
    edPassword_->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("职员"), edName);
    form->addRow(QStringLiteral("密码"), edPassword_);
    form->addRow(new QLabel(QStringLiteral("注意：密码不要输入汉字！"), box));
    btnOK()->setDefault(true);
    connect(edPassword_, &QLineEdit::returnPressed, this, [this] { btnOKClick(); });
    setMinimumWidth(340);
    edPassword_->setFocus();
}

void TfrmSysPassword::btnOKClick() {
    try {
        dataModule().ExecUpdate(purview::setPasswordSql(user_, edPassword_->text()));
    } catch (const DytError& e) {
        prompter().message(caption::hint(), purview::setPasswordFailed() + e.message());
        return;
    }
    if (user_ == loginedUser().UserId)
        loginedUser().Password = edPassword_->text();
    TfrmBaseDialog::btnOKClick();
}

// --- TfrmSysCopyPurview

TfrmSysCopyPurview::TfrmSysCopyPurview(const RecordSet& operators, QWidget* owner)
    : TfrmBaseDialog(owner) {
    setObjectName(QStringLiteral("frmSysCopyPurview"));
    setWindowTitle(QStringLiteral("复制所选操作员的权限"));
    lbltitle()->setText(QStringLiteral("复制所选操作员的权限"));
    auto* layout = new QVBoxLayout(contentBox());
    grid_ = new QTableWidget(operators.rowCount(), 2, contentBox());
    grid_->setObjectName(QStringLiteral("grdUser"));
    grid_->setHorizontalHeaderLabels({QStringLiteral("职员编号"), QStringLiteral("职员全名")});
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->verticalHeader()->hide();
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setTabKeyNavigation(false);
    const int id = operators.fieldIndex(QStringLiteral("id"));
    const int code = operators.fieldIndex(QStringLiteral("code"));
    const int name = operators.fieldIndex(QStringLiteral("fullname"));
    for (int r = 0; r < operators.rowCount(); ++r) {
        ids_.append(operators.at(r, id).toLongLong());
        grid_->setItem(r, 0, cell(operators.at(r, code).toString().trimmed()));
        grid_->setItem(r, 1, cell(operators.at(r, name).toString().trimmed()));
    }
    grid_->setCurrentCell(0, 0);
    layout->addWidget(grid_);
    resize(360, 300);
    btnOK()->setDefault(true);
    // Enter or a double-click on an operator picks him.
    connect(grid_, &QTableWidget::activated, this, [this] { btnOKClick(); });
    grid_->setFocus();
}

void TfrmSysCopyPurview::btnOKClick() {
    const int row = grid_->currentRow();
    if (row < 0 || row >= ids_.size())
        return;
    chosen_ = ids_[row];
    TfrmBaseDialog::btnOKClick();
}

// --- TfrmPassWordSet

TfrmPassWordSet::TfrmPassWordSet(QWidget* owner) : TfrmBaseDialog(owner) {
    setObjectName(QStringLiteral("frmPassWordSet"));
    setWindowTitle(QStringLiteral("修改密码"));
    lbltitle()->setText(QStringLiteral("修改密码"));
    auto* form = new QFormLayout(contentBox());
    const std::pair<QLineEdit**, const char16_t*> kFields[] = {
        {&edOld_, u"  原密码"}, {&edNew_, u"  新密码"}, {&edConfirm_, u"确认密码"}};
    for (const auto& [edit, text] : kFields) {
        *edit = new QLineEdit(contentBox());
        (*edit)->setEchoMode(QLineEdit::Password);
        form->addRow(QString::fromUtf16(text), *edit);
    }
    edOld_->setObjectName(QStringLiteral("edOld"));
    edNew_->setObjectName(QStringLiteral("edNew"));
    edConfirm_->setObjectName(QStringLiteral("edConfirm"));
    btnOK()->setDefault(true);
    // Enter moves on to the next field; on the confirmation it stores.
    connect(edOld_, &QLineEdit::returnPressed, edNew_, [this] { edNew_->setFocus(); });
    connect(edNew_, &QLineEdit::returnPressed, edConfirm_, [this] { edConfirm_->setFocus(); });
    connect(edConfirm_, &QLineEdit::returnPressed, this, [this] { btnOKClick(); });
    setMinimumWidth(340);
    edOld_->setFocus();
}

void TfrmPassWordSet::btnOKClick() {
    const QString problem = purview::checkOwnPassword(edOld_->text(), loginedUser().Password,
                                                      edNew_->text(), edConfirm_->text());
    if (!problem.isEmpty()) {
        prompter().message(caption::hint(), problem);
        return;
    }
    try {
        dataModule().ExecUpdate(purview::ownPasswordSql(loginedUser().UserId, edNew_->text()));
    } catch (const DytError& e) {
        prompter().message(caption::hint(), purview::savePasswordFailed() + e.message());
        return;
    }
    loginedUser().Password = edNew_->text();
    TfrmBaseDialog::btnOKClick();
}

}  // namespace dyt::client
