#pragma once
// The texts and server statements of the bill print-count window ("单据打印次数设置") and its
// one-click page ("一键设置"), apart from their widgets. The settings are rows of sysDjb:
// printisCheck (1 = the count of a bill of the kind is limited), printNumSum (the prints allowed)
// and printPassword (the password that lets a bill print beyond them). The server counts the
// prints and holds every bill to the limit.

#include <QList>
#include <QString>

#include <optional>

#include "client/logic/fixedtext.h"

namespace dyt {
class RecordSet;
}

namespace dyt::client::printlimits {

inline constexpr FixedText caption{u"单据打印次数设置"};
inline constexpr FixedText oneClickCaption{u"一键设置"};
inline constexpr FixedText setAll{u"全部设置"};
inline constexpr FixedText clearAll{u"全部取消"};
inline constexpr FixedText askSetAll{u"全部设置将替换原有设置，确定继续？"};
inline constexpr FixedText askClearAll{u"全部取消后不能恢复，确定取消？"};
inline constexpr FixedText countLabel{u"打印次数："};
inline constexpr FixedText passwordLabel{u"设置密码："};
inline constexpr FixedText confirmLabel{u"确认密码："};
inline constexpr FixedText countTooSmall{u"打印次数不能小于 1 "};
inline constexpr FixedText enterPassword{u"请输入密码"};
inline constexpr FixedText confirmWrong{u"确认密码不正确，请重新输入"};
inline constexpr FixedText saved{u"保存成功"};
inline constexpr FixedText saveFailed{u"保存失败："};

// The grid's columns, in order.
enum Column { kName, kCheck, kMaximum, kPassword, kConfirm, kColumns };
QString columnCaption(int column);

// The bill kinds whose prints may be limited, in id order.
QList<int> kinds();
// "select *,a.printPassword as printPassword2 from sysdjb as a where a.id in (-1 ,…,0) order by
// a.id".
QString kindsSql();

// One bill kind's row as the grid holds it.
struct Row {
    int id = 0;
    QString name;
    bool check = false;
    QString maximum;  // as typed; empty when none
    QString password;
    QString confirm;
};
// The rows of kindsSql().
QList<Row> rowsOf(RecordSet& rs);

// Unticking "控制" clears the row's maximum and passwords; "全部取消" does so to every row.
void untick(Row& row);
// "全部设置": every row limited to count prints with the password.
void setEvery(QList<Row>& rows, int count, const QString& password, const QString& confirm);

// The first failure of the rows that are ticked, naming the row by its one-based number; none
// when all may be saved.
struct Failure {
    int row;  // zero-based
    QString message;
};
std::optional<Failure> check(const QList<Row>& rows);
// The statements that store every row, each behind "\r\n".
QString saveSql(const QList<Row>& rows);

// The one-click page: the failure of its values (the field to focus: 0 count, 1 password,
// 2 confirmation), none when they may be applied. Passwords are compared trimmed.
struct OneClickFailure {
    int field;
    QString message;
};
std::optional<OneClickFailure> checkOneClick(int count, const QString& password,
                                             const QString& confirm);

}  // namespace dyt::client::printlimits
