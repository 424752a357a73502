// The multi-account dialog of the goods bills.
#include "client/bills/goodsbillaccounts.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "client/bills/goodsbill.h"
#include "client/bills/selectbase.h"
#include "client/common/griddelegate.h"
#include "client/logic/prompter.h"
#include "client/logic/settings.h"
#include "common/currency.h"
#include "common/rounding.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

namespace {
constexpr int kAccountColumn = 0;
constexpr int kAmountColumn = 1;
constexpr int kIdRole = Qt::UserRole + 1;
constexpr int kNameRole = Qt::UserRole + 2;  // the chosen account's name
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
    // The account cell takes a typed code or name; F2, a double-click or Enter on an empty one
    // open the selection; Enter walks from the account to its amount and on to the next row.
    auto* delegate = new GridItemDelegate(grid_);
    grid_->setItemDelegate(delegate);
    grid_->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked);
    connect(delegate, &GridItemDelegate::editorReturned, this, [this](const QModelIndex& index) {
        if (index.column() == kAccountColumn && typedRow_ == index.row())
            lookUpTyped();
        else
            walkFrom(index.row(), index.column());
    });
    grid_->installEventFilter(this);
    grid_->viewport()->installEventFilter(this);
    connect(grid_, &QTableWidget::cellChanged, this, [this](int row, int column) {
        if (column == kAmountColumn)
            refreshTotal();
        if (column == kAccountColumn && !filling_) {
            typedRow_ = row;
            QTimer::singleShot(0, this, [this] { lookUpTyped(); });
        }
    });
    ensureEmptyRow();
    refreshTotal();
}

TfrmMultiAccount::~TfrmMultiAccount() = default;

void TfrmMultiAccount::setAccountKind(const QString& kind) {
    kind_ = kind;
}

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
    filling_ = true;
    auto* item = new QTableWidgetItem(name);
    item->setData(kIdRole, id);
    item->setData(kNameRole, name);
    grid_->setItem(row, kAccountColumn, item);
    if (!grid_->item(row, kAmountColumn))
        grid_->setItem(row, kAmountColumn, new QTableWidgetItem(u"0"_s));
    filling_ = false;
    ensureEmptyRow();
}

void TfrmMultiAccount::setAmount(int row, double amount) {
    while (grid_->rowCount() <= row)
        grid_->insertRow(grid_->rowCount());
    const int dot = settings().TotalDot;
    auto* item = new QTableWidgetItem(QString::number(roundTo(amount, dot), 'f', dot));
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid_->setItem(row, kAmountColumn, item);
    refreshTotal();
}

bool TfrmMultiAccount::chooseAccount(int row, const QString& text) {
    std::optional<BaseChoice> choice;
    try {
        choice = selectBase(kind_, text, this);
    } catch (const std::exception& e) {
        prompter().showError(caption::hint(), e);
    }
    if (!choice)
        return false;
    setAccount(row, choice->id, choice->name);
    enter(row, kAmountColumn);
    return true;
}

void TfrmMultiAccount::enter(int row, int column) {
    grid_->setCurrentCell(row, column);
    grid_->setFocus();
}

void TfrmMultiAccount::walkFrom(int row, int column) {
    if (column == kAccountColumn && accountIdOf(row) > 0)
        enter(row, kAmountColumn);
    else if (column == kAmountColumn && row + 1 < grid_->rowCount())
        enter(row + 1, kAccountColumn);
}

qint64 TfrmMultiAccount::accountIdOf(int row) const {
    const QTableWidgetItem* item = grid_->item(row, kAccountColumn);
    return item ? item->data(kIdRole).toLongLong() : 0;
}

void TfrmMultiAccount::lookUpTyped() {
    const int row = typedRow_;
    typedRow_ = -1;
    QTableWidgetItem* item = grid_->item(row, kAccountColumn);
    if (!item)
        return;
    const QString text = item->text().trimmed();
    const QString before = item->data(kNameRole).toString();
    if (text == before)
        return;
    // One account of that code or full name is taken at once; otherwise the selection opens
    // with the text.
    try {
        RecordSelection found(kind_);
        found.load(text);
        std::optional<BaseChoice> only;
        int matches = 0;
        for (int r = 0; !text.isEmpty() && r < found.rows().rowCount(); ++r) {
            const std::optional<BaseChoice> c = found.choice(r);
            if (c && (c->code.compare(text, Qt::CaseInsensitive) == 0 || c->name == text)) {
                only = c;
                ++matches;
            }
        }
        if (matches == 1) {
            setAccount(row, only->id, only->name);
            enter(row, kAmountColumn);
            return;
        }
    } catch (const std::exception& e) {
        prompter().showError(caption::hint(), e);
    }
    if (text.isEmpty() || !chooseAccount(row, text)) {
        filling_ = true;
        item->setText(before);
        filling_ = false;
        enter(row, kAccountColumn);
    }
}

bool TfrmMultiAccount::eventFilter(QObject* watched, QEvent* event) {
    // A list only shown (a posted bill's accounts) takes no choice.
    if (grid_->editTriggers() == QAbstractItemView::NoEditTriggers)
        return TfrmBaseDialog::eventFilter(watched, event);
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enterKey = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const int row = grid_->currentRow();
        const int column = grid_->currentColumn();
        if (row >= 0 && column == kAccountColumn &&
            (key->key() == Qt::Key_F2 || (enterKey && accountIdOf(row) <= 0))) {
            chooseAccount(row,
                          grid_->item(row, column) ? grid_->item(row, column)->text() : QString());
            return true;
        }
        if (enterKey && row >= 0) {
            walkFrom(row, column);
            return true;
        }
    }
    if (watched == grid_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QModelIndex at = grid_->indexAt(mouse->position().toPoint());
        if (at.isValid() && at.column() == kAccountColumn) {
            chooseAccount(at.row(), QString());
            return true;
        }
    }
    return TfrmBaseDialog::eventFilter(watched, event);
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
    filling_ = true;
    grid_->insertRow(grid_->rowCount());
    grid_->setItem(grid_->rowCount() - 1, kAccountColumn, new QTableWidgetItem(QString()));
    filling_ = false;
}

void TfrmMultiAccount::refreshTotal() {
    const int dot = settings().TotalDot;
    lbTotal_->setText(u"合计："_s + QString::number(roundTo(total(), dot), 'f', dot));
}

}  // namespace dyt::client
