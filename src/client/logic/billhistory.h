#pragma once
// The corrections of posted bills in the business history, apart from its window: the refusals
// checked on the focused bill before anything is sent, the SQL texts the window sends (the
// settlement and month-close look-ups, the header, reconciliation and user-field updates, the
// lines of a sales bill for the tax-invoice program), and the file that program imports.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "client/logic/fixedtext.h"

namespace dyt {
class RecordSet;
}

namespace dyt::client::history {

namespace text {
inline constexpr FixedText title{u"经营历程"};
inline constexpr FixedText advancedKey{u"经营历程高级查询"};
inline constexpr FixedText advancedQuery{u"高级查询"};
inline constexpr FixedText useAdvanced{u"使用高级查询"};
inline constexpr FixedText entryDate{u"录单日期"};
inline constexpr FixedText chooseEntryDate{u"请选择录单日期"};
inline constexpr FixedText redFilterKey{u"cbredItemIndex"};
inline constexpr FixedText allTypes{u"全部单据"};
inline constexpr FixedText billType{u"单据类型"};

inline constexpr FixedText red{u"红冲单据"};
inline constexpr FixedText copy{u"复制单据"};
inline constexpr FixedText change{u"修改单据"};
inline constexpr FixedText remove{u"删除单据"};
inline constexpr FixedText reconcile{u"对账"};
inline constexpr FixedText userFields{u"自定义项"};
inline constexpr FixedText exportInvoice{u"航天金穗"};

inline constexpr FixedText alreadyRed{u"不能对已红冲单据再次红冲操作！"};
inline constexpr FixedText settledWarning{
    u"你要红冲的单据已经按单结算，请找对应的收付款单据重新结算"};
inline constexpr FixedText understood{u"我知道了(&O)"};
inline constexpr FixedText confirmRed{u"确定要对这张单据进行红字反冲吗？"};
inline constexpr FixedText redDone{u"红字反冲完成，请确认继续！"};
inline constexpr FixedText noCopyOfRed{u"不能复制红字单据！"};
inline constexpr FixedText confirmCopy{u"是否将选中的单据复制到草稿中去？"};
inline constexpr FixedText copied{u"复制成功！"};
inline constexpr FixedText closedNoDelete{u"本张单据已月结存，不能删除"};
inline constexpr FixedText confirmDelete{u"删除后无法恢复，确定要删除这张单据吗？"};
inline constexpr FixedText deleted{u"删除成功，请确认继续！"};
inline constexpr FixedText noChangeOfRed{u"不能修改已红冲的单据"};
inline constexpr FixedText noChangeReconciled{u"不能修改已对账的单据"};
inline constexpr FixedText closedNoChange{u"本张单据已月结存，不能修改"};
inline constexpr FixedText confirmChange{u"确定要修改这张单据吗？"};
inline constexpr FixedText failedCaption{u"错误"};
inline constexpr FixedText failed{u"操作失败："};
inline constexpr FixedText reconcileRemark{u"对账说明"};
inline constexpr FixedText confirmUnreconcile{u"确定要取消这张单据的对账标记吗？"};
inline constexpr FixedText salesOnly{u"只能销售单才能导入航天金穗！"};
inline constexpr FixedText exported{u"数据已经成功转出！\r\n文件名称："};
inline constexpr FixedText exportFile{u"bill.txt"};
inline constexpr FixedText chooseFolder{u"请选择导出文件夹"};
}  // namespace text

// The kinds the business history treats apart.
inline constexpr int kDeliveryBill = 62;
inline constexpr int kSalesBill = 1;
inline constexpr int kSalesOrder = 4;
inline constexpr int kPurchaseOrder = 8;
inline constexpr int kReceipt = 21;
inline constexpr int kPayment = 22;

// The focused bill as the list shows it.
struct BillRow {
    qint64 id = 0;
    int djType = 0;
    QString kindName;  // dj_Caption
    int isred = 0;
    int isredword = 0;
    int isOver = 0;
    bool reconciled = false;  // DuiZhang = "是"
    QString reconcileRemark;
    qint64 partnerId = 0;
    qint64 employeeId = 0;

    // The row of the record set at `row` (fields missing from the set stay at their defaults).
    static BillRow at(const RecordSet& rows, int row);
};

// The refusal of a red reversal that needs no server (delivery bill accepted, already reversed,
// orders); empty when the reversal may go on.
QString redRefusal(const BillRow& bill);
// The refusal of a copy (a reversal bill); empty when it may go on.
QString copyRefusal(const BillRow& bill);
// The refusals of delete and change that need no server; empty when they may go on.
QString deleteRefusal(const BillRow& bill);
QString changeRefusal(const BillRow& bill);

// Whether the copy asks for the target kind: the purchase and sales kinds, which can become one
// another (a sale copied into a return), and the enquiry (into a purchase order or bill) and the
// quotation (into a sales order or bill); the other kinds are copied as themselves.
bool copyChoosesKind(int djType);
// The kinds a bill of that kind may be copied into, its own first.
QList<int> copyTargets(int djType);

// Rows when receipts or payments settle the bill line by line.
QString settledSql(qint64 billId);
// A row when the bill lies before the current accounting month.
QString monthClosedSql(qint64 billId);
// The header change: handler, department, number and abstract.
QString changeSql(qint64 billId, qint64 employeeId, qint64 departmentId, const QString& code,
                  const QString& summary);
QString reconcileSql(qint64 billId, bool reconciled, const QString& remark);
// The ten user fields in order (missing ones empty).
QString userFieldsSql(qint64 billId, const QStringList& values);
// The lines of a sales bill for the tax-invoice program.
QString invoiceLinesSql(qint64 billId);
// The partner's name, tax number, address, telephone, bank and account (dw_dwqm, dw_sh,
// dw_dwdz, dw_dhhm, dw_khyh, dw_yhzh) and the handler's name (zy_zyqm).
QString invoicePartySql(qint64 partnerId, qint64 employeeId);

// The partner and handler of the exported bill.
struct InvoiceParty {
    QString partnerName;  // dw_dwqm
    QString taxNumber;    // dw_sh
    QString address;      // dw_dwdz
    QString telephone;    // dw_dhhm
    QString bank;         // dw_khyh
    QString account;      // dw_yhzh
    QString handler;      // zy_zyqm
};
// The party of the first row of invoicePartySql.
InvoiceParty invoiceParty(const RecordSet& rows);
// "bill.txt" as the tax-invoice program imports it, GBK with CR LF line ends: the header
// "SJJK0101~~销售单据传入", the bill record, one record per line of `lines` (the rows of
// invoiceLinesSql). Quantities at qtyDot places, amounts at two.
QByteArray invoiceFile(const QString& billCode, const InvoiceParty& party, const RecordSet& lines,
                       int qtyDot);

}  // namespace dyt::client::history
