#pragma once
// The generated table of pinyin initials (pinyin_table.cpp, made by tools/gen_pinyin_table.py).
// Use dyt::pinyinInitial from pinyin.h rather than these arrays.

#include <cstddef>

namespace dyt::pinyin_table {

// First and last code point of the packed range.
inline constexpr char32_t kFirst = 0x3400;
inline constexpr char32_t kLast = 0x9FFF;

// One upper-case letter per code point of kFirst..kLast, '-' where no reading is known.
extern const char kInitials[];

// Ideographs outside the packed range, sorted by code point.
struct Extra {
    char16_t codePoint;
    char initial;
};
extern const Extra kExtras[];
extern const std::size_t kExtraCount;

}  // namespace dyt::pinyin_table
