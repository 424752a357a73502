#pragma once
// TfrmBillSKD: the receipt bill ("收款单", kind 21) and, from the same code with other captions,
// the payment bill ("付款单", kind 22, class name TfrmBillFKD). Money received from (paid to) a
// partner into (out of) one or more accounts — the upper grid "科目信息" — and, while the
// account set settles by bill, settled against the partner's open sales (purchase) bills — the
// lower grid "单据信息". A posted bill can be settled again ("重新结算", then "保存结算").

#include <QPair>
#include <QString>

#include <functional>
#include <optional>

#include "client/bills/accountcells.h"
#include "client/bills/frmbillabstract.h"
#include "client/bills/selectbase.h"
#include "client/logic/fixedtext.h"
#include "client/logic/gridcolumn.h"
#include "common/currency.h"
#include "common/recordset.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QGridLayout;
class QGroupBox;

namespace dyt {
class GridView;
class RecordSetModel;
}  // namespace dyt

namespace dyt::client {

namespace skdtext {
inline constexpr FixedText accountsGroup{u"科目信息"};
inline constexpr FixedText billsGroup{u"单据信息"};
inline constexpr FixedText distributable{u"可分配金额："};
inline constexpr FixedText advance{u"预付账款："};
inline constexpr FixedText prepaySwitch{u"预收账款"};
inline constexpr FixedText prepayPaymentSwitch{u"预付账款"};
inline constexpr FixedText autoDistribute{u"自动分配"};
inline constexpr FixedText resettle{u"重新结算"};
inline constexpr FixedText saveSettlement{u"保存结算"};
inline constexpr FixedText resettleQuestion{u"你确定要重新结算吗？"};
inline constexpr FixedText leaveQuestion{u"是否保存结算单据？"};
inline constexpr FixedText printQuestion{u"只有保存过账后才能打印，是否立即保存过账并打印单据？"};
inline constexpr FixedText dateQuestion{u"制单日期与系统日期不一致，是否继续？"};
inline constexpr FixedText discountCeiling{u"优惠金额超出职员最高优惠限额\r\n\r\n请修改优惠金额"};
// "[" + label + "]不能为空，请重新输入"
QString required(const QString& label);
}  // namespace skdtext

// What tells the receipt and the payment bill apart.
struct MoneyBillKind {
    int djType = 0;
    QString className;       // "TfrmBillSKD" / "TfrmBillFKD"
    QString title;           // "收款单" / "付款单"
    QString partnerCaption;  // "付款单位" / "收款单位"
    QString accountKind;     // the record selection of the accounts: "skkm" / "fkkm"
    QString balanceCaption;  // "应收款：" / "应付款："
    QString advanceCaption;  // "预收款：" / "预付款："
    QString balanceField;    // "ystotal" / "yftotal"
    QString advanceField;    // "yushoutotal" / "yufutotal"
    QString noAccountsText;  // "必须录入收款账户明细数据！" / "必须录入付款账户明细数据！"
    QString clearSettledSql;  // the re-settlement's first statement, up to the bill id
    static const MoneyBillKind& receipt();
    static const MoneyBillKind& payment();
    // The kind of djType 21 or 22; nullptr for other numbers.
    static const MoneyBillKind* of(int djType);
};

class TfrmBillSKD : public TfrmBillAbstract {
    Q_OBJECT

public:
    // djType 21 (receipt) or 22 (payment); anything else throws DytError.
    explicit TfrmBillSKD(int djType, QWidget* parent = nullptr);
    ~TfrmBillSKD() override;

    const MoneyBillKind& kind() const { return kind_; }

    // --- header controls
    QLineEdit* eddw() const { return eddw_; }
    QLineEdit* edjsr() const { return edjsr_; }
    QLineEdit* edbm() const { return edbm_; }
    QLineEdit* edzhaiyao() const { return edzhaiyao_; }
    QLineEdit* edyhje() const { return edyhje_; }
    QLabel* lbBalance() const { return lbBalance_; }
    QLabel* lbAdvanceBalance() const { return lbAdvanceBalance_; }
    QLabel* lbDistributable() const { return lbDistributable_; }
    QLabel* lbAdvance() const { return lbAdvance_; }
    QPushButton* btnyszk() const { return btnyszk_; }
    QPushButton* btnzdfp() const { return btnzdfp_; }
    QPushButton* btnqzwc() const { return btnqzwc_; }
    QGroupBox* gbBills() const { return gbBills_; }
    GridView* dbgvBills() const { return billsGrid_; }

    // --- the settled bills (lower grid): s_id, djType, billCode, date, dj_Caption, totalSum, ye,
    // Total, comment.
    RecordSet& billRows() { return bills_; }
    const RecordSet& billRows() const { return bills_; }
    GridDefinition& billsDefinition() { return billsDef_; }

    // --- choices (the header buttons and the account cells open the record selection; the
    // choice lands here)
    void setPartner(qint64 id, const QString& name);
    void setEmployee(qint64 id, const QString& name);
    void setDepartment(qint64 id, const QString& name);
    // Puts the account into the row of the upper grid (growing the rows as needed).
    void setAccount(int row, qint64 id, const QString& code, const QString& name);
    // The record selection behind the buttons: kind name and filter text in, choice out.
    std::function<std::optional<BaseChoice>(const QString& kind, const QString& text)> selector;

    // --- amounts
    int prepayment() const { return prepay_; }
    // "预收账款": flips the prepayment switch and recomputes.
    void btnyszkClick();
    // The received amount: accounts (rounded to the money precision) plus the discount.
    Currency receivedAmount() const;
    Currency distributableAmount() const;
    // "自动分配" over the rows of the lower grid.
    void btnzdfpClick();
    // Refreshes "可分配金额：" and "预付账款：".
    void recompute();

    // --- the open bills of the partner ("WSKDJ"), into the lower grid.
    void loadOpenBills();
    // Whether the account set settles by bill ("收付款结算方式" 0).
    static bool settlesByBill();

    // --- re-settlement of a posted bill
    bool isResettling() const { return resettling_; }
    // "重新结算" / "保存结算"; failures are shown.
    void btnqzwcClick();
    void startResettlement();  // throws DytError
    void SaveSettlement();     // throws DytError

    // --- saving and printing
    ParamList BuildParams() const override;
    // The settled bills (only while settling by bill; otherwise a packet without fields, which
    // goes as Null).
    RecordSet buildAccountPacket() const override;
    void resetToNewBill() override;
    void btnPrintClick() override;
    // The print variables: the header fields of the bill by caption, and "上次欠款", "本次欠款",
    // "累计欠款" of the partner.
    void setPrintVariables();
    QString layoutKey() const override;

protected:
    void checkBill(bool post) override;
    void loadBill() override;
    void loadLines() override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The window serves the kind it was made for only.
    void checkKind() const;
    void buildControls();
    void buildBillsGrid();
    // A field of the header grid at (row, column) spanning `span` label-and-field pairs.
    QLineEdit* addHeadField(const QString& caption, const QString& fieldName, int row, int column,
                            int span);
    QLineEdit* addChoiceField(const QString& caption, const QString& idField,
                              const QString& nameField, const QString& selectionKind, int row,
                              int column, int span, std::function<void(const BaseChoice&)> apply);
    // A header field filled by the record selection: typed code or name + Enter, F2, its button.
    struct ChoiceField {
        QLineEdit* edit = nullptr;
        QString kind;
        std::function<void(const BaseChoice&)> apply;
    };
    const ChoiceField* choiceFieldOf(const QObject* edit) const;
    // Chooses the field's record for the text (typed: a unique code or name is taken without the
    // window); false when nothing was chosen, and the field shows its record again.
    bool chooseRecord(const ChoiceField& field, const QString& text, bool typed);
    // Enter's way on from a header field: the next field, after the last the first account line.
    void focusAfter(QWidget* edit);
    void showBills(const RecordSet& serverRows);
    void refreshBalances();
    void updateCommands();
    void setBillsEditable(bool editable);
    // The text of the row's account cell under the cursor, else its code.
    QString accountCellText(int row);
    void printNow();
    QList<Currency> accountTotals() const;

    const MoneyBillKind& kind_;
    // The account cells of the upper grid.
    AccountCellEntry cells_;
    QWidget* panHead_ = nullptr;
    QGridLayout* headGrid_ = nullptr;
    QList<QPair<QString, QLineEdit*>> headFields_;
    QList<QToolButton*> choiceButtons_;
    QList<ChoiceField> choiceFields_;
    // The property of a choice field holding the text of the record it stands for.
    static constexpr const char* kChosenText = "chosenText";
    QLineEdit* eddw_ = nullptr;
    QLineEdit* edjsr_ = nullptr;
    QLineEdit* edbm_ = nullptr;
    QLineEdit* edzhaiyao_ = nullptr;
    QLineEdit* edyhje_ = nullptr;
    QLabel* lbBalance_ = nullptr;
    QLabel* lbAdvanceBalance_ = nullptr;
    QLabel* lbDistributable_ = nullptr;
    QLabel* lbAdvance_ = nullptr;
    QPushButton* btnyszk_ = nullptr;
    QPushButton* btnzdfp_ = nullptr;
    QPushButton* btnqzwc_ = nullptr;
    QGroupBox* gbBills_ = nullptr;
    GridView* billsGrid_ = nullptr;
    RecordSetModel* billsModel_ = nullptr;
    RecordSet bills_;
    GridDefinition billsDef_;
    int prepay_ = 0;
    bool resettling_ = false;
    bool printAfterSave_ = false;
};

}  // namespace dyt::client
