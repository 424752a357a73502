#pragma once
// TfrmBillAbstract: the base of every bill window. It adds to TfrmXAbstract the header strip
// (bill date, bill number with its automatic-number button, maker, the reversal flag box), the
// button strip ("过账", "存为草稿", save-and-print), the bill's state (new, draft, posted), the
// opening of an existing bill, the save through the bill service and the close prompt.
//
// A concrete bill adds its header fields with bindHeaderField()/setHeaderValue(), its line
// columns with addColumn(), its checks in CheckBill() and its account lines in
// BuildAccountPacket().

#include <QMap>
#include <QString>

#include "client/common/frmxabstract.h"
#include "common/paramlist.h"
#include "common/recordset.h"

class QAction;
class QDateEdit;
class QFrame;
class QLineEdit;
class QToolButton;

namespace dyt::client {

namespace billtext {
QString post();            // "过账"
QString saveToDraft();     // "存为草稿"
QString savePrint();       // "保存并打印"
QString billDate();        // "录单日期"
QString billCode();        // "单据编号"
QString autoNumberHint();  // "自动编号"
QString maker();           // "制单人"
QString remark();          // "附加说明"
QString reversed();        // "已红冲"
QString reversal();        // "红字单据"
QString invalidBill();  // "你要打开的单据无效,有可能此张订单已被删除或修改！"
QString auditIncomplete();  // "这张单据采用分级审核，现在还没有审核完，不能过账！"
QString saved();            // "保存成功！"
QString closeCaption();   // "单据提示"
QString closeQuestion();  // "请选择对本单据的处理，按《ESC》键放弃本次处理！"
QString discardAndExit();  // "废弃退出(&C)"
QString serviceName();     // "QMXService"
QString noAuditRight();    // "您没有这种单据这一级的审核权限！"
// "本级已经被[" + performer + "]审核，您不能反审核！"
QString auditedByOther(const QString& performer);
QString saveBeforeAccounts();  // "只有保存后才能查看科目详情！"
QString noAccounts();          // "无科目详情！"
QString printPostedOnly();     // "只有保存过账后才能打印!"
QString printPassword();       // "请输入打印密码"
QString wrongPrintPassword();  // "打印密码错误"
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
    // Whether drafts made by other operators may be edited (an account-set option).
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

    // --- header values: controls bound to field names, and values without a control (the id
    // of a button edit, the audit fields).
    void bindHeaderField(const QString& fieldName, QWidget* control);
    void setHeaderValue(const QString& fieldName, const QString& value);
    // The value of a field: of its control, else of the stored values; empty when neither.
    QString headerValue(const QString& fieldName) const;

    // --- saving (algorithm of the bill service)
    // The parameter list of a save: one line per header field, then comment, dj_Caption,
    // djType, OldBillid and total.
    ParamList BuildParams() const;
    // The lines packet: one text field per bound grid column, one record per row whose first
    // four columns are not all empty. No rows: "无数据".
    RecordSet BuildLinesPacket() const;
    // The account packet: km_id, type, dbtotal, Lendtotal; the concrete bill adds its accounts.
    virtual RecordSet BuildAccountPacket() const;
    // Saves as posted (true) or draft (false); failures are shown and give false.
    bool SaveBill(bool post);
    // The same, throwing the failure.
    void DoSaveBill(bool post);

    // Audit step 2..5 by the operator, for a saved bill that is not posted (others do nothing):
    // undoes the operator's own step, performs a step not yet performed when the kind's list
    // allows the operator; refusals throw DytError.
    void AuditStep(int step);
    // The same, showing a refusal (caption "提示"); false when refused.
    bool btnAuditClick(int step);
    // The account lines of a saved bill, one "name：total" line each; failures throw DytError.
    QString AccountDetails();
    // btnkmxq: shows the account details or the refusal.
    void btnkmxqClick();

    // Printing with the print-count guard: option 2010 allows only posted bills; an enforced
    // count that is used up asks for the print password (cancel: no print). The prints made are
    // added to the bill's count and the engine values are reset afterwards. Refusals throw.
    void PrintBill();
    void btnPrintClick() override;

    // The close prompt; true when the window may close.
    bool CloseQuery();

    void btnBillSaveClick() override;
    void btnBillSaveToDraftClick() override;

    // Makes the window an empty new bill of the same kind.
    virtual void ResetToNewBill();

Q_SIGNALS:
    // A save succeeded; the bill id it gave.
    void billSaved(qint64 billId);

protected:
    void closeEvent(QCloseEvent* event) override;
    // The checks of the concrete bill before a save; they throw DytError.
    virtual void CheckBill(bool post);
    // The next number for a new bill (through the numbering rules).
    virtual QString NextBillNumber();
    // Loads the header row and the lines of an existing bill.
    virtual void LoadBill();
    // Fills the header controls and values from a header row.
    virtual void FillHeader(const RecordSet& header);
    // The rows a fresh grid shows (the account-set default bill rows).
    virtual int minimumRows() const;
    // Whether the window opens bills of the kind: the kinds of the bill-kind table; a window of
    // a kind outside the table (the stocktake) accepts its own.
    virtual bool acceptsKind(int djType) const;

private:
    void buildBillControls();
    void setReadOnly(bool readOnly);
    void applyRedStyle(bool red);
    void appendEmptyRows();
    bool saveAvailable(QAction* action) const;

    int djType_ = 0;
    qint64 billId_ = 0;
    int billState_ = kBillNew;
    bool modified_ = false;
    bool quietClose_ = false;
    bool closeAfterSave_ = false;
    bool readOnly_ = false;
    bool redStyle_ = false;
    bool closing_ = false;

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

    QList<QPair<QString, QWidget*>> boundFields_;
    QList<QPair<QString, QString>> headerValues_;
};

}  // namespace dyt::client
