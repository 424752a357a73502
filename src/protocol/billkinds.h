#pragma once
// The bill kinds as data. Every kind of bill is one row: its number (djType), the window class
// that edits it, the function-menu entry that opens it, its name and the prefix of its bill
// numbers. The server seeds sysDjb and the menu from these rows (but for the kinds opened by
// windows of their own, see ownEntries); the client opens bill windows by them. QtCore only.

#include <QString>

#include <span>

namespace dyt {

struct BillKindRow {
    int djType;
    const char* className;  // "": the kind has no window of its own
    int menuTag;            // function code of the menu entry; 0 when no entry opens it
    const char* name;
    const char* numHead;  // prefix of the default bill number format

    QString windowClass() const { return QString::fromLatin1(className); }
    QString kindName() const { return QString::fromUtf8(name); }
    QString numberHead() const { return QString::fromLatin1(numHead); }
    // A kind with a window but without a menu entry of its own (the stocktake): it is made in a
    // window of its own and opened from there and from the bill lists. It has no row in sysDjb
    // and no numbering counter.
    bool ownEntries() const { return menuTag == 0 && className[0] != '\0'; }
};

// Every kind in djType order.
std::span<const BillKindRow> billKindRows();
// The row of a kind number, nullptr for an unknown number.
const BillKindRow* findBillKindRow(int djType);

}  // namespace dyt
