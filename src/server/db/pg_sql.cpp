#include "server/db/pg_sql.h"

#include <QRegularExpression>

#include <vector>

#include "common/error.h"

namespace dyt::server::pgsql {
namespace {

enum class Kind { Word, Number, Text, Name, Param, Punct, Space, Comment };

struct Token {
    Kind kind;
    QString text;
    bool is(const char* word) const {
        return kind == Kind::Word && text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
};

bool wordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c.unicode() >= 0x80;
}

std::vector<Token> tokenize(const QString& sql) {
    std::vector<Token> out;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql[i];
        const qsizetype start = i;
        Kind kind;
        if (c.isSpace()) {
            while (i < n && sql[i].isSpace())
                ++i;
            kind = Kind::Space;
        } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            while (i < n && sql[i] != u'\n')
                ++i;
            kind = Kind::Comment;
        } else if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            kind = Kind::Comment;
        } else if (c == u'\'' || c == u'"' || c == u'`' || c == u'[') {
            const QChar close = c == u'[' ? QChar(u']') : c;
            ++i;
            while (i < n) {
                if (sql[i] == close) {
                    if (close != u']' && i + 1 < n && sql[i + 1] == close) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            kind = c == u'\'' ? Kind::Text : Kind::Name;
        } else if (c == u'?') {
            ++i;
            while (i < n && sql[i].isDigit())
                ++i;
            kind = Kind::Param;
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && sql[i + 1].isDigit())) {
            while (i < n && (sql[i].isLetterOrNumber() || sql[i] == u'.'))
                ++i;
            kind = Kind::Number;
        } else if (wordChar(c)) {
            while (i < n && wordChar(sql[i]))
                ++i;
            kind = Kind::Word;
        } else {
            ++i;
            if ((c == u'=' || c == u'<' || c == u'>' || c == u'!' || c == u'|') && i < n &&
                (sql[i] == u'=' || sql[i] == u'>' || sql[i] == u'|'))
                ++i;
            kind = Kind::Punct;
        }
        out.push_back({kind, sql.mid(start, i - start)});
    }
    return out;
}

// The index of the next token that is not blank or a comment, from i on (size() when none).
size_t next(const std::vector<Token>& t, size_t i) {
    while (i < t.size() && (t[i].kind == Kind::Space || t[i].kind == Kind::Comment))
        ++i;
    return i;
}

// A quoted name the way PostgreSQL reads it: SQLite's `x` and [x] become "x"; names keep the
// case they were written in only when quoted, which the server never relies on, so they are
// folded as PostgreSQL folds unquoted ones.
QString plainName(const QString& quoted) {
    QString inner = quoted.mid(1, quoted.size() - 2);
    return QLatin1Char('"') + inner.toLower().replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

// The previous token that is not blank or a comment (size() when none).
size_t previous(const std::vector<Token>& t, size_t i) {
    while (i > 0) {
        --i;
        if (t[i].kind != Kind::Space && t[i].kind != Kind::Comment)
            return i;
    }
    return t.size();
}

bool clauseWord(const Token& tok) {
    static const char* const words[] = {"WHERE", "GROUP",  "ORDER",  "LIMIT",     "UNION",
                                        "JOIN",  "LEFT",   "RIGHT",  "INNER",     "CROSS",
                                        "ON",    "HAVING", "EXCEPT", "INTERSECT", "OFFSET",
                                        "FULL",  "NATURAL", "USING", "WINDOW"};
    for (const char* w : words) {
        if (tok.is(w))
            return true;
    }
    return false;
}

QString rewrite(std::vector<Token>& t, int* paramCount) {
    int counter = 0;
    int highest = 0;
    int aliases = 0;
    QString out;
    // Open parentheses: 1 for a subquery in FROM or JOIN, which PostgreSQL wants named; 2 for
    // the arguments of tsql_like(), whose 0 or 1 is a condition on SQLite.
    std::vector<int> parens;
    // The depth of the GROUP BY list being read (-1: none): a text constant there groups
    // nothing, which PostgreSQL refuses unless it is cast.
    int groupDepth = -1;
    for (size_t i = 0; i < t.size(); ++i) {
        Token& tok = t[i];
        const int depth = int(parens.size());
        if (tok.is("BY")) {
            const size_t before = previous(t, i);
            if (before < t.size() && t[before].is("GROUP"))
                groupDepth = depth;
        } else if (groupDepth >= 0 && (depth < groupDepth || (depth == groupDepth &&
                                        (clauseWord(tok) || (tok.kind == Kind::Punct &&
                                                             tok.text == u";"))))) {
            groupDepth = -1;
        } else if (groupDepth == depth && tok.kind == Kind::Text) {
            const size_t before = previous(t, i);
            const size_t after = next(t, i + 1);
            const bool alone =
                before < t.size() && (t[before].is("BY") || t[before].text == u",") &&
                (after >= t.size() || t[after].text == u"," || t[after].text == u")" ||
                 t[after].text == u";" || clauseWord(t[after]));
            if (alone) {
                out += tok.text + QStringLiteral("::text");
                continue;
            }
        }
        if (tok.kind == Kind::Punct && tok.text == u"(") {
            const size_t before = previous(t, i);
            const size_t after = next(t, i + 1);
            const bool like = before < t.size() && t[before].is("tsql_like");
            parens.push_back(like ? 2
                             : before < t.size() &&
                                     (t[before].is("FROM") || t[before].is("JOIN")) &&
                                     after < t.size() && t[after].is("SELECT")
                                 ? 1
                                 : 0);
        } else if (tok.kind == Kind::Punct && tok.text == u")" && !parens.empty()) {
            const int kind = parens.back();
            const bool subquery = kind == 1;
            parens.pop_back();
            if (kind == 2) {
                out += QStringLiteral(") <> 0)");
                continue;
            }
            if (subquery) {
                const size_t after = next(t, i + 1);
                const bool named = after < t.size() && t[after].kind != Kind::Punct &&
                                   (t[after].kind == Kind::Name ||
                                    (t[after].kind == Kind::Word && !clauseWord(t[after])));
                if (!named) {
                    out += QStringLiteral(") AS dyt_q%1").arg(++aliases);
                    continue;
                }
            }
        }
        // SQLite's schema names, bare or quoted: the account set's own tables, the connection's
        // temporary ones.
        if ((tok.kind == Kind::Word || tok.kind == Kind::Name) && i + 1 < t.size() &&
            t[i + 1].text == u".") {
            const QString schema = tok.kind == Kind::Name ? tok.text.mid(1, tok.text.size() - 2)
                                                          : tok.text;
            const bool temp = schema.compare(u"temp", Qt::CaseInsensitive) == 0;
            if (temp || schema.compare(u"main", Qt::CaseInsensitive) == 0) {
                if (temp)
                    out += QStringLiteral("pg_temp.");
                ++i;
                continue;
            }
        }
        switch (tok.kind) {
            case Kind::Param: {
                int number = tok.text.size() > 1 ? tok.text.mid(1).toInt() : ++counter;
                if (tok.text.size() > 1)
                    counter = std::max(counter, number);
                highest = std::max(highest, number);
                out += QLatin1Char('$') + QString::number(number);
                continue;
            }
            case Kind::Name:
                out += plainName(tok.text);
                continue;
            case Kind::Punct:
                out += tok.text == u"==" ? QStringLiteral("=") : tok.text;
                continue;
            case Kind::Word:
                break;
            default:
                out += tok.text;
                continue;
        }
        if (tok.is("LIKE")) {
            out += QStringLiteral("ILIKE");
        } else if (tok.is("rowid") || tok.is("_rowid_")) {
            out += QStringLiteral("ctid");  // the row's own address, for the same row again
        } else if (tok.is("tsql_like")) {
            out += QStringLiteral("(tsql_like");
        } else if (tok.is("ifnull")) {
            out += QStringLiteral("coalesce");
        } else if (tok.is("INDEXED")) {
            // INDEXED BY name: the planner of PostgreSQL chooses from statistics.
            size_t j = next(t, i + 1);
            if (j < t.size() && t[j].is("BY")) {
                j = next(t, j + 1);
                i = j;
                continue;
            }
            out += tok.text;
        } else if (tok.is("COLLATE")) {
            const size_t j = next(t, i + 1);
            if (j < t.size() && t[j].is("TSQL")) {
                // SQL Server's comparison of texts: without regard to case.
                out += QStringLiteral("COLLATE dyt_tsql");
                i = j;
                continue;
            }
            if (j < t.size() && (t[j].is("NOCASE") || t[j].is("BINARY"))) {
                i = j;
                continue;
            }
            out += tok.text;
        } else if (tok.is("AS")) {
            out += tok.text;
            const size_t j = next(t, i + 1);
            if (j < t.size() && t[j].is("REAL")) {
                out += t[i + 1].kind == Kind::Space ? t[i + 1].text : QStringLiteral(" ");
                out += QStringLiteral("double precision");
                i = j;
            } else if (j < t.size() && t[j].is("INTEGER")) {
                out += t[i + 1].kind == Kind::Space ? t[i + 1].text : QStringLiteral(" ");
                out += QStringLiteral("bigint");
                i = j;
            }
        } else if (tok.is("BEGIN")) {
            out += tok.text;
            const size_t j = next(t, i + 1);
            if (j < t.size() && (t[j].is("IMMEDIATE") || t[j].is("DEFERRED") ||
                                 t[j].is("EXCLUSIVE")))
                i = j;
        } else if (tok.is("IS")) {
            size_t j = next(t, i + 1);
            bool negated = false;
            if (j < t.size() && t[j].is("NOT")) {
                negated = true;
                j = next(t, j + 1);
            }
            if (j < t.size() &&
                (t[j].is("NULL") || t[j].is("TRUE") || t[j].is("FALSE") || t[j].is("DISTINCT"))) {
                out += tok.text;
                continue;
            }
            out += negated ? QStringLiteral("IS DISTINCT FROM") : QStringLiteral("IS NOT DISTINCT FROM");
            i = negated ? next(t, i + 1) : i;
        } else {
            out += tok.text;
        }
    }
    if (paramCount)
        *paramCount = highest;
    return out;
}



// ---- schema statements

// The parenthesised body of CREATE TABLE split at its top-level commas.
QStringList splitTopLevel(const QString& body) {
    QStringList parts;
    int depth = 0;
    QString cur;
    for (const Token& tok : tokenize(body)) {
        if (tok.kind == Kind::Punct && tok.text == u"(")
            ++depth;
        else if (tok.kind == Kind::Punct && tok.text == u")")
            --depth;
        if (depth == 0 && tok.kind == Kind::Punct && tok.text == u",") {
            parts << cur.trimmed();
            cur.clear();
            continue;
        }
        cur += tok.text;
    }
    if (!cur.trimmed().isEmpty())
        parts << cur.trimmed();
    return parts;
}

struct ColumnResult {
    QString sql;
    bool serial = false;
    QString name;
};

// One column definition with PostgreSQL's types.
ColumnResult adaptColumn(const QString& def) {
    static const QRegularExpression constraint(
        QStringLiteral("^(PRIMARY|FOREIGN|UNIQUE|CHECK|CONSTRAINT)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    if (constraint.match(def).hasMatch()) {
        // Keys between tables may be checked at the commit, as a copy of a whole account set
        // asks (SET CONSTRAINTS ALL DEFERRED); by default they are checked at once, as SQLite
        // does.
        QString sql = adaptStatement(def);
        if (def.startsWith(QLatin1String("FOREIGN"), Qt::CaseInsensitive))
            sql += QStringLiteral(" DEFERRABLE INITIALLY IMMEDIATE");
        return {sql, false, {}};
    }
    static const QRegularExpression head(QStringLiteral("^(\\S+)\\s*(.*)$"),
                                         QRegularExpression::DotMatchesEverythingOption);
    const auto m = head.match(def);
    const QString name = m.captured(1);
    QString rest = m.captured(2);
    static const QRegularExpression nocase(QStringLiteral("\\s*COLLATE\\s+NOCASE\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    const bool caseless = nocase.match(rest).hasMatch();
    rest.remove(nocase);
    static const QRegularExpression serialRe(
        QStringLiteral("^INTEGER\\s+PRIMARY\\s+KEY(\\s+AUTOINCREMENT)?"),
        QRegularExpression::CaseInsensitiveOption);
    if (serialRe.match(rest).hasMatch()) {
        rest.replace(serialRe, QStringLiteral("bigserial PRIMARY KEY"));
        return {name + QLatin1Char(' ') + adaptStatement(rest), true, name.toLower()};
    }
    static const QRegularExpression typeRe(QStringLiteral("^(\\w+)(\\s*\\([^)]*\\))?"));
    const auto tm = typeRe.match(rest);
    const QString type = tm.captured(1).toUpper();
    QString pgType;
    if (type == u"INTEGER" || type == u"INT")
        pgType = QStringLiteral("bigint");
    else if (type == u"TEXT")
        pgType = caseless ? QStringLiteral("citext") : QStringLiteral("text");
    else if (type == u"REAL")
        pgType = QStringLiteral("double precision");
    else if (type == u"BLOB")
        pgType = QStringLiteral("bytea");
    if (!pgType.isEmpty() && tm.captured(2).isEmpty())
        rest = pgType + rest.mid(tm.capturedLength(0));
    return {name + QLatin1Char(' ') + adaptStatement(rest), false, {}};
}

QStringList adaptCreateTable(const QString& sql) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*CREATE\\s+TABLE\\s+(IF\\s+NOT\\s+EXISTS\\s+)?(\\w+)\\s*\\((.*)\\)\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto m = re.match(sql);
    if (!m.hasMatch())
        throw DytError(QStringLiteral("无法转换的建表语句：%1").arg(sql.left(80)));
    const QString table = m.captured(2).toLower();
    QStringList columns;
    QString serial;
    for (const QString& def : splitTopLevel(m.captured(3))) {
        ColumnResult c = adaptColumn(def);
        if (c.serial)
            serial = c.name;
        columns << c.sql;
    }
    QStringList out;
    out << QStringLiteral("CREATE TABLE %1%2 (%3)")
               .arg(m.captured(1).isEmpty() ? QString() : QStringLiteral("IF NOT EXISTS "), table,
                    columns.join(QStringLiteral(", ")));
    if (!serial.isEmpty()) {
        // An id written explicitly moves the sequence past it, as SQLite's next row id follows
        // the highest one in the table.
        const QString seq = QStringLiteral("%1_%2_seq").arg(table, serial);
        out << QStringLiteral(
                   "CREATE OR REPLACE FUNCTION %1_keep_ids() RETURNS trigger LANGUAGE plpgsql AS "
                   "$f$ BEGIN IF NEW.%2 > coalesce(pg_sequence_last_value('%3'), 0) THEN "
                   "PERFORM setval('%3', NEW.%2); END IF; RETURN NEW; END $f$")
                   .arg(table, serial, seq)
            << QStringLiteral(
                   "CREATE OR REPLACE TRIGGER %1_keep_ids BEFORE INSERT ON %1 FOR EACH ROW "
                   "EXECUTE FUNCTION %1_keep_ids()")
                   .arg(table);
    }
    return out;
}

QStringList adaptAlterTable(const QString& sql) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*ALTER\\s+TABLE\\s+(\\w+)\\s+ADD\\s+(COLUMN\\s+)?(.*?)\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto m = re.match(sql);
    if (!m.hasMatch())
        return {adaptStatement(sql)};
    return {QStringLiteral("ALTER TABLE %1 ADD COLUMN %2")
                .arg(m.captured(1), adaptColumn(m.captured(3)).sql)};
}

// A SQLite trigger as a PL/pgSQL function and the row trigger that runs it.
QStringList adaptTrigger(const QString& sql) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*CREATE\\s+TRIGGER\\s+(IF\\s+NOT\\s+EXISTS\\s+)?(\\w+)\\s+(BEFORE|AFTER)"
                       "\\s+(INSERT|DELETE|UPDATE(?:\\s+OF\\s+[\\w\\s,]+?)?)\\s+ON\\s+(\\w+)"
                       "(?:\\s+FOR\\s+EACH\\s+ROW)?(?:\\s+WHEN\\s+(.*?))?\\s+BEGIN\\s+(.*)\\s*END\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto m = re.match(sql);
    if (!m.hasMatch())
        throw DytError(QStringLiteral("无法转换的触发器：%1").arg(sql.left(80)));
    const bool ifMissing = !m.captured(1).isEmpty();
    const QString name = m.captured(2).toLower();
    const QString timing = m.captured(3).toUpper();
    const QString event = m.captured(4).simplified();
    const QString table = m.captured(5).toLower();
    const QString when = m.captured(6).trimmed();
    const bool before = timing == u"BEFORE";
    const bool deleting = event.startsWith(QLatin1String("DELETE"), Qt::CaseInsensitive);

    QStringList body;
    static const QRegularExpression raiseRe(
        QStringLiteral("^SELECT\\s+RAISE\\s*\\(\\s*(?:ABORT|FAIL|ROLLBACK)\\s*,\\s*('(?:[^']|'')*')\\s*\\)"
                       "(?:\\s+WHERE\\s+(.*))?$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    for (const QString& st : splitStatements(m.captured(7))) {
        const auto r = raiseRe.match(st.trimmed());
        if (r.hasMatch()) {
            const QString raise = QStringLiteral("RAISE EXCEPTION USING MESSAGE = %1;").arg(r.captured(1));
            body << (r.captured(2).isEmpty()
                         ? raise
                         : QStringLiteral("IF %1 THEN %2 END IF;")
                               .arg(adaptStatement(r.captured(2)), raise));
        } else {
            body << adaptStatement(st) + QLatin1Char(';');
        }
    }
    const QString result = before ? (deleting ? QStringLiteral("OLD") : QStringLiteral("NEW"))
                                  : QStringLiteral("NULL");
    // SQLite does not fire a trigger again from the statements of its own body.
    const QString flag = QStringLiteral("dyt.trigger_%1").arg(name);
    QStringList out;
    out << QStringLiteral(
               "CREATE OR REPLACE FUNCTION %1_fn() RETURNS trigger LANGUAGE plpgsql AS $f$ BEGIN "
               "IF coalesce(current_setting('%2', true), '') = '1' THEN RETURN %3; END IF; "
               "PERFORM set_config('%2', '1', true); %4 PERFORM set_config('%2', '', true); "
               "RETURN %3; END $f$")
               .arg(name, flag, result, body.join(QLatin1Char(' ')));
    out << QStringLiteral("CREATE %1TRIGGER %2 %3 %4 ON %5 FOR EACH ROW %6EXECUTE FUNCTION %2_fn()")
               .arg(ifMissing ? QString() : QStringLiteral("OR REPLACE "), name, timing, event,
                    table,
                    when.isEmpty() ? QString()
                                   : QStringLiteral("WHEN (%1) ").arg(adaptStatement(when)));
    if (ifMissing) {
        // CREATE TRIGGER has no IF NOT EXISTS on PostgreSQL.
        out.last() = QStringLiteral(
                         "DO $d$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_trigger WHERE tgname = '%1' "
                         "AND tgrelid = '%2'::regclass) THEN EXECUTE %3; END IF; END $d$")
                         .arg(name, table,
                              QLatin1Char('\'') +
                                  QString(out.last()).replace(QLatin1Char('\''), QStringLiteral("''")) +
                                  QLatin1Char('\''));
    }
    return out;
}

}  // namespace

QString adaptStatement(const QString& sql, int* paramCount, QHash<QString, QString>* spellings) {
    std::vector<Token> t = tokenize(sql);
    if (spellings) {
        for (const Token& tok : t) {
            if (tok.kind == Kind::Word) {
                const QString lower = tok.text.toLower();
                if (lower != tok.text && !spellings->contains(lower))
                    spellings->insert(lower, tok.text);
            } else if (tok.kind == Kind::Name && tok.text.size() > 2) {
                const QString inner = tok.text.mid(1, tok.text.size() - 2);
                if (!spellings->contains(inner.toLower()))
                    spellings->insert(inner.toLower(), inner);
            }
        }
    }
    return rewrite(t, paramCount);
}

QStringList adaptSchemaStatement(const QString& sql) {
    const std::vector<Token> t = tokenize(sql);
    size_t i = next(t, 0);
    if (i >= t.size())
        return {};
    const size_t j = next(t, i + 1);
    const bool create = t[i].is("CREATE");
    if (create && j < t.size() && t[j].is("TABLE"))
        return adaptCreateTable(sql);
    if (create && j < t.size() && t[j].is("TRIGGER"))
        return adaptTrigger(sql);
    if (t[i].is("ALTER"))
        return adaptAlterTable(sql);
    return {adaptStatement(sql)};
}

std::optional<WriteTarget> writeTarget(const QString& sql) {
    const std::vector<Token> t = tokenize(sql);
    size_t i = next(t, 0);
    WriteTarget w;
    if (i >= t.size() || t[i].is("SELECT") || t[i].is("VALUES"))
        return w;
    const auto name = [&](size_t at) -> QString {
        if (at >= t.size())
            return {};
        if (t[at].kind == Kind::Word)
            return t[at].text.toLower();
        if (t[at].kind == Kind::Name)
            return t[at].text.mid(1, t[at].text.size() - 2).toLower();
        return {};
    };
    // main.t or t: the table's own name.
    const auto tableAt = [&](size_t at, size_t* end) -> QString {
        QString n = name(at);
        size_t j = next(t, at + 1);
        if (j < t.size() && t[j].text == u".") {
            w.temporary = n == u"temp" || n == u"pg_temp";
            n = name(next(t, j + 1));
            j = next(t, next(t, j + 1) + 1);
        }
        *end = j;
        return n;
    };
    size_t end = 0;
    if (t[i].is("INSERT")) {
        i = next(t, i + 1);
        if (i < t.size() && t[i].is("OR"))
            i = next(t, next(t, i + 1) + 1);
        if (i >= t.size() || !t[i].is("INTO"))
            return std::nullopt;
        w.action = WriteTarget::Insert;
        w.table = tableAt(next(t, i + 1), &end);
    } else if (t[i].is("DELETE")) {
        i = next(t, i + 1);
        if (i >= t.size() || !t[i].is("FROM"))
            return std::nullopt;
        w.action = WriteTarget::Delete;
        w.table = tableAt(next(t, i + 1), &end);
    } else if (t[i].is("UPDATE")) {
        w.action = WriteTarget::Update;
        w.table = tableAt(next(t, i + 1), &end);
        // An alias may follow the table.
        if (end < t.size() && !t[end].is("SET")) {
            if (t[end].is("AS"))
                end = next(t, end + 1);
            end = next(t, end + 1);
        }
        if (end >= t.size() || !t[end].is("SET"))
            return std::nullopt;
        // SET a = …, b = … up to FROM or WHERE outside parentheses.
        int depth = 0;
        bool expectColumn = true;
        for (size_t j = next(t, end + 1); j < t.size(); ++j) {
            const Token& tok = t[j];
            if (tok.kind == Kind::Space || tok.kind == Kind::Comment)
                continue;
            if (tok.text == u"(") {
                ++depth;
            } else if (tok.text == u")") {
                --depth;
            } else if (depth == 0 && (tok.is("WHERE") || tok.is("FROM") || tok.is("RETURNING") ||
                                      tok.text == u";")) {
                break;
            } else if (depth == 0 && tok.text == u",") {
                expectColumn = true;
                continue;
            }
            if (expectColumn) {
                QString column = name(j);
                // x.column
                const size_t k = next(t, j + 1);
                if (k < t.size() && t[k].text == u".") {
                    column = name(next(t, k + 1));
                    j = next(t, k + 1);
                }
                if (column.isEmpty())
                    return std::nullopt;
                w.columns << column;
                expectColumn = false;
            }
        }
        if (w.columns.isEmpty())
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (w.table.isEmpty())
        return std::nullopt;
    return w;
}

QString shadowTables(const QString& sql, const QHash<QString, QString>& shadows) {
    const std::vector<Token> t = tokenize(sql);
    QString out;
    for (size_t i = 0; i < t.size(); ++i) {
        const Token& tok = t[i];
        if (tok.kind == Kind::Word) {
            const auto it = shadows.constFind(tok.text.toLower());
            const size_t before = previous(t, i);
            // DELETE FROM names the table written, not a row source.
            const size_t beforeFrom = before < t.size() ? previous(t, before) : t.size();
            const bool deleted = beforeFrom < t.size() && t[beforeFrom].is("DELETE");
            const bool read = before < t.size() && !(t[before].is("FROM") && deleted) &&
                              (t[before].is("FROM") || t[before].is("JOIN") ||
                               (t[before].text == u"," && !t[before].is("SET")));
            const size_t after = next(t, i + 1);
            const bool qualified = after < t.size() && t[after].text == u".";
            if (it != shadows.constEnd() && read && !qualified) {
                out += QLatin1Char('(') + *it + QLatin1Char(')');
                const bool aliased = after < t.size() &&
                                     (t[after].is("AS") || t[after].kind == Kind::Name ||
                                      (t[after].kind == Kind::Word && !clauseWord(t[after]) &&
                                       !t[after].is("SET")));
                if (!aliased)
                    out += QStringLiteral(" AS ") + tok.text;
                continue;
            }
        }
        out += tok.text;
    }
    return out;
}

bool namesCatalogue(const QString& sql) {
    for (const Token& tok : tokenize(sql)) {
        QString name;
        if (tok.kind == Kind::Word)
            name = tok.text.toLower();
        else if (tok.kind == Kind::Name && tok.text.size() > 2)
            name = tok.text.mid(1, tok.text.size() - 2).toLower();
        if (name.startsWith(QLatin1String("pg_")) || name == u"information_schema")
            return true;
    }
    return false;
}

bool isSchemaStatement(const QString& sql) {
    const std::vector<Token> t = tokenize(sql);
    const size_t i = next(t, 0);
    return i < t.size() && (t[i].is("CREATE") || t[i].is("ALTER") || t[i].is("DROP"));
}

QStringList resultNames(const QString& sql) {
    const std::vector<Token> t = tokenize(sql);
    size_t i = 0;
    int depth = 0;
    for (; i < t.size(); ++i) {
        if (t[i].kind == Kind::Punct && t[i].text == u"(")
            ++depth;
        else if (t[i].kind == Kind::Punct && t[i].text == u")")
            --depth;
        else if (depth == 0 && t[i].is("SELECT"))
            break;
    }
    if (i >= t.size())
        return {};
    ++i;
    const size_t j = next(t, i);
    if (j < t.size() && (t[j].is("DISTINCT") || t[j].is("ALL")))
        i = j + 1;
    QStringList names;
    std::vector<const Token*> item;
    const auto finish = [&]() -> bool {
        // The last significant token names the column when it is a name (alias or column).
        const Token* last = nullptr;
        for (const Token* tok : item) {
            if (tok->kind != Kind::Space && tok->kind != Kind::Comment)
                last = tok;
        }
        if (!last)
            return true;
        if (last->kind == Kind::Punct && last->text == u"*")
            return false;
        if (last->kind == Kind::Word)
            names << last->text;
        else if (last->kind == Kind::Name)
            names << last->text.mid(1, last->text.size() - 2);
        else
            names << QString();
        item.clear();
        return true;
    };
    depth = 0;
    for (; i < t.size(); ++i) {
        const Token& tok = t[i];
        if (tok.kind == Kind::Punct && tok.text == u"(") {
            ++depth;
        } else if (tok.kind == Kind::Punct && tok.text == u")") {
            --depth;
        } else if (depth == 0 && (tok.is("FROM") || tok.is("UNION") || tok.is("ORDER") ||
                                  tok.is("WHERE") || tok.is("LIMIT") || tok.is("GROUP") ||
                                  (tok.kind == Kind::Punct && tok.text == u";"))) {
            break;
        } else if (depth == 0 && tok.kind == Kind::Punct && tok.text == u",") {
            if (!finish())
                return {};
            continue;
        }
        item.push_back(&tok);
    }
    if (!finish())
        return {};
    return names;
}

QStringList splitStatements(const QString& sql) {
    QStringList out;
    QString cur;
    int depth = 0;  // BEGIN … END of a trigger body, CASE … END
    for (const Token& tok : tokenize(sql)) {
        if (tok.is("CASE") ||
            (tok.is("BEGIN") && cur.contains(QLatin1String("TRIGGER"), Qt::CaseInsensitive))) {
            ++depth;
        } else if (tok.is("END") && depth > 0) {
            --depth;
        } else if (tok.kind == Kind::Punct && tok.text == u";" && depth == 0) {
            if (!cur.trimmed().isEmpty())
                out << cur.trimmed();
            cur.clear();
            continue;
        }
        cur += tok.text;
    }
    if (!cur.trimmed().isEmpty())
        out << cur.trimmed();
    return out;
}

QString insertTable(const QString& sql) {
    const std::vector<Token> t = tokenize(sql);
    size_t i = next(t, 0);
    if (i >= t.size() || !t[i].is("INSERT"))
        return {};
    i = next(t, i + 1);
    if (i < t.size() && t[i].is("OR"))
        i = next(t, next(t, i + 1) + 1);
    if (i >= t.size() || !t[i].is("INTO"))
        return {};
    i = next(t, i + 1);
    return i < t.size() ? t[i].text.toLower() : QString();
}

}  // namespace dyt::server::pgsql
