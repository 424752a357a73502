#pragma once
// In-memory table: the unit in which query results, bill lines and cached base data travel.
// Values are QVariant: an invalid QVariant is Null; text is QString, integer qint64, float double,
// currency dyt::Currency, date QDate, datetime QDateTime, boolean bool, blob QByteArray.

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

#include "common/currency.h"

namespace dyt {

enum class FieldType { Text, Integer, Float, Currency, Date, DateTime, Boolean, Blob };

QString fieldTypeName(FieldType type);
bool fieldTypeFromName(const QString& name, FieldType* out);

struct Field {
    QString name;
    FieldType type = FieldType::Text;
    int size = 0;             // declared width for text fields, 0 when unknown
    QString displayName;      // caption shown in grids and exports; empty means the name

    QString caption() const { return displayName.isEmpty() ? name : displayName; }
};

// Converts a value to the representation of a field type. Text that does not convert gives Null
// and *ok = false.
QVariant coerceValue(const QVariant& value, FieldType type, bool* ok = nullptr);

class RecordSet {
public:
    using Row = QList<QVariant>;

    RecordSet();
    ~RecordSet();
    RecordSet(const RecordSet& other);
    RecordSet& operator=(const RecordSet& other);
    RecordSet(RecordSet&& other) noexcept;
    RecordSet& operator=(RecordSet&& other) noexcept;

    // --- structure
    int addField(const QString& name, FieldType type, int size = 0);
    const QList<Field>& fields() const { return fields_; }
    Field& field(int index) { return fields_[index]; }
    int fieldCount() const { return static_cast<int>(fields_.size()); }
    int fieldIndex(const QString& name) const;  // case-insensitive, -1 when absent
    bool hasField(const QString& name) const { return fieldIndex(name) >= 0; }
    void clear();      // fields and rows
    void clearRows();  // rows only

    // --- raw storage, all rows regardless of the filter
    int rowCount() const { return static_cast<int>(rows_.size()); }
    const Row& row(int index) const { return rows_[index]; }
    const QVariant& at(int row, int column) const { return rows_[row][column]; }
    void setAt(int row, int column, const QVariant& value);
    // Appends a row; missing trailing values are Null, values are coerced to the field types.
    void appendRow(const Row& values);
    void removeRow(int index);

    // --- cursor over the visible rows (all rows, or those that pass the filter)
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    void first();
    void last();
    void next();
    void prior();
    bool eof() const;
    bool bof() const;
    int recNo() const { return cursor_; }         // 0-based among visible rows, -1 when empty
    void setRecNo(int visibleIndex);
    int currentRow() const;                       // index into raw storage, -1 when none

    QVariant value(int column) const;
    QVariant value(const QString& name) const;    // throws DytError for an unknown field
    QString text(const QString& name) const;      // Null gives ""
    qint64 integer(const QString& name) const;    // Null or non-numeric gives 0
    double number(const QString& name) const;
    bool isNull(const QString& name) const;
    void setValue(const QString& name, const QVariant& value);
    void setValue(int column, const QVariant& value);

    void append();        // adds an empty row and makes it current
    void deleteCurrent(); // removes the current row; the cursor stays at the same position

    // --- filter (expression language of filter.h); empty text removes the filter
    void setFilter(const QString& expression);  // throws DytError with the position on bad syntax
    QString filter() const { return filterText_; }
    bool filtered() const { return !filterText_.isEmpty(); }

    // --- locate: first visible row whose fields equal the values (case-insensitive for text when
    // caseInsensitive); moves the cursor there and returns true, or leaves it and returns false.
    bool locate(const QStringList& fieldNames, const QVariantList& values,
                bool caseInsensitive = false);
    bool locate(const QString& fieldName, const QVariant& value, bool caseInsensitive = false) {
        return locate(QStringList{fieldName}, QVariantList{value}, caseInsensitive);
    }

    // --- index on one field: speeds up locate on that field; kept up to date by edits.
    void addIndex(const QString& fieldName);

private:
    void rebuildVisible();
    void invalidateIndexes();
    struct Internals;

    QList<Field> fields_;
    QList<Row> rows_;
    QString filterText_;
    int cursor_ = -1;
    std::unique_ptr<Internals> d_;
};

}  // namespace dyt
