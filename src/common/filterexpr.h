#pragma once
// Filter expressions of record sets, in the language of the client data set filters:
//
//   hidden=0
//   Tag<>'-1'
//   SUBSTRING(code,1,4) = '3003' AND sonnum = 0 and isbtn = 0 and isbj = 1 OR code = '300601'
//   (SUBSTRING(code,1,2) = '20') or (code = '500401')
//
// Grammar (keywords in any letter case; NOT binds tighter than AND, AND tighter than OR):
//   expr      := term { OR term }
//   term      := factor { AND factor }
//   factor    := NOT factor | '(' expr ')' | predicate
//   predicate := value op value            op: = <> != < > <= >=
//              | value [NOT] LIKE value    % any run of characters, _ one character
//              | value IS [NOT] NULL
//              | value [NOT] IN ( value {, value} )
//              | value                     only for a boolean field or TRUE / FALSE
//   value     := field | [field name] | 'text' ('' inside is one quote) | number | -number
//              | NULL | TRUE | FALSE | function ( value {, value} )
//   functions: SUBSTRING(s, start[, len]) (1-based), UPPER(s), LOWER(s), TRIM(s), LTRIM(s),
//              RTRIM(s), LEN(s)
//
// Values are compared by kind: numbers as numbers (currency exactly, to four decimals), texts as
// texts, dates and stamps by time. When a field is compared with a literal of another kind, the
// literal is converted to the field's kind once, when the filter is compiled (Tag<>'-1' on an
// integer field compares with the number -1; a literal that does not convert is an error). A text
// value compared with a number is read as a number; when it is not one, both are compared as text.
// Null takes part in no comparison: the logic is three-valued as in SQL (Null = 1, Null <> 1 and
// NOT (Null = 1) are all unknown) and a row passes only when the whole expression is true. Only
// IS NULL / IS NOT NULL test for Null.

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

#include "common/recordset.h"

namespace dyt {

struct FilterOptions {
    bool caseInsensitive = false;  // text comparisons, LIKE and IN ignore letter case
};

class FilterExpr {
public:
    FilterExpr();  // the empty filter: every row passes
    ~FilterExpr();
    FilterExpr(const FilterExpr&);
    FilterExpr& operator=(const FilterExpr&);
    FilterExpr(FilterExpr&&) noexcept;
    FilterExpr& operator=(FilterExpr&&) noexcept;

    // Parses the text and binds its field names to the columns of `fields`. Blank text gives the
    // empty filter. Throws DytError "过滤条件错误: 第 n 个字符处 …" on a malformed text or an
    // unknown field.
    static FilterExpr compile(const QString& text, const QList<Field>& fields,
                              FilterOptions options = {});

    bool isEmpty() const { return !root_; }
    const QString& text() const;
    FilterOptions options() const;
    // Indexes of the fields the expression reads, ascending, without repeats.
    QList<int> columns() const;

    // True when the row (values in field order) passes. A row shorter than the fields the
    // expression reads is treated as holding Null there.
    bool matches(const QList<QVariant>& row) const;

    struct Impl;

private:
    std::shared_ptr<const Impl> root_;
};

}  // namespace dyt
