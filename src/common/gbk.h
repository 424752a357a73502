#pragma once
// GBK (code page 936) text: the encoding of every file other programs read, and of the
// byte-length rules (a Chinese character counts two bytes).

#include <QByteArray>
#include <QString>

namespace dyt::gbk {

// Encodes text as GBK. Characters GBK cannot hold become '?' and *ok is set to false.
QByteArray encode(const QString& text, bool* ok = nullptr);

// Decodes GBK bytes. Invalid sequences become U+FFFD and *ok is set to false.
QString decode(const QByteArray& bytes, bool* ok = nullptr);

// Length of the text in GBK bytes (two per Chinese character, one per ASCII character).
qsizetype byteLength(const QString& text);

// True when every character of the text has a GBK code.
bool isEncodable(const QString& text);

// Cuts the text to at most maxBytes GBK bytes without splitting a character.
QString leftBytes(const QString& text, qsizetype maxBytes);

}  // namespace dyt::gbk
