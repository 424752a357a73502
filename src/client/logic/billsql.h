#pragma once
// The SQL texts of the bill windows: the bill framework's look-ups, audit marks and print
// counts, and the goods bills' defaults, balances and account splits. Pure functions of their
// arguments, so that the texts can be checked without a window.

#include <QList>
#include <QString>

#include "common/paramlist.h"

namespace dyt::client {

namespace billsql {

// Stores a line's note (already in its stored form) on the saved line.
QString lineNoteUpdate(qint64 lineId, const QString& storedNote);
// The stock of the goods in every warehouse that holds some (batches summed).
QString goodsDistribution(qint64 goodsId);
// The goods' last fifty posted lines of a bill type, newest first; reversed bills and their red
// copies do not count.
QString recentPrices(int djType, qint64 goodsId);
// The partner's posted receipts or payments (by bill type), newest first, with what each
// settled of the given bill.
QString settlements(int djType, qint64 partnerId, qint64 billId);
// Marks (or with performer 0 clears) an audit step of a saved bill.
QString auditUpdate(const QString& field, qint64 performer, qint64 billId);
// The posted payment and freight accounts of a bill.
QString postedAccounts(qint64 billId);
// The print count of a bill and the print limits of its type.
QString printLimits(qint64 billId);
// Fixed-asset cards by id: code, name, original value, accumulated depreciation, salvage rate,
// depreciation months and the sold mark.
QString assetCards(const QList<qint64>& ids);
// The server's print count: asked with copies 0 before a print beyond the limit (with the password
// typed), told the copies made afterwards; the server refuses a print beyond the limit of an
// enforced kind without the right password and counts the prints itself.
QString printProcedure();
ParamList printParams(qint64 billId, int copies, const QString& password);

}  // namespace billsql

namespace goodsbillsql {

// An employee's department: zy_zybmid and zy_zybm.
QString employeeDepartment(qint64 employeeId);
// An employee with the department: id, fullname, zy_zybmid and zy_zybm.
QString employee(qint64 employeeId);
// A partner's receivable, payable, prereceived and prepaid balances.
QString partnerBalances(qint64 partnerId);
// The discount rate of the partner's last bill of the type.
QString lastDiscountRate(qint64 partnerId, int djType);
// The goods' shelf days.
QString shelfDays(qint64 goodsId);
// The auxiliary quantities of "goods,unit,quantity".
QString auxQuantities(const QString& goodsUnitQuantity);
// The operator's ceiling for a discount amount.
QString discountCeiling(qint64 operatorId);
// The latest purchase and lowest sale prices of a goods unit.
QString unitPrices(qint64 goodsId, qint64 unitId);
// The warehouses without sub-warehouses that are not deleted.
QString leafWarehouses();
// A saved bill's accounts of a kind (payment or freight): fullname and total.
QString billAccounts(const QString& billId, int type);
// The same with the account ids: km_id, fullname and total.
QString billAccountIds(const QString& billId, int type);
// The partner's total balance.
QString partnerTotal(qint64 partnerId);
// The bills an invoice names: id, code, djname, date and taxTotalSum.
QString invoicedBills(const QList<qint64>& ids);

}  // namespace goodsbillsql

}  // namespace dyt::client
