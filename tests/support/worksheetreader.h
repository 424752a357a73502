#pragma once
// A small reader of the ".xls" worksheet records, written from the record layout alone, for the
// tests of the worksheet writer and of the grid export.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QStringList>

#include <cstring>

namespace dyt::test {

inline int u16(const QByteArray& b, qsizetype at) {
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}

inline quint32 u32(const QByteArray& b, qsizetype at) {
    return static_cast<quint32>(u16(b, at)) | (static_cast<quint32>(u16(b, at + 2)) << 16);
}

struct SheetRecord {
    int type = 0;
    QByteArray body;
};

// Splits the bytes into records; a truncated record is a test failure.
inline QList<SheetRecord> sheetRecords(const QByteArray& bytes) {
    QList<SheetRecord> out;
    qsizetype at = 0;
    while (at < bytes.size()) {
        const int length = at + 4 <= bytes.size() ? u16(bytes, at + 2) : 0;
        if (at + 4 + length > bytes.size()) {
            ADD_FAILURE() << "truncated record at " << at;
            break;
        }
        out.append({u16(bytes, at), bytes.mid(at + 4, length)});
        at += 4 + length;
    }
    return out;
}

// One cell decoded: "L:text" (GBK bytes as hex when not ASCII), "K:int" (RK), "N:double", "B".
inline QString sheetCell(const SheetRecord& r) {
    EXPECT_EQ(u16(r.body, 4), 0) << "format index";
    switch (r.type) {
        case 0x0201:
            EXPECT_EQ(r.body.size(), 6);
            return QStringLiteral("B");
        case 0x027E: {
            EXPECT_EQ(r.body.size(), 10);
            const quint32 raw = u32(r.body, 6);
            EXPECT_EQ(raw & 3u, 2u) << "an RK integer has bit 1 set and bit 0 clear";
            return QStringLiteral("K:%1").arg((static_cast<qint32>(raw) - 2) / 4);
        }
        case 0x0203: {
            EXPECT_EQ(r.body.size(), 14);
            const quint64 bits = u32(r.body, 6) | (static_cast<quint64>(u32(r.body, 10)) << 32);
            double d = 0;
            std::memcpy(&d, &bits, sizeof d);
            return QStringLiteral("N:%1").arg(d, 0, 'g', 17);
        }
        case 0x0204: {
            const int length = u16(r.body, 6);
            EXPECT_EQ(r.body.size(), 8 + length);
            const QByteArray text = r.body.mid(8, length);
            bool ascii = true;
            for (char ch : text)
                ascii = ascii && static_cast<unsigned char>(ch) < 0x80;
            return QStringLiteral("L:") +
                   (ascii ? QString::fromLatin1(text) : QString::fromLatin1(text.toHex()));
        }
    }
    ADD_FAILURE() << "unexpected record " << r.type;
    return {};
}

// The cells of a whole worksheet file, "|" between cells and "\n" between rows. The file must
// open with the BOF record and end with EOF, and the cells must come left to right, row by row.
inline QString sheetCells(const QByteArray& bytes) {
    const QList<SheetRecord> recs = sheetRecords(bytes);
    if (recs.size() < 2 || recs.first().type != 0x0809 || recs.last().type != 0x000A) {
        ADD_FAILURE() << "no BOF and EOF";
        return {};
    }
    EXPECT_EQ(recs.first().body.toHex(), QByteArray("0000100000000000"));
    EXPECT_TRUE(recs.last().body.isEmpty());
    QStringList rows;
    QStringList row;
    for (qsizetype i = 1; i + 1 < recs.size(); ++i) {
        const int r = u16(recs[i].body, 0);
        const int c = u16(recs[i].body, 2);
        if (c == 0 && !row.isEmpty()) {
            rows.append(row.join(QLatin1Char('|')));
            row.clear();
        }
        EXPECT_EQ(r, rows.size()) << "row of record " << i;
        EXPECT_EQ(c, row.size()) << "column of record " << i;
        row.append(sheetCell(recs[i]));
    }
    rows.append(row.join(QLatin1Char('|')));
    return rows.join(QLatin1Char('\n'));
}

}  // namespace dyt::test
