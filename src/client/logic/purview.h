#pragma once
// The operator and rights administration: the SQL texts of the operator rights window, the
// password dialogs and the record rights window, the kinds of record rights, and the check of a
// password change.

#include <QString>

#include <span>

#include "client/logic/fixedtext.h"

namespace dyt::client::purview {

// --- messages
inline constexpr FixedText errorPrefix{u"错误："};
inline constexpr FixedText confirmDelete{u"你确定要删除选择的操作员吗？"};
inline constexpr FixedText noCopySource{u"没有可复制的操作员！"};
inline constexpr FixedText copied{u"权限复制成功！"};
inline constexpr FixedText setPasswordFailed{u"密码设置失败："};
inline constexpr FixedText savePasswordFailed{u"密码保存失败："};
inline constexpr FixedText wrongOldPassword{u"原密码错误！"};
inline constexpr FixedText passwordsDiffer{u"新密码和确认密码不符！"};
inline constexpr FixedText noGrantableOperator{u"没有可以授权的操作员"};
inline constexpr FixedText chosenOperator{u"选择的操作员："};

// The right groups ("权限类型"); the index is the group sent as type.
std::span<const char16_t* const> groupNames();

// The operators a chosen operator may copy the rights of: all but operator 1 and himself.
QString copySourcesSql(qint64 chosen);
// The administrator sets an operator's password.
QString setPasswordSql(qint64 user, const QString& password);
// The operator changes his own password.
QString ownPasswordSql(qint64 user, const QString& password);
// The empty text when the own password may be changed, else the message why not: the old
// password (trimmed) must be the login's, the new one (trimmed) equal to its confirmation.
QString checkOwnPassword(const QString& oldPassword, const QString& loginPassword,
                         const QString& newPassword, const QString& confirmation);

// --- record rights
struct RecordKind {
    const char16_t* caption;   // "商品授权"
    const char* queryType;     // "SPSQ"
    const char* conditionKey;  // "GoodsStr"
    const char* table;         // "baseGoods"
    const char* rightsTable;   // "baseGoodsPurview"
    bool accounts = false;     // the bank accounts: codes and names as km_code and km_name
};
std::span<const RecordKind> recordKinds();

// The operators the logged-in operator may give record rights: live employees with a login that
// may be changed, but himself.
QString grantableOperatorsSql(qint64 loggedIn);
// Grants (state 1) or revokes (0) the record `id` and every record below it for the operator.
QString subtreeSql(const RecordKind& kind, int state, qint64 user, qint64 id);
// Sets every category of the kind granted exactly when a live record below it is granted.
QString categoriesSql(const RecordKind& kind, qint64 user);

}  // namespace dyt::client::purview
