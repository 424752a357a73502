#pragma once
// Pinyin initials of Chinese text: the pinyin code ("pym") that base-record editors fill from a
// full name, and the letters of the window class names.
//
// Each Chinese character gives the upper-case initial of its reading. A character with several
// readings takes its common one: for the 3 755 characters of GB2312 level 1 the reading under
// which GB2312 files it (长城 CC, 曾 Z, 茄 Q, 厦门 XM), otherwise the dictionary's first reading,
// with two business exceptions: 行 reads háng (银行 YH, 商行 SH) and 翟 zhái (the surname).
// Every ideograph of GBK has an initial except 15 rare ones no dictionary reading is known for
// (listed in pinyin_table.cpp); ideographs of Extension A are covered too.

#include <QChar>
#include <QString>
#include <QStringView>

namespace dyt {

// The longest result of GetPinYinLeader, in bytes (= characters, all ASCII): the caller's buffer
// held 256 bytes with the terminating zero.
inline constexpr qsizetype kPinYinLeaderMaxBytes = 255;

// The pinyin initials of a text: for each Chinese character the upper-case initial of its
// reading, ASCII letters upper-cased, ASCII digits kept, everything else dropped; cut to
// kPinYinLeaderMaxBytes. "德盈通 A-1型" gives "DYTA1X".
QString GetPinYinLeader(const QString& text);

// The same without the length limit.
QString pinYinInitials(QStringView text);

// The upper-case initial ('A'..'Z') of one Chinese character, or 0 when the code point is not
// an ideograph with a known reading.
char pinYinInitial(char32_t codePoint);

}  // namespace dyt
