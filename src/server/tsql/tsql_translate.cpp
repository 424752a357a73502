// Translation of T-SQL texts into SQLite programs: a recursive-descent parser over the tokens of
// tsql_lexer.h that writes the target text while it parses and keeps, for every expression, what
// it knows of its type (text, number, date or unknown). The type decides what "+" means, how
// dates are added to and whether a comparison needs COLLATE TSQL.
//
// Rules worth knowing:
// - "a + b": text + text (or text + unknown) concatenates with ||; date + number adds days;
//   number + number adds; where neither side's type is known, dyt_add(a, b) decides at run time
//   from the values (two texts concatenate, otherwise numbers add, as SQL Server converts).
// - Dates are carried as text "yyyy-mm-dd hh:mm:ss" (or "yyyy-mm-dd" from date columns);
//   dyt_datetime() normalises any date value, a number meaning days after 1900-01-01.
// - TOP n becomes LIMIT n; a TOP inside a UNION member wraps that member in a sub-query.
// - UPDATE alias SET ... FROM ... becomes SQLite's UPDATE table AS alias ... FROM (the target
//   leaves the FROM list); DELETE alias FROM ... becomes DELETE ... WHERE rowid IN (...) when
//   other tables take part.
// - IF [NOT] EXISTS (...) stmt ELSE stmt becomes an If step of the program.

#include <sqlite3.h>

#include <QHash>
#include <QSet>

#include <functional>
#include <memory>

#include "common/error.h"
#include "common/sqltext.h"
#include "server/tsql/tsql.h"
#include "server/tsql/tsql_lexer.h"

namespace dyt::server::tsql {

ColumnType columnTypeFromDeclared(const QString& declared) {
    const QString d = declared.trimmed().toUpper();
    if (d.isEmpty())
        return ColumnType::Unknown;
    if (d.contains(QLatin1String("DATE")) || d.contains(QLatin1String("TIME")))
        return ColumnType::Date;
    if (d.contains(QLatin1String("CHAR")) || d.contains(QLatin1String("TEXT")) ||
        d.contains(QLatin1String("CLOB")))
        return ColumnType::Text;
    if (d.contains(QLatin1String("INT")) || d == QLatin1String("BIT"))
        return ColumnType::Integer;
    if (d.contains(QLatin1String("REAL")) || d.contains(QLatin1String("FLOA")) ||
        d.contains(QLatin1String("DOUB")) || d.contains(QLatin1String("DEC")) ||
        d.contains(QLatin1String("NUMERIC")) || d.contains(QLatin1String("MONEY")))
        return ColumnType::Real;
    return ColumnType::Unknown;
}

SchemaLookup schemaLookupFromDatabase(sqlite3* db) {
    auto columns = std::make_shared<QHash<QString, ColumnType>>();  // "table\ncolumn" lower case
    sqlite3_stmt* st = nullptr;
    QStringList tables;
    if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_schema WHERE type IN ('table','view')", -1,
                           &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            tables << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        }
    }
    sqlite3_finalize(st);
    for (const QString& table : tables) {
        st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT name, type FROM pragma_table_info(?)", -1, &st,
                               nullptr) != SQLITE_OK) {
            sqlite3_finalize(st);
            continue;
        }
        const QByteArray t = table.toUtf8();
        sqlite3_bind_text(st, 1, t.constData(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
        while (sqlite3_step(st) == SQLITE_ROW) {
            const QString col =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
            const QString type =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
            columns->insert(table.toLower() + u'\n' + col.toLower(), columnTypeFromDeclared(type));
        }
        sqlite3_finalize(st);
    }
    return [columns](const QString& table, const QString& column) {
        return columns->value(table.toLower() + u'\n' + column.toLower(), ColumnType::Unknown);
    };
}

bool Program::returnsRows() const {
    std::function<bool(const std::vector<Step>&)> any = [&](const std::vector<Step>& list) {
        for (const Step& s : list) {
            if (s.kind == Step::Kind::Query)
                return true;
            if (s.kind == Step::Kind::If && (any(s.thenSteps) || any(s.elseSteps)))
                return true;
        }
        return false;
    };
    return any(steps);
}

QString Program::toString() const {
    QString out;
    std::function<void(const std::vector<Step>&, int)> list = [&](const std::vector<Step>& ss,
                                                                  int indent) {
        const QString pad(indent * 2, u' ');
        for (const Step& s : ss) {
            switch (s.kind) {
                case Step::Kind::Query:
                    out += pad + QStringLiteral("QUERY ") + s.sql + u'\n';
                    break;
                case Step::Kind::Statement:
                    out += pad + QStringLiteral("EXEC ") + s.sql + u'\n';
                    break;
                case Step::Kind::If:
                    out += pad + QStringLiteral("IF ") + s.sql + u'\n';
                    list(s.thenSteps, indent + 1);
                    out += pad + QStringLiteral("ELSE\n");
                    list(s.elseSteps, indent + 1);
                    out += pad + QStringLiteral("END\n");
                    break;
            }
        }
    };
    list(steps, 0);
    return out;
}

namespace {

enum class VType { Unknown, Text, Number, Date };

struct Expr {
    QString sql;
    VType type = VType::Unknown;
    QString name;  // column name when the expression is a plain column reference
};

struct TableRef {
    QString table;  // empty for a derived table
    QString alias;
    QHash<QString, VType> derivedColumns;  // lower-case name -> type, for derived tables
};

struct Scope {
    std::vector<TableRef> tables;
    const Scope* parent = nullptr;
};

struct FromItem {
    QString join;  // "" for the first item, "," or "LEFT JOIN" ...
    TableRef ref;
    QString refSql;  // "table AS alias" or "(select) AS alias"
    QString on;      // ON condition, empty when none
    int pos = 0;
};

struct Select {
    QString sql;
    std::vector<std::pair<QString, VType>> columns;
};

VType fromColumnType(ColumnType t) {
    switch (t) {
        case ColumnType::Text:
            return VType::Text;
        case ColumnType::Integer:
        case ColumnType::Real:
            return VType::Number;
        case ColumnType::Date:
            return VType::Date;
        case ColumnType::Unknown:
            break;
    }
    return VType::Unknown;
}

QString ident(const QString& name) {
    bool plain = !name.isEmpty() && !name[0].isDigit();
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        plain = plain && (u == u'_' || (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') ||
                          (u >= u'0' && u <= u'9'));
    }
    const QByteArray utf8 = name.toUtf8();
    if (plain && !sqlite3_keyword_check(utf8.constData(), static_cast<int>(utf8.size())))
        return name;
    QString q = name;
    q.replace(u'"', QLatin1String("\"\""));
    return u'"' + q + u'"';
}

// Words that end an expression or a list: never taken as a bare alias.
bool isReserved(const Token& t) {
    static const char* const words[] = {
        "FROM",     "WHERE",  "GROUP",    "HAVING", "ORDER",   "UNION",  "EXCEPT",   "INTERSECT",
        "ON",       "JOIN",   "LEFT",     "RIGHT",  "INNER",   "OUTER",  "FULL",     "CROSS",
        "SET",      "SELECT", "UPDATE",   "DELETE", "INSERT",  "IF",     "ELSE",     "BEGIN",
        "END",      "INTO",   "VALUES",   "AND",    "OR",      "NOT",    "AS",       "WHEN",
        "THEN",     "CASE",   "IS",       "NULL",   "LIKE",    "IN",     "BETWEEN",  "EXISTS",
        "ASC",      "DESC",   "BY",       "WITH",   "LIMIT",   "ESCAPE", "DISTINCT", "TOP",
        "ALL",      "GO",     "DECLARE",  "EXEC",   "EXECUTE", "PRINT",  "RETURN",   "WHILE",
        "COLLATE",  "OPTION", "TRUNCATE", "PRAGMA", "ATTACH",  "DETACH", "VACUUM",   "COMMIT",
        "ROLLBACK", "SAVE",   "CREATE",   "DROP",   "ALTER",   "USE",    "REINDEX",  "ANALYZE"};
    if (t.kind != TokenKind::Identifier)
        return false;
    for (const char* w : words) {
        if (t.is(w))
            return true;
    }
    return false;
}

// Units of DATEADD / DATEDIFF / DATEPART and their canonical names.
QString dateUnit(const QString& u) {
    static const QHash<QString, QString> units = {
        {QStringLiteral("year"), QStringLiteral("year")},
        {QStringLiteral("yy"), QStringLiteral("year")},
        {QStringLiteral("yyyy"), QStringLiteral("year")},
        {QStringLiteral("quarter"), QStringLiteral("quarter")},
        {QStringLiteral("qq"), QStringLiteral("quarter")},
        {QStringLiteral("q"), QStringLiteral("quarter")},
        {QStringLiteral("month"), QStringLiteral("month")},
        {QStringLiteral("mm"), QStringLiteral("month")},
        {QStringLiteral("m"), QStringLiteral("month")},
        {QStringLiteral("dayofyear"), QStringLiteral("dayofyear")},
        {QStringLiteral("dy"), QStringLiteral("dayofyear")},
        {QStringLiteral("y"), QStringLiteral("dayofyear")},
        {QStringLiteral("day"), QStringLiteral("day")},
        {QStringLiteral("dd"), QStringLiteral("day")},
        {QStringLiteral("d"), QStringLiteral("day")},
        {QStringLiteral("week"), QStringLiteral("week")},
        {QStringLiteral("wk"), QStringLiteral("week")},
        {QStringLiteral("ww"), QStringLiteral("week")},
        {QStringLiteral("weekday"), QStringLiteral("weekday")},
        {QStringLiteral("dw"), QStringLiteral("weekday")},
        {QStringLiteral("hour"), QStringLiteral("hour")},
        {QStringLiteral("hh"), QStringLiteral("hour")},
        {QStringLiteral("minute"), QStringLiteral("minute")},
        {QStringLiteral("mi"), QStringLiteral("minute")},
        {QStringLiteral("n"), QStringLiteral("minute")},
        {QStringLiteral("second"), QStringLiteral("second")},
        {QStringLiteral("ss"), QStringLiteral("second")},
        {QStringLiteral("s"), QStringLiteral("second")},
    };
    return units.value(u.toLower());
}

// Server functions registered by registerFunctions(): name -> result type.
const QHash<QString, VType>& serverFunctions() {
    static const QHash<QString, VType> fns = {
        {QStringLiteral("fngetsysdata"), VType::Text},
        {QStringLiteral("fngetpurview"), VType::Number},
        {QStringLiteral("fngetinterfacekmid"), VType::Number},
        {QStringLiteral("fngetfirstdayofmonth"), VType::Date},
        {QStringLiteral("fngetlastdayofmonth"), VType::Date},
        {QStringLiteral("fngetbaseautocode"), VType::Text},
        {QStringLiteral("fngetbasedqfullname"), VType::Text},
        {QStringLiteral("fngetgoodsprice"), VType::Number},
        {QStringLiteral("fngetcostprice"), VType::Number},
        {QStringLiteral("fngetcosttotal"), VType::Number},
        {QStringLiteral("fngetcosttotalother"), VType::Number},
        {QStringLiteral("fngetstockqty"), VType::Number},
        {QStringLiteral("fngetkyqty"), VType::Number},
        {QStringLiteral("fngetxnkcqty"), VType::Number},
        {QStringLiteral("fngetwldwtotal00"), VType::Number},
        {QStringLiteral("fngetbasegoodsfzqty"), VType::Number},
    };
    return fns;
}

class Translator {
public:
    Translator(const std::vector<Token>& tokens, const Context& ctx) : t_(tokens), ctx_(ctx) {}

    std::vector<Step> program() {
        std::vector<Step> steps;
        while (true) {
            while (peek().isOp(";"))
                ++p_;
            if (peek().kind == TokenKind::End)
                break;
            statement(steps);
        }
        if (steps.empty())
            throw DytError(QStringLiteral("SQL语句为空"));
        return steps;
    }

private:
    // ---- token access
    const Token& peek(int k = 0) const {
        const size_t i = p_ + static_cast<size_t>(k);
        return i < t_.size() ? t_[i] : t_.back();
    }
    const Token& next() {
        const Token& tok = t_[p_];
        if (tok.kind != TokenKind::End)
            ++p_;
        return tok;
    }
    bool accept(const char* kw) {
        if (peek().is(kw)) {
            ++p_;
            return true;
        }
        return false;
    }
    bool acceptOp(const char* op) {
        if (peek().isOp(op)) {
            ++p_;
            return true;
        }
        return false;
    }
    void expect(const char* kw) {
        if (!accept(kw))
            fail(QStringLiteral("此处应为 %1").arg(QLatin1String(kw)), peek());
    }
    void expectOp(const char* op) {
        if (!acceptOp(op))
            fail(QStringLiteral("此处应为“%1”").arg(QLatin1String(op)), peek());
    }
    [[noreturn]] void fail(const QString& what, const Token& at) const {
        const QString near = at.kind == TokenKind::End ? QStringLiteral("语句结尾")
                                                       : QStringLiteral("“%1”").arg(at.text);
        throw DytError(QStringLiteral("无法翻译的SQL语句：%1，在%2处（位置 %3）")
                           .arg(what, near)
                           .arg(at.pos + 1));
    }
    [[noreturn]] void unsupported(const QString& construct, const Token& at) const {
        fail(QStringLiteral("不支持 %1").arg(construct), at);
    }

    // Nesting (statement blocks, subqueries, parentheses, NOT and sign chains) is bounded, so
    // that no text can exhaust the stack of the thread translating it.
    static constexpr int kMaxNesting = 200;
    class Nest {
    public:
        explicit Nest(Translator& tr) : tr_(tr) {
            if (tr_.depth_ == kMaxNesting)
                tr_.fail(QStringLiteral("嵌套超过 %1 层").arg(kMaxNesting), tr_.peek());
            ++tr_.depth_;
        }
        ~Nest() { --tr_.depth_; }
        Nest(const Nest&) = delete;
        Nest& operator=(const Nest&) = delete;

    private:
        Translator& tr_;
    };

    // ---- names
    // A dotted name; dbo. and master.dbo. prefixes are dropped (master objects keep the
    // context's master schema when one is configured).
    QStringList dottedName() {
        QStringList parts;
        while (true) {
            const Token& tok = peek();
            if (tok.kind != TokenKind::Identifier && tok.kind != TokenKind::Quoted)
                fail(QStringLiteral("此处应为名称"), tok);
            parts << next().text;
            if (!(peek().isOp(".") &&
                  (peek(1).kind == TokenKind::Identifier || peek(1).kind == TokenKind::Quoted)))
                break;
            ++p_;
        }
        return parts;
    }
    QString tableName(const QStringList& parts, const Token& at) {
        QStringList rest = parts;
        bool master = false;
        if (rest.size() >= 3 &&
            rest[rest.size() - 3].compare(QLatin1String("master"), Qt::CaseInsensitive) == 0)
            master = true;
        if (rest.size() >= 2) {
            const QString schema = rest[rest.size() - 2];
            if (schema.compare(QLatin1String("dbo"), Qt::CaseInsensitive) != 0 && !schema.isEmpty())
                fail(QStringLiteral("不支持的架构名 %1").arg(schema), at);
        }
        if (rest.size() > 3)
            fail(QStringLiteral("名称的部分太多"), at);
        // A database name other than master must be the session's own account set.
        if (rest.size() == 3 && !master &&
            (ctx_.databaseName.isEmpty() ||
             rest[0].compare(ctx_.databaseName, Qt::CaseInsensitive) != 0))
            fail(QStringLiteral("不能访问其它账套的表 %1").arg(rest.join(u'.')), at);
        const QString name = rest.last();
        if (name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
            fail(QStringLiteral("不允许访问系统目录"), at);
        return master && !ctx_.masterSchema.isEmpty()
                   ? ident(ctx_.masterSchema) + u'.' + ident(name)
                   : ident(name);
    }

    // ---- statements
    void statement(std::vector<Step>& out) {
        const Nest nest(*this);
        const Token& tok = peek();
        if (tok.is("SELECT") || (tok.isOp("(") && peek(1).is("SELECT"))) {
            Step s;
            s.kind = Step::Kind::Query;
            s.sql = selectStatement().sql;
            out.push_back(std::move(s));
        } else if (tok.is("UPDATE")) {
            out.push_back(statementStep(update()));
        } else if (tok.is("DELETE")) {
            out.push_back(statementStep(deleteStatement()));
        } else if (tok.is("INSERT")) {
            out.push_back(statementStep(insert()));
        } else if (tok.is("TRUNCATE")) {
            ++p_;
            expect("TABLE");
            const Token& at = peek();
            out.push_back(
                statementStep(QStringLiteral("DELETE FROM ") + tableName(dottedName(), at)));
        } else if (tok.is("IF")) {
            out.push_back(ifStatement());
        } else if (tok.is("BEGIN")) {
            ++p_;
            if (peek().is("TRAN") || peek().is("TRANSACTION"))
                unsupported(QStringLiteral("事务语句"), tok);
            while (!peek().is("END")) {
                while (peek().isOp(";"))
                    ++p_;
                if (peek().is("END"))
                    break;
                if (peek().kind == TokenKind::End)
                    fail(QStringLiteral("BEGIN 缺少 END"), tok);
                statement(out);
            }
            ++p_;
        } else if (tok.is("SET") && peek(1).is("NOCOUNT")) {
            p_ += 2;
            if (!accept("ON") && !accept("OFF"))
                fail(QStringLiteral("此处应为 ON 或 OFF"), peek());
        } else if (tok.is("ATTACH") || tok.is("DETACH") || tok.is("PRAGMA") || tok.is("VACUUM") ||
                   tok.is("REINDEX") || tok.is("ANALYZE")) {
            fail(QStringLiteral("不允许执行 %1").arg(tok.text.toUpper()), tok);
        } else if (tok.is("COMMIT") || tok.is("ROLLBACK") || tok.is("SAVE") ||
                   tok.is("SAVEPOINT") || tok.is("RELEASE")) {
            unsupported(QStringLiteral("事务语句"), tok);
        } else if (tok.kind == TokenKind::Identifier) {
            unsupported(QStringLiteral("语句 %1").arg(tok.text.toUpper()), tok);
        } else {
            fail(QStringLiteral("此处应为语句"), tok);
        }
    }
    static Step statementStep(const QString& sql) {
        Step s;
        s.kind = Step::Kind::Statement;
        s.sql = sql;
        return s;
    }

    Step ifStatement() {
        expect("IF");
        Step s;
        s.kind = Step::Kind::If;
        Scope empty;
        empty.parent = scope_;
        const Scope* saved = scope_;
        scope_ = &empty;
        const Expr cond = orExpr();
        scope_ = saved;
        s.sql =
            QStringLiteral("SELECT CASE WHEN ") + cond.sql + QStringLiteral(" THEN 1 ELSE 0 END");
        branch(s.thenSteps);
        while (peek().isOp(";") && peek(1).is("ELSE"))
            ++p_;
        if (accept("ELSE"))
            branch(s.elseSteps);
        return s;
    }
    void branch(std::vector<Step>& out) {
        while (peek().isOp(";"))
            ++p_;
        if (peek().kind == TokenKind::End || peek().is("ELSE"))
            fail(QStringLiteral("IF 缺少语句"), peek());
        statement(out);
    }

    // ---- SELECT
    struct Core {
        QString sql;
        QString limit;
        QString orderBy;             // ORDER BY text (qualified names kept)
        QString orderByUnqualified;  // same with column qualifiers removed (for compounds)
        std::vector<std::pair<QString, VType>> columns;
    };

    Select selectStatement() {
        const Nest nest(*this);
        if (peek().isOp("(")) {
            ++p_;
            Select s = selectStatement();
            expectOp(")");
            return s;
        }
        std::vector<Core> cores;
        QStringList ops;
        cores.push_back(core());
        while (true) {
            if (peek().is("UNION")) {
                ++p_;
                ops << (accept("ALL") ? QStringLiteral(" UNION ALL ") : QStringLiteral(" UNION "));
            } else if (peek().is("EXCEPT") || peek().is("INTERSECT")) {
                ops << u' ' + next().text.toUpper() + u' ';
            } else {
                break;
            }
            if (!cores.back().orderBy.isEmpty())
                fail(QStringLiteral("ORDER BY 只能出现在最后"), peek());
            cores.push_back(core());
        }
        Select out;
        out.columns = cores.front().columns;
        if (cores.size() == 1) {
            const Core& c = cores.front();
            out.sql = c.sql + c.orderBy +
                      (c.limit.isEmpty() ? QString() : QStringLiteral(" LIMIT ") + c.limit);
            return out;
        }
        for (size_t i = 0; i < cores.size(); ++i) {
            const Core& c = cores[i];
            if (i > 0)
                out.sql += ops[i - 1];
            if (c.limit.isEmpty())
                out.sql += c.sql;
            else
                out.sql += QStringLiteral("SELECT * FROM (") + c.sql + QStringLiteral(" LIMIT ") +
                           c.limit + u')';
        }
        out.sql += cores.back().orderByUnqualified;
        return out;
    }

    // Position of the FROM of the clause that starts at p_ (same parenthesis level), or -1.
    int findFrom() const {
        int depth = 0;
        int cases = 0;  // CASE ... END nesting: its ELSE ends nothing
        for (size_t i = p_; i < t_.size(); ++i) {
            const Token& tok = t_[i];
            if (tok.kind == TokenKind::End)
                return -1;
            if (tok.is("CASE")) {
                ++cases;
                continue;
            }
            if (tok.is("END") && cases > 0) {
                --cases;
                continue;
            }
            if (cases > 0 && tok.is("ELSE"))
                continue;
            if (tok.isOp("(")) {
                ++depth;
            } else if (tok.isOp(")")) {
                if (--depth < 0)
                    return -1;
            } else if (depth == 0) {
                if (tok.is("FROM"))
                    return static_cast<int>(i);
                if (tok.isOp(";") || tok.is("WHERE") || tok.is("GROUP") || tok.is("HAVING") ||
                    tok.is("ORDER") || tok.is("UNION") || tok.is("EXCEPT") || tok.is("INTERSECT") ||
                    tok.is("ELSE") || tok.is("SELECT") || tok.is("UPDATE") || tok.is("DELETE") ||
                    tok.is("INSERT") || tok.is("IF"))
                    return -1;
            }
        }
        return -1;
    }

    Core core() {
        const Token& selectTok = peek();
        expect("SELECT");
        Core c;
        QString head = QStringLiteral("SELECT ");
        if (accept("DISTINCT"))
            head += QStringLiteral("DISTINCT ");
        else
            accept("ALL");
        if (peek().is("TOP")) {
            const Token& topTok = next();
            if (peek().kind == TokenKind::Number) {
                c.limit = next().text;
            } else if (acceptOp("(")) {
                c.limit = u'(' + additive().sql + u')';
                expectOp(")");
            } else {
                fail(QStringLiteral("TOP 后应为数字"), peek());
            }
            if (peek().is("PERCENT"))
                unsupported(QStringLiteral("TOP … PERCENT"), peek());
            if (peek().is("WITH") && peek(1).is("TIES"))
                unsupported(QStringLiteral("TOP … WITH TIES"), peek());
            Q_UNUSED(topTok);
        }
        Scope scope;
        scope.parent = scope_;
        const Scope* saved = scope_;
        scope_ = &scope;

        const size_t listStart = p_;
        const int fromPos = findFrom();
        QString fromSql;
        size_t afterFrom = 0;
        if (fromPos >= 0) {
            p_ = static_cast<size_t>(fromPos) + 1;
            const std::vector<FromItem> items = fromItems(scope);
            fromSql = QStringLiteral(" FROM ") + renderFrom(items);
            afterFrom = p_;
            p_ = listStart;
        }
        QString list;
        bool first = true;
        while (true) {
            if (!first)
                list += QStringLiteral(", ");
            first = false;
            list += selectItem(c.columns);
            if (!acceptOp(","))
                break;
        }
        if (peek().is("INTO"))
            unsupported(QStringLiteral("SELECT … INTO"), peek());
        if (fromPos >= 0) {
            if (p_ != static_cast<size_t>(fromPos))
                fail(QStringLiteral("此处应为 FROM"), peek());
            p_ = afterFrom;
        }
        c.sql = head + list + fromSql;
        if (accept("WHERE"))
            c.sql += QStringLiteral(" WHERE ") + orExpr().sql;
        if (peek().is("GROUP")) {
            ++p_;
            expect("BY");
            c.sql += QStringLiteral(" GROUP BY ") + exprList();
        }
        if (accept("HAVING"))
            c.sql += QStringLiteral(" HAVING ") + orExpr().sql;
        if (peek().is("ORDER")) {
            ++p_;
            expect("BY");
            QString plain;
            QString unq;
            bool firstTerm = true;
            do {
                if (!firstTerm) {
                    plain += QStringLiteral(", ");
                    unq += QStringLiteral(", ");
                }
                firstTerm = false;
                const Expr e = orExpr();
                QString dir;
                if (accept("DESC"))
                    dir = QStringLiteral(" DESC");
                else if (accept("ASC"))
                    dir = QStringLiteral(" ASC");
                plain += e.sql + dir;
                unq += (e.name.isEmpty() ? e.sql : ident(e.name)) + dir;
            } while (acceptOp(","));
            c.orderBy = QStringLiteral(" ORDER BY ") + plain;
            c.orderByUnqualified = QStringLiteral(" ORDER BY ") + unq;
        }
        if (peek().is("OPTION"))
            unsupported(QStringLiteral("OPTION"), peek());
        if (peek().is("FOR"))
            unsupported(QStringLiteral("FOR 子句"), peek());
        Q_UNUSED(selectTok);
        scope_ = saved;
        return c;
    }

    QString selectItem(std::vector<std::pair<QString, VType>>& columns) {
        const Token& tok = peek();
        if (tok.isOp("*")) {
            ++p_;
            columns.emplace_back(QString(), VType::Unknown);
            return QStringLiteral("*");
        }
        if ((tok.kind == TokenKind::Identifier || tok.kind == TokenKind::Quoted) &&
            peek(1).isOp(".") && peek(2).isOp("*")) {
            p_ += 3;
            columns.emplace_back(QString(), VType::Unknown);
            return ident(tok.text) + QStringLiteral(".*");
        }
        // T-SQL "alias = expression"
        if ((tok.kind == TokenKind::Quoted ||
             (tok.kind == TokenKind::Identifier && !isReserved(tok))) &&
            peek(1).isOp("=")) {
            p_ += 2;
            const Expr e = orExpr();
            columns.emplace_back(tok.text, e.type);
            return e.sql + QStringLiteral(" AS ") + ident(tok.text);
        }
        const Expr e = orExpr();
        QString alias;
        if (accept("AS")) {
            const Token& a = next();
            if (a.kind != TokenKind::Identifier && a.kind != TokenKind::Quoted &&
                a.kind != TokenKind::String)
                fail(QStringLiteral("此处应为别名"), a);
            alias = a.text;
        } else if ((peek().kind == TokenKind::Identifier && !isReserved(peek())) ||
                   peek().kind == TokenKind::Quoted || peek().kind == TokenKind::String) {
            alias = next().text;
        }
        if (!alias.isEmpty()) {
            columns.emplace_back(alias, e.type);
            return e.sql + QStringLiteral(" AS ") + ident(alias);
        }
        columns.emplace_back(e.name, e.type);
        return e.sql;
    }

    QString exprList() {
        QString s;
        do {
            if (!s.isEmpty())
                s += QStringLiteral(", ");
            s += orExpr().sql;
        } while (acceptOp(","));
        return s;
    }

    // ---- FROM
    std::vector<FromItem> fromItems(Scope& scope) {
        std::vector<FromItem> items;
        items.push_back(tableRef(scope, QString()));
        while (true) {
            QString join;
            if (acceptOp(",")) {
                join = QStringLiteral(",");
            } else if (peek().is("JOIN")) {
                ++p_;
                join = QStringLiteral("JOIN");
            } else if (peek().is("INNER") && peek(1).is("JOIN")) {
                p_ += 2;
                join = QStringLiteral("JOIN");
            } else if ((peek().is("LEFT") || peek().is("RIGHT") || peek().is("FULL")) &&
                       (peek(1).is("JOIN") || (peek(1).is("OUTER") && peek(2).is("JOIN")))) {
                join = next().text.toUpper() + QStringLiteral(" JOIN");
                accept("OUTER");
                ++p_;
            } else if (peek().is("CROSS") && peek(1).is("JOIN")) {
                p_ += 2;
                join = QStringLiteral("CROSS JOIN");
            } else if (peek().is("CROSS") || peek().is("OUTER")) {
                unsupported(QStringLiteral("APPLY"), peek());
            } else {
                break;
            }
            FromItem item = tableRef(scope, join);
            if (join != QLatin1String(",") && join != QLatin1String("CROSS JOIN")) {
                expect("ON");
                item.on = orExpr().sql;
            }
            items.push_back(std::move(item));
        }
        return items;
    }

    static QString renderFrom(const std::vector<FromItem>& items) {
        QString s;
        for (const FromItem& it : items) {
            if (it.join.isEmpty())
                s += it.refSql;
            else if (it.join == QLatin1String(","))
                s += QStringLiteral(", ") + it.refSql;
            else
                s += u' ' + it.join + u' ' + it.refSql;
            if (!it.on.isEmpty())
                s += QStringLiteral(" ON ") + it.on;
        }
        return s;
    }

    FromItem tableRef(Scope& scope, const QString& join) {
        FromItem item;
        item.join = join;
        item.pos = peek().pos;
        if (peek().isOp("(")) {
            const Token& open = next();
            if (!peek().is("SELECT"))
                unsupported(QStringLiteral("括号中的表连接"), open);
            const Select sub = selectStatement();
            expectOp(")");
            accept("AS");
            const Token& a = peek();
            if (!((a.kind == TokenKind::Identifier && !isReserved(a)) ||
                  a.kind == TokenKind::Quoted))
                fail(QStringLiteral("派生表需要别名"), a);
            ++p_;
            item.ref.alias = a.text;
            for (const auto& col : sub.columns) {
                if (!col.first.isEmpty())
                    item.ref.derivedColumns.insert(col.first.toLower(), col.second);
            }
            item.refSql = u'(' + sub.sql + QStringLiteral(") AS ") + ident(a.text);
        } else {
            const Token& at = peek();
            const QStringList parts = dottedName();
            if (peek().isOp("("))
                unsupported(QStringLiteral("表值函数"), at);
            item.ref.table = parts.last();
            item.refSql = tableName(parts, at);
            if (accept("AS")) {
                const Token& a = next();
                if (a.kind != TokenKind::Identifier && a.kind != TokenKind::Quoted)
                    fail(QStringLiteral("此处应为别名"), a);
                item.ref.alias = a.text;
            } else if ((peek().kind == TokenKind::Identifier && !isReserved(peek())) ||
                       peek().kind == TokenKind::Quoted) {
                item.ref.alias = next().text;
            }
            if (!item.ref.alias.isEmpty())
                item.refSql += QStringLiteral(" AS ") + ident(item.ref.alias);
            tableHints();
        }
        scope.tables.push_back(item.ref);
        return item;
    }

    void tableHints() {
        if (peek().is("WITH") && peek(1).isOp("(")) {
            p_ += 2;
            while (!acceptOp(")")) {
                if (peek().kind == TokenKind::End)
                    fail(QStringLiteral("表提示没有结束"), peek());
                ++p_;
            }
        }
    }

    // ---- UPDATE
    QString update() {
        const Token& updateTok = next();
        if (peek().is("TOP"))
            unsupported(QStringLiteral("UPDATE TOP"), peek());
        const Token& targetTok = peek();
        const QStringList targetParts = dottedName();
        tableHints();
        expect("SET");
        Scope scope;
        scope.parent = scope_;
        const Scope* saved = scope_;
        scope_ = &scope;

        const size_t setStart = p_;
        const int fromPos = findFrom();
        std::vector<FromItem> items;
        size_t afterFrom = 0;
        if (fromPos >= 0) {
            p_ = static_cast<size_t>(fromPos) + 1;
            items = fromItems(scope);
            afterFrom = p_;
        }
        // The target: an alias or a table of the FROM list, else a table of its own.
        const QString target = targetParts.last();
        int targetIndex = -1;
        if (targetParts.size() == 1) {
            for (size_t i = 0; i < items.size(); ++i) {
                if (items[i].ref.alias.compare(target, Qt::CaseInsensitive) == 0) {
                    targetIndex = static_cast<int>(i);
                    break;
                }
            }
        }
        if (targetIndex < 0) {
            for (size_t i = 0; i < items.size(); ++i) {
                if (items[i].ref.alias.isEmpty() &&
                    items[i].ref.table.compare(target, Qt::CaseInsensitive) == 0) {
                    targetIndex = static_cast<int>(i);
                    break;
                }
            }
        }
        QString head;
        QStringList whereParts;
        QString targetAlias;
        if (targetIndex >= 0) {
            const FromItem& t = items[static_cast<size_t>(targetIndex)];
            if (t.ref.table.isEmpty())
                unsupported(QStringLiteral("更新派生表"), targetTok);
            head = QStringLiteral("UPDATE ") + t.refSql;
            targetAlias = t.ref.alias.isEmpty() ? t.ref.table : t.ref.alias;
            removeTarget(items, static_cast<size_t>(targetIndex), whereParts, targetTok);
        } else {
            head = QStringLiteral("UPDATE ") + tableName(targetParts, targetTok);
            TableRef ref;
            ref.table = target;
            scope.tables.push_back(ref);
            targetAlias = target;
        }
        p_ = setStart;
        QString sets;
        do {
            if (!sets.isEmpty())
                sets += QStringLiteral(", ");
            const Token& colTok = peek();
            const QStringList col = dottedName();
            if (col.size() > 2)
                fail(QStringLiteral("SET 列名错误"), colTok);
            if (col.size() == 2 && col.first().compare(targetAlias, Qt::CaseInsensitive) != 0 &&
                col.first().compare(target, Qt::CaseInsensitive) != 0)
                fail(QStringLiteral("SET 的列不属于被更新的表"), colTok);
            expectOp("=");
            sets += ident(col.last()) + QStringLiteral(" = ") + orExpr().sql;
        } while (acceptOp(","));
        if (fromPos >= 0) {
            if (p_ != static_cast<size_t>(fromPos))
                fail(QStringLiteral("此处应为 FROM"), peek());
            p_ = afterFrom;
        }
        if (accept("WHERE"))
            whereParts << u'(' + orExpr().sql + u')';
        if (peek().is("OPTION"))
            unsupported(QStringLiteral("OPTION"), peek());
        scope_ = saved;
        Q_UNUSED(updateTok);
        QString sql = head + QStringLiteral(" SET ") + sets;
        if (!items.empty())
            sql += QStringLiteral(" FROM ") + renderFrom(items);
        if (!whereParts.isEmpty())
            sql += QStringLiteral(" WHERE ") + whereParts.join(QStringLiteral(" AND "));
        return sql;
    }

    // Takes the UPDATE target out of the FROM list; an inner join's condition moves to WHERE.
    void removeTarget(std::vector<FromItem>& items, size_t index, QStringList& whereParts,
                      const Token& at) {
        const FromItem& t = items[index];
        if (!t.join.isEmpty() && t.join != QLatin1String(",") && t.join != QLatin1String("JOIN"))
            unsupported(QStringLiteral("外连接中的更新目标"), at);
        if (!t.on.isEmpty())
            whereParts << u'(' + t.on + u')';
        if (index + 1 < items.size()) {
            FromItem& following = items[index + 1];
            if (index == 0 || t.join == QLatin1String(",")) {
                if (following.join == QLatin1String("JOIN") ||
                    following.join == QLatin1String(",") ||
                    following.join == QLatin1String("CROSS JOIN")) {
                    if (index == 0) {
                        if (!following.on.isEmpty())
                            whereParts << u'(' + following.on + u')';
                        following.on.clear();
                        following.join.clear();
                    }
                } else {
                    unsupported(QStringLiteral("外连接中的更新目标"), at);
                }
            }
        }
        items.erase(items.begin() + static_cast<std::ptrdiff_t>(index));
        if (!items.empty() && items.front().join == QLatin1String(","))
            items.front().join.clear();
    }

    // ---- DELETE
    QString deleteStatement() {
        next();
        if (peek().is("TOP"))
            unsupported(QStringLiteral("DELETE TOP"), peek());
        accept("FROM");
        const Token& targetTok = peek();
        const QStringList targetParts = dottedName();
        Scope scope;
        scope.parent = scope_;
        const Scope* saved = scope_;
        scope_ = &scope;
        QString sql;
        if (accept("FROM")) {
            const std::vector<FromItem> items = fromItems(scope);
            const QString target = targetParts.last();
            int idx = -1;
            for (size_t i = 0; i < items.size() && idx < 0; ++i) {
                if (items[i].ref.alias.compare(target, Qt::CaseInsensitive) == 0 ||
                    (items[i].ref.alias.isEmpty() &&
                     items[i].ref.table.compare(target, Qt::CaseInsensitive) == 0))
                    idx = static_cast<int>(i);
            }
            if (idx < 0)
                fail(QStringLiteral("DELETE 的目标不在 FROM 中"), targetTok);
            const FromItem& t = items[static_cast<size_t>(idx)];
            if (t.ref.table.isEmpty())
                unsupported(QStringLiteral("删除派生表"), targetTok);
            QString where;
            if (accept("WHERE"))
                where = orExpr().sql;
            if (items.size() == 1) {
                sql = QStringLiteral("DELETE FROM ") + t.refSql;
                if (!where.isEmpty())
                    sql += QStringLiteral(" WHERE ") + where;
            } else {
                const QString alias =
                    t.ref.alias.isEmpty() ? ident(t.ref.table) : ident(t.ref.alias);
                const QString base = t.refSql.section(QStringLiteral(" AS "), 0, 0);
                sql = QStringLiteral("DELETE FROM ") + base +
                      QStringLiteral(" WHERE rowid IN (SELECT ") + alias +
                      QStringLiteral(".rowid FROM ") + renderFrom(items) +
                      (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where) + u')';
            }
        } else {
            TableRef ref;
            ref.table = targetParts.last();
            QString name = tableName(targetParts, targetTok);
            if (accept("AS"))
                unsupported(QStringLiteral("DELETE 目标的别名"), peek());
            scope.tables.push_back(ref);
            sql = QStringLiteral("DELETE FROM ") + name;
            if (accept("WHERE"))
                sql += QStringLiteral(" WHERE ") + orExpr().sql;
        }
        scope_ = saved;
        return sql;
    }

    // ---- INSERT
    QString insert() {
        next();
        accept("INTO");
        const Token& at = peek();
        const QStringList parts = dottedName();
        QString sql = QStringLiteral("INSERT INTO ") + tableName(parts, at);
        Scope scope;
        scope.parent = scope_;
        const Scope* saved = scope_;
        scope_ = &scope;
        if (acceptOp("(")) {
            QStringList cols;
            do {
                const Token& c = next();
                if (c.kind != TokenKind::Identifier && c.kind != TokenKind::Quoted)
                    fail(QStringLiteral("此处应为列名"), c);
                cols << ident(c.text);
            } while (acceptOp(","));
            expectOp(")");
            sql += u'(' + cols.join(QStringLiteral(", ")) + u')';
        }
        if (accept("VALUES")) {
            sql += QStringLiteral(" VALUES ");
            bool firstRow = true;
            do {
                if (!firstRow)
                    sql += QStringLiteral(", ");
                firstRow = false;
                expectOp("(");
                QString row;
                do {
                    if (!row.isEmpty())
                        row += QStringLiteral(", ");
                    row += orExpr().sql;
                } while (acceptOp(","));
                expectOp(")");
                sql += u'(' + row + u')';
            } while (acceptOp(","));
        } else if (peek().is("SELECT") || (peek().isOp("(") && peek(1).is("SELECT"))) {
            sql += u' ' + selectStatement().sql;
        } else if (accept("DEFAULT")) {
            expect("VALUES");
            sql += QStringLiteral(" DEFAULT VALUES");
        } else if (peek().is("EXEC") || peek().is("EXECUTE")) {
            unsupported(QStringLiteral("INSERT … EXEC"), peek());
        } else {
            fail(QStringLiteral("此处应为 VALUES 或 SELECT"), peek());
        }
        scope_ = saved;
        return sql;
    }

    // ---- expressions
    // Some functions repeat an argument in their translation (RIGHT names its length twice), so
    // that nesting them doubles the text at every level; a few hundred characters of client text
    // would otherwise ask for more memory than the server has. Every expression is bounded.
    static constexpr qsizetype kMaxExprLength = 1000000;
    Expr orExpr() {
        const Nest nest(*this);
        const Token& start = peek();
        Expr l = andExpr();
        while (accept("OR")) {
            const Expr r = andExpr();
            l.sql = l.sql + QStringLiteral(" OR ") + r.sql;
            l.type = VType::Number;
            l.name.clear();
        }
        bound(l, start);
        return l;
    }
    void bound(const Expr& e, const Token& at) {
        if (e.sql.size() > kMaxExprLength)
            fail(QStringLiteral("表达式翻译后超过 %1 个字符，请简化后再试").arg(kMaxExprLength), at);
    }
    Expr andExpr() {
        Expr l = notExpr();
        while (accept("AND")) {
            const Expr r = notExpr();
            l.sql = l.sql + QStringLiteral(" AND ") + r.sql;
            l.type = VType::Number;
            l.name.clear();
        }
        return l;
    }
    Expr notExpr() {
        if (accept("NOT")) {
            const Nest nest(*this);
            const Expr e = notExpr();
            return {QStringLiteral("NOT ") + e.sql, VType::Number, {}};
        }
        return comparison();
    }

    static bool textCompare(const Expr& a, const Expr& b) {
        const bool anyText = a.type == VType::Text || b.type == VType::Text;
        const bool anyOther = a.type == VType::Number || a.type == VType::Date ||
                              b.type == VType::Number || b.type == VType::Date;
        return anyText && !anyOther;
    }
    // Text compared as SQL Server compares varchar: without regard to case or trailing blanks.
    static QString nocase(const Expr& e) { return e.sql + QStringLiteral(" COLLATE TSQL"); }

    Expr comparison() {
        Expr l = additive();
        const Token& tok = peek();
        Expr out;
        out.type = VType::Number;
        if (tok.is("IS")) {
            ++p_;
            const bool neg = accept("NOT");
            expect("NULL");
            out.sql = l.sql + (neg ? QStringLiteral(" IS NOT NULL") : QStringLiteral(" IS NULL"));
            return out;
        }
        bool neg = false;
        if (tok.is("NOT") && (peek(1).is("LIKE") || peek(1).is("IN") || peek(1).is("BETWEEN"))) {
            ++p_;
            neg = true;
        }
        const QString notText = neg ? QStringLiteral(" NOT") : QString();
        if (accept("LIKE")) {
            // SQL Server's pattern language (bracket classes, case) is the server's function.
            const Expr r = additive();
            QString args = r.sql + QStringLiteral(", ") + l.sql;
            if (accept("ESCAPE"))
                args += QStringLiteral(", ") + additive().sql;
            out.sql = (neg ? QStringLiteral("NOT ") : QString()) + QStringLiteral("tsql_like(") +
                      args + u')';
            return out;
        }
        if (accept("IN")) {
            expectOp("(");
            QString inner;
            bool textItems = false;
            if (peek().is("SELECT")) {
                const Select s = selectStatement();
                inner = s.sql;
                textItems = !s.columns.empty() && s.columns.front().second == VType::Text;
            } else {
                bool allText = true;
                do {
                    if (!inner.isEmpty())
                        inner += QStringLiteral(", ");
                    const Expr e = orExpr();
                    allText = allText && e.type == VType::Text;
                    inner += e.sql;
                } while (acceptOp(","));
                textItems = allText;
            }
            expectOp(")");
            const bool ci = l.type == VType::Text || (l.type == VType::Unknown && textItems);
            out.sql = (ci ? nocase(l) : l.sql) + notText + QStringLiteral(" IN (") + inner + u')';
            return out;
        }
        if (accept("BETWEEN")) {
            const Expr a = additive();
            expect("AND");
            const Expr b = additive();
            const bool ci = textCompare(l, a) || textCompare(l, b);
            out.sql = (ci ? nocase(l) : l.sql) + notText + QStringLiteral(" BETWEEN ") + a.sql +
                      QStringLiteral(" AND ") + b.sql;
            return out;
        }
        if (neg)
            fail(QStringLiteral("NOT 后应为 LIKE、IN 或 BETWEEN"), peek());
        static const char* const ops[] = {"=", "<>", "!=", "<", ">", "<=", ">=", "!<", "!>"};
        for (const char* op : ops) {
            if (tok.isOp(op)) {
                ++p_;
                if (peek().is("ALL") || peek().is("ANY") || peek().is("SOME"))
                    unsupported(QStringLiteral("ALL/ANY 比较"), peek());
                const Expr r = additive();
                QString sqlOp = QString::fromLatin1(op);
                if (sqlOp == QLatin1String("!="))
                    sqlOp = QStringLiteral("<>");
                else if (sqlOp == QLatin1String("!<"))
                    sqlOp = QStringLiteral(">=");
                else if (sqlOp == QLatin1String("!>"))
                    sqlOp = QStringLiteral("<=");
                out.sql = (textCompare(l, r) ? nocase(l) : l.sql) + u' ' + sqlOp + u' ' + r.sql;
                return out;
            }
        }
        return l;
    }

    // True when sql is one call of fn covering the whole text.
    static bool isCallOf(const QString& sql, const QString& fn) {
        if (!sql.startsWith(fn + u'(') || !sql.endsWith(u')'))
            return false;
        int depth = 0;
        bool quoted = false;
        for (int i = static_cast<int>(fn.size()); i < sql.size(); ++i) {
            const QChar c = sql[i];
            if (c == u'\'') {
                quoted = !quoted;
            } else if (!quoted && c == u'(') {
                ++depth;
            } else if (!quoted && c == u')') {
                if (--depth == 0)
                    return i == sql.size() - 1;
            }
        }
        return false;
    }
    // The expression as a date text "yyyy-mm-dd hh:mm:ss"; calls that give one already stay.
    static QString asDate(const Expr& e) {
        static const QString canonical[] = {
            QStringLiteral("dyt_datetime"), QStringLiteral("dyt_dateadd"),
            QStringLiteral("dyt_getdate"), QStringLiteral("datetime")};
        for (const QString& fn : canonical)
            if (isCallOf(e.sql, fn))
                return e.sql;
        return QStringLiteral("dyt_datetime(") + e.sql + u')';
    }

    Expr additive() {
        Expr l = multiplicative();
        while (true) {
            const Token& tok = peek();
            if (tok.isOp("+")) {
                ++p_;
                const Expr r = multiplicative();
                l = plus(l, r);
            } else if (tok.isOp("-")) {
                ++p_;
                const Expr r = multiplicative();
                l = minus(l, r);
            } else if (tok.isOp("&") || tok.isOp("|") || tok.isOp("^")) {
                ++p_;
                const Expr r = multiplicative();
                if (tok.text == QLatin1String("^"))
                    l = {QStringLiteral("((") + l.sql + QStringLiteral(") | (") + r.sql +
                             QStringLiteral(")) - ((") + l.sql + QStringLiteral(") & (") + r.sql +
                             QStringLiteral("))"),
                         VType::Number,
                         {}};
                else
                    l = {u'(' + l.sql + u' ' + tok.text + u' ' + r.sql + u')', VType::Number, {}};
            } else {
                return l;
            }
            // XOR names both sides twice: a chain of them doubles the text at every step.
            bound(l, tok);
        }
    }

    static Expr plus(const Expr& l, const Expr& r) {
        const auto known = [](const Expr& e) { return e.type != VType::Unknown; };
        if (l.type == VType::Date && r.type != VType::Text && r.type != VType::Date)
            return {QStringLiteral("datetime(julianday(") + asDate(l) + QStringLiteral(") + (") +
                        r.sql + QStringLiteral("))"),
                    VType::Date,
                    {}};
        if (r.type == VType::Date && l.type != VType::Text && l.type != VType::Date)
            return {QStringLiteral("datetime(julianday(") + asDate(r) + QStringLiteral(") + (") +
                        l.sql + QStringLiteral("))"),
                    VType::Date,
                    {}};
        if ((l.type == VType::Text && (r.type == VType::Text || !known(r))) ||
            (r.type == VType::Text && !known(l)))
            return {u'(' + l.sql + QStringLiteral(" || ") + r.sql + u')', VType::Text, {}};
        if (l.type == VType::Number && r.type == VType::Number)
            return {u'(' + l.sql + QStringLiteral(" + ") + r.sql + u')', VType::Number, {}};
        if ((l.type == VType::Text && r.type == VType::Number) ||
            (l.type == VType::Number && r.type == VType::Text))
            // SQL Server converts the text to a number here
            return {QStringLiteral("(CAST(") + l.sql + QStringLiteral(" AS NUMERIC) + CAST(") +
                        r.sql + QStringLiteral(" AS NUMERIC))"),
                    VType::Number,
                    {}};
        return {QStringLiteral("dyt_add(") + l.sql + QStringLiteral(", ") + r.sql + u')',
                known(l) ? l.type : r.type,
                {}};
    }

    static Expr minus(const Expr& l, const Expr& r) {
        if (l.type == VType::Date && r.type == VType::Date)
            return {QStringLiteral("(julianday(") + asDate(l) + QStringLiteral(") - julianday(") +
                        asDate(r) + QStringLiteral("))"),
                    VType::Number,
                    {}};
        if (l.type == VType::Date)
            return {QStringLiteral("datetime(julianday(") + asDate(l) + QStringLiteral(") - (") +
                        r.sql + QStringLiteral("))"),
                    VType::Date,
                    {}};
        return {u'(' + l.sql + QStringLiteral(" - ") + r.sql + u')',
                l.type == VType::Unknown ? r.type : VType::Number,
                {}};
    }

    Expr multiplicative() {
        Expr l = unary();
        while (peek().isOp("*") || peek().isOp("/") || peek().isOp("%")) {
            const QString op = next().text;
            const Expr r = unary();
            l = {l.sql + u' ' + op + u' ' + r.sql, VType::Number, {}};
        }
        return l;
    }

    Expr unary() {
        if (peek().isOp("-") || peek().isOp("+")) {
            const Nest nest(*this);
            const QString op = next().text;
            const Expr e = unary();
            return {op + e.sql, e.type == VType::Unknown ? VType::Number : e.type, {}};
        }
        if (acceptOp("~")) {
            const Nest nest(*this);
            const Expr e = unary();
            return {QStringLiteral("~") + e.sql, VType::Number, {}};
        }
        return primary();
    }

    Expr primary() {
        const Token& tok = peek();
        switch (tok.kind) {
            case TokenKind::Number:
                ++p_;
                return {tok.text, VType::Number, {}};
            case TokenKind::String:
                ++p_;
                return {sqlQuoted(tok.text), VType::Text, {}};
            case TokenKind::Variable: {
                ++p_;
                if (tok.text.compare(QLatin1String("@@spid"), Qt::CaseInsensitive) == 0)
                    return {QString::number(ctx_.sessionId), VType::Number, {}};
                if (tok.text.compare(QLatin1String("@@identity"), Qt::CaseInsensitive) == 0)
                    return {QStringLiteral("last_insert_rowid()"), VType::Number, {}};
                if (tok.text.compare(QLatin1String("@@rowcount"), Qt::CaseInsensitive) == 0)
                    return {QStringLiteral("changes()"), VType::Number, {}};
                unsupported(QStringLiteral("变量 %1").arg(tok.text), tok);
            }
            case TokenKind::Operator:
                if (tok.isOp("(")) {
                    ++p_;
                    if (peek().is("SELECT")) {
                        const Select s = selectStatement();
                        expectOp(")");
                        const VType type =
                            s.columns.empty() ? VType::Unknown : s.columns.front().second;
                        return {u'(' + s.sql + u')', type, {}};
                    }
                    Expr e = orExpr();
                    expectOp(")");
                    e.sql = u'(' + e.sql + u')';
                    e.name.clear();
                    return e;
                }
                fail(QStringLiteral("此处应为表达式"), tok);
            case TokenKind::End:
                fail(QStringLiteral("语句不完整"), tok);
            case TokenKind::Identifier:
            case TokenKind::Quoted:
                break;
        }
        if (tok.kind == TokenKind::Identifier) {
            if (tok.is("NULL")) {
                ++p_;
                return {QStringLiteral("NULL"), VType::Unknown, {}};
            }
            if (tok.is("CASE"))
                return caseExpr();
            if (tok.is("EXISTS")) {
                ++p_;
                expectOp("(");
                const Select s = selectStatement();
                expectOp(")");
                return {QStringLiteral("EXISTS (") + s.sql + u')', VType::Number, {}};
            }
            if (isReserved(tok) && !(tok.is("LEFT") || tok.is("RIGHT")))
                fail(QStringLiteral("此处应为表达式"), tok);
        }
        const QStringList parts = dottedName();
        if (peek().isOp("("))
            return functionCall(parts, tok);
        return columnRef(parts, tok);
    }

    Expr columnRef(const QStringList& partsIn, const Token& at) {
        QStringList parts = partsIn;
        if (parts.size() > 2) {
            if (parts.size() > 4)
                fail(QStringLiteral("列名的部分太多"), at);
            parts = parts.mid(parts.size() - 2);
        }
        Expr e;
        e.name = parts.last();
        if (parts.size() == 2) {
            e.sql = ident(parts[0]) + u'.' + ident(parts[1]);
            e.type = lookup(parts[0], parts[1]);
        } else {
            e.sql = ident(parts[0]);
            e.type = lookup(QString(), parts[0]);
        }
        return e;
    }

    VType typeIn(const TableRef& t, const QString& column) const {
        if (t.table.isEmpty())
            return t.derivedColumns.value(column.toLower(), VType::Unknown);
        if (!ctx_.schema)
            return VType::Unknown;
        return fromColumnType(ctx_.schema(t.table, column));
    }

    VType lookup(const QString& qualifier, const QString& column) const {
        for (const Scope* s = scope_; s; s = s->parent) {
            for (const TableRef& t : s->tables) {
                if (qualifier.isEmpty()) {
                    const VType v = typeIn(t, column);
                    if (v != VType::Unknown)
                        return v;
                } else if (t.alias.compare(qualifier, Qt::CaseInsensitive) == 0 ||
                           (t.alias.isEmpty() &&
                            t.table.compare(qualifier, Qt::CaseInsensitive) == 0)) {
                    return typeIn(t, column);
                }
            }
        }
        return VType::Unknown;
    }

    Expr caseExpr() {
        expect("CASE");
        QString sql = QStringLiteral("CASE");
        Expr operand;
        const bool simple = !peek().is("WHEN");
        if (simple)
            operand = orExpr();
        std::vector<Expr> whens;
        VType type = VType::Unknown;
        QString body;
        while (accept("WHEN")) {
            const Expr w = orExpr();
            whens.push_back(w);
            expect("THEN");
            const Expr th = orExpr();
            if (type == VType::Unknown)
                type = th.type;
            body += QStringLiteral(" WHEN ") + w.sql + QStringLiteral(" THEN ") + th.sql;
        }
        if (whens.empty())
            fail(QStringLiteral("CASE 缺少 WHEN"), peek());
        if (accept("ELSE")) {
            const Expr el = orExpr();
            if (type == VType::Unknown)
                type = el.type;
            body += QStringLiteral(" ELSE ") + el.sql;
        }
        expect("END");
        if (simple) {
            bool ci = false;
            for (const Expr& w : whens)
                ci = ci || textCompare(operand, w);
            sql += u' ' + (ci ? nocase(operand) : operand.sql);
        }
        return {sql + body + QStringLiteral(" END"), type, {}};
    }

    struct TypeSpec {
        VType type = VType::Unknown;
        QString sqlite;  // TEXT, INTEGER, REAL
        int length = 0;  // for text, 0 when not given or max
    };

    TypeSpec typeSpec() {
        const Token& tok = peek();
        if (tok.kind != TokenKind::Identifier)
            fail(QStringLiteral("此处应为数据类型"), tok);
        const QString name = next().text.toLower();
        TypeSpec ts;
        int length = 0;
        if (acceptOp("(")) {
            if (peek().is("MAX")) {
                ++p_;
            } else {
                const Token& n = next();
                if (n.kind != TokenKind::Number)
                    fail(QStringLiteral("此处应为长度"), n);
                length = n.text.toInt();
                if (acceptOp(",")) {
                    if (next().kind != TokenKind::Number)
                        fail(QStringLiteral("此处应为小数位数"), peek());
                }
            }
            expectOp(")");
        }
        static const QSet<QString> texts = {QStringLiteral("varchar"), QStringLiteral("nvarchar"),
                                            QStringLiteral("char"),    QStringLiteral("nchar"),
                                            QStringLiteral("text"),    QStringLiteral("ntext")};
        static const QSet<QString> ints = {QStringLiteral("int"), QStringLiteral("bigint"),
                                           QStringLiteral("smallint"), QStringLiteral("tinyint"),
                                           QStringLiteral("bit")};
        static const QSet<QString> reals = {QStringLiteral("decimal"), QStringLiteral("numeric"),
                                            QStringLiteral("money"),   QStringLiteral("smallmoney"),
                                            QStringLiteral("float"),   QStringLiteral("real")};
        static const QSet<QString> dates = {QStringLiteral("datetime"),
                                            QStringLiteral("smalldatetime"), QStringLiteral("date"),
                                            QStringLiteral("datetime2")};
        if (texts.contains(name)) {
            ts.type = VType::Text;
            ts.sqlite = QStringLiteral("TEXT");
            ts.length = length;
        } else if (ints.contains(name)) {
            ts.type = VType::Number;
            ts.sqlite = QStringLiteral("INTEGER");
        } else if (reals.contains(name)) {
            ts.type = VType::Number;
            ts.sqlite = QStringLiteral("REAL");
        } else if (dates.contains(name)) {
            ts.type = VType::Date;
            ts.sqlite =
                name == QLatin1String("date") ? QStringLiteral("DATE") : QStringLiteral("DATETIME");
        } else {
            unsupported(QStringLiteral("数据类型 %1").arg(tok.text), tok);
        }
        return ts;
    }

    Expr convertTo(const TypeSpec& ts, const Expr& x, int style, const Token& at) {
        switch (ts.type) {
            case VType::Date:
                if (ts.sqlite == QLatin1String("DATE"))
                    return {QStringLiteral("date(") + asDate(x) + u')', VType::Date, {}};
                return {asDate(x), VType::Date, {}};
            case VType::Number:
                return {QStringLiteral("CAST(") + x.sql + QStringLiteral(" AS ") + ts.sqlite + u')',
                        VType::Number,
                        {}};
            case VType::Text: {
                QString s;
                if (style >= 0 && x.type != VType::Number) {
                    static const QHash<int, QString> formats = {
                        {20, QStringLiteral("%Y-%m-%d %H:%M:%S")},
                        {120, QStringLiteral("%Y-%m-%d %H:%M:%S")},
                        {21, QStringLiteral("%Y-%m-%d %H:%M:%f")},
                        {121, QStringLiteral("%Y-%m-%d %H:%M:%f")},
                        {23, QStringLiteral("%Y-%m-%d")},
                        {102, QStringLiteral("%Y.%m.%d")},
                        {111, QStringLiteral("%Y/%m/%d")},
                        {112, QStringLiteral("%Y%m%d")},
                        {108, QStringLiteral("%H:%M:%S")},
                        {8, QStringLiteral("%H:%M:%S")},
                    };
                    if (!formats.contains(style))
                        unsupported(QStringLiteral("CONVERT 样式 %1").arg(style), at);
                    if (style == 20 || style == 120 || style == 23)
                        // the date text is already "yyyy-mm-dd hh:mm:ss": cut, don't reformat
                        s = QStringLiteral("substr(") + asDate(x) +
                            (style == 23 ? QStringLiteral(", 1, 10)") : QStringLiteral(", 1, 19)"));
                    else
                        s = QStringLiteral("strftime('") + formats.value(style) +
                            QStringLiteral("', ") + asDate(x) + u')';
                } else if (x.type == VType::Date) {
                    s = asDate(x);
                } else {
                    s = QStringLiteral("CAST(") + x.sql + QStringLiteral(" AS TEXT)");
                }
                if (ts.length > 0)
                    s = QStringLiteral("substr(") + s + QStringLiteral(", 1, ") +
                        QString::number(ts.length) + u')';
                return {s, VType::Text, {}};
            }
            case VType::Unknown:
                break;
        }
        return x;
    }

    QString unitArg() {
        const Token& u = next();
        QString unit;
        if (u.kind == TokenKind::Identifier || u.kind == TokenKind::String)
            unit = dateUnit(u.text);
        if (unit.isEmpty())
            fail(QStringLiteral("日期部分名称错误"), u);
        return sqlQuoted(unit);
    }

    std::vector<Expr> args() {
        std::vector<Expr> out;
        if (acceptOp(")"))
            return out;
        do {
            out.push_back(orExpr());
        } while (acceptOp(","));
        expectOp(")");
        return out;
    }

    Expr functionCall(const QStringList& parts, const Token& at) {
        if (parts.size() > 3)
            fail(QStringLiteral("函数名的部分太多"), at);
        if (parts.size() >= 2 &&
            parts[parts.size() - 2].compare(QLatin1String("dbo"), Qt::CaseInsensitive) != 0)
            fail(QStringLiteral("不支持的架构名 %1").arg(parts[parts.size() - 2]), at);
        const QString name = parts.last();
        const QString lname = name.toLower();
        expectOp("(");
        const auto arity = [&](const std::vector<Expr>& a, size_t lo, size_t hi) {
            if (a.size() < lo || a.size() > hi)
                fail(QStringLiteral("函数 %1 的参数个数不对").arg(name), at);
        };
        if (serverFunctions().contains(lname)) {
            const std::vector<Expr> a = args();
            QStringList sqls;
            for (const Expr& e : a)
                sqls << e.sql;
            return {ident(name) + u'(' + sqls.join(QStringLiteral(", ")) + u')',
                    serverFunctions().value(lname),
                    {}};
        }
        if (parts.size() > 1)
            unsupported(QStringLiteral("函数 %1").arg(parts.join(u'.')), at);
        if (lname == QLatin1String("convert")) {
            const TypeSpec ts = typeSpec();
            expectOp(",");
            const Expr x = orExpr();
            int style = -1;
            if (acceptOp(",")) {
                const Token& st = next();
                if (st.kind != TokenKind::Number)
                    fail(QStringLiteral("CONVERT 样式应为数字"), st);
                style = st.text.toInt();
            }
            expectOp(")");
            return convertTo(ts, x, style, at);
        }
        if (lname == QLatin1String("cast")) {
            const Expr x = orExpr();
            expect("AS");
            const TypeSpec ts = typeSpec();
            expectOp(")");
            return convertTo(ts, x, -1, at);
        }
        if (lname == QLatin1String("dateadd") || lname == QLatin1String("datediff") ||
            lname == QLatin1String("datepart") || lname == QLatin1String("datename")) {
            if (lname == QLatin1String("datename"))
                unsupported(QStringLiteral("DATENAME"), at);
            const QString unit = unitArg();
            QString sql = QStringLiteral("dyt_") + lname + u'(' + unit;
            const std::vector<Expr> rest = [&] {
                std::vector<Expr> r;
                while (acceptOp(","))
                    r.push_back(orExpr());
                expectOp(")");
                return r;
            }();
            arity(rest, lname == QLatin1String("datepart") ? 1 : 2,
                  lname == QLatin1String("datepart") ? 1 : 2);
            for (const Expr& e : rest)
                sql += QStringLiteral(", ") + e.sql;
            sql += u')';
            return {sql, lname == QLatin1String("dateadd") ? VType::Date : VType::Number, {}};
        }
        if (lname == QLatin1String("count") || lname == QLatin1String("count_big")) {
            if (acceptOp("*")) {
                expectOp(")");
                return {QStringLiteral("count(*)"), VType::Number, {}};
            }
            const bool distinct = accept("DISTINCT");
            if (!distinct)
                accept("ALL");
            const std::vector<Expr> a = args();
            arity(a, 1, 1);
            return {QStringLiteral("count(") +
                        (distinct ? QStringLiteral("DISTINCT ") : QString()) + a[0].sql + u')',
                    VType::Number,
                    {}};
        }
        if (lname == QLatin1String("sum") || lname == QLatin1String("avg") ||
            lname == QLatin1String("min") || lname == QLatin1String("max")) {
            const bool distinct = accept("DISTINCT");
            if (!distinct)
                accept("ALL");
            const std::vector<Expr> a = args();
            arity(a, 1, 1);
            const VType type = lname == QLatin1String("min") || lname == QLatin1String("max")
                                   ? a[0].type
                                   : VType::Number;
            return {lname + u'(' + (distinct ? QStringLiteral("DISTINCT ") : QString()) + a[0].sql +
                        u')',
                    type,
                    {}};
        }
        const std::vector<Expr> a = args();
        const auto call = [&](const QString& fn, VType type) {
            QStringList sqls;
            for (const Expr& e : a)
                sqls << e.sql;
            return Expr{fn + u'(' + sqls.join(QStringLiteral(", ")) + u')', type, {}};
        };
        if (lname == QLatin1String("getdate") || lname == QLatin1String("current_timestamp") ||
            lname == QLatin1String("sysdatetime")) {
            arity(a, 0, 0);
            return {QStringLiteral("dyt_getdate()"), VType::Date, {}};
        }
        if (lname == QLatin1String("getutcdate")) {
            arity(a, 0, 0);
            return {QStringLiteral("datetime('now')"), VType::Date, {}};
        }
        if (lname == QLatin1String("isnull")) {
            arity(a, 2, 2);
            return call(QStringLiteral("ifnull"),
                        a[0].type != VType::Unknown ? a[0].type : a[1].type);
        }
        if (lname == QLatin1String("coalesce")) {
            arity(a, 1, 64);
            VType type = VType::Unknown;
            for (const Expr& e : a)
                if (type == VType::Unknown)
                    type = e.type;
            return call(QStringLiteral("coalesce"), type);
        }
        if (lname == QLatin1String("nullif")) {
            arity(a, 2, 2);
            return call(QStringLiteral("nullif"), a[0].type);
        }
        if (lname == QLatin1String("left")) {
            arity(a, 2, 2);
            return {
                QStringLiteral("substr(") + a[0].sql + QStringLiteral(", 1, ") + a[1].sql + u')',
                VType::Text,
                {}};
        }
        if (lname == QLatin1String("right")) {
            arity(a, 2, 2);
            return {QStringLiteral("CASE WHEN (") + a[1].sql +
                        QStringLiteral(") > 0 THEN substr(") + a[0].sql + QStringLiteral(", -(") +
                        a[1].sql + QStringLiteral(")) ELSE '' END"),
                    VType::Text,
                    {}};
        }
        if (lname == QLatin1String("substring")) {
            arity(a, 3, 3);
            return call(QStringLiteral("substr"), VType::Text);
        }
        if (lname == QLatin1String("len")) {
            arity(a, 1, 1);
            return {QStringLiteral("length(rtrim(") + a[0].sql + QStringLiteral(", ' '))"),
                    VType::Number,
                    {}};
        }
        if (lname == QLatin1String("datalength")) {
            arity(a, 1, 1);
            return call(QStringLiteral("length"), VType::Number);
        }
        if (lname == QLatin1String("lower") || lname == QLatin1String("upper")) {
            arity(a, 1, 1);
            return call(lname, VType::Text);
        }
        if (lname == QLatin1String("ltrim") || lname == QLatin1String("rtrim")) {
            arity(a, 1, 1);
            return {lname + u'(' + a[0].sql + QStringLiteral(", ' ')"), VType::Text, {}};
        }
        if (lname == QLatin1String("replace")) {
            arity(a, 3, 3);
            return call(QStringLiteral("replace"), VType::Text);
        }
        if (lname == QLatin1String("charindex")) {
            arity(a, 2, 2);
            return {QStringLiteral("instr(") + a[1].sql + QStringLiteral(", ") + a[0].sql + u')',
                    VType::Number,
                    {}};
        }
        if (lname == QLatin1String("abs") || lname == QLatin1String("sign") ||
            lname == QLatin1String("floor") || lname == QLatin1String("sqrt")) {
            arity(a, 1, 1);
            return call(lname, VType::Number);
        }
        if (lname == QLatin1String("ceiling")) {
            arity(a, 1, 1);
            return call(QStringLiteral("ceil"), VType::Number);
        }
        if (lname == QLatin1String("round")) {
            arity(a, 2, 2);
            return call(QStringLiteral("round"), VType::Number);
        }
        if (lname == QLatin1String("power")) {
            arity(a, 2, 2);
            return call(QStringLiteral("pow"), VType::Number);
        }
        if (lname == QLatin1String("year") || lname == QLatin1String("month") ||
            lname == QLatin1String("day")) {
            arity(a, 1, 1);
            return {
                QStringLiteral("dyt_datepart('") + lname + QStringLiteral("', ") + a[0].sql + u')',
                VType::Number,
                {}};
        }
        unsupported(QStringLiteral("函数 %1").arg(name), at);
    }

    const std::vector<Token>& t_;
    const Context& ctx_;
    size_t p_ = 0;
    int depth_ = 0;
    const Scope* scope_ = nullptr;
};

}  // namespace

Program translate(const QString& text, const Context& context) {
    const std::vector<Token> tokens = tokenize(text);
    Translator tr(tokens, context);
    Program program;
    program.dialect = context.dialect;
    program.steps = tr.program();
    return program;
}

}  // namespace dyt::server::tsql
