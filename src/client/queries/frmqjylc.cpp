#include "client/queries/frmqjylc.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QSaveFile>
#include <QShowEvent>
#include <QToolBar>
#include <QVBoxLayout>

#include "client/bills/billkinds.h"
#include "client/bills/frmselectbill.h"
#include "client/logic/billnumber.h"
#include "client/logic/clientconfig.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/rights.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "client/queries/frmininput.h"
#include "client/queries/frmselectitems.h"
#include "common/error.h"
#include "common/inifile.h"

namespace dyt::client {

using namespace history;

namespace {

QString kindName(int djType) {
    const BillKind* k = findBillKind(djType);
    return k ? k->name : QString::number(djType);
}

}  // namespace

// --- the copy dialog

TfrmSelectItems_Other3::TfrmSelectItems_Other3(const QList<int>& kinds, QWidget* parent)
    : TfrmBaseDialog(parent), kinds_(kinds) {
    setObjectName(QStringLiteral("TfrmSelectItems_Other3"));
    setWindowTitle(text::copy());
    lbltitle()->setText(text::copy());
    auto* layout = new QVBoxLayout(contentBox());
    layout->addWidget(new QLabel(text::billType(), contentBox()));
    list_ = new QListWidget(contentBox());
    list_->setObjectName(QStringLiteral("lbKinds"));
    for (int k : kinds_)
        list_->addItem(kindName(k));
    list_->setCurrentRow(0);
    list_->installEventFilter(this);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { btnOKClick(); });
    layout->addWidget(list_);
    btnExit()->setText(QStringLiteral("取消(&C)"));
    resize(300, 360);
}

int TfrmSelectItems_Other3::chosenKind() const {
    const int row = list_->currentRow();
    return row >= 0 && row < kinds_.size() ? kinds_[row] : 0;
}

bool TfrmSelectItems_Other3::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            btnOKClick();
            return true;
        }
    }
    return TfrmBaseDialog::eventFilter(watched, event);
}

// --- the window

std::function<QString(QWidget*)>& TfrmQJYLC::folderAsker() {
    static std::function<QString(QWidget*)> asker = [](QWidget* parent) {
        return QFileDialog::getExistingDirectory(parent, text::chooseFolder());
    };
    return asker;
}

TfrmQJYLC::TfrmQJYLC(QWidget* parent) : TfrmQueryWindow(QStringLiteral("TfrmQJYLC"), parent) {
    btnQuery()->setText(text::advancedQuery());
    // The red filter starts on "不显示红冲单据" until the operator chose otherwise.
    if (clientConfig()
            .ini()
            .readString(configSection(), text::redFilterKey(), QString())
            .isEmpty()) {
        QSignalBlocker block(cbred());
        cbred()->setCurrentIndex(1);
    }
    cbDjType_ = new QComboBox(this);
    cbDjType_->setObjectName(QStringLiteral("cbDjType"));
    cbDjType_->addItem(text::allTypes(), 0);
    for (const BillKind& k : billKinds()) {
        if (!k.name.isEmpty())
            cbDjType_->addItem(k.name, k.djType);
    }
    auto* label = new QLabel(text::billType(), toolBar());
    label->setBuddy(cbDjType_);
    label->setContentsMargins(8, 0, 2, 0);
    toolBar()->addWidget(label);
    toolBar()->addWidget(cbDjType_);
    connect(cbDjType_, &QComboBox::currentIndexChanged, this, [this] { kindChanged(); });
    cbAdvanced_ = new QCheckBox(text::useAdvanced(), this);
    cbAdvanced_->setObjectName(QStringLiteral("cbAdvanced"));
    cbAdvanced_->setChecked(clientConfig().ini().readString(configSection(), text::advancedKey(),
                                                            QStringLiteral("0")) ==
                            QLatin1String("1"));
    connect(cbAdvanced_, &QCheckBox::toggled, this, [this](bool on) {
        try {
            clientConfig().ini().writeString(configSection(), text::advancedKey(),
                                             on ? QStringLiteral("1") : QStringLiteral("0"));
        } catch (const DytError& e) {
            showError(e);
        }
    });
    // Beside the conditions it chooses between.
    addHeaderField(QString(), cbAdvanced_);

    btnRed_ = addCommand(text::red(), "btnRed", QKeySequence(Qt::CTRL | Qt::Key_R),
                         &TfrmQJYLC::btnRedClick);
    btnCopy_ = addCommand(text::copy(), "btnCopy", QKeySequence(Qt::CTRL | Qt::Key_D),
                          &TfrmQJYLC::btnCopyClick);
    btnChange_ = addCommand(text::change(), "btnChange", QKeySequence(Qt::CTRL | Qt::Key_E),
                            &TfrmQJYLC::btnChangeClick);
    btnDelete_ = addCommand(text::remove(), "btnDelete", QKeySequence(Qt::CTRL | Qt::Key_Delete),
                            &TfrmQJYLC::btnDeleteClick);
    btnReconcile_ = addCommand(text::reconcile(), "btnReconcile",
                               QKeySequence(Qt::CTRL | Qt::Key_K), &TfrmQJYLC::btnReconcileClick);
    btnUserFields_ = addCommand(text::userFields(), "btnUserFields",
                                QKeySequence(Qt::CTRL | Qt::Key_U), &TfrmQJYLC::btnUserFieldsClick);
    btnExport_ = addCommand(text::exportInvoice(), "btnExport", QKeySequence(Qt::CTRL | Qt::Key_J),
                            &TfrmQJYLC::btnExportClick);
}

QAction* TfrmQJYLC::addCommand(const QString& caption, const char* name, const QKeySequence& key,
                               void (TfrmQJYLC::*handler)()) {
    auto* a = new QAction(caption, this);
    a->setObjectName(QLatin1String(name));
    a->setShortcut(key);
    a->setShortcutContext(Qt::WindowShortcut);
    toolBar()->insertAction(btnPrint(), a);
    // A command the operator's rights hide does nothing, however it is triggered.
    connect(a, &QAction::triggered, this, [this, a, handler] {
        if (a->isVisible())
            (this->*handler)();
    });
    return a;
}

void TfrmQJYLC::showEvent(QShowEvent* event) {
    TfrmQueryWindow::showEvent(event);
    if (rightsSet_)
        return;
    rightsSet_ = true;
    // The sub-rights of the window's menu entry; deleting goes with changing.
    const QString menu = QString::number(tag());
    const auto allowed = [&](const char* code, const QString& caption) {
        return checkPurview(menu, QLatin1String(code), caption, false);
    };
    btnRed_->setVisible(allowed("01", text::red()));
    btnCopy_->setVisible(allowed("02", text::copy()));
    btnPrint()->setVisible(allowed("03", QStringLiteral("打印")));
    const bool change = allowed("04", text::change());
    for (QAction* a : {btnChange_, btnDelete_, btnReconcile_, btnUserFields_})
        a->setVisible(change);
}

bool TfrmQJYLC::askConditions() {
    if (cbAdvanced_->isChecked()) {
        if (!TfrmQueryWindow::askConditions())
            return false;
        // One kind ticked in the dialog is the kind of the drop-down.
        const QString kinds = conditions().billTypes;
        const QStringList items = QString(kinds)
                                      .remove(QLatin1Char('('))
                                      .remove(QLatin1Char(')'))
                                      .split(QLatin1Char(','), Qt::SkipEmptyParts);
        QStringList chosen;
        for (const QString& i : items) {
            if (i.trimmed() != QLatin1String("0"))
                chosen << i.trimmed();
        }
        selectKind(chosen.size() == 1 ? chosen.first().toInt() : 0);
        return true;
    }
    dialog()->loadSharedDates();
    QDate begin = dialog()->beginEdit() ? dialog()->beginEdit()->date() : QDate();
    QDate end = dialog()->endEdit() ? dialog()->endEdit()->date() : QDate();
    if (!askPeriod(text::entryDate(), text::chooseEntryDate(), &begin, &end, this))
        return false;
    try {
        query::checkDateRange(begin, end);
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    query::QueryConditions c;
    c.dates = true;
    c.begin = begin;
    c.end = end;
    setConditions(c);
    return true;
}

void TfrmQJYLC::completeParams(ParamList& params) {
    const QString czy = QStringLiteral(";czy_id=") + QString::number(loginedUser().UserId);
    QString zy = params.value(QStringLiteral("zyStr"));
    if (zy.startsWith(czy))
        zy = zy.mid(czy.size());
    params.setValue(QStringLiteral("zyStr"), czy + QStringLiteral(";candel=0") + zy);
    const int kind = cbDjType_->currentData().toInt();
    if (kind > 0)
        params.setValue(QStringLiteral("djStr"), QStringLiteral("(%1)").arg(kind));
}

void TfrmQJYLC::selectKind(int djType) {
    int at = cbDjType_->findData(djType);
    if (at < 0) {
        cbDjType_->addItem(kindName(djType), djType);
        at = cbDjType_->count() - 1;
    }
    QSignalBlocker block(cbDjType_);
    cbDjType_->setCurrentIndex(at);
}

void TfrmQJYLC::kindChanged() {
    if (isVisible())
        runQuery(false);
}

void TfrmQJYLC::requery() {
    runQuery(false);
}

BillRow TfrmQJYLC::focusedBill() const {
    const int row = focusedRow();
    if (row < 0 || model()->rowCount() == 0)
        return {};
    return BillRow::at(records(), model()->rawRow(row));
}

bool TfrmQJYLC::monthClosed(qint64 billId) {
    RecordSet rows;
    dataModule().ExecQuery(monthClosedSql(billId), &rows);
    return rows.rowCount() > 0;
}

void TfrmQJYLC::btnRedClick() {
    const BillRow b = focusedBill();
    if (b.id <= 0)
        return;
    if (const QString refusal = redRefusal(b); !refusal.isEmpty()) {
        prompter().message(caption::hint(), refusal);
        return;
    }
    try {
        RecordSet settled;
        dataModule().ExecQuery(settledSql(b.id), &settled);
        if (settled.rowCount() > 0 &&
            prompter().ask(caption::hint(), text::settledWarning(),
                           {text::understood(), QStringLiteral("取消(&C)")}, 0) != 0) {
            return;
        }
        if (prompter().ask(caption::hint(), text::confirmRed(), buttons::okCancel(), 0) != 0)
            return;
        ParamList p;
        p.setValue(QStringLiteral("isRed"), QStringLiteral("-1"));
        p.setInt(QStringLiteral("billid"), b.id);
        p.setInt(QStringLiteral("czy_id"), loginedUser().UserId);
        p.setValue(QStringLiteral("dj_state"), QStringLiteral("2"));
        dataModule().ExecProc(QStringLiteral("P_JXC_DJ_CopyRed"), p);
    } catch (const DytError& e) {
        showError(e);
        return;
    }
    prompter().message(caption::hint(), text::redDone());
    requery();
}

void TfrmQJYLC::btnCopyClick() {
    const BillRow b = focusedBill();
    if (b.id <= 0)
        return;
    if (const QString refusal = copyRefusal(b); !refusal.isEmpty()) {
        prompter().message(caption::hint(), refusal);
        return;
    }
    int target = b.djType;
    if (copyChoosesKind(b.djType)) {
        TfrmSelectItems_Other3 dlg(copyTargets(b.djType), this);
        if (dlg.exec() != 1)
            return;
        target = dlg.chosenKind();
    } else if (prompter().ask(caption::hint(), text::confirmCopy(), buttons::yesNo(), 0) != 0) {
        return;
    }
    try {
        const QString code = billnumber::nextBillNumber(target, settings().LoginDate, QString());
        ParamList p;
        p.setValue(QStringLiteral("isRed"), QStringLiteral("1"));
        p.setInt(QStringLiteral("billid"), b.id);
        p.setInt(QStringLiteral("czy_id"), loginedUser().UserId);
        p.setInt(QStringLiteral("dj_type"), target);
        p.setValue(QStringLiteral("billCode"), code);
        p.setValue(QStringLiteral("dj_state"), QStringLiteral("2"));
        dataModule().ExecProc(QStringLiteral("P_JXC_DJ_CopyRed"), p);
    } catch (const DytError& e) {
        showError(e);
        return;
    }
    prompter().message(caption::hint(), text::copied());
}

void TfrmQJYLC::btnDeleteClick() {
    const BillRow b = focusedBill();
    if (b.id <= 0)
        return;
    if (const QString refusal = deleteRefusal(b); !refusal.isEmpty()) {
        prompter().message(caption::hint(), refusal);
        return;
    }
    try {
        if (monthClosed(b.id)) {
            prompter().message(caption::hint(), text::closedNoDelete());
            return;
        }
        if (prompter().ask(caption::hint(), text::confirmDelete(), buttons::okCancel(), 1) != 0)
            return;
        ParamList p;
        p.setInt(QStringLiteral("billid"), b.id);
        p.setInt(QStringLiteral("czy_id"), loginedUser().UserId);
        p.setValue(QStringLiteral("filter"), QString());
        dataModule().ExecProc(QStringLiteral("P_JXC_DJ_PostDel"), p);
    } catch (const DytError& e) {
        showError(e);
        return;
    }
    prompter().message(caption::hint(), text::deleted());
    requery();
}

void TfrmQJYLC::btnChangeClick() {
    const BillRow b = focusedBill();
    if (b.id <= 0)
        return;
    if (const QString refusal = changeRefusal(b); !refusal.isEmpty()) {
        prompter().message(caption::hint(), refusal);
        return;
    }
    try {
        if (monthClosed(b.id)) {
            prompter().message(caption::hint(), text::closedNoChange());
            return;
        }
    } catch (const DytError& e) {
        showError(e);
        return;
    }
    if (prompter().ask(caption::hint(), text::confirmChange(), buttons::okCancel(), 0) != 0)
        return;
    const auto value = [this](const char* f) { return focusedValue(QLatin1String(f)).toString(); };
    using K = TfrmIniInput::Kind;
    QList<TfrmIniInput::Field> fields = {
        {QStringLiteral("jsr"), QStringLiteral("经手人"), K::Pick, value("jsr_name"),
         PickerKind::Employee, value("jsr_id").toLongLong()},
        {QStringLiteral("dep"), QStringLiteral("部门"), K::Pick, value("bm_Name"),
         PickerKind::Department, value("dep_id").toLongLong()},
        {QStringLiteral("code"), QStringLiteral("单据编号"), K::Text, value("code")},
        {QStringLiteral("summery"), QStringLiteral("摘要"), K::Text, value("summery")}};
    TfrmIniInput dlg(text::change(), value("code"), fields, this);
    dlg.setObjectName(QStringLiteral("TfrmChangeBill"));
    if (dlg.exec() != 1)
        return;
    try {
        dataModule().ExecUpdate(
            changeSql(b.id, dlg.id(QStringLiteral("jsr")), dlg.id(QStringLiteral("dep")),
                      dlg.text(QStringLiteral("code")), dlg.text(QStringLiteral("summery"))));
    } catch (const DytError& e) {
        showError(e);
        return;
    }
    requery();
}

void TfrmQJYLC::btnReconcileClick() {
    const BillRow b = focusedBill();
    if (b.id <= 0)
        return;
    QString remark;
    if (b.reconciled) {
        if (prompter().ask(caption::hint(), text::confirmUnreconcile(), buttons::okCancel(), 0) !=
            0)
            return;
    } else {
        remark = b.reconcileRemark;
        if (!prompter().input(text::reconcile(), text::reconcileRemark(), &remark, false))
            return;
    }
    try {
        dataModule().ExecUpdate(reconcileSql(b.id, !b.reconciled, remark));
    } catch (const DytError& e) {
        prompter().message(text::failedCaption(), text::failed() + e.message(), MessageIcon::Error);
        return;
    }
    requery();
}

void TfrmQJYLC::btnUserFieldsClick() {
    const BillRow b = focusedBill();
    if (b.id <= 0)
        return;
    QList<TfrmIniInput::Field> fields;
    for (int i = 1; i <= 10; ++i) {
        const QString key = QStringLiteral("zidingyi%1").arg(i);
        fields.append(
            {key, userFieldCaption(i), TfrmIniInput::Kind::Text, focusedValue(key).toString()});
    }
    TfrmIniInput dlg(text::userFields(), focusedValue(QStringLiteral("code")).toString(), fields,
                     this);
    dlg.setObjectName(QStringLiteral("TfrmUserFields"));
    if (dlg.exec() != 1)
        return;
    QStringList values;
    for (int i = 1; i <= 10; ++i)
        values << dlg.text(QStringLiteral("zidingyi%1").arg(i));
    try {
        dataModule().ExecUpdate(userFieldsSql(b.id, values));
    } catch (const DytError& e) {
        showError(e);
        return;
    }
    requery();
}

void TfrmQJYLC::btnExportClick() {
    const BillRow b = focusedBill();
    if (b.id <= 0)
        return;
    if (b.djType != kSalesBill) {
        prompter().message(caption::hint(), text::salesOnly());
        return;
    }
    const QString folder = folderAsker()(this);
    if (folder.isEmpty())
        return;
    const QString file = QDir(folder).filePath(text::exportFile());
    try {
        RecordSet lines;
        dataModule().ExecQuery(invoiceLinesSql(b.id), &lines);
        RecordSet party;
        dataModule().ExecQuery(invoicePartySql(b.partnerId, b.employeeId), &party);
        QSaveFile out(file);
        if (!out.open(QIODevice::WriteOnly))
            throw DytError(QStringLiteral("无法写入文件[%1]：%2").arg(file, out.errorString()));
        out.write(invoiceFile(focusedValue(QStringLiteral("code")).toString(), invoiceParty(party),
                              lines, settings().QtyDot));
        if (!out.commit())
            throw DytError(QStringLiteral("无法写入文件[%1]：%2").arg(file, out.errorString()));
    } catch (const DytError& e) {
        showError(e);
        return;
    }
    prompter().message(caption::hint(), text::exported() + QDir::toNativeSeparators(file));
}

}  // namespace dyt::client
