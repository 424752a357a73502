#include <gtest/gtest.h>

#include <QDate>

#include <functional>
#include <random>

#include "common/currency.h"
#include "common/error.h"
#include "common/filterexpr.h"
#include "common/recordset.h"

namespace {

using dyt::Bookmark;
using dyt::Currency;
using dyt::DytError;
using dyt::FieldType;
using dyt::RecordSet;
using dyt::SortKey;

// Values of `field` over the visible rows, walking the cursor from the first row.
QStringList walk(RecordSet& set, const QString& field) {
    QStringList out;
    for (set.first(); !set.eof(); set.next()) {
        out << (set.isNull(field) ? QStringLiteral("<null>") : set.text(field));
    }
    return out;
}

QStringList words(const char* text) {
    return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// code, name, isbj, qty
RecordSet bills() {
    RecordSet s;
    s.addField(QStringLiteral("code"), FieldType::Text);
    s.addField(QStringLiteral("name"), FieldType::Text);
    s.addField(QStringLiteral("isbj"), FieldType::Integer);
    s.addField(QStringLiteral("qty"), FieldType::Integer);
    s.appendRow({QStringLiteral("A"), QStringLiteral("进货单"), 1, 10});
    s.appendRow({QStringLiteral("B"), QStringLiteral("销售单"), 1, 2});
    s.appendRow({QStringLiteral("C"), QStringLiteral("收款单"), 0, 30});
    s.appendRow({QStringLiteral("D"), QStringLiteral("付款单"), 1, 2});
    s.appendRow({QStringLiteral("E"), QStringLiteral("报损单"), 0, QVariant()});
    return s;
}

TEST(RecordSet, AppendRowCoercesValuesAndRefusesBadOnes) {
    RecordSet s;
    s.addField(QStringLiteral("id"), FieldType::Integer);
    s.addField(QStringLiteral("price"), FieldType::Currency);
    s.addField(QStringLiteral("d"), FieldType::Date);
    EXPECT_THROW(s.addField(QStringLiteral("ID"), FieldType::Text), DytError);
    s.appendRow({QStringLiteral(" 42 "), QStringLiteral("1.5"), QStringLiteral("2024-03-01")});
    s.appendRow({7});
    EXPECT_EQ(s.rowCount(), 2);
    EXPECT_EQ(s.at(0, 0), QVariant(qint64{42}));
    EXPECT_EQ(s.at(0, 1).value<Currency>(), Currency::fromRaw(15000));
    EXPECT_EQ(s.at(0, 2), QVariant(QDate(2024, 3, 1)));
    EXPECT_FALSE(s.at(1, 1).isValid());
    EXPECT_THROW(s.appendRow({QStringLiteral("x")}), DytError);
    EXPECT_THROW(s.appendRow({1, 2, QDate(2024, 1, 1), 4}), DytError);
    EXPECT_EQ(s.rowCount(), 2);
    s.first();
    EXPECT_EQ(s.integer(QStringLiteral("ID")), 42);
    EXPECT_EQ(s.number(QStringLiteral("price")), 1.5);
    EXPECT_EQ(s.text(QStringLiteral("d")), QStringLiteral("2024-03-01"));
    EXPECT_THROW(s.value(QStringLiteral("nosuch")), DytError);
    EXPECT_THROW(s.setValue(QStringLiteral("id"), QStringLiteral("abc")), DytError);
    EXPECT_EQ(s.integer(QStringLiteral("id")), 42);
}

TEST(RecordSet, CoercionToIntegerRoundsHalfAwayFromZeroAndRefusesOverflow) {
    const struct {
        const char* name;
        QVariant in;
        bool ok;
        qint64 out;
    } cases[] = {
        {"double up", 2.7, true, 3},
        {"double half down", -2.5, true, -3},
        {"double half up", 2.5, true, 3},
        {"text decimal", QStringLiteral(" 2.7 "), true, 3},
        {"text integer", QStringLiteral("-12"), true, -12},
        {"currency", QVariant::fromValue(Currency::fromRaw(25000)), true, 3},
        {"negative currency", QVariant::fromValue(Currency::fromRaw(-24999)), true, -2},
        {"boolean", true, true, 1},
        {"huge double", 1e30, false, 0},
        {"huge text", QStringLiteral("1e30"), false, 0},
        {"not a number", QStringLiteral("abc"), false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bool ok = !c.ok;
        const QVariant v = dyt::coerceValue(c.in, FieldType::Integer, &ok);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(v.isValid(), c.ok);
        if (c.ok) {
            EXPECT_EQ(v.toLongLong(), c.out);
        }
    }
    bool ok = false;
    EXPECT_FALSE(dyt::coerceValue(QStringLiteral("  "), FieldType::Integer, &ok).isValid());
    EXPECT_TRUE(ok);  // blank text is Null, not an error
    EXPECT_FALSE(dyt::coerceValue(1e30, FieldType::Currency, &ok).isValid());
    EXPECT_FALSE(ok);
    EXPECT_FALSE(dyt::coerceValue(qint64{1} << 62, FieldType::Currency, &ok).isValid());
    EXPECT_FALSE(ok);
    EXPECT_EQ(dyt::coerceValue(7, FieldType::Currency, &ok).value<Currency>(),
              Currency::fromRaw(70000));
    EXPECT_TRUE(ok);
}

TEST(RecordSet, FilterLimitsTheCursorAndRecordCount) {
    RecordSet s = bills();
    s.setFilter(QStringLiteral(" isbj = 1 AND qty < 10 "));
    EXPECT_TRUE(s.filtered());
    EXPECT_EQ(s.filter(), QStringLiteral("isbj = 1 AND qty < 10"));
    EXPECT_EQ(s.recordCount(), 2);
    EXPECT_EQ(s.rowCount(), 5);
    EXPECT_EQ(walk(s, QStringLiteral("code")), words("B D"));
    s.first();
    EXPECT_EQ(s.currentRow(), 1);
    EXPECT_EQ(s.visibleRow(1), 3);
    EXPECT_EQ(s.visiblePosition(3), 1);
    EXPECT_EQ(s.visiblePosition(2), -1);
    s.setFilter(QString());
    EXPECT_FALSE(s.filtered());
    EXPECT_EQ(walk(s, QStringLiteral("code")), words("A B C D E"));
}

TEST(RecordSet, BadFilterKeepsThePreviousOne) {
    RecordSet s = bills();
    s.setFilter(QStringLiteral("isbj = 0"));
    try {
        s.setFilter(QStringLiteral("isbj = 1 AND nosuch = 2"));
        FAIL() << "no error";
    } catch (const DytError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("第 14 个字符处")));
        EXPECT_TRUE(e.message().contains(QStringLiteral("字段[nosuch]不存在")));
    }
    EXPECT_EQ(s.filter(), QStringLiteral("isbj = 0"));
    EXPECT_EQ(walk(s, QStringLiteral("code")), words("C E"));
}

TEST(RecordSet, FilterStaysForNewRowsAfterClearRows) {
    RecordSet s = bills();
    s.setFilter(QStringLiteral("qty > 5"));
    s.clearRows();
    EXPECT_EQ(s.recordCount(), 0);
    EXPECT_TRUE(s.eof());
    s.appendRow({QStringLiteral("X"), QString(), 1, 6});
    s.appendRow({QStringLiteral("Y"), QString(), 1, 5});
    s.appendRow({QStringLiteral("Z"), QString(), 1, 7});
    EXPECT_EQ(s.recordCount(), 2);
    EXPECT_EQ(walk(s, QStringLiteral("code")), words("X Z"));
    s.clear();
    EXPECT_FALSE(s.filtered());
    EXPECT_EQ(s.fieldCount(), 0);
}

TEST(RecordSet, EditsMoveRowsInAndOutOfTheFilterAtOnce) {
    RecordSet s = bills();
    s.setFilter(QStringLiteral("isbj = 1"));  // A B D
    ASSERT_TRUE(s.locate(QStringLiteral("code"), QStringLiteral("B")));
    EXPECT_EQ(s.recNo(), 1);
    // The current row stops passing: it leaves and the cursor stands on the following row.
    s.setValue(QStringLiteral("isbj"), 0);
    EXPECT_EQ(s.recordCount(), 2);
    EXPECT_EQ(s.text(QStringLiteral("code")), QStringLiteral("D"));
    // A hidden row starts passing: it joins in row order and the cursor keeps its row.
    s.setAt(2, 2, 1);  // C
    EXPECT_EQ(s.recordCount(), 3);
    EXPECT_EQ(s.recNo(), 2);
    EXPECT_EQ(s.text(QStringLiteral("code")), QStringLiteral("D"));
    // An edit of a field the filter does not read changes nothing.
    s.setValue(QStringLiteral("qty"), 99);
    EXPECT_EQ(s.recordCount(), 3);
    // The last row stops passing: the cursor goes back to the new last row.
    s.setValue(QStringLiteral("isbj"), 0);
    EXPECT_EQ(s.text(QStringLiteral("code")), QStringLiteral("C"));
    EXPECT_EQ(walk(s, QStringLiteral("code")), words("A C"));
    // A row before the cursor leaves: the cursor keeps its row.
    s.last();
    s.setAt(0, 2, 0);
    EXPECT_EQ(s.recNo(), 0);
    EXPECT_EQ(s.text(QStringLiteral("code")), QStringLiteral("C"));
}

TEST(RecordSet, AppendedRowsStayVisibleUntilTheFilterIsSetAgain) {
    RecordSet s = bills();
    s.setFilter(QStringLiteral("isbj = 1"));
    s.append();
    EXPECT_EQ(s.recordCount(), 4);
    EXPECT_EQ(s.recNo(), 3);
    EXPECT_TRUE(s.isNull(QStringLiteral("isbj")));
    s.setValue(QStringLiteral("code"), QStringLiteral("N"));
    s.setValue(QStringLiteral("isbj"), 0);
    EXPECT_EQ(s.recordCount(), 4);
    EXPECT_EQ(s.text(QStringLiteral("code")), QStringLiteral("N"));
    // Rows given whole go through the filter.
    s.appendRow({QStringLiteral("P"), QString(), 0, 1});
    s.appendRow({QStringLiteral("Q"), QString(), 1, 1});
    EXPECT_EQ(walk(s, QStringLiteral("code")), words("A B D N Q"));
    s.setFilter(QStringLiteral("isbj = 1"));
    EXPECT_EQ(walk(s, QStringLiteral("code")), words("A B D Q"));
}

TEST(RecordSet, RemovingRowsKeepsTheCursorOnItsRecord) {
    RecordSet s = bills();
    s.setFilter(QStringLiteral("isbj = 1"));  // A B D
    s.last();                                 // D
    s.removeRow(2);                           // C, hidden
    EXPECT_EQ(s.text(QStringLiteral("code")), QStringLiteral("D"));
    s.removeRow(0);  // A, visible and before the cursor
    EXPECT_EQ(s.recNo(), 1);
    EXPECT_EQ(s.text(QStringLiteral("code")), QStringLiteral("D"));
    EXPECT_THROW(s.removeRow(17), DytError);
    // Deleting every visible row from the first leaves the hidden ones.
    s.first();
    while (!s.eof())
        s.deleteCurrent();
    EXPECT_EQ(s.recordCount(), 0);
    EXPECT_EQ(s.rowCount(), 1);
    s.setFilter(QString());
    EXPECT_EQ(walk(s, QStringLiteral("code")), words("E"));
    EXPECT_THROW(RecordSet().deleteCurrent(), DytError);
}

TEST(RecordSet, LocateFindsTheFirstVisibleMatchByValueAndType) {
    RecordSet s = bills();
    EXPECT_TRUE(s.locate(QStringLiteral("qty"), QStringLiteral("2")));
    EXPECT_EQ(s.text(QStringLiteral("code")), QStringLiteral("B"));
    EXPECT_TRUE(s.locate(QStringList{QStringLiteral("qty"), QStringLiteral("code")},
                         QVariantList{2, QStringLiteral("D")}));
    EXPECT_EQ(s.recNo(), 3);
    // Not found, or a value the field cannot hold: the cursor stays.
    EXPECT_FALSE(s.locate(QStringLiteral("code"), QStringLiteral("a")));
    EXPECT_FALSE(s.locate(QStringLiteral("qty"), QStringLiteral("many")));
    EXPECT_EQ(s.recNo(), 3);
    EXPECT_TRUE(s.locate(QStringLiteral("code"), QStringLiteral("a"), true));
    EXPECT_EQ(s.recNo(), 0);
    EXPECT_TRUE(s.locate(QStringLiteral("qty"), QVariant()));
    EXPECT_EQ(s.text(QStringLiteral("code")), QStringLiteral("E"));
    EXPECT_THROW(s.locate(QStringLiteral("nosuch"), 1), DytError);
    s.setFilter(QStringLiteral("isbj = 1"));
    EXPECT_FALSE(s.locate(QStringLiteral("code"), QStringLiteral("C")));
    EXPECT_TRUE(s.locate(QStringLiteral("qty"), 2));
    EXPECT_EQ(s.recNo(), 1);
}

// Brute force: the visible position of the first row whose `column` equals `want`.
int firstMatch(const RecordSet& s, int column, const QVariant& want, bool ci) {
    for (int i = 0; i < s.recordCount(); ++i) {
        const QVariant& have = s.at(s.visibleRow(i), column);
        if (!have.isValid())
            continue;
        if (s.field(column).type == FieldType::Text) {
            if (have.toString().compare(want.toString(),
                                        ci ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0) {
                return i;
            }
        } else if (have.toLongLong() == want.toLongLong()) {
            return i;
        }
    }
    return -1;
}

TEST(RecordSet, IndexedLocateAgreesWithAScanThroughEditsAppendsRemovalsAndSorts) {
    std::mt19937 rng(20240601);
    const auto randomCode = [&rng] {
        static const char* parts[] = {"a", "B", "c", "D", "甲", "乙"};
        QString code;
        for (int k = 0; k < 2; ++k)
            code += QString::fromUtf8(parts[rng() % 6]);
        return code;
    };
    RecordSet indexed;
    indexed.addField(QStringLiteral("code"), FieldType::Text);
    indexed.addField(QStringLiteral("n"), FieldType::Integer);
    indexed.addField(QStringLiteral("keep"), FieldType::Integer);
    for (int i = 0; i < 400; ++i) {
        indexed.appendRow(
            {randomCode(), static_cast<int>(rng() % 50), static_cast<int>(rng() % 3)});
    }
    indexed.addIndex(QStringLiteral("code"));
    indexed.addIndex(QStringLiteral("n"));
    RecordSet plain = indexed;
    plain.removeIndex(QStringLiteral("code"));
    plain.removeIndex(QStringLiteral("n"));
    EXPECT_TRUE(indexed.hasIndex(QStringLiteral("CODE")));
    EXPECT_FALSE(plain.hasIndex(QStringLiteral("code")));

    const auto check = [&](const char* stage) {
        SCOPED_TRACE(stage);
        for (int probe = 0; probe < 60; ++probe) {
            const bool ci = probe % 2 == 1;
            const QString code = randomCode();
            const int n = static_cast<int>(rng() % 50);
            const int expectCode = firstMatch(indexed, 0, code, ci);
            EXPECT_EQ(indexed.locate(QStringLiteral("code"), code, ci), expectCode >= 0);
            if (expectCode >= 0) {
                EXPECT_EQ(indexed.recNo(), expectCode);
            }
            EXPECT_EQ(plain.locate(QStringLiteral("code"), code, ci), expectCode >= 0);
            if (expectCode >= 0) {
                EXPECT_EQ(plain.recNo(), expectCode);
            }
            const int expectN = firstMatch(indexed, 1, n, false);
            EXPECT_EQ(indexed.locate(QStringLiteral("n"), n), expectN >= 0);
            if (expectN >= 0) {
                EXPECT_EQ(indexed.recNo(), expectN);
            }
            // Two fields: the index narrows, the other field decides.
            const bool both = indexed.locate(
                QStringList{QStringLiteral("n"), QStringLiteral("keep")}, QVariantList{n, 1});
            int expectBoth = -1;
            for (int i = 0; i < indexed.recordCount() && expectBoth < 0; ++i) {
                const int r = indexed.visibleRow(i);
                if (indexed.at(r, 1).toLongLong() == n && indexed.at(r, 2).toLongLong() == 1) {
                    expectBoth = i;
                }
            }
            EXPECT_EQ(both, expectBoth >= 0);
            if (expectBoth >= 0) {
                EXPECT_EQ(indexed.recNo(), expectBoth);
            }
        }
    };
    const auto both = [&](const std::function<void(RecordSet&)>& f) {
        f(indexed);
        f(plain);
    };
    check("fresh");
    for (int k = 0; k < 100; ++k) {
        const int r = static_cast<int>(rng() % indexed.rowCount());
        const QString code = randomCode();
        const int n = static_cast<int>(rng() % 50);
        both([&](RecordSet& s) {
            s.setAt(r, 0, code);
            s.setAt(r, 1, n);
        });
    }
    check("after edits");
    for (int k = 0; k < 50; ++k) {
        const QString code = randomCode();
        both([&](RecordSet& s) { s.appendRow({code, k, 1}); });
    }
    check("after appends");
    both([](RecordSet& s) { s.setFilter(QStringLiteral("keep <> 0")); });
    check("filtered");
    for (int k = 0; k < 30; ++k) {
        const int r = static_cast<int>(rng() % indexed.rowCount());
        both([&](RecordSet& s) { s.removeRow(r); });
    }
    check("after removals");
    both([](RecordSet& s) { s.sort(QStringLiteral("n"), Qt::DescendingOrder); });
    check("after a sort");
    both([](RecordSet& s) {
        s.setAt(0, 1, 1234);
        s.appendRow({QStringLiteral("zz"), 1234, 1});
    });
    EXPECT_TRUE(indexed.locate(QStringLiteral("n"), 1234));
    EXPECT_EQ(indexed.currentRow(),
              indexed.at(0, 2).toLongLong() != 0 ? 0 : indexed.rowCount() - 1);
    check("after edits of the rebuilt index");
}

TEST(RecordSet, IndexesRefuseUnknownAndBinaryFields) {
    RecordSet s = bills();
    s.addField(QStringLiteral("pic"), FieldType::Blob);
    EXPECT_THROW(s.addIndex(QStringLiteral("nosuch")), DytError);
    EXPECT_THROW(s.addIndex(QStringLiteral("pic")), DytError);
    s.addIndex(QStringLiteral("code"));
    s.addIndex(QStringLiteral("code"));
    EXPECT_TRUE(s.hasIndex(QStringLiteral("code")));
    s.removeIndex(QStringLiteral("code"));
    EXPECT_FALSE(s.hasIndex(QStringLiteral("code")));
}

TEST(RecordSet, BookmarksFollowTheirRowAndFailWhenItIsGoneOrHidden) {
    RecordSet s = bills();
    ASSERT_TRUE(s.locate(QStringLiteral("code"), QStringLiteral("C")));
    const Bookmark c = s.bookmark();
    EXPECT_TRUE(c.isValid());
    s.sort(QStringLiteral("qty"), Qt::DescendingOrder);
    s.first();
    s.removeRow(s.rowCount() - 1);
    EXPECT_TRUE(s.gotoBookmark(c));
    EXPECT_EQ(s.text(QStringLiteral("code")), QStringLiteral("C"));
    s.setFilter(QStringLiteral("isbj = 1"));
    EXPECT_FALSE(s.bookmarkValid(c));
    EXPECT_FALSE(s.gotoBookmark(c));
    s.setFilter(QString());
    ASSERT_TRUE(s.gotoBookmark(c));
    s.deleteCurrent();
    EXPECT_FALSE(s.bookmarkValid(c));
    EXPECT_FALSE(RecordSet().bookmark().isValid());
}

TEST(RecordSet, SortComparesByFieldKindStablyWithNullFirst) {
    RecordSet s;
    s.addField(QStringLiteral("id"), FieldType::Integer);
    s.addField(QStringLiteral("code"), FieldType::Text);
    s.addField(QStringLiteral("n"), FieldType::Integer);
    s.addField(QStringLiteral("price"), FieldType::Currency);
    s.addField(QStringLiteral("rate"), FieldType::Float);
    s.addField(QStringLiteral("d"), FieldType::Date);
    s.appendRow({1, QStringLiteral("10"), 10, QStringLiteral("2.5"), 0.5, QDate(2024, 5, 1)});
    s.appendRow({2, QStringLiteral("2"), 2, QStringLiteral("-1"), -3.0, QDate(2023, 5, 1)});
    s.appendRow({3, QVariant(), QVariant(), QVariant(), QVariant(), QVariant()});
    s.appendRow({4, QStringLiteral("b"), 2, QStringLiteral("10"), 1e6, QDate(2024, 1, 1)});
    s.appendRow({5, QStringLiteral("B"), 10, QStringLiteral("2.5"), 0.5, QDate(2024, 5, 1)});
    const struct {
        const char* field;
        Qt::SortOrder order;
        const char* ids;
    } cases[] = {
        // Texts as texts ("10" < "2"), letters without regard to case, stable among equals.
        {"code", Qt::AscendingOrder, "3 1 2 4 5"},
        {"code", Qt::DescendingOrder, "4 5 2 1 3"},
        // Numbers as numbers; equal values keep their order.
        {"n", Qt::AscendingOrder, "3 2 4 1 5"},
        {"n", Qt::DescendingOrder, "1 5 2 4 3"},
        {"price", Qt::AscendingOrder, "3 2 1 5 4"},
        {"rate", Qt::AscendingOrder, "3 2 1 5 4"},
        {"d", Qt::DescendingOrder, "1 5 4 2 3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        RecordSet t = s;
        t.sort(QString::fromLatin1(c.field), c.order);
        EXPECT_EQ(walk(t, QStringLiteral("id")), words(c.ids));
    }
    RecordSet t = s;
    t.sort(QList<SortKey>{{QStringLiteral("price"), Qt::DescendingOrder},
                          {QStringLiteral("id"), Qt::DescendingOrder}});
    EXPECT_EQ(walk(t, QStringLiteral("id")), words("4 5 1 2 3"));
    EXPECT_THROW(t.sort(QStringLiteral("nosuch")), DytError);
}

TEST(RecordSet, ChineseTextsSortInCharacterCodeOrder) {
    // GBK places 啊 (B0A1) before 北 (B1B1) before 中 (D6D0), the reverse of their Unicode order.
    RecordSet s;
    s.addField(QStringLiteral("name"), FieldType::Text);
    for (const char* n : {"中", "北", "啊", "Z", "北京"})
        s.appendRow({QString::fromUtf8(n)});
    s.sort(QStringLiteral("name"));
    EXPECT_EQ(walk(s, QStringLiteral("name")), words("Z 啊 北 北京 中"));
}

TEST(RecordSet, SortKeepsTheCursorOnItsRowAndTheFilteredRowsVisible) {
    RecordSet s = bills();
    s.setFilter(QStringLiteral("isbj = 1"));
    ASSERT_TRUE(s.locate(QStringLiteral("code"), QStringLiteral("A")));
    s.sort(QStringLiteral("qty"));
    EXPECT_EQ(s.text(QStringLiteral("code")), QStringLiteral("A"));
    EXPECT_EQ(s.recNo(), 2);
    EXPECT_EQ(walk(s, QStringLiteral("code")), words("B D A"));
    s.setFilter(QString());
    EXPECT_EQ(walk(s, QStringLiteral("code")), words("E B D A C"));
}

TEST(RecordSet, CopyStructureAndLoadFromTakeFieldsAndRows) {
    RecordSet source = bills();
    source.field(0).displayName = QStringLiteral("单据编号");
    source.setFilter(QStringLiteral("qty = 2"));
    source.addIndex(QStringLiteral("code"));

    RecordSet shape;
    shape.copyStructure(source);
    EXPECT_EQ(shape.fieldCount(), 4);
    EXPECT_EQ(shape.field(0).caption(), QStringLiteral("单据编号"));
    EXPECT_EQ(shape.rowCount(), 0);
    EXPECT_FALSE(shape.filtered());

    RecordSet all;
    all.addField(QStringLiteral("old"), FieldType::Text);
    all.loadFrom(source);
    EXPECT_EQ(all.fieldCount(), 4);
    EXPECT_FALSE(all.filtered());
    EXPECT_FALSE(all.hasIndex(QStringLiteral("code")));
    EXPECT_EQ(walk(all, QStringLiteral("code")), words("A B C D E"));

    RecordSet visible;
    visible.loadFrom(source, true);
    EXPECT_EQ(walk(visible, QStringLiteral("code")), words("B D"));
    visible.loadFrom(visible);
    EXPECT_EQ(walk(visible, QStringLiteral("code")), words("B D"));
}

TEST(RecordSet, CopiesAreIndependentAndMovesLeaveTheSourceEmpty) {
    RecordSet a = bills();
    a.setFilter(QStringLiteral("isbj = 1"));
    RecordSet b = a;
    b.first();
    b.setValue(QStringLiteral("isbj"), 0);
    EXPECT_EQ(a.recordCount(), 3);
    EXPECT_EQ(b.recordCount(), 2);
    EXPECT_EQ(b.filter(), QStringLiteral("isbj = 1"));
    RecordSet c = std::move(b);
    EXPECT_EQ(c.recordCount(), 2);
    EXPECT_EQ(b.rowCount(), 0);  // NOLINT(bugprone-use-after-move): moved-from state is defined
    EXPECT_FALSE(b.filtered());
    b = a;
    EXPECT_EQ(walk(b, QStringLiteral("code")), words("A B D"));
}

TEST(RecordSet, FilterOptionsIgnoreCaseWhenAsked) {
    RecordSet s = bills();
    s.setFilter(QStringLiteral("code IN ('a', 'c')"), dyt::FilterOptions{true});
    EXPECT_EQ(walk(s, QStringLiteral("code")), words("A C"));
    s.setFilter(QStringLiteral("code IN ('a', 'c')"));
    EXPECT_EQ(s.recordCount(), 0);
}

TEST(RecordSet, FieldTypeNamesRoundTrip) {
    for (FieldType t :
         {FieldType::Text, FieldType::Integer, FieldType::Float, FieldType::Currency,
          FieldType::Date, FieldType::DateTime, FieldType::Boolean, FieldType::Blob}) {
        FieldType back = FieldType::Text;
        EXPECT_TRUE(dyt::fieldTypeFromName(dyt::fieldTypeName(t).toUpper(), &back));
        EXPECT_EQ(back, t);
    }
    FieldType unused = FieldType::Text;
    EXPECT_FALSE(dyt::fieldTypeFromName(QStringLiteral("money"), &unused));
}

}  // namespace
