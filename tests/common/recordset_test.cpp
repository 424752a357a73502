#include <gtest/gtest.h>

#include <QDate>

#include <functional>
#include <random>

#include "common/currency.h"
#include "common/error.h"
#include "common/filterexpr.h"
#include "common/recordset.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

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
    for (set.first(); !set.eof(); set.next())
        out << (set.isNull(field) ? u"<null>"_s : set.text(field));
    return out;
}

QStringList words(const char* text) {
    return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// code, name, isbj, qty
RecordSet bills() {
    RecordSet s = dyt::test::withFields("code text, name text, isbj integer, qty integer");
    s.appendRow({u"A"_s, u"进货单"_s, 1, 10});
    s.appendRow({u"B"_s, u"销售单"_s, 1, 2});
    s.appendRow({u"C"_s, u"收款单"_s, 0, 30});
    s.appendRow({u"D"_s, u"付款单"_s, 1, 2});
    s.appendRow({u"E"_s, u"报损单"_s, 0, QVariant()});
    return s;
}

TEST(RecordSet, AppendRowCoercesValuesAndRefusesBadOnes) {
    RecordSet s = dyt::test::withFields("id integer, price currency, d date");
    EXPECT_THROW(s.addField(u"ID"_s, FieldType::Text), DytError);
    s.appendRow({u" 42 "_s, u"1.5"_s, u"2024-03-01"_s});
    s.appendRow({7});
    EXPECT_EQ(s.rowCount(), 2);
    EXPECT_EQ(s.at(0, 0), QVariant(qint64{42}));
    EXPECT_EQ(s.at(0, 1).value<Currency>(), Currency::fromRaw(15000));
    EXPECT_EQ(s.at(0, 2), QVariant(QDate(2024, 3, 1)));
    EXPECT_FALSE(s.at(1, 1).isValid());
    EXPECT_THROW(s.appendRow({u"x"_s}), DytError);
    EXPECT_THROW(s.appendRow({1, 2, QDate(2024, 1, 1), 4}), DytError);
    EXPECT_EQ(s.rowCount(), 2);
    s.first();
    EXPECT_EQ(s.integer(u"ID"_s), 42);
    EXPECT_EQ(s.number(u"price"_s), 1.5);
    EXPECT_EQ(s.text(u"d"_s), u"2024-03-01"_s);
    EXPECT_THROW(s.value(u"nosuch"_s), DytError);
    EXPECT_THROW(s.setValue(u"id"_s, u"abc"_s), DytError);
    EXPECT_EQ(s.integer(u"id"_s), 42);
    // Field type names round trip.
    for (FieldType t :
         {FieldType::Text, FieldType::Integer, FieldType::Float, FieldType::Currency,
          FieldType::Date, FieldType::DateTime, FieldType::Boolean, FieldType::Blob}) {
        FieldType back = FieldType::Text;
        EXPECT_TRUE(dyt::fieldTypeFromName(dyt::fieldTypeName(t).toUpper(), &back));
        EXPECT_EQ(back, t);
    }
    FieldType unused = FieldType::Text;
    EXPECT_FALSE(dyt::fieldTypeFromName(u"money"_s, &unused));
}

TEST(RecordSet, CoercionToIntegerRoundsHalfAwayFromZeroAndRefusesOverflow) {
    const struct {
        const char* name;
        QVariant in;
        bool ok;
        qint64 out;
    } cases[] = {
        {"double up", 2.7, true, 3}, {"double half down", -2.5, true, -3},
        {"double half up", 2.5, true, 3}, {"text decimal", u" 2.7 "_s, true, 3},
        {"text integer", u"-12"_s, true, -12},
        {"currency", QVariant::fromValue(Currency::fromRaw(25000)), true, 3},
        {"negative currency", QVariant::fromValue(Currency::fromRaw(-24999)), true, -2},
        {"boolean", true, true, 1}, {"huge double", 1e30, false, 0},
        {"huge text", u"1e30"_s, false, 0}, {"not a number", u"abc"_s, false, 0}};
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
    EXPECT_FALSE(dyt::coerceValue(u"  "_s, FieldType::Integer, &ok).isValid());
    EXPECT_TRUE(ok);  // blank text is Null, not an error
    EXPECT_FALSE(dyt::coerceValue(1e30, FieldType::Currency, &ok).isValid());
    EXPECT_FALSE(ok);
    EXPECT_FALSE(dyt::coerceValue(qint64{1} << 62, FieldType::Currency, &ok).isValid());
    EXPECT_FALSE(ok);
    EXPECT_EQ(dyt::coerceValue(7, FieldType::Currency, &ok).value<Currency>(),
              Currency::fromRaw(70000));
    EXPECT_TRUE(ok);
}

TEST(RecordSet, FilterLimitsTheCursorAndRecordCountAndStaysForNewRows) {
    RecordSet s = bills();
    s.setFilter(u" isbj = 1 AND qty < 10 "_s);
    EXPECT_TRUE(s.filtered());
    EXPECT_EQ(s.filter(), u"isbj = 1 AND qty < 10"_s);
    EXPECT_EQ(s.recordCount(), 2);
    EXPECT_EQ(s.rowCount(), 5);
    EXPECT_EQ(walk(s, u"code"_s), words("B D"));
    s.first();
    EXPECT_EQ(s.currentRow(), 1);
    EXPECT_EQ(s.visibleRow(1), 3);
    EXPECT_EQ(s.visiblePosition(3), 1);
    EXPECT_EQ(s.visiblePosition(2), -1);
    s.setFilter(QString());
    EXPECT_FALSE(s.filtered());
    EXPECT_EQ(walk(s, u"code"_s), words("A B C D E"));
    // A bad filter keeps the previous one.
    s.setFilter(u"isbj = 0"_s);
    const QString error = dyt::test::errorOf([&] { s.setFilter(u"isbj = 1 AND nosuch = 2"_s); });
    EXPECT_TRUE(error.contains(u"第 14 个字符处"_s));
    EXPECT_TRUE(error.contains(u"字段[nosuch]不存在"_s));
    EXPECT_EQ(s.filter(), u"isbj = 0"_s);
    EXPECT_EQ(walk(s, u"code"_s), words("C E"));
    // Letter case is ignored when asked.
    s.setFilter(u"code IN ('a', 'c')"_s, dyt::FilterOptions{true});
    EXPECT_EQ(walk(s, u"code"_s), words("A C"));
    s.setFilter(u"code IN ('a', 'c')"_s);
    EXPECT_EQ(s.recordCount(), 0);
    // The filter stays for new rows after the rows are cleared.
    s.setFilter(u"qty > 5"_s);
    s.clearRows();
    EXPECT_EQ(s.recordCount(), 0);
    EXPECT_TRUE(s.eof());
    s.appendRow({u"X"_s, QString(), 1, 6});
    s.appendRow({u"Y"_s, QString(), 1, 5});
    s.appendRow({u"Z"_s, QString(), 1, 7});
    EXPECT_EQ(s.recordCount(), 2);
    EXPECT_EQ(walk(s, u"code"_s), words("X Z"));
    s.clear();
    EXPECT_FALSE(s.filtered());
    EXPECT_EQ(s.fieldCount(), 0);
}

TEST(RecordSet, EditsMoveRowsInAndOutOfTheFilterAtOnce) {
    RecordSet s = bills();
    s.setFilter(u"isbj = 1"_s);  // A B D
    ASSERT_TRUE(s.locate(u"code"_s, u"B"_s));
    EXPECT_EQ(s.recNo(), 1);
    // The current row stops passing: it leaves and the cursor stands on the following row.
    s.setValue(u"isbj"_s, 0);
    EXPECT_EQ(s.recordCount(), 2);
    EXPECT_EQ(s.text(u"code"_s), u"D"_s);
    // A hidden row starts passing: it joins in row order and the cursor keeps its row.
    s.setAt(2, 2, 1);  // C
    EXPECT_EQ(s.recordCount(), 3);
    EXPECT_EQ(s.recNo(), 2);
    EXPECT_EQ(s.text(u"code"_s), u"D"_s);
    // An edit of a field the filter does not read changes nothing.
    s.setValue(u"qty"_s, 99);
    EXPECT_EQ(s.recordCount(), 3);
    // The last row stops passing: the cursor goes back to the new last row.
    s.setValue(u"isbj"_s, 0);
    EXPECT_EQ(s.text(u"code"_s), u"C"_s);
    EXPECT_EQ(walk(s, u"code"_s), words("A C"));
    // A row before the cursor leaves: the cursor keeps its row.
    s.last();
    s.setAt(0, 2, 0);
    EXPECT_EQ(s.recNo(), 0);
    EXPECT_EQ(s.text(u"code"_s), u"C"_s);
}

TEST(RecordSet, AppendedRowsStayVisibleUntilTheFilterIsSetAgain) {
    RecordSet s = bills();
    s.setFilter(u"isbj = 1"_s);
    s.append();
    EXPECT_EQ(s.recordCount(), 4);
    EXPECT_EQ(s.recNo(), 3);
    EXPECT_TRUE(s.isNull(u"isbj"_s));
    s.setValue(u"code"_s, u"N"_s);
    s.setValue(u"isbj"_s, 0);
    EXPECT_EQ(s.recordCount(), 4);
    EXPECT_EQ(s.text(u"code"_s), u"N"_s);
    // Rows given whole go through the filter.
    s.appendRow({u"P"_s, QString(), 0, 1});
    s.appendRow({u"Q"_s, QString(), 1, 1});
    EXPECT_EQ(walk(s, u"code"_s), words("A B D N Q"));
    s.setFilter(u"isbj = 1"_s);
    EXPECT_EQ(walk(s, u"code"_s), words("A B D Q"));
}

TEST(RecordSet, RemovingRowsKeepsTheCursorOnItsRecord) {
    RecordSet s = bills();
    s.setFilter(u"isbj = 1"_s);  // A B D
    s.last();                    // D
    s.removeRow(2);              // C, hidden
    EXPECT_EQ(s.text(u"code"_s), u"D"_s);
    s.removeRow(0);  // A, visible and before the cursor
    EXPECT_EQ(s.recNo(), 1);
    EXPECT_EQ(s.text(u"code"_s), u"D"_s);
    EXPECT_THROW(s.removeRow(17), DytError);
    // Deleting every visible row from the first leaves the hidden ones.
    s.first();
    while (!s.eof())
        s.deleteCurrent();
    EXPECT_EQ(s.recordCount(), 0);
    EXPECT_EQ(s.rowCount(), 1);
    s.setFilter(QString());
    EXPECT_EQ(walk(s, u"code"_s), words("E"));
    EXPECT_THROW(RecordSet().deleteCurrent(), DytError);
}

TEST(RecordSet, LocateFindsTheFirstVisibleMatchByValueAndType) {
    RecordSet s = bills();
    EXPECT_TRUE(s.locate(u"qty"_s, u"2"_s));
    EXPECT_EQ(s.text(u"code"_s), u"B"_s);
    EXPECT_TRUE(s.locate(QStringList{u"qty"_s, u"code"_s}, QVariantList{2, u"D"_s}));
    EXPECT_EQ(s.recNo(), 3);
    // Not found, or a value the field cannot hold: the cursor stays.
    EXPECT_FALSE(s.locate(u"code"_s, u"a"_s));
    EXPECT_FALSE(s.locate(u"qty"_s, u"many"_s));
    EXPECT_EQ(s.recNo(), 3);
    EXPECT_TRUE(s.locate(u"code"_s, u"a"_s, true));
    EXPECT_EQ(s.recNo(), 0);
    EXPECT_TRUE(s.locate(u"qty"_s, QVariant()));
    EXPECT_EQ(s.text(u"code"_s), u"E"_s);
    EXPECT_THROW(s.locate(u"nosuch"_s, 1), DytError);
    s.setFilter(u"isbj = 1"_s);
    EXPECT_FALSE(s.locate(u"code"_s, u"C"_s));
    EXPECT_TRUE(s.locate(u"qty"_s, 2));
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
    RecordSet indexed = dyt::test::withFields("code text, n integer, keep integer");
    for (int i = 0; i < 400; ++i) {
        indexed.appendRow(
            {randomCode(), static_cast<int>(rng() % 50), static_cast<int>(rng() % 3)});
    }
    indexed.addIndex(u"code"_s);
    indexed.addIndex(u"n"_s);
    RecordSet plain = indexed;
    plain.removeIndex(u"code"_s);
    plain.removeIndex(u"n"_s);
    EXPECT_TRUE(indexed.hasIndex(u"CODE"_s));
    EXPECT_FALSE(plain.hasIndex(u"code"_s));
    // Unknown and binary fields take no index; a second index of a field is the same one.
    indexed.addIndex(u"code"_s);
    EXPECT_THROW(indexed.addIndex(u"nosuch"_s), DytError);
    EXPECT_THROW(dyt::test::withFields("pic blob").addIndex(u"pic"_s), DytError);
    const auto check = [&](const char* stage) {
        SCOPED_TRACE(stage);
        for (int probe = 0; probe < 60; ++probe) {
            const bool ci = probe % 2 == 1;
            const QString code = randomCode();
            const int n = static_cast<int>(rng() % 50);
            // The position found, -1 when locate finds nothing.
            const auto at = [](RecordSet& s, bool found) { return found ? s.recNo() : -1; };
            const int expectCode = firstMatch(indexed, 0, code, ci);
            EXPECT_EQ(at(indexed, indexed.locate(u"code"_s, code, ci)), expectCode);
            EXPECT_EQ(at(plain, plain.locate(u"code"_s, code, ci)), expectCode);
            EXPECT_EQ(at(indexed, indexed.locate(u"n"_s, n)), firstMatch(indexed, 1, n, false));
            // Two fields: the index narrows, the other field decides.
            int expectBoth = -1;
            for (int i = 0; i < indexed.recordCount() && expectBoth < 0; ++i) {
                const int r = indexed.visibleRow(i);
                if (indexed.at(r, 1).toLongLong() == n && indexed.at(r, 2).toLongLong() == 1)
                    expectBoth = i;
            }
            EXPECT_EQ(
                at(indexed, indexed.locate(QStringList{u"n"_s, u"keep"_s}, QVariantList{n, 1})),
                expectBoth);
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
    both([](RecordSet& s) { s.setFilter(u"keep <> 0"_s); });
    check("filtered");
    for (int k = 0; k < 30; ++k) {
        const int r = static_cast<int>(rng() % indexed.rowCount());
        both([&](RecordSet& s) { s.removeRow(r); });
    }
    check("after removals");
    both([](RecordSet& s) { s.sort(u"n"_s, Qt::DescendingOrder); });
    check("after a sort");
    both([](RecordSet& s) {
        s.setAt(0, 1, 1234);
        s.appendRow({u"zz"_s, 1234, 1});
    });
    EXPECT_TRUE(indexed.locate(u"n"_s, 1234));
    EXPECT_EQ(indexed.currentRow(),
              indexed.at(0, 2).toLongLong() != 0 ? 0 : indexed.rowCount() - 1);
    check("after edits of the rebuilt index");
}

TEST(RecordSet, BookmarksFollowTheirRowAndFailWhenItIsGoneOrHidden) {
    RecordSet s = bills();
    ASSERT_TRUE(s.locate(u"code"_s, u"C"_s));
    const Bookmark c = s.bookmark();
    EXPECT_TRUE(c.isValid());
    s.sort(u"qty"_s, Qt::DescendingOrder);
    s.first();
    s.removeRow(s.rowCount() - 1);
    EXPECT_TRUE(s.gotoBookmark(c));
    EXPECT_EQ(s.text(u"code"_s), u"C"_s);
    s.setFilter(u"isbj = 1"_s);
    EXPECT_FALSE(s.bookmarkValid(c));
    EXPECT_FALSE(s.gotoBookmark(c));
    s.setFilter(QString());
    ASSERT_TRUE(s.gotoBookmark(c));
    s.deleteCurrent();
    EXPECT_FALSE(s.bookmarkValid(c));
    EXPECT_FALSE(RecordSet().bookmark().isValid());
}

TEST(RecordSet, SortComparesByFieldKindStablyWithNullFirst) {
    RecordSet s = dyt::test::withFields("id integer, code text, n integer, price currency, "
        "rate float, d date");
    s.appendRow({1, u"10"_s, 10, u"2.5"_s, 0.5, QDate(2024, 5, 1)});
    s.appendRow({2, u"2"_s, 2, u"-1"_s, -3.0, QDate(2023, 5, 1)});
    s.appendRow({3, QVariant(), QVariant(), QVariant(), QVariant(), QVariant()});
    s.appendRow({4, u"b"_s, 2, u"10"_s, 1e6, QDate(2024, 1, 1)});
    s.appendRow({5, u"B"_s, 10, u"2.5"_s, 0.5, QDate(2024, 5, 1)});
    const struct {
        const char* field;
        Qt::SortOrder order;
        const char* ids;
    } cases[] = {
        // Texts as texts ("10" < "2"), letters without regard to case, stable among equals.
        {"code", Qt::AscendingOrder, "3 1 2 4 5"}, {"code", Qt::DescendingOrder, "4 5 2 1 3"},
        // Numbers as numbers; equal values keep their order.
        {"n", Qt::AscendingOrder, "3 2 4 1 5"}, {"n", Qt::DescendingOrder, "1 5 2 4 3"},
        {"price", Qt::AscendingOrder, "3 2 1 5 4"}, {"rate", Qt::AscendingOrder, "3 2 1 5 4"},
        {"d", Qt::DescendingOrder, "1 5 4 2 3"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        RecordSet t = s;
        t.sort(QString::fromLatin1(c.field), c.order);
        EXPECT_EQ(walk(t, u"id"_s), words(c.ids));
    }
    RecordSet t = s;
    t.sort(QList<SortKey>{{u"price"_s, Qt::DescendingOrder}, {u"id"_s, Qt::DescendingOrder}});
    EXPECT_EQ(walk(t, u"id"_s), words("4 5 1 2 3"));
    EXPECT_THROW(t.sort(u"nosuch"_s), DytError);
    // Chinese texts in character code order: GBK places 啊 (B0A1) before 北 (B1B1) before 中
    // (D6D0), the reverse of their Unicode order.
    RecordSet names = dyt::test::withFields("name text");
    for (const char* n : {"中", "北", "啊", "Z", "北京"})
        names.appendRow({QString::fromUtf8(n)});
    names.sort(u"name"_s);
    EXPECT_EQ(walk(names, u"name"_s), words("Z 啊 北 北京 中"));
}

TEST(RecordSet, SortKeepsTheCursorOnItsRowAndTheFilteredRowsVisible) {
    RecordSet s = bills();
    s.setFilter(u"isbj = 1"_s);
    ASSERT_TRUE(s.locate(u"code"_s, u"A"_s));
    s.sort(u"qty"_s);
    EXPECT_EQ(s.text(u"code"_s), u"A"_s);
    EXPECT_EQ(s.recNo(), 2);
    EXPECT_EQ(walk(s, u"code"_s), words("B D A"));
    s.setFilter(QString());
    EXPECT_EQ(walk(s, u"code"_s), words("E B D A C"));
}

TEST(RecordSet, CopyStructureLoadFromCopiesAndMoves) {
    RecordSet source = bills();
    source.field(0).displayName = u"单据编号"_s;
    source.setFilter(u"qty = 2"_s);
    source.addIndex(u"code"_s);
    RecordSet shape;
    shape.copyStructure(source);
    EXPECT_EQ(shape.fieldCount(), 4);
    EXPECT_EQ(shape.field(0).caption(), u"单据编号"_s);
    EXPECT_EQ(shape.rowCount(), 0);
    EXPECT_FALSE(shape.filtered());
    RecordSet all;
    all.addField(u"old"_s, FieldType::Text);
    all.loadFrom(source);
    EXPECT_EQ(all.fieldCount(), 4);
    EXPECT_FALSE(all.filtered());
    EXPECT_FALSE(all.hasIndex(u"code"_s));
    EXPECT_EQ(walk(all, u"code"_s), words("A B C D E"));
    RecordSet visible;
    visible.loadFrom(source, true);
    EXPECT_EQ(walk(visible, u"code"_s), words("B D"));
    visible.loadFrom(visible);
    EXPECT_EQ(walk(visible, u"code"_s), words("B D"));
    // Copies are independent and moves leave the source empty.
    RecordSet a = bills();
    a.setFilter(u"isbj = 1"_s);
    RecordSet b = a;
    b.first();
    b.setValue(u"isbj"_s, 0);
    EXPECT_EQ(a.recordCount(), 3);
    EXPECT_EQ(b.recordCount(), 2);
    EXPECT_EQ(b.filter(), u"isbj = 1"_s);
    RecordSet c = std::move(b);
    EXPECT_EQ(c.recordCount(), 2);
    EXPECT_EQ(b.rowCount(), 0);  // NOLINT(bugprone-use-after-move): moved-from state is defined
    EXPECT_FALSE(b.filtered());
    b = a;
    EXPECT_EQ(walk(b, u"code"_s), words("A B D"));
}

}  // namespace

TEST(RecordSet, WideRecordSetsFindFieldsByNameThroughCopiesAndNewStructures) {
    RecordSet a;
    for (int i = 0; i < 30; ++i)
        a.addField(QStringLiteral("f%1").arg(i), FieldType::Text, 10);
    EXPECT_EQ(29, a.fieldIndex(QStringLiteral("F29")));
    EXPECT_THROW(a.addField(QStringLiteral("F7"), FieldType::Text), dyt::DytError);
    RecordSet b;
    for (int i = 0; i < 30; ++i)
        b.addField(QStringLiteral("g%1").arg(i), FieldType::Text, 10);
    a.copyStructure(b);  // as many fields, other names
    EXPECT_EQ(-1, a.fieldIndex(QStringLiteral("f3")));
    EXPECT_EQ(3, a.fieldIndex(QStringLiteral("g3")));
    a.addField(QStringLiteral("extra"), FieldType::Integer);
    RecordSet c(a);
    EXPECT_EQ(30, c.fieldIndex(QStringLiteral("EXTRA")));
    c.clear();
    EXPECT_EQ(-1, c.fieldIndex(QStringLiteral("g3")));
}
