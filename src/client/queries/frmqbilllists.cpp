#include "client/queries/frmqbilllists.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QToolBar>

#include "client/bills/billkinds.h"
#include "client/logic/billnumber.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/rights.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "common/condition.h"
#include "common/error.h"

namespace dyt::client {

namespace {

constexpr int kOthersBillsRight = 6010;  // "查看他人单据": other operators' drafts too

QString deleteQuestion() {
    return QStringLiteral("删除后无法恢复，确定要删除这张单据吗？");
}
QString deleteDone() {
    return QStringLiteral("删除成功，请确认继续！");
}

ParamList billLines(qint64 id) {
    ParamList p;
    p.setValue(QStringLiteral("billid"), QString::number(id));
    return p;
}

}  // namespace

// --- TfrmQBillListBase

TfrmQBillListBase::TfrmQBillListBase(const QString& className, QWidget* parent)
    : TfrmQueryWindow(className, parent) {}

QAction* TfrmQBillListBase::addButton(const QString& text, const QString& name,
                                      const std::function<void()>& slot) {
    auto* a = new QAction(text, this);
    a->setObjectName(name);
    toolBar()->insertAction(btnPrint(), a);
    connect(a, &QAction::triggered, this, [slot] { slot(); });
    return a;
}

qint64 TfrmQBillListBase::focusedBill() const {
    if (model()->rowCount() == 0 || focusedRow() < 0)
        return 0;
    return focusedValue(QStringLiteral("id")).toLongLong();
}

bool TfrmQBillListBase::changeBill(const QString& question, const QString& procedure,
                                   ParamList params, const QString& done) {
    if (!question.isEmpty() && !prompter().confirm(caption::hint(), question))
        return false;
    try {
        dataModule().ExecProc(procedure, params);
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    if (!done.isEmpty())
        prompter().message(caption::hint(), done);
    runQuery(false);
    return true;
}

void TfrmQBillListBase::billClosed() {
    runQuery(false);
}

// --- TfrmQYWCG

TfrmQYWCG::TfrmQYWCG(QWidget* parent) : TfrmQBillListBase(QStringLiteral("TfrmQYWCG"), parent) {
    cbBillType_ = new QComboBox(this);
    cbBillType_->setObjectName(QStringLiteral("cbBillType"));
    cbBillType_->addItem(QStringLiteral("全部单据"), 0);
    for (const BillKind& k : billKinds()) {
        if (!k.className.isEmpty())
            cbBillType_->addItem(k.name, k.djType);
    }
    auto* label = new QLabel(QStringLiteral("单据类型"), toolBar());
    label->setBuddy(cbBillType_);
    label->setContentsMargins(8, 0, 2, 0);
    toolBar()->insertWidget(btnQuery(), label);
    toolBar()->insertWidget(btnQuery(), cbBillType_);
    connect(cbBillType_, &QComboBox::currentIndexChanged, this, [this] {
        if (isVisible())
            runQuery(false);
    });
    btnPost_ = addButton(QStringLiteral("过账"), QStringLiteral("btnPost"),
                         [this] { btnPostClick(); });
    btnDelete_ = addButton(QStringLiteral("删除"), QStringLiteral("btnDelete"),
                           [this] { btnDeleteClick(); });
}

void TfrmQYWCG::completeParams(ParamList& params) {
    const int kind = cbBillType_->currentData().toInt();
    if (kind > 0)
        params.setValue(QStringLiteral("djStr"), billKindList({kind}));
}

bool TfrmQYWCG::mayHandleFocused() {
    const qint64 me = loginedUser().UserId;
    if (me == 1 || settings().Right(kOthersBillsRight) ||
        focusedValue(QStringLiteral("rec_id")).toLongLong() == me)
        return true;
    prompter().message(caption::hint(),
                       QStringLiteral("这是其他操作员的草稿，您没有处理他人单据的权限！"));
    return false;
}

void TfrmQYWCG::btnPostClick() {
    const qint64 id = focusedBill();
    if (id <= 0 || !mayHandleFocused())
        return;
    const QString code = focusedValue(QStringLiteral("code")).toString();
    // Posting takes the right to post bills of the draft's kind.
    if (const BillKind* kind = findBillKind(focusedValue(QStringLiteral("djType")).toInt());
        kind && kind->menuTag > 0 &&
        !checkPurview(QString::number(kind->menuTag), QStringLiteral("01"), QStringLiteral("过账"),
                      false)) {
        prompter().message(caption::hint(), QStringLiteral("您没有执行该操作的权限!"));
        return;
    }
    changeBill(QStringLiteral("确定要将草稿[%1]过账吗？").arg(code), QStringLiteral("P_JXC_DJ_Post"),
               billLines(id), QStringLiteral("过账成功！"));
}

void TfrmQYWCG::btnDeleteClick() {
    const qint64 id = focusedBill();
    if (id <= 0 || !mayHandleFocused())
        return;
    ParamList p = billLines(id);
    p.setValue(QStringLiteral("filter"), QString());
    changeBill(deleteQuestion(), QStringLiteral("P_JXC_DJ_PostDel"), p, deleteDone());
}

// --- TfrmQOrderList

TfrmQOrderList::TfrmQOrderList(const QString& className, QWidget* parent)
    : TfrmQBillListBase(className, parent),
      djType_(className == QLatin1String("TfrmQJHDDCX") ? 8 : 4) {
    btnStop_ = addButton(QStringLiteral("中止订单"), QStringLiteral("btnStop"),
                         [this] { btnStopClick(); });
    btnResume_ = addButton(QStringLiteral("恢复订单"), QStringLiteral("btnResume"),
                           [this] { btnResumeClick(); });
    btnFinish_ = addButton(QStringLiteral("完成订单"), QStringLiteral("btnFinish"),
                           [this] { btnFinishClick(); });
    btnCopy_ = addButton(QStringLiteral("复制单据"), QStringLiteral("btnCopy"),
                         [this] { btnCopyClick(); });
    btnDelete_ = addButton(QStringLiteral("删除单据"), QStringLiteral("btnDelete"),
                           [this] { btnDeleteClick(); });
}

void TfrmQOrderList::completeParams(ParamList& params) {
    params.setValue(QStringLiteral("djStr"), billKindList({djType_}));
}

void TfrmQOrderList::showEvent(QShowEvent* event) {
    TfrmQBillListBase::showEvent(event);
    // Changing an order takes the right to post orders, copying it the right to save drafts.
    const BillKind* kind = findBillKind(djType_);
    const QString menu = kind ? QString::number(kind->menuTag) : QString();
    const bool post = checkPurview(menu, QStringLiteral("01"), QStringLiteral("过账"), false);
    for (QAction* a : {btnStop_, btnResume_, btnFinish_, btnDelete_})
        a->setVisible(post);
    btnCopy_->setVisible(
        checkPurview(menu, QStringLiteral("02"), QStringLiteral("存为草稿"), false));
}

bool TfrmQOrderList::changeState(int type, const QString& question) {
    const qint64 id = focusedBill();
    if (id <= 0)
        return false;
    ParamList p = billLines(id);
    p.setValue(QStringLiteral("type"), QString::number(type));
    return changeBill(question, QStringLiteral("P_JXC_DJ_Other"), p, QString());
}

void TfrmQOrderList::btnStopClick() {
    changeState(1, QStringLiteral("订单中止后不能再选单执行，确定要中止这张订单吗？"));
}

void TfrmQOrderList::btnResumeClick() {
    changeState(2, QStringLiteral("确定要恢复这张已中止的订单吗？"));
}

void TfrmQOrderList::btnFinishClick() {
    changeState(3, QStringLiteral("订单完成后不能再选单执行，确定要完成这张订单吗？"));
}

void TfrmQOrderList::btnCopyClick() {
    const qint64 id = focusedBill();
    if (id <= 0)
        return;
    if (!prompter().confirm(caption::hint(),
                            QStringLiteral("是否将选中的单据复制到草稿中去？")))
        return;
    ParamList p = billLines(id);
    try {
        const QDate date = settings().LoginDate.isValid() ? settings().LoginDate
                                                          : QDate::currentDate();
        p.setValue(QStringLiteral("isRed"), QStringLiteral("1"));
        p.setValue(QStringLiteral("dj_type"), QString::number(djType_));
        p.setValue(QStringLiteral("billCode"), billnumber::nextBillNumber(djType_, date, QString()));
        p.setValue(QStringLiteral("date"), date.toString(QStringLiteral("yyyy-MM-dd")));
        p.setValue(QStringLiteral("dj_state"), QStringLiteral("2"));
    } catch (const DytError& e) {
        showError(e);
        return;
    }
    changeBill(QString(), QStringLiteral("P_JXC_DJ_CopyRed"), p, QStringLiteral("复制成功！"));
}

void TfrmQOrderList::btnDeleteClick() {
    const qint64 id = focusedBill();
    if (id <= 0)
        return;
    ParamList p = billLines(id);
    p.setValue(QStringLiteral("filter"), QString());
    changeBill(deleteQuestion(), QStringLiteral("P_JXC_DJ_PostDel"), p, deleteDone());
}

}  // namespace dyt::client
