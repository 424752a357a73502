#pragma once
// In-memory table: the unit in which query results, bill lines and cached base data travel.
// Values are QVariant: an invalid QVariant is Null; text is QString, integer qint64, float double,
// currency dyt::Currency, date QDate, datetime QDateTime, boolean bool, blob QByteArray.

#include <QList>
#include <QString>
#include <QStringList>
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
    int size = 0;         // declared width for text fields, 0 when unknown
    QString displayName;  // caption shown in grids and exports; empty means the name

    QString caption() const { return displayName.isEmpty() ? name : displayName; }
};

// Converts a value to the representation of a field type. Text that does not convert gives Null
// and *ok = false.
QVariant coerceValue(const QVariant& value, FieldType type, bool* ok = nullptr);

struct FilterOptions;  // common/filterexpr.h

// A position saved by RecordSet::bookmark(); it follows its row through sorts and deletions of
// other rows.
struct Bookmark {
    quint32 id = 0;    // identity of the row, 0 for none
    int rowHint = -1;  // where the row was when the bookmark was taken
    bool isValid() const { return id != 0; }
};

struct SortKey {
    QString field;
    Qt::SortOrder order = Qt::AscendingOrder;
};

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
    // Changing a field's name or type under a filter or an index is not supported; captions
    // (displayName) may be changed freely.
    Field& field(int index) { return fields_[index]; }
    const Field& field(int index) const { return fields_[index]; }
    int fieldCount() const { return static_cast<int>(fields_.size()); }
    int fieldIndex(const QString& name) const;  // case-insensitive, -1 when absent
    bool hasField(const QString& name) const { return fieldIndex(name) >= 0; }
    void clear();      // fields, rows, filter and indexes
    void clearRows();  // rows only; the filter and the indexes stay and apply to new rows
    // Takes the fields of another record set (names, types, sizes, captions) and drops all rows,
    // the filter and the indexes.
    void copyStructure(const RecordSet& other);
    // Takes the fields and the rows of another record set (all rows, or only its visible ones in
    // cursor order); the filter and indexes of this set are dropped, the cursor is on the first
    // row.
    void loadFrom(const RecordSet& other, bool visibleOnly = false);

    // --- raw storage, all rows regardless of the filter
    int rowCount() const { return static_cast<int>(rows_.size()); }
    const Row& row(int index) const { return rows_[index]; }
    const QVariant& at(int row, int column) const { return rows_[row][column]; }
    void setAt(int row, int column, const QVariant& value);
    // Appends a row; missing trailing values are Null, values are coerced to the field types.
    // Under a filter the row is visible only when it passes the filter.
    void appendRow(const Row& values);
    // Appends a row that holds one value per field, each already in its field type's
    // representation (as a decoder of typed rows makes them); other rows go through appendRow().
    void appendTypedRow(Row&& values);
    void reserveRows(int count);
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
    int recNo() const { return cursor_; }  // 0-based among visible rows, -1 when empty
    void setRecNo(int visibleIndex);
    int currentRow() const;                  // index into raw storage, -1 when none
    int visibleRow(int visibleIndex) const;  // raw index of a visible row
    int visiblePosition(int row) const;      // visible index of a raw row, -1 when hidden

    QVariant value(int column) const;
    QVariant value(const QString& name) const;  // throws DytError for an unknown field
    QString text(const QString& name) const;    // Null gives ""
    qint64 integer(const QString& name) const;  // Null or non-numeric gives 0
    double number(const QString& name) const;
    bool isNull(const QString& name) const;
    void setValue(const QString& name, const QVariant& value);
    void setValue(int column, const QVariant& value);

    void append();  // adds an empty row and makes it current; it stays visible under a filter
    void deleteCurrent();  // removes the current row; the cursor stays at the same position

    // --- bookmarks
    Bookmark bookmark() const;                    // the current row; invalid when there is none
    bool bookmarkValid(const Bookmark& b) const;  // the row still exists and is visible
    bool gotoBookmark(const Bookmark& b);         // false (cursor unchanged) when not valid

    // --- filter (expression language of filterexpr.h); blank text removes the filter.
    // The rows that pass are those visible to the cursor; the cursor goes to the first of them.
    // Edits keep the visible rows true to the filter at once: a row edited so that it no longer
    // passes leaves the visible rows (when it was current, the cursor stays at the same position
    // and so stands on the following row), a row edited so that it passes joins them. Rows added
    // by append() are the exception: they stay visible until the filter is set again.
    // A bad text throws DytError naming the position and leaves the previous filter in place.
    void setFilter(const QString& expression);
    void setFilter(const QString& expression, const FilterOptions& options);
    QString filter() const { return filterText_; }
    bool filtered() const { return !filterText_.isEmpty(); }

    // --- locate: first visible row whose fields equal the values (case-insensitive for text when
    // caseInsensitive); moves the cursor there and returns true, or leaves it and returns false.
    // Uses an index of one of the fields when there is one.
    bool locate(const QStringList& fieldNames, const QVariantList& values,
                bool caseInsensitive = false);
    bool locate(const QString& fieldName, const QVariant& value, bool caseInsensitive = false) {
        return locate(QStringList{fieldName}, QVariantList{value}, caseInsensitive);
    }

    // --- index on one field: a hash from value to rows that speeds up locate on that field. It is
    // kept up to date by appends and edits; removals and sorts rebuild it on its next use.
    void addIndex(const QString& fieldName);
    void removeIndex(const QString& fieldName);
    bool hasIndex(const QString& fieldName) const;

    // --- sort: reorders the rows (raw storage too), stable. Numbers, dates and booleans compare
    // by value, texts by their GBK bytes (the order of Chinese character codes) without regard to
    // the case of Latin letters; Null comes first in ascending order. The cursor stays on its row.
    void sort(const QString& fieldName, Qt::SortOrder order = Qt::AscendingOrder);
    void sort(const QList<SortKey>& keys);

private:
    void rebuildVisible();
    void invalidateIndexes();
    void refreshRowVisibility(int row);
    void removeFromIndexes(int row);
    struct Internals;

    QList<Field> fields_;
    QList<Row> rows_;
    QString filterText_;
    int cursor_ = -1;
    std::unique_ptr<Internals> d_;
};

}  // namespace dyt
