// Tokenizer and translator: constructs, program shape, errors and refusals.

#include <gtest/gtest.h>

#include <QStringList>

#include <thread>

#include "common/error.h"
#include "server/tsql/tsql.h"
#include "server/tsql/tsql_lexer.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace dyt::test {
namespace {

using namespace dyt::server::tsql;

TEST(TsqlLexer, TokenKindsTextsAndUnterminatedPiecesWithTheirPosition) {
    const std::vector<Token> t = tokenize(
        u"select [my col],N'it''s', 12.5e2 -- note\r\n/* a /* nested */ one */ @@spid<>@x"_s);
    QStringList got;
    for (const Token& k : t)
        got << u"%1:%2"_s.arg(static_cast<int>(k.kind)).arg(k.text);
    const auto want = [](TokenKind k, const char* text) {
        return u"%1:%2"_s.arg(static_cast<int>(k)).arg(QString::fromUtf8(text));
    };
    EXPECT_EQ((QStringList{want(TokenKind::Identifier, "select"), want(TokenKind::Quoted, "my col"),
                           want(TokenKind::Operator, ","), want(TokenKind::String, "it's"),
                           want(TokenKind::Operator, ","), want(TokenKind::Number, "12.5e2"),
                           want(TokenKind::Variable, "@@spid"), want(TokenKind::Operator, "<>"),
                           want(TokenKind::Variable, "@x"), want(TokenKind::End, "")}),
              got);
    EXPECT_EQ(0, t[0].pos);
    EXPECT_EQ(7, t[1].pos);
    struct Case {
        const char* text;
        int position;  // 1-based
    } cases[] = {{"select 'abc", 8},
                 {"select [abc", 8},
                 {"select 1 /* open", 10},
                 {"select 1 ? 2", 10},
                 {"select 12abc", 8}};
    for (const Case& c : cases) {
        const QString error = errorOf([&] { tokenize(QString::fromUtf8(c.text)); });
        EXPECT_TRUE(error.contains(u"位置 %1"_s.arg(c.position))) << c.text;
    }
}

// One statement translated for session 42 with the column types of a goods table.
QString one(const QString& text) {
    Context c;
    c.sessionId = 42;
    c.schema = [](const QString& table, const QString& column) {
        if (table.compare(QLatin1String("goods"), Qt::CaseInsensitive) != 0)
            return ColumnType::Unknown;
        if (column == QLatin1String("code"))
            return ColumnType::Text;
        if (column == QLatin1String("qty"))
            return ColumnType::Real;
        if (column == QLatin1String("made"))
            return ColumnType::Date;
        return ColumnType::Unknown;
    };
    const Program p = translate(text, c);
    EXPECT_EQ(1u, p.steps.size());
    return p.steps.empty() ? QString() : p.steps.front().sql;
}

TEST(TsqlTranslate, ConstructsColumnTypesAndProgramsOfSeveralStatementsBecomeSqlite) {
    struct Case {
        const char* tsql;
        const char* sqlite;
    } cases[] = {
        {"select top 5 * from t", "SELECT * FROM t LIMIT 5"},
        {"SELECT TOP 1 a.id FROM djIndex AS a WHERE a.dj_state = 2 ORDER BY a.id desc",
         "SELECT a.id FROM djIndex AS a WHERE a.dj_state = 2 ORDER BY a.id DESC LIMIT 1"},
        {"select N'名' as [全 名] from dbo.t", "SELECT '名' AS \"全 名\" FROM t"},
        {"select * from master.dbo.mvqxDbLog", "SELECT * FROM mvqxDbLog"},
        {"select dbo.fnGetSysData('a''b','') as value", "SELECT fnGetSysData('a''b', '') AS value"},
        {"select isnull(a,0) from t", "SELECT ifnull(a, 0) FROM t"},
        {"select getdate()", "SELECT dyt_getdate()"},
        {"select LEN(x), Lower(x), SUBSTRING(x,1,2), LEFT(x,3) from t",
         "SELECT length(rtrim(x, ' ')), lower(x), substr(x, 1, 2), substr(x, 1, 3) FROM t"},
        {"select x from t where id = @@spid", "SELECT x FROM t WHERE id = 42"},
        {"select 'a' + 'b'", "SELECT ('a' || 'b')"},
        {"select 1 + 2", "SELECT (1 + 2)"},
        {"select a + b from t", "SELECT dyt_add(a, b) FROM t"},
        {"select a + 'x' from t", "SELECT (a || 'x') FROM t"},
        {"select x from t where a != 1 and b !< 2", "SELECT x FROM t WHERE a <> 1 AND b >= 2"},
        {"select x from t where c = 'A'", "SELECT x FROM t WHERE c COLLATE TSQL = 'A'"},
        {"select x from t where n = 1", "SELECT x FROM t WHERE n = 1"},
        {"delete syssession where id = @@spid", "DELETE FROM syssession WHERE id = 42"},
        {"Update b set b.total = 0 FROM djList AS b WHERE km_id = 0 AND b.id = 9",
         "UPDATE djList AS b SET total = 0 WHERE (km_id = 0 AND b.id = 9)"},
        {"UPDATE b SET b.name = a.Name FROM baseFieldNames AS a,sysMenu AS b WHERE a.code = b.code",
         "UPDATE sysMenu AS b SET name = a.Name FROM baseFieldNames AS a WHERE (a.code = b.code)"},
        {"UPDATE a SET a.x = 1 FROM t AS a INNER JOIN u AS b ON a.id = b.id WHERE b.y = 2",
         "UPDATE t AS a SET x = 1 FROM u AS b WHERE (a.id = b.id) AND (b.y = 2)"},
        {"DELETE b FROM djList AS b WHERE km_id = 0", "DELETE FROM djList AS b WHERE km_id = 0"},
        {"DELETE b FROM djList AS b, djIndex AS a WHERE a.id = b.id",
         "DELETE FROM djList WHERE rowid IN (SELECT b.rowid FROM djList AS b, djIndex AS a WHERE "
         "a.id = b.id)"},
        {"select count(*), count(distinct a), sum(b) from t group by c having sum(b) > 1",
         "SELECT count(*), count(DISTINCT a), sum(b) FROM t GROUP BY c HAVING sum(b) > 1"},
        {"SELECT top 1 a FROM t UNION ALL SELECT top 1 a FROM u",
         "SELECT * FROM (SELECT a FROM t LIMIT 1) UNION ALL SELECT * FROM (SELECT a FROM u LIMIT "
         "1)"},
        {"select a.id from t as a union select b.id from u as b order by a.id",
         "SELECT a.id FROM t AS a UNION SELECT b.id FROM u AS b ORDER BY id"},
        {"select x from t with (nolock) where y is not null",
         "SELECT x FROM t WHERE y IS NOT NULL"},
        {"select CONVERT(varchar(10), d, 20) from t",
         "SELECT substr(substr(dyt_datetime(d), 1, 19), 1, 10) FROM t"},
        {"select CAST(x AS int), CONVERT(money, y) from t",
         "SELECT CAST(x AS INTEGER), CAST(y AS REAL) FROM t"},
        {"select DATEADD(wk, 2, d) from t", "SELECT dyt_dateadd('week', 2, d) FROM t"},
        {"select v = 1", "SELECT 1 AS v"},
        {"insert into syssession(id, PcID) values(@@spid, 'x')",
         "INSERT INTO syssession(id, PcID) VALUES (42, 'x')"},
        {"select [order], [group] from [index]", "SELECT \"order\", \"group\" FROM \"index\""},
        {"select x from t where x not in (select y from u)",
         "SELECT x FROM t WHERE x NOT IN (SELECT y FROM u)"},
        // Column types decide plus and collation.
        {"select g.code + g.other from goods as g", "SELECT (g.code || g.other) FROM goods AS g"},
        {"select g.qty + g.qty from goods as g", "SELECT (g.qty + g.qty) FROM goods AS g"},
        {"select code + 'x' from goods", "SELECT (code || 'x') FROM goods"},
        {"select g.made + 3 from goods g",
         "SELECT datetime(julianday(dyt_datetime(g.made)) + (3)) FROM goods AS g"},
        {"select x from goods as g where g.code = g.other",
         "SELECT x FROM goods AS g WHERE g.code COLLATE TSQL = g.other"},
        {"select x from goods as g where g.qty = '1'",
         "SELECT x FROM goods AS g WHERE g.qty = '1'"},
        {"select (select max(k.code) from goods as k) + g.other from goods as g",
         "SELECT ((SELECT max(k.code) FROM goods AS k) || g.other) FROM goods AS g"},
        {"select s.c + 'x' from (select code as c from goods) as s",
         "SELECT (s.c || 'x') FROM (SELECT code AS c FROM goods) AS s"}};
    for (const Case& c : cases)
        EXPECT_EQ(QString::fromUtf8(c.sqlite), one(QString::fromUtf8(c.tsql))) << c.tsql;
    Context c;
    const Program p = translate(u"UPDATE t SET a = 1\r\n update t set b = 2; select * from t"_s, c);
    ASSERT_EQ(3u, p.steps.size());
    EXPECT_EQ(Step::Kind::Statement, p.steps[0].kind);
    EXPECT_EQ(Step::Kind::Statement, p.steps[1].kind);
    EXPECT_EQ(Step::Kind::Query, p.steps[2].kind);
    EXPECT_TRUE(p.returnsRows());
    const Program q = translate(
        u"IF NOT EXISTS (select 1 from t where a = 1) BEGIN update t set a = 1 "
        "update t set b = 1 END ELSE select 2 as v"_s,
        c);
    ASSERT_EQ(1u, q.steps.size());
    EXPECT_EQ(Step::Kind::If, q.steps[0].kind);
    EXPECT_EQ(
        u"SELECT CASE WHEN NOT EXISTS (SELECT 1 FROM t WHERE a = 1) THEN 1 "
        "ELSE 0 END"_s,
        q.steps[0].sql);
    EXPECT_EQ(2u, q.steps[0].thenSteps.size());
    ASSERT_EQ(1u, q.steps[0].elseSteps.size());
    EXPECT_EQ(Step::Kind::Query, q.steps[0].elseSteps[0].kind);
    const Program noElse = translate(u"if exists(select 1) delete t"_s, c);
    ASSERT_EQ(1u, noElse.steps.size());
    EXPECT_TRUE(noElse.steps[0].elseSteps.empty());
    EXPECT_FALSE(noElse.returnsRows());
}

TEST(TsqlTranslate, UntranslatableTextsAndEscapesAreRefusedByName) {
    struct Case {
        const char* text;
        const char* construct;  // part of the message
        const char* at;         // the position is that of the first occurrence of this text
    } cases[] = {{"select newid() from t", "NEWID", "newid"},
                 {"select x from t where y = @v", "@v", "@v"},
                 {"update t set a = 1\r\nselect top 10 percent * from t", "PERCENT", "percent"},
                 {"select * into t2 from t", "INTO", "into"},
                 {"exec p_sys_Up_Log 1", "EXEC", "exec"},
                 {"select a from t where", "语句结尾", ""},
                 {"select a from t where b = (1", "“)”", ""},
                 {"select CONVERT(varchar(10), d, 101) from t", "101", "CONVERT"},
                 {"select x from other.t", "other", "other"},
                 {"begin tran update t set a = 1", "事务", "begin"},
                 {"select DATEADD(fortnight, 1, d) from t", "fortnight", "fortnight"},
                 {"", "为空", ""}};
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        const QString error = errorOf([&] { translate(text, Context()); });
        ASSERT_FALSE(error.isEmpty()) << "no error for " << c.text;
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.construct), Qt::CaseInsensitive))
            << c.text << " -> " << error.toStdString();
        const int pos =
            *c.at ? text.indexOf(QString::fromUtf8(c.at)) + 1 : static_cast<int>(text.size()) + 1;
        EXPECT_TRUE(!*c.text || error.contains(u"位置 %1"_s.arg(pos))) << c.text;
    }
    // Escapes from the account set are refused.
    // Text and what the message names (empty: any message).
    const char* texts[][2] = {{"ATTACH DATABASE 'x.db' AS x", "不允许执行 ATTACH"},
                              {"DETACH DATABASE x", ""},
                              {"PRAGMA writable_schema = 1", "不允许执行 PRAGMA"},
                              {"pragma journal_mode = DELETE", "不允许执行 PRAGMA"},
                              {"VACUUM INTO 'copy.db'", "不允许执行 VACUUM"},
                              {"select load_extension('evil')", ""},
                              {"select * from sqlite_master", ""},
                              {"select * from sqlite_schema", ""},
                              {"delete from sqlite_sequence", ""},
                              {"update t set a = (select count(*) from sqlite_temp_master)", ""},
                              {"select readfile('/etc/passwd')", ""},
                              {"create table x(a)", ""},
                              {"DROP TABLE t", "不支持 语句 DROP"},
                              {"commit", ""}};
    for (const auto& [text, message] : texts) {
        const QString error = errorOf([&] { translate(QString::fromUtf8(text), Context()); });
        EXPECT_FALSE(error.isEmpty()) << text;
        EXPECT_TRUE(error.contains(QString::fromUtf8(message))) << error.toStdString();
    }
    // Deep nesting is refused by name before it exhausts the stack; a hundred levels translate.
    const char* deep[][2] = {{"select ", "("}, {"select ", "not "},     {"select ", "- "},
                             {"select ", "~"}, {"select ", "(select "}, {"", "begin if 1=1 "}};
    for (const auto& [head, repeated] : deep) {
        const QString text = QString::fromUtf8(head) + QString::fromUtf8(repeated).repeated(100000);
        EXPECT_TRUE(errorOf([&] { translate(text, {}); }).contains(u"嵌套超过 200 层"_s)) << repeated;
    }
    translate(u"select "_s + u"("_s.repeated(100) + u'1' + u")"_s.repeated(100), Context());
    // A function that repeats its argument, nested: the text would double at every level.
    const auto nested = [](int n) {
        return u"select "_s + u"right('a', "_s.repeated(n) + u'1' + u")"_s.repeated(n);
    };
    EXPECT_TRUE(errorOf([&] { translate(nested(40), {}); }).contains(u"请简化后再试"_s));
    // XOR repeats both sides; a chain of them doubles the text at every step.
    EXPECT_TRUE(errorOf([&] { translate(u"select 1"_s + u" ^ 1"_s.repeated(60), {}); })
                    .contains(u"请简化后再试"_s));
    EXPECT_EQ(translate(u"select 1"_s + u" ^ 1"_s.repeated(6), {}).steps.size(), 1u);
    EXPECT_EQ(translate(nested(8), {}).steps.size(), 1u);
}

TEST(TsqlCache, SameTextTranslatesOnceSessionsStaySeparateAndConcurrentUseAgrees) {
    TranslationCache cache(2);
    Context a;
    a.sessionId = 1;
    Context b;
    b.sessionId = 2;
    const QString spid = u"delete syssession where id = @@spid"_s;
    EXPECT_EQ(u"DELETE FROM syssession WHERE id = 1"_s, cache.translate(spid, a).steps[0].sql);
    EXPECT_EQ(u"DELETE FROM syssession WHERE id = 2"_s, cache.translate(spid, b).steps[0].sql);
    EXPECT_EQ(2, cache.size());
    // texts without @@ share one entry whatever the session
    const QString plain = u"select 1"_s;
    cache.translate(plain, a);
    cache.translate(plain, b);
    EXPECT_EQ(2, cache.size());  // capacity 2: the oldest entry went
    EXPECT_EQ(u"DELETE FROM syssession WHERE id = 2"_s, cache.translate(spid, b).steps[0].sql);
    EXPECT_THROW(cache.translate(u"select newid()"_s, a), DytError);
    EXPECT_EQ(2, cache.size());
    cache.clear();
    EXPECT_EQ(0, cache.size());
    // Concurrent use gives the same translations.
    TranslationCache shared(8);
    QStringList texts;
    for (int i = 0; i < 20; ++i)
        texts << u"select top %1 * from t where id = %1"_s.arg(i);
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int k = 0; k < 4; ++k) {
        threads.emplace_back([&, k] {
            Context c;
            for (int round = 0; round < 50; ++round) {
                for (int i = 0; i < texts.size(); ++i) {
                    const Program p = shared.translate(texts[(i + k) % texts.size()], c);
                    const int n = (i + k) % texts.size();
                    if (p.steps.size() != 1 ||
                        p.steps[0].sql != u"SELECT * FROM t WHERE id = %1 LIMIT %1"_s.arg(n))
                        ++wrong[static_cast<size_t>(k)];
                }
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    for (int w : wrong)
        EXPECT_EQ(0, w);
    EXPECT_EQ(8, shared.size());
}

}  // namespace
}  // namespace dyt::test
