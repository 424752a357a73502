#include "server/tsql/tsql_lexer.h"

#include "common/error.h"

namespace dyt::server::tsql {

bool Token::is(const char* keyword) const {
    return kind == TokenKind::Identifier &&
           text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

bool Token::isOp(const char* op) const {
    return kind == TokenKind::Operator && text == QLatin1String(op);
}

namespace {

[[noreturn]] void fail(const QString& what, int pos) {
    throw DytError(QStringLiteral("SQL语句错误：%1（位置 %2）").arg(what).arg(pos + 1));
}

bool isIdentStart(QChar c) {
    return c.isLetter() || c == u'_' || c == u'#' || c.unicode() > 0x7f;
}

bool isIdentPart(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'#' || c == u'$' || c.unicode() > 0x7f;
}

}  // namespace

std::vector<Token> tokenize(const QString& text) {
    std::vector<Token> out;
    const int n = static_cast<int>(text.size());
    int i = 0;
    auto at = [&](int k) { return k < n ? text[k] : QChar(); };
    // The text up to the closing character, a doubled one standing for itself; i moves past it.
    auto quoted = [&](QChar close, const QString& unterminated, int start) -> QString {
        QString s;
        while (i < n) {
            if (text[i] == close) {
                if (at(i + 1) != close) {
                    ++i;
                    return s;
                }
                s += close;
                i += 2;
                continue;
            }
            s += text[i++];
        }
        fail(unterminated, start);
    };
    while (i < n) {
        const QChar c = text[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == u'-' && at(i + 1) == u'-') {
            while (i < n && text[i] != u'\n')
                ++i;
            continue;
        }
        if (c == u'/' && at(i + 1) == u'*') {
            const int start = i;
            int depth = 0;  // T-SQL block comments nest
            while (i < n) {
                if (text[i] == u'/' && at(i + 1) == u'*') {
                    ++depth;
                    i += 2;
                } else if (text[i] == u'*' && at(i + 1) == u'/') {
                    --depth;
                    i += 2;
                    if (depth == 0)
                        break;
                } else {
                    ++i;
                }
            }
            if (depth != 0)
                fail(QStringLiteral("注释没有结束"), start);
            continue;
        }
        Token t;
        t.pos = i;
        if (c == u'\'' || ((c == u'N' || c == u'n') && at(i + 1) == u'\'')) {
            const int start = i;
            if (c != u'\'')
                ++i;
            ++i;
            t.kind = TokenKind::String;
            t.text = quoted(u'\'', QStringLiteral("字符串没有结束"), start);
        } else if (c == u'[' || c == u'"') {
            const QChar close = c == u'[' ? u']' : u'"';
            const int start = i++;
            const QString s = quoted(close, QStringLiteral("名称没有结束"), start);
            if (s.isEmpty())
                fail(QStringLiteral("名称为空"), start);
            t.kind = TokenKind::Quoted;
            t.text = s;
        } else if (c.isDigit() || (c == u'.' && at(i + 1).isDigit())) {
            const int start = i;
            while (i < n && text[i].isDigit())
                ++i;
            if (i < n && text[i] == u'.') {
                ++i;
                while (i < n && text[i].isDigit())
                    ++i;
            }
            if (i < n && (text[i] == u'e' || text[i] == u'E') &&
                (at(i + 1).isDigit() ||
                 ((at(i + 1) == u'+' || at(i + 1) == u'-') && at(i + 2).isDigit()))) {
                i += 2;
                while (i < n && text[i].isDigit())
                    ++i;
            }
            if (i < n && isIdentStart(text[i]))
                fail(QStringLiteral("数字格式错误"), start);
            t.kind = TokenKind::Number;
            t.text = text.mid(start, i - start);
        } else if (c == u'@') {
            const int start = i++;
            if (at(i) == u'@')
                ++i;
            if (!isIdentStart(at(i)))
                fail(QStringLiteral("变量名错误"), start);
            while (i < n && isIdentPart(text[i]))
                ++i;
            t.kind = TokenKind::Variable;
            t.text = text.mid(start, i - start);
        } else if (isIdentStart(c)) {
            const int start = i;
            while (i < n && isIdentPart(text[i]))
                ++i;
            t.kind = TokenKind::Identifier;
            t.text = text.mid(start, i - start);
        } else {
            static const char* const two[] = {"<>", "!=", "<=", ">=", "!<", "!>"};
            t.kind = TokenKind::Operator;
            bool matched = false;
            for (const char* op : two) {
                if (c == QLatin1Char(op[0]) && at(i + 1) == QLatin1Char(op[1])) {
                    t.text = QString::fromLatin1(op);
                    i += 2;
                    matched = true;
                    break;
                }
            }
            if (!matched) {
                if (QStringLiteral("+-*/%=<>(),.;~&|^").contains(c)) {
                    t.text = QString(c);
                    ++i;
                } else {
                    fail(QStringLiteral("无法识别的字符“%1”").arg(c), i);
                }
            }
        }
        out.push_back(std::move(t));
    }
    Token end;
    end.kind = TokenKind::End;
    end.pos = n;
    out.push_back(end);
    return out;
}

}  // namespace dyt::server::tsql
