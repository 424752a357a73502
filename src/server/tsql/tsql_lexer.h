#pragma once
// Tokens of a T-SQL text.

#include <QString>

#include <vector>

namespace dyt::server::tsql {

enum class TokenKind {
    Identifier,  // plain name or keyword; text as written
    Quoted,      // [name] or "name"; text without the delimiters, doubled closers undone
    String,      // 'text' or N'text'; text without quotes, '' undone
    Number,      // 12, 1.5, .5, 1e3
    Variable,    // @name or @@name; text with the @ signs
    Operator,    // + - * / % = <> != < > <= >= !< !> ( ) , . ; ~ & | ^
    End
};

struct Token {
    TokenKind kind = TokenKind::End;
    QString text;
    int pos = 0;                         // 0-based offset in the source text
    bool is(const char* keyword) const;  // identifier equal to keyword, letter case ignored
    bool isOp(const char* op) const;
};

// Splits a text into tokens; comments (-- and /* */) and white space are dropped. The list ends
// with an End token. Throws DytError on an unterminated string, name or comment, or on a character
// that belongs to no token.
std::vector<Token> tokenize(const QString& text);

}  // namespace dyt::server::tsql
