#pragma once
// TfrmBillAbstract: the base of every bill window. It adds to TfrmXAbstract the header strip
// (bill date, bill number with its automatic-number button, maker, the reversal flag box), the
// button strip ("过账", "存为草稿", save-and-print), the bill's state (new, draft, posted), the
// opening of an existing bill, the save through the bill service and the close prompt.
//
// A concrete bill adds its header fields with bindHeaderField()/setHeaderValue(), its line
// columns with addColumn(), its checks in checkBill() and its account lines in
// buildAccountPacket().

#include <QMap>
#include <QString>

#include "client/bills/frmbilllookup.h"
#include "client/common/frmxabstract.h"
#include "client/logic/fixedtext.h"
#include "common/paramlist.h"
#include "common/recordset.h"

class QAction;
class QDateEdit;
class QFrame;
class QLineEdit;
class QMenu;
class QToolButton;
class QVBoxLayout;

namespace dyt::client {

class TdmMain;

// The data module for the bill windows; raises "没有连接到服务器" when there is none.
TdmMain& billDataModule();

namespace billtext {
inline constexpr FixedText post{u"过账"};
inline constexpr FixedText saveToDraft{u"存为草稿"};
inline constexpr FixedText savePrint{u"保存并打印"};
inline constexpr FixedText billDate{u"录单日期"};
inline constexpr FixedText billCode{u"单据编号"};
inline constexpr FixedText autoNumberHint{u"自动编号"};
inline constexpr FixedText maker{u"制单人"};
inline constexpr FixedText remark{u"附加说明"};
inline constexpr FixedText reversed{u"已红冲"};
inline constexpr FixedText reversal{u"红字单据"};
inline constexpr FixedText invalidBill{u"你要打开的单据无效,有可能此张订单已被删除或修改！"};
inline constexpr FixedText auditIncomplete{u"这张单据采用分级审核，现在还没有审核完，不能过账！"};
inline constexpr FixedText saved{u"保存成功！"};
inline constexpr FixedText closeCaption{u"单据提示"};
inline constexpr FixedText closeQuestion{u"请选择对本单据的处理，按《ESC》键放弃本次处理！"};
inline constexpr FixedText discardAndExit{u"废弃退出(&C)"};
inline constexpr FixedText serviceName{u"QMXService"};
inline constexpr FixedText noAuditRight{u"您没有这种单据这一级的审核权限！"};
// "本级已经被[" + performer + "]审核，您不能反审核！"
QString auditedByOther(const QString& performer);
inline constexpr FixedText saveBeforeAccounts{u"只有保存后才能查看科目详情！"};
inline constexpr FixedText noAccounts{u"无科目详情！"};
inline constexpr FixedText printPostedOnly{u"只有保存过账后才能打印!"};
inline constexpr FixedText printPassword{u"请输入打印密码"};
inline constexpr FixedText wrongPrintPassword{u"打印密码错误"};
inline constexpr FixedText audit{u"审核"};
inline constexpr FixedText lineNote{u"行摘要"};
inline constexpr FixedText view{u"查看"};
inline constexpr FixedText modify{u"修改"};
inline constexpr FixedText goodsDistribution{u"商品分布"};
inline constexpr FixedText purchasePrices{u"历史进价"};
inline constexpr FixedText salePrices{u"历史售价"};
inline constexpr FixedText receipts{u"收款过程"};
inline constexpr FixedText payments{u"付款过程"};
inline constexpr FixedText accountDetails{u"科目详情"};
inline constexpr FixedText chooseGoodsFirst{u"请先在当前行选择商品！"};
inline constexpr FixedText choosePartnerFirst{u"请先选择往来单位！"};
inline constexpr FixedText chooseLineFirst{u"请先选择一行！"};
}  // namespace billtext

enum BillState { kBillNew = 0, kBillDraft = 1, kBillPosted = 2 };

// Width of the text fields of the lines and account packets.
inline constexpr int kPacketFieldWidth = 8000;

class TfrmBillAbstract : public TfrmXAbstract {
    Q_OBJECT

public:
    explicit TfrmBillAbstract(QWidget* parent = nullptr);
    ~TfrmBillAbstract() override;

    // --- opening (the bill opener calls it once, before the window is shown): keeps the kind and
    // the bill id, sets the close-after-save flag when the bill id is above 0 or option 2034 is
    // off, then loads the bill or prepares a new one. Load failures throw DytError.
    void OpenBill(int djType, qint64 billId, bool quietClose);

    int djType() const { return djType_; }
    qint64 billId() const { return billId_; }
    int billState() const { return billState_; }
    bool isModified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }
    bool quietClose() const { return quietClose_; }
    bool closeAfterSave() const { return closeAfterSave_; }
    bool isReadOnly() const { return readOnly_; }
    bool isRedStyle() const { return redStyle_; }
    // Whether drafts made by other operators may be edited: OpenBill takes it from the
    // account-set option 2007 ("允许修改他人的草稿").
    bool editOthersDrafts = false;

    // --- header strip
    QDateEdit* edBillDate() const { return edBillDate_; }
    QLineEdit* edBillCode() const { return edBillCode_; }
    QToolButton* btnzdbh() const { return btnzdbh_; }
    QLabel* lbRecName() const { return lbRecName_; }
    QFrame* shpFlag() const { return shpFlag_; }
    QLabel* lblFlag() const { return lblFlag_; }
    QLineEdit* edComment() const { return edComment_; }

    // --- button strip
    QAction* btnBillSave() const { return btnBillSave_; }
    QAction* btnBillSaveToDraft() const { return btnBillSaveToDraft_; }
    QAction* btnSavePrint() const { return btnSavePrint_; }

    // --- audit controls edInput1 … edInput5 (step 1 is the maker), each a caption, a read-only
    // field with the performer's name and a button "审核"; a concrete bill may move panAudit.
    QWidget* panAudit() const { return panAudit_; }
    QLineEdit* edInput(int step) const;     // 1..5, nullptr outside
    QLabel* lbInput(int step) const;        // the caption of edInput
    QToolButton* btnInput(int step) const;  // the "审核" button of edInput
    // Shows the kind's audit controls: edInput1 when the kind has more than one step, edInputN
    // when it has at least N; captions from the step names; values from rec_Name and
    // inputidNName (a new bill shows the operator as maker).
    virtual void showAuditControls();

    // --- header amounts: a line edit bound to a field that shows an amount formatted by a tag
    // list of the grid columns ("%M%" money, "%Q%" quantity, "%P%" price, "%D%" discount, "%T%"
    // ratio; "Cost" masks it as "***" for an operator without the cost right).
    void bindHeaderAmount(const QString& fieldName, QLineEdit* control,
                          const QString& tags = QStringLiteral("%M%"));
    void setHeaderAmount(const QString& fieldName, double value);
    double headerAmount(const QString& fieldName) const;
    // The display text of an amount under a tag list (",0.00;-,0.00" with the tag's places).
    static QString formatAmount(const QString& tags, double value);
    // The same with the tag's places but without thousands separators, as the save sends it.
    static QString amountValueText(const QString& tags, double value);

    // --- the lines grid's context menu (pmBill): the line note and the look-ups; the header
    // context menu: the account details.
    QMenu* pmLineNote() const { return pmLineNote_; }
    QAction* actNoteView() const { return actNoteView_; }
    QAction* actNoteEdit() const { return actNoteEdit_; }
    QAction* actLookup(BillLookupKind kind) const;
    QAction* btnkmxq() const { return btnkmxq_; }
    // The focused line's raw row in records(), -1 when none.
    int currentLine() const;
    // The line note of the focused line; no line: "请先选择一行！".
    QString LineNote() const;
    // Shows the focused line's note (caption "行摘要").
    void viewLineNote();
    // Sets the focused line's note; for a saved bill the line's stored note is changed at once
    // ("Update djList set comment = …"), a new bill is only marked modified. Failures throw.
    virtual void setLineNote(const QString& note);
    // Asks for the note ("修改") and sets it; false when cancelled or refused (shown).
    bool editLineNote();
    // The goods of the focused line, 0 when none.
    qint64 lineGoodsId() const;
    // The ids the look-ups take from the focused line and the header.
    BillLookupIds lookupIds() const;
    // The query and columns of a look-up for the focused line and the header's ids; throws
    // DytError when the ids it needs are missing.
    virtual BillLookup lookupFor(BillLookupKind kind) const;
    // Runs a look-up and shows its rows; failures are shown (caption "提示").
    void showLookup(BillLookupKind kind);

    // --- save and print: posts the bill, then prints the saved bill through printBill before the
    // window closes or makes room for a new bill. False when the save failed.
    bool savePrintBill();
    void btnSavePrintClick() override;

    // --- header values: controls bound to field names, and values without a control (the id
    // of a button edit, the audit fields).
    void bindHeaderField(const QString& fieldName, QWidget* control);
    void setHeaderValue(const QString& fieldName, const QString& value);
    // The value of a field: of its control, else of the stored values; empty when neither.
    QString headerValue(const QString& fieldName) const;

    // --- saving (algorithm of the bill service)
    // The parameter list of a save: one line per header field, then comment, dj_Caption,
    // djType, OldBillid and total.
    virtual ParamList BuildParams() const;
    // The lines packet: one text field per bound grid column, one record per row whose first
    // four columns are not all empty. No rows: "无数据".
    RecordSet buildLinesPacket() const;
    // The account packet: km_id, type, dbtotal, Lendtotal; the concrete bill adds its accounts.
    // A packet without fields is sent as Null.
    virtual RecordSet buildAccountPacket() const;
    // Saves as posted (true) or draft (false); failures are shown and give false.
    bool saveBill(bool post);
    // The same, throwing the failure.
    void doSaveBill(bool post);

    // Audit step 2..5 by the operator, for a saved bill that is not posted (others do nothing):
    // undoes the operator's own step, performs a step not yet performed when the kind's list
    // allows the operator; refusals throw DytError.
    void auditStep(int step);
    // The same, showing a refusal (caption "提示"); false when refused.
    bool btnAuditClick(int step);
    // The account lines of a saved bill, one "name：total" line each; failures throw DytError.
    QString AccountDetails();
    // btnkmxq: shows the account details or the refusal.
    void btnkmxqClick();

    // Printing with the print-count guard: option 2010 allows only posted bills; an enforced
    // count that is used up asks for the print password (cancel: no print). The prints made are
    // added to the bill's count and the engine values are reset afterwards. Refusals throw.
    void printBill();
    void btnPrintClick() override;

    // The close prompt; true when the window may close.
    bool closeQuery();

    void btnBillSaveClick() override;
    void btnBillSaveToDraftClick() override;

    // Makes the window an empty new bill of the same kind.
    virtual void resetToNewBill();

Q_SIGNALS:
    // A save succeeded; the bill id it gave.
    void billSaved(qint64 billId);

protected:
    void closeEvent(QCloseEvent* event) override;
    // The checks of the concrete bill before a save; they throw DytError.
    virtual void checkBill(bool post);
    // The next number for a new bill (through the numbering rules).
    virtual QString NextBillNumber();
    // Loads the header row and the lines of an existing bill.
    virtual void loadBill();
    // Loads the lines of an existing bill into records() (loadBill calls it after the header).
    virtual void loadLines();
    // Fills the header controls and values from a header row.
    virtual void fillHeader(const RecordSet& header);
    // The rows a fresh grid shows (the account-set default bill rows).
    virtual int minimumRows() const;
    // Shows a look-up's rows (modal TfrmBillLookup); a bill may open a query window instead.
    virtual void showLookupRows(const BillLookup& lookup, const RecordSet& rows);
    // Whether the window opens bills of the kind: the kinds of the bill-kind table; a window of
    // a kind outside the table (the stocktake) accepts its own.
    virtual bool acceptsKind(int djType) const;
    // Enter's next stop on a line: the next shown, editable cell right of `from` in the order
    // the operator sees the columns, which takes the cursor and the focus; false at the line's end.
    bool focusNextEditableCell(const QModelIndex& from);
    // Shows the rows again, keeping the cursor's cell and the grid's focus.
    void reshowLines();
    // Closes the grid's open cell editor without keeping its text, and answers the text typed
    // into it (empty when no editor was open): what a cell button's selection is narrowed by.
    QString takeOpenEditorText();

private:
    void buildBillControls();
    void setReadOnly(bool readOnly);
    void applyRedStyle(bool red);
    void appendEmptyRows();
    bool saveAvailable(QAction* action) const;
    void buildAuditControls();
    void buildContextMenus();
    void showAmount(QLineEdit* control, const QString& tags, double value);
    int amountIndex(const QString& fieldName) const;

    int djType_ = 0;
    qint64 billId_ = 0;
    int billState_ = kBillNew;
    bool modified_ = false;
    bool quietClose_ = false;
    bool closeAfterSave_ = false;
    bool readOnly_ = false;
    bool redStyle_ = false;
    bool closing_ = false;
    bool printAfterSave_ = false;

    QDateEdit* edBillDate_ = nullptr;
    QLineEdit* edBillCode_ = nullptr;
    QToolButton* btnzdbh_ = nullptr;
    QLabel* lbRecName_ = nullptr;
    QFrame* shpFlag_ = nullptr;
    QLabel* lblFlag_ = nullptr;
    QLineEdit* edComment_ = nullptr;
    QAction* btnBillSave_ = nullptr;
    QAction* btnBillSaveToDraft_ = nullptr;
    QAction* btnSavePrint_ = nullptr;

    QVBoxLayout* headRows_ = nullptr;
    QWidget* panAudit_ = nullptr;
    QLabel* lbInput_[5] = {};
    QLineEdit* edInput_[5] = {};
    QToolButton* btnInput_[5] = {};
    QMenu* pmLineNote_ = nullptr;
    QAction* actNoteView_ = nullptr;
    QAction* actNoteEdit_ = nullptr;
    QList<QPair<BillLookupKind, QAction*>> lookupActions_;
    QAction* btnkmxq_ = nullptr;

    struct HeaderAmount {
        QString fieldName;
        QLineEdit* control = nullptr;
        QString tags;
        double value = 0;
    };
    QList<HeaderAmount> amounts_;
    QList<QPair<QString, QWidget*>> boundFields_;
    QList<QPair<QString, QString>> headerValues_;
};

}  // namespace dyt::client
