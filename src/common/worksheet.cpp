#include "common/worksheet.h"

#include <QDate>
#include <QDateTime>
#include <QIODevice>
#include <QSaveFile>
#include <QtEndian>

#include <cstring>

#include "common/error.h"
#include "common/gbk.h"
#include "common/recordset.h"

namespace dyt::worksheet {

namespace {

constexpr qint64 kRkMin = -(qint64{1} << 29);
constexpr qint64 kRkMax = (qint64{1} << 29) - 1;

class Writer {
public:
    explicit Writer(QByteArray& out) : out_(out) {}

    void bof() {
        header(kBof, 8);
        u16(0);       // version
        u16(0x0010);  // worksheet
        u16(0);
        u16(0);
    }
    void eof() { header(kEof, 0); }

    void blank() {
        header(kBlank, 6);
        cell();
    }
    void rk(qint64 value) {
        header(kRk, 10);
        cell();
        u32(static_cast<quint32>(static_cast<qint32>(value) * 4 + 2));
    }
    void number(double value) {
        header(kNumber, 14);
        cell();
        quint64 bits = 0;
        static_assert(sizeof bits == sizeof value);
        std::memcpy(&bits, &value, sizeof value);
        char b[8];
        qToLittleEndian(bits, b);
        out_.append(b, 8);
    }
    void label(const QString& text) {
        const QByteArray bytes = labelBytes(text);
        header(kLabel, static_cast<quint16>(8 + bytes.size()));
        cell();
        u16(static_cast<quint16>(bytes.size()));
        out_.append(bytes);
    }
    void integer(qint64 value) {
        if (value >= kRkMin && value <= kRkMax) {
            rk(value);
        } else {
            number(static_cast<double>(value));
        }
    }

    void nextRow() {
        ++row_;
        column_ = 0;
    }

private:
    // GBK bytes of the trimmed text, at most kMaxLabelBytes, never ending inside a character.
    static QByteArray labelBytes(const QString& text) {
        QByteArray bytes = gbk::encode(text.trimmed());
        if (bytes.size() <= kMaxLabelBytes)
            return bytes;
        qsizetype end = 0;
        while (end < bytes.size()) {
            const qsizetype width = static_cast<unsigned char>(bytes[end]) >= 0x81 ? 2 : 1;
            if (end + width > kMaxLabelBytes)
                break;
            end += width;
        }
        bytes.truncate(end);
        return bytes;
    }

    void header(quint16 record, quint16 length) {
        u16(record);
        u16(length);
    }
    // Row, column, format index 0; the position then moves one column right.
    void cell() {
        u16(static_cast<quint16>(row_));
        u16(static_cast<quint16>(column_));
        u16(0);
        ++column_;
    }
    void u16(quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        out_.append(b, 2);
    }
    void u32(quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        out_.append(b, 4);
    }

    QByteArray& out_;
    int row_ = 0;
    int column_ = 0;
};

QString cellText(const QVariant& v, FieldType type) {
    switch (type) {
        case FieldType::Date:
            return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
        case FieldType::DateTime:
            return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        case FieldType::Boolean:
            return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        case FieldType::Currency:
            return v.value<Currency>().toString();
        default:
            return v.toString();
    }
}

}  // namespace

QByteArray toBytes(const RecordSet& set) {
    const int rows = set.recordCount();
    const int columns = set.fieldCount();
    if (rows > kMaxRows) {
        throw DytError(
            QStringLiteral("导出的记录有 %1 行，超过了表格文件的上限 %2 行，请先过滤数据再导出")
                .arg(rows)
                .arg(kMaxRows));
    }
    if (columns > kMaxColumns) {
        throw DytError(QStringLiteral("导出的数据有 %1 列，超过了表格文件的上限 %2 列")
                           .arg(columns)
                           .arg(kMaxColumns));
    }
    QByteArray out;
    out.reserve(16 + (rows + 1) * columns * 16);
    Writer w(out);
    w.bof();
    for (const Field& f : set.fields())
        w.label(f.caption());
    w.nextRow();
    for (int i = 0; i < rows; ++i) {
        const RecordSet::Row& row = set.row(set.visibleRow(i));
        for (int c = 0; c < columns; ++c) {
            const QVariant& v = row[c];
            const FieldType type = set.fields()[c].type;
            if (!v.isValid() || v.isNull()) {
                w.blank();
                continue;
            }
            switch (type) {
                case FieldType::Integer:
                    w.integer(v.toLongLong());
                    break;
                case FieldType::Float:
                    w.number(v.toDouble());
                    break;
                case FieldType::Currency:
                    w.number(v.value<Currency>().toDouble());
                    break;
                case FieldType::Blob:
                    w.blank();
                    break;
                default:
                    w.label(cellText(v, type));
                    break;
            }
        }
        w.nextRow();
    }
    w.eof();
    return out;
}

void write(const RecordSet& set, QIODevice* device) {
    const QByteArray bytes = toBytes(set);
    if (!device || !device->isWritable()) {
        throw DytError(QStringLiteral("导出失败: 输出设备不可写"));
    }
    if (device->write(bytes) != bytes.size()) {
        throw DytError(QStringLiteral("导出失败: %1").arg(device->errorString()));
    }
}

void save(const RecordSet& set, const QString& fileName) {
    const QByteArray bytes = toBytes(set);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        throw DytError(QStringLiteral("无法创建文件[%1]: %2").arg(fileName, file.errorString()));
    }
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        throw DytError(QStringLiteral("写入文件[%1]失败: %2").arg(fileName, why));
    }
    if (!file.commit()) {
        throw DytError(QStringLiteral("写入文件[%1]失败: %2").arg(fileName, file.errorString()));
    }
}

}  // namespace dyt::worksheet
