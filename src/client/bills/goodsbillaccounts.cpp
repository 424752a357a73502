// The multi-account dialog of the goods bills.
#include "client/bills/goodsbillaccounts.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "client/bills/goodsbill.h"
#include "client/bills/selectbase.h"
#include "client/common/prompter.h"
#include "client/common/settings.h"
#include "common/currency.h"
#include "common/rounding.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

namespace {
constexpr int kAccountColumn = 0;
constexpr int kAmountColumn = 1;
constexpr int kIdRole = Qt::UserRole + 1;
}  // namespace

TfrmMultiAccount::TfrmMultiAccount(QWidget* parent) : TfrmBaseDialog(parent) {
    setWindowTitle(goodstext::multiAccount());
    lbltitle()->setText(goodstext::multiAccount());
    auto* layout = new QVBoxLayout(contentBox());
    grid_ = new QTableWidget(0, 2, contentBox());
    grid_->setObjectName(u"grdAccounts"_s);
    grid_->setHorizontalHeaderLabels({u"账户名称"_s, u"金额"_s});
    grid_->horizontalHeader()->setSectionResizeMode(kAccountColumn, QHeaderView::Stretch);
    grid_->setColumnWidth(kAmountColumn, 110);
    layout->addWidget(grid_);
    auto* hint = new QLabel(u"双击账户名称选择账户，在金额栏输入金额"_s, contentBox());
    hint->setObjectName(u"lbHint"_s);
    hint->setStyleSheet(u"color: #555;"_s);
    layout->addWidget(hint);
    lbTotal_ = new QLabel(contentBox());
    lbTotal_->setObjectName(u"lbTotal"_s);
    layout->addWidget(lbTotal_);
    resize(420, 320);
    connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        if (column == kAccountColumn)
            chooseAccount(row);
    });
    connect(grid_, &QTableWidget::cellChanged, this, [this](int, int column) {
        if (column == kAmountColumn)
            refreshTotal();
    });
    ensureEmptyRow();
    refreshTotal();
}

TfrmMultiAccount::~TfrmMultiAccount() = default;

void TfrmMultiAccount::setAccounts(const QList<AccountAmount>& accounts) {
    grid_->setRowCount(0);
    for (int i = 0; i < accounts.size(); ++i) {
        grid_->insertRow(i);
        setAccount(i, accounts.at(i).accountId, accounts.at(i).accountName);
        setAmount(i, accounts.at(i).amount);
    }
    ensureEmptyRow();
    refreshTotal();
}

void TfrmMultiAccount::setAccount(int row, qint64 id, const QString& name) {
    while (grid_->rowCount() <= row)
        grid_->insertRow(grid_->rowCount());
    auto* item = new QTableWidgetItem(name);
    item->setData(kIdRole, id);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    grid_->setItem(row, kAccountColumn, item);
    if (!grid_->item(row, kAmountColumn))
        grid_->setItem(row, kAmountColumn, new QTableWidgetItem(u"0"_s));
    ensureEmptyRow();
}

void TfrmMultiAccount::setAmount(int row, double amount) {
    while (grid_->rowCount() <= row)
        grid_->insertRow(grid_->rowCount());
    const int dot = settings().TotalDot;
    auto* item = new QTableWidgetItem(QString::number(RoundTo(amount, dot), 'f', dot));
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid_->setItem(row, kAmountColumn, item);
    refreshTotal();
}

bool TfrmMultiAccount::chooseAccount(int row) {
    const std::optional<BaseChoice> choice = SelectBase(u"fkkm"_s, QString(), this);
    if (!choice)
        return false;
    setAccount(row, choice->id, choice->name);
    return true;
}

QList<AccountAmount> TfrmMultiAccount::accounts() const {
    QList<AccountAmount> out;
    for (int r = 0; r < grid_->rowCount(); ++r) {
        const QTableWidgetItem* account = grid_->item(r, kAccountColumn);
        if (!account || account->data(kIdRole).toLongLong() <= 0)
            continue;
        const QTableWidgetItem* amount = grid_->item(r, kAmountColumn);
        AccountAmount a;
        a.accountId = account->data(kIdRole).toLongLong();
        a.accountName = account->text();
        a.amount = amount ? amount->text().trimmed().toDouble() : 0;
        out.append(a);
    }
    return out;
}

double TfrmMultiAccount::total() const {
    Currency sum;
    for (const AccountAmount& a : accounts())
        sum += Currency::fromDouble(a.amount);
    return sum.toDouble();
}

void TfrmMultiAccount::btnOKClick() {
    for (const AccountAmount& a : accounts())
        if (a.amount < 0) {
            prompter().message(caption::hint(), u"金额不能为负数！"_s);
            return;
        }
    TfrmBaseDialog::btnOKClick();
}

void TfrmMultiAccount::ensureEmptyRow() {
    const int last = grid_->rowCount() - 1;
    if (last >= 0 && (!grid_->item(last, kAccountColumn) ||
                      grid_->item(last, kAccountColumn)->data(kIdRole).toLongLong() <= 0))
        return;
    grid_->insertRow(grid_->rowCount());
    auto* item = new QTableWidgetItem(QString());
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    grid_->setItem(grid_->rowCount() - 1, kAccountColumn, item);
}

void TfrmMultiAccount::refreshTotal() {
    const int dot = settings().TotalDot;
    lbTotal_->setText(u"合计："_s + QString::number(RoundTo(total(), dot), 'f', dot));
}

}  // namespace dyt::client
