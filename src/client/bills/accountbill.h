#pragma once
// TfrmBillAccountLines: the bills whose lines are accounts rather than goods — fees, other income,
// transfers between money accounts, fixed assets, prepaid expenses, the adjustment bills and the
// accounting voucher. One window serves them all; what a kind changes (its header fields, the
// accounts its lines offer, its amount columns, its money account and its checks) is a row of
// accountBillKinds().

#include <QString>

#include <functional>
#include <optional>
#include <vector>

#include "client/bills/accountcells.h"
#include "client/bills/frmbillabstract.h"
#include "client/bills/selectbase.h"
#include "client/logic/fixedtext.h"

class QGridLayout;
class QLabel;
class QLineEdit;
class QToolButton;

namespace dyt::client {

namespace acctbilltext {
inline constexpr FixedText partner{u"往来单位"};
inline constexpr FixedText employee{u"经手人"};
inline constexpr FixedText department{u"部门"};
inline constexpr FixedText summary{u"摘要"};
inline constexpr FixedText noLines{u"必须录入明细数据！"};
inline constexpr FixedText unbalancedVoucher{u"借贷不平衡，不能保存！"};
inline constexpr FixedText unbalancedTransfer{u"转入金额与转出金额不平衡，不能保存！"};
inline constexpr FixedText lineSum{u"合计金额："};
// "第 " + n + " 行输入错误:" + what
QString lineError(int line, const QString& what);
}  // namespace acctbilltext

// How the lines of a kind carry their amounts.
enum class AccountLineMode {
    Amount,    // account and amount (total)
    Asset,     // fixed-asset card (gdzc_id) and amount
    Transfer,  // money account with money in (dbTotal) and money out (LendTotal)
    Voucher,   // account with debit (dbTotal) and credit (LendTotal)
};

// The money account of the header and which way its money goes.
enum class MoneyPart {
    None,
    Pay,      // "付款账户" / "付款金额": money out
    Receive,  // "收款账户" / "收款金额": money in
    FundDown, // "资金账户": money out by the lines' sum
    FundUp,   // "资金账户": money in by the lines' sum
};

struct AccountBillKind {
    int djType = 0;
    QString className;
    QString title;
    bool hasPartner = false;
    bool partnerRequired = false;
    AccountLineMode mode = AccountLineMode::Amount;
    QString lineKind;     // the record selection of the line accounts (selectbase kinds)
    QString lineCaption;  // "费用科目", "收入科目", …: the caption of the account columns
    MoneyPart money = MoneyPart::None;
    QString moneyKind;  // the record selection of the money account
    bool proposesDepreciation = false;  // a chosen card proposes the month's depreciation

    bool paysOrReceives() const { return money == MoneyPart::Pay || money == MoneyPart::Receive; }
    bool isFund() const { return money == MoneyPart::FundDown || money == MoneyPart::FundUp; }
    // "付款账户", "收款账户", "资金账户"; empty without money.
    QString moneyCaption() const;
    // "付款金额", "收款金额", "调整金额"; empty without money.
    QString moneyAmountCaption() const;
};

// Every kind of the family, in djType order.
const std::vector<AccountBillKind>& accountBillKinds();
const AccountBillKind* findAccountBillKind(const QString& className);

// One line as the checks and the packets see it.
struct AccountLine {
    qint64 account = 0;  // km_id, or the asset card for the asset kinds
    double debit = 0;    // amount, money in, or debit
    double credit = 0;   // money out or credit (transfers and vouchers)
};

// The checks of the lines: an account on every line with an amount, no line without an amount,
// at least one line, the two sides equal for transfers and vouchers. Throws DytError.
void checkAccountLines(const AccountBillKind& kind, const QList<AccountLine>& lines);

// A fixed-asset card as the asset bills show it.
struct AssetCard {
    qint64 id = 0;
    QString code;
    QString name;
    double yz = 0;    // original value
    double ljzj = 0;  // accumulated depreciation
    double czl = 0;   // salvage rate in percent
    int zjys = 0;     // depreciation months
    bool sold = false;
    double netValue() const { return yz - ljzj; }
};

// The month's depreciation of a card: yz × (1 − czl ÷ 100) ÷ zjys, at most what is left to
// depreciate (yz × (1 − czl ÷ 100) − ljzj), never below zero; zero without months. Rounded to
// the money places.
double monthlyDepreciation(const AssetCard& card, int moneyPlaces);
// "原值：… 累计折旧：… 净值：…" after the card's code and name, and "（已变卖）" for a sold card.
QString assetCardText(const AssetCard& card);

class TfrmBillAccountLines : public TfrmBillAbstract {
    Q_OBJECT

public:
    explicit TfrmBillAccountLines(const AccountBillKind& kind, QWidget* parent = nullptr);
    ~TfrmBillAccountLines() override;

    const AccountBillKind& kind() const { return kind_; }

    // --- header controls (nullptr where the kind has none)
    QLineEdit* eddw() const { return eddw_; }
    QLineEdit* edjsr() const { return edjsr_; }
    QLineEdit* edbm() const { return edbm_; }
    QLineEdit* edzhaiyao() const { return edzhaiyao_; }
    QLineEdit* edzh() const { return edzh_; }
    QLineEdit* edje() const { return edje_; }
    QLabel* lbSum() const { return lbSum_; }
    // The card of the current asset line (asset kinds only).
    QLabel* lbAsset() const { return lbAsset_; }

    // The record selection behind the buttons and the account cells.
    std::function<std::optional<BaseChoice>(const QString& kind, const QString& text)> selector;

    // --- the lines
    // The id, code and name fields of the lines' account (km_… or gdzc_…).
    QString idField() const;
    QString codeField() const;
    QString nameField() const;
    // The lines with an account or an amount.
    QList<AccountLine> lines() const;
    // Puts the account into a line (the rows grow as needed; one empty line stays at the end).
    void setLineAccount(int row, qint64 id, const QString& code, const QString& name);
    // Sum of the lines' amounts (debit side for transfers and vouchers).
    double lineTotal() const;

    ParamList BuildParams() const override;
    RecordSet buildAccountPacket() const override;
    void resetToNewBill() override;
    QString layoutKey() const override;

protected:
    void checkBill(bool post) override;
    void loadBill() override;
    void loadLines() override;
    bool acceptsKind(int djType) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct ChoiceField {
        QLineEdit* edit = nullptr;
        QToolButton* button = nullptr;
        QString kind;
        QString idField;
    };
    void buildControls();
    void buildColumns();
    QLineEdit* addField(const QString& caption, const QString& fieldName, int row, int column);
    QLineEdit* addChoice(const QString& caption, const QString& idField, const QString& nameField,
                         const QString& kind, int row, int column);
    const ChoiceField* choiceOf(const QObject* edit) const;
    bool chooseRecord(const ChoiceField& field, const QString& text, bool typed);
    void focusAfter(QWidget* edit);
    bool editable() const;
    void updateCommands();
    void recompute();
    // --- keyboard entry of the lines
    QString firstAmountField() const;
    double amountOf(int row, const QString& field) const;
    // Transfers and vouchers send their net amount as total.
    void fillNetTotals();
    // Asset lines read back with their card only get the card's code and name.
    void fillAssetNames();
    // The card of an asset line: shown under the header; a depreciation line without an amount
    // gets the month's depreciation.
    void assetChosen(int row, qint64 card);
    std::optional<AssetCard> loadAssetCard(qint64 id) const;
    // Shows the card under the header (nothing for no card) and answers it.
    std::optional<AssetCard> showAssetCard(qint64 id);

    const AccountBillKind& kind_;
    AccountCellEntry cells_;
    QWidget* panHead_ = nullptr;
    QGridLayout* headGrid_ = nullptr;
    QList<QLineEdit*> order_;  // the header fields in Enter's order
    QList<ChoiceField> choices_;
    QLineEdit* eddw_ = nullptr;
    QLineEdit* edjsr_ = nullptr;
    QLineEdit* edbm_ = nullptr;
    QLineEdit* edzhaiyao_ = nullptr;
    QLineEdit* edzh_ = nullptr;
    QLineEdit* edje_ = nullptr;
    QLabel* lbSum_ = nullptr;
    QLabel* lbAsset_ = nullptr;
    static constexpr const char* kChosenText = "chosenText";
};

}  // namespace dyt::client
