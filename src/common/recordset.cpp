#include "common/recordset.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

#include "common/error.h"
#include "common/filterexpr.h"
#include "common/gbk.h"

namespace dyt {

namespace {

// Largest magnitude a currency value holds (int64 scaled by 10 000), rounded down.
constexpr qint64 kCurrencyLimit = 900'000'000'000'000;

// Rounds half away from zero; false for values outside the 64-bit range.
qint64 roundToInteger(double d, bool* ok) {
    *ok = std::isfinite(d) && std::fabs(d) < 9.2e18;
    return *ok ? std::llround(d) : 0;
}

int currencyId() {
    static const int id = qMetaTypeId<Currency>();
    return id;
}

// The key of a non-text value in an index, and for equality in locate. False for Null and blobs.
bool numericKey(const QVariant& v, qint64* key) {
    const int id = v.userType();
    switch (id) {
        case QMetaType::UnknownType:
        case QMetaType::QByteArray:
        case QMetaType::QString:
            return false;
        case QMetaType::LongLong:
            *key = *static_cast<const qint64*>(v.constData());
            return true;
        case QMetaType::Bool:
            *key = v.toBool() ? 1 : 0;
            return true;
        case QMetaType::Double: {
            double d = v.toDouble();
            if (d == 0)
                d = 0;  // -0 and 0 are one key
            static_assert(sizeof(double) == sizeof(qint64));
            std::memcpy(key, &d, sizeof d);
            return true;
        }
        case QMetaType::QDate:
            *key = v.toDate().toJulianDay();
            return true;
        case QMetaType::QDateTime: {
            const QDateTime dt = v.toDateTime();
            *key = dt.date().toJulianDay() * 86'400'000 + dt.time().msecsSinceStartOfDay();
            return true;
        }
        default:
            break;
    }
    if (id == currencyId()) {
        *key = static_cast<const Currency*>(v.constData())->raw();
        return true;
    }
    bool ok = false;
    *key = v.toLongLong(&ok);
    return ok;
}

const QString* textPtr(const QVariant& v) {
    return v.userType() == QMetaType::QString ? static_cast<const QString*>(v.constData())
                                              : nullptr;
}

// Rows sharing one key, linked in ascending row order through a `next` array. The hash holds the
// first row of each key plus one (0: none), so that a build costs one hash lookup per row.
template <typename K>
struct Chain {
    QHash<K, int> head;

    void clear() { head.clear(); }
    int first(const K& k) const { return head.value(k, 0) - 1; }
    // Puts the row in front of its key's rows: builds run from the last row to the first.
    void prepend(const K& k, int row, QList<int>& next) {
        int& h = head[k];
        next[row] = h - 1;
        h = row + 1;
    }
    // Links the row in its place among the rows of its key (an appended row walks to the end).
    void insert(const K& k, int row, QList<int>& next) {
        auto h = head.find(k);
        if (h == head.end() || *h - 1 > row) {
            prepend(k, row, next);
            return;
        }
        int p = *h - 1;
        while (next[p] != -1 && next[p] < row)
            p = next[p];
        next[row] = next[p];
        next[p] = row;
    }
    void unlink(const K& k, int row, QList<int>& next) {
        auto h = head.find(k);
        if (h == head.end())
            return;
        if (*h - 1 == row) {
            if (next[row] == -1) {
                head.erase(h);
            } else {
                *h = next[row] + 1;
            }
        } else {
            int p = *h - 1;
            while (p != -1 && next[p] != row)
                p = next[p];
            if (p == -1)
                return;
            next[p] = next[row];
        }
        next[row] = -1;
    }
};

struct IndexData {
    int column = -1;
    bool text = false;  // a text field: keyed by the text, else by numericKey
    bool valid = false;
    QList<int> next;
    Chain<qint64> nums;
    Chain<QString> texts;
    bool foldedValid = false;  // the case-folded chain of a text field, built on first need
    QList<int> foldedNext;
    Chain<QString> folded;

    void invalidate() {
        valid = false;
        foldedValid = false;
        next.clear();
        nums.clear();
        texts.clear();
        foldedNext.clear();
        folded.clear();
    }
    void link(int row, const QVariant& v, bool sorted) {
        if (text) {
            const QString* s = textPtr(v);
            if (!s)
                return;
            sorted ? texts.insert(*s, row, next) : texts.prepend(*s, row, next);
            if (foldedValid) {
                const QString f = s->toCaseFolded();
                sorted ? folded.insert(f, row, foldedNext) : folded.prepend(f, row, foldedNext);
            }
        } else {
            qint64 k = 0;
            if (!numericKey(v, &k))
                return;
            sorted ? nums.insert(k, row, next) : nums.prepend(k, row, next);
        }
    }
    void unlink(int row, const QVariant& v) {
        if (text) {
            const QString* s = textPtr(v);
            if (!s)
                return;
            texts.unlink(*s, row, next);
            if (foldedValid)
                folded.unlink(s->toCaseFolded(), row, foldedNext);
        } else {
            qint64 k = 0;
            if (numericKey(v, &k))
                nums.unlink(k, row, next);
        }
    }
    void build(const QList<RecordSet::Row>& rows) {
        invalidate();
        next.fill(-1, rows.size());
        if (text) {
            texts.head.reserve(rows.size());
        } else {
            nums.head.reserve(rows.size());
        }
        for (auto r = rows.size() - 1; r >= 0; --r)
            link(static_cast<int>(r), rows[r][column], false);
        valid = true;
    }
    void buildFolded(const QList<RecordSet::Row>& rows) {
        foldedNext.fill(-1, rows.size());
        folded.clear();
        folded.head.reserve(rows.size());
        for (auto r = rows.size() - 1; r >= 0; --r) {
            if (const QString* s = textPtr(rows[r][column])) {
                folded.prepend(s->toCaseFolded(), static_cast<int>(r), foldedNext);
            }
        }
        foldedValid = true;
    }
};

}  // namespace

struct RecordSet::Internals {
    FilterExpr filter;
    QList<int> filterColumns;  // fields the filter reads
    QList<int> visible;        // raw indexes of the visible rows, ascending (under a filter)
    QSet<quint32> pinned;      // rows added by append() under the filter: always visible
    QList<quint32> ids;        // identity of each raw row, for bookmarks
    quint32 nextId = 1;
    QList<IndexData> indexes;
    // Field positions by case-folded name, built on the first look-up of a wide record set and
    // kept while fields are only appended.
    QHash<QString, int> fieldNames;
    qsizetype fieldNamesFor = 0;
};

namespace {

struct TypeName {
    FieldType type;
    const char* name;
};

constexpr TypeName kTypeNames[] = {
    {FieldType::Text, "text"},       {FieldType::Integer, "integer"},
    {FieldType::Float, "float"},     {FieldType::Currency, "currency"},
    {FieldType::Date, "date"},       {FieldType::DateTime, "datetime"},
    {FieldType::Boolean, "boolean"}, {FieldType::Blob, "blob"},
};

}  // namespace

QString fieldTypeName(FieldType type) {
    for (const auto& t : kTypeNames) {
        if (t.type == type)
            return QString::fromLatin1(t.name);
    }
    return QStringLiteral("text");
}

bool fieldTypeFromName(const QString& name, FieldType* out) {
    for (const auto& t : kTypeNames) {
        if (name.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0) {
            *out = t.type;
            return true;
        }
    }
    return false;
}

QVariant coerceValue(const QVariant& value, FieldType type, bool* ok) {
    if (ok)
        *ok = true;
    if (!value.isValid() || value.isNull())
        return {};
    const int id = value.metaType().id();
    bool good = true;
    QVariant result;
    switch (type) {
        case FieldType::Text:
            if (id == QMetaType::QString)
                return value;
            if (value.canConvert<Currency>() && id == qMetaTypeId<Currency>()) {
                return value.value<Currency>().toString();
            }
            result = value.toString();
            break;
        case FieldType::Integer:
            if (id == QMetaType::LongLong)
                return value;
            if (id == qMetaTypeId<Currency>()) {
                // Half away from zero, as every rounding of the system.
                const qint64 raw = value.value<Currency>().raw();
                const qint64 half = raw < 0 ? -Currency::kScale / 2 : Currency::kScale / 2;
                result = (raw + half) / Currency::kScale;
            } else if (id == QMetaType::QString) {
                QString t = value.toString().trimmed();
                if (t.isEmpty())
                    return {};
                result = t.toLongLong(&good);
                if (!good) {
                    const double d = t.toDouble(&good);
                    if (good)
                        result = roundToInteger(d, &good);
                }
            } else if (id == QMetaType::Double || id == QMetaType::Float) {
                result = roundToInteger(value.toDouble(), &good);
            } else {
                result = value.toLongLong(&good);
            }
            break;
        case FieldType::Float:
            if (id == QMetaType::Double)
                return value;
            if (id == qMetaTypeId<Currency>()) {
                result = value.value<Currency>().toDouble();
            } else {
                if (id == QMetaType::QString && value.toString().trimmed().isEmpty())
                    return {};
                result = value.toDouble(&good);
            }
            break;
        case FieldType::Currency: {
            if (id == qMetaTypeId<Currency>())
                return value;
            Currency c;
            if (id == QMetaType::QString) {
                if (value.toString().trimmed().isEmpty())
                    return {};
                good = Currency::fromString(value.toString(), &c);
            } else if (id == QMetaType::Double || id == QMetaType::Float) {
                const double d = value.toDouble();
                good = std::isfinite(d) && std::fabs(d) < kCurrencyLimit;
                if (good)
                    c = Currency::fromDouble(d);
            } else {
                const qint64 n = value.toLongLong(&good);
                good = good && n < kCurrencyLimit && n > -kCurrencyLimit;
                if (good)
                    c = Currency::fromRaw(n * Currency::kScale);
            }
            if (good)
                result = QVariant::fromValue(c);
            break;
        }
        case FieldType::Date:
            if (id == QMetaType::QDate)
                return value;
            if (id == QMetaType::QDateTime) {
                result = value.toDateTime().date();
            } else {
                QString t = value.toString().trimmed();
                QDate d = QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
                good = d.isValid();
                if (good)
                    result = d;
            }
            break;
        case FieldType::DateTime:
            if (id == QMetaType::QDateTime)
                return value;
            if (id == QMetaType::QDate) {
                result = QDateTime(value.toDate(), QTime(0, 0));
            } else {
                QString t = value.toString().trimmed();
                QDateTime dt = QDateTime::fromString(t, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
                if (!dt.isValid())
                    dt = QDateTime::fromString(t, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
                if (!dt.isValid()) {
                    QDate d = QDate::fromString(t, QStringLiteral("yyyy-MM-dd"));
                    if (d.isValid())
                        dt = QDateTime(d, QTime(0, 0));
                }
                good = dt.isValid();
                if (good)
                    result = dt;
            }
            break;
        case FieldType::Boolean:
            if (id == QMetaType::Bool)
                return value;
            if (id == QMetaType::QString) {
                QString t = value.toString().trimmed();
                if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
                    result = true;
                } else if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
                    result = false;
                } else {
                    result = t.toLongLong(&good) != 0;
                }
            } else {
                result = value.toLongLong(&good) != 0;
            }
            break;
        case FieldType::Blob:
            if (id == QMetaType::QByteArray)
                return value;
            result = value.toByteArray();
            break;
    }
    if (!good) {
        if (ok)
            *ok = false;
        return {};
    }
    return result;
}

RecordSet::RecordSet() : d_(std::make_unique<Internals>()) {}
RecordSet::~RecordSet() = default;

RecordSet::RecordSet(const RecordSet& other)
    : fields_(other.fields_),
      rows_(other.rows_),
      filterText_(other.filterText_),
      cursor_(other.cursor_),
      d_(std::make_unique<Internals>(*other.d_)) {}

RecordSet& RecordSet::operator=(const RecordSet& other) {
    if (this != &other) {
        RecordSet copy(other);
        *this = std::move(copy);
    }
    return *this;
}

RecordSet::RecordSet(RecordSet&& other) noexcept
    : fields_(std::move(other.fields_)),
      rows_(std::move(other.rows_)),
      filterText_(std::move(other.filterText_)),
      cursor_(other.cursor_),
      d_(std::move(other.d_)) {
    other.d_ = std::make_unique<Internals>();
    other.cursor_ = -1;
}

RecordSet& RecordSet::operator=(RecordSet&& other) noexcept {
    if (this == &other)
        return *this;
    fields_ = std::move(other.fields_);
    rows_ = std::move(other.rows_);
    filterText_ = std::move(other.filterText_);
    cursor_ = other.cursor_;
    d_ = std::move(other.d_);
    other.d_ = std::make_unique<Internals>();
    other.fields_.clear();
    other.rows_.clear();
    other.filterText_.clear();
    other.cursor_ = -1;
    return *this;
}

int RecordSet::addField(const QString& name, FieldType type, int size) {
    if (name.trimmed().isEmpty())
        throw DytError(QStringLiteral("字段名不能为空"));
    if (fieldIndex(name) >= 0) {
        throw DytError(QStringLiteral("字段重复: %1").arg(name));
    }
    fields_.append(Field{name, type, size, {}});
    for (Row& r : rows_)
        r.append(QVariant());
    return fieldCount() - 1;
}

int RecordSet::fieldIndex(const QString& name) const {
    constexpr qsizetype kScanned = 16;  // below this a scan is cheaper than hashing
    if (fields_.size() <= kScanned) {
        for (int i = 0; i < fields_.size(); ++i) {
            if (fields_[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }
    QHash<QString, int>& names = d_->fieldNames;
    if (d_->fieldNamesFor > fields_.size() || names.isEmpty())
        d_->fieldNamesFor = 0, names.clear();
    for (qsizetype i = d_->fieldNamesFor; i < fields_.size(); ++i)
    {
        const QString key = fields_[i].name.toCaseFolded();
        if (!names.contains(key))
            names.insert(key, static_cast<int>(i));
    }
    d_->fieldNamesFor = fields_.size();
    return names.value(name.toCaseFolded(), -1);
}

void RecordSet::clear() {
    clearRows();
    fields_.clear();
    d_->fieldNames.clear();
    d_->fieldNamesFor = 0;
    filterText_.clear();
    d_->filter = FilterExpr();
    d_->filterColumns.clear();
    d_->indexes.clear();
}

void RecordSet::clearRows() {
    rows_.clear();
    d_->ids.clear();
    d_->visible.clear();
    d_->pinned.clear();
    cursor_ = -1;
    invalidateIndexes();
}

void RecordSet::copyStructure(const RecordSet& other) {
    if (this != &other) {
        const QList<Field> fields = other.fields_;
        clear();
        fields_ = fields;
    } else {
        const QList<Field> fields = fields_;
        clear();
        fields_ = fields;
    }
}

void RecordSet::loadFrom(const RecordSet& other, bool visibleOnly) {
    if (this == &other) {
        const RecordSet copy(other);
        loadFrom(copy, visibleOnly);
        return;
    }
    copyStructure(other);
    if (visibleOnly) {
        const int n = other.recordCount();
        rows_.reserve(n);
        for (int i = 0; i < n; ++i)
            rows_.append(other.rows_[other.visibleRow(i)]);
    } else {
        rows_ = other.rows_;
    }
    d_->ids.resize(rows_.size());
    for (quint32& id : d_->ids)
        id = d_->nextId++;
    first();
}

void RecordSet::setAt(int row, int column, const QVariant& v) {
    bool ok = true;
    QVariant c = coerceValue(v, fields_[column].type, &ok);
    if (!ok) {
        throw DytError(
            QStringLiteral("字段[%1]的值[%2]无效").arg(fields_[column].name, v.toString()));
    }
    QVariant& cell = rows_[row][column];
    for (IndexData& index : d_->indexes) {
        if (index.column == column && index.valid)
            index.unlink(row, cell);
    }
    cell = std::move(c);
    for (IndexData& index : d_->indexes) {
        if (index.column == column && index.valid)
            index.link(row, cell, true);
    }
    if (filtered() && d_->filterColumns.contains(column))
        refreshRowVisibility(row);
}

void RecordSet::refreshRowVisibility(int row) {
    if (d_->pinned.contains(d_->ids[row]))
        return;
    QList<int>& visible = d_->visible;
    const bool pass = d_->filter.matches(rows_[row]);
    const auto it = std::lower_bound(visible.begin(), visible.end(), row);
    const bool present = it != visible.end() && *it == row;
    const int pos = static_cast<int>(it - visible.begin());
    if (pass == present)
        return;
    if (pass) {
        visible.insert(pos, row);
        if (cursor_ >= pos)
            ++cursor_;
    } else {
        visible.removeAt(pos);
        if (cursor_ > pos) {
            --cursor_;
        } else if (cursor_ == pos && cursor_ >= visible.size()) {
            cursor_ = static_cast<int>(visible.size()) - 1;
        }
    }
}

void RecordSet::appendRow(const Row& values) {
    if (values.size() > fields_.size()) {
        throw DytError(QStringLiteral("记录的值个数 %1 多于字段个数 %2")
                           .arg(values.size())
                           .arg(fields_.size()));
    }
    Row r;
    r.reserve(fields_.size());
    for (int i = 0; i < fields_.size(); ++i) {
        if (i < values.size()) {
            bool ok = true;
            r.append(coerceValue(values[i], fields_[i].type, &ok));
            if (!ok) {
                throw DytError(QStringLiteral("字段[%1]的值[%2]无效")
                                   .arg(fields_[i].name, values[i].toString()));
            }
        } else {
            r.append(QVariant());
        }
    }
    const int index = rowCount();
    rows_.append(std::move(r));
    d_->ids.append(d_->nextId++);
    for (IndexData& ix : d_->indexes) {
        if (!ix.valid)
            continue;
        ix.next.append(-1);
        if (ix.foldedValid)
            ix.foldedNext.append(-1);
        ix.link(index, rows_[index][ix.column], true);
    }
    if (filtered() && d_->filter.matches(rows_[index]))
        d_->visible.append(index);
}

void RecordSet::appendTypedRow(Row&& values) {
    if (values.size() != fields_.size() || filtered() || !d_->indexes.isEmpty()) {
        appendRow(values);
        return;
    }
    rows_.append(std::move(values));
    d_->ids.append(d_->nextId++);
}

void RecordSet::reserveRows(int count) {
    rows_.reserve(count);
    d_->ids.reserve(count);
}

void RecordSet::removeRow(int index) {
    if (index < 0 || index >= rowCount()) {
        throw DytError(QStringLiteral("记录号越界: %1").arg(index));
    }
    int pos = index;  // visible position of the row, -1 when hidden
    if (filtered()) {
        QList<int>& visible = d_->visible;
        const auto it = std::lower_bound(visible.begin(), visible.end(), index);
        pos = (it != visible.end() && *it == index) ? static_cast<int>(it - visible.begin()) : -1;
        auto from = it;
        if (pos >= 0)
            from = visible.erase(it);
        for (auto j = from; j != visible.end(); ++j)
            --*j;
    }
    rows_.removeAt(index);
    d_->pinned.remove(d_->ids[index]);
    d_->ids.removeAt(index);
    invalidateIndexes();
    if (pos >= 0) {
        if (cursor_ > pos) {
            --cursor_;
        } else if (cursor_ == pos && cursor_ >= recordCount()) {
            cursor_ = recordCount() - 1;
        }
    }
}

void RecordSet::invalidateIndexes() {
    for (IndexData& index : d_->indexes)
        index.invalidate();
}

void RecordSet::rebuildVisible() {
    QList<int>& visible = d_->visible;
    visible.clear();
    if (!filtered())
        return;
    const bool anyPinned = !d_->pinned.isEmpty();
    for (int i = 0; i < rows_.size(); ++i) {
        if ((anyPinned && d_->pinned.contains(d_->ids[i])) || d_->filter.matches(rows_[i])) {
            visible.append(i);
        }
    }
}

int RecordSet::recordCount() const {
    return filtered() ? static_cast<int>(d_->visible.size()) : rowCount();
}

void RecordSet::first() {
    cursor_ = recordCount() > 0 ? 0 : -1;
}
void RecordSet::last() {
    cursor_ = recordCount() - 1;
}
void RecordSet::next() {
    if (cursor_ < recordCount())
        ++cursor_;
}
void RecordSet::prior() {
    if (cursor_ >= 0)
        --cursor_;
}
bool RecordSet::eof() const {
    return cursor_ < 0 || cursor_ >= recordCount();
}
bool RecordSet::bof() const {
    return cursor_ <= 0;
}

void RecordSet::setRecNo(int visibleIndex) {
    if (visibleIndex < 0 || visibleIndex >= recordCount()) {
        throw DytError(QStringLiteral("记录号越界: %1").arg(visibleIndex));
    }
    cursor_ = visibleIndex;
}

int RecordSet::currentRow() const {
    if (eof())
        return -1;
    return filtered() ? d_->visible[cursor_] : cursor_;
}

int RecordSet::visibleRow(int visibleIndex) const {
    if (visibleIndex < 0 || visibleIndex >= recordCount())
        return -1;
    return filtered() ? d_->visible[visibleIndex] : visibleIndex;
}

int RecordSet::visiblePosition(int row) const {
    if (row < 0 || row >= rowCount())
        return -1;
    if (!filtered())
        return row;
    const QList<int>& visible = d_->visible;
    const auto it = std::lower_bound(visible.begin(), visible.end(), row);
    return (it != visible.end() && *it == row) ? static_cast<int>(it - visible.begin()) : -1;
}

QVariant RecordSet::value(int column) const {
    int r = currentRow();
    if (r < 0)
        throw DytError(QStringLiteral("记录集没有当前记录"));
    if (column < 0 || column >= fieldCount()) {
        throw DytError(QStringLiteral("字段序号越界: %1").arg(column));
    }
    return rows_[r][column];
}

QVariant RecordSet::value(const QString& name) const {
    int c = fieldIndex(name);
    if (c < 0)
        throw DytError(QStringLiteral("字段[%1]不存在").arg(name));
    return value(c);
}

QString RecordSet::text(const QString& name) const {
    QVariant v = value(name);
    if (!v.isValid())
        return {};
    if (v.metaType().id() == qMetaTypeId<Currency>())
        return v.value<Currency>().toString();
    if (v.metaType().id() == QMetaType::QDate)
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    if (v.metaType().id() == QMetaType::QDateTime) {
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    if (v.metaType().id() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    return v.toString();
}

qint64 RecordSet::integer(const QString& name) const {
    QVariant v = coerceValue(value(name), FieldType::Integer);
    return v.isValid() ? v.toLongLong() : 0;
}

double RecordSet::number(const QString& name) const {
    QVariant v = coerceValue(value(name), FieldType::Float);
    return v.isValid() ? v.toDouble() : 0.0;
}

bool RecordSet::isNull(const QString& name) const {
    return !value(name).isValid();
}

void RecordSet::setValue(const QString& name, const QVariant& v) {
    int c = fieldIndex(name);
    if (c < 0)
        throw DytError(QStringLiteral("字段[%1]不存在").arg(name));
    setValue(c, v);
}

void RecordSet::setValue(int column, const QVariant& v) {
    int r = currentRow();
    if (r < 0)
        throw DytError(QStringLiteral("记录集没有当前记录"));
    if (column < 0 || column >= fieldCount()) {
        throw DytError(QStringLiteral("字段序号越界: %1").arg(column));
    }
    setAt(r, column, v);
}

void RecordSet::append() {
    appendRow({});
    const int row = rowCount() - 1;
    if (filtered()) {
        d_->pinned.insert(d_->ids[row]);
        if (d_->visible.isEmpty() || d_->visible.last() != row)
            d_->visible.append(row);
    }
    // A new row is shown even when it does not pass the filter, as data-aware grids do.
    cursor_ = recordCount() - 1;
}

void RecordSet::deleteCurrent() {
    int r = currentRow();
    if (r < 0)
        throw DytError(QStringLiteral("记录集没有当前记录"));
    removeRow(r);
}

Bookmark RecordSet::bookmark() const {
    const int r = currentRow();
    if (r < 0)
        return {};
    return Bookmark{d_->ids[r], r};
}

namespace {
int findRowById(const QList<quint32>& ids, const Bookmark& b) {
    if (!b.isValid())
        return -1;
    if (b.rowHint >= 0 && b.rowHint < ids.size() && ids[b.rowHint] == b.id)
        return b.rowHint;
    return static_cast<int>(ids.indexOf(b.id));
}
}  // namespace

bool RecordSet::bookmarkValid(const Bookmark& b) const {
    return visiblePosition(findRowById(d_->ids, b)) >= 0;
}

bool RecordSet::gotoBookmark(const Bookmark& b) {
    const int pos = visiblePosition(findRowById(d_->ids, b));
    if (pos < 0)
        return false;
    cursor_ = pos;
    return true;
}

void RecordSet::setFilter(const QString& expression) {
    setFilter(expression, FilterOptions{});
}

void RecordSet::setFilter(const QString& expression, const FilterOptions& options) {
    const QString text = expression.trimmed();
    // Compile first: a bad text throws here and leaves the previous filter in place. Positions in
    // the message count in the text as given.
    FilterExpr compiled = FilterExpr::compile(expression, fields_, options);
    d_->pinned.clear();
    if (compiled.isEmpty()) {
        d_->filter = FilterExpr();
        d_->filterColumns.clear();
        filterText_.clear();
        d_->visible.clear();
    } else {
        d_->filterColumns = compiled.columns();
        d_->filter = std::move(compiled);
        filterText_ = text;
        rebuildVisible();
    }
    first();
}

bool RecordSet::locate(const QStringList& names, const QVariantList& values, bool caseInsensitive) {
    struct Want {
        int column;
        bool text;
        bool null;
        QString s;   // text fields
        qint64 key;  // other fields
    };
    std::vector<Want> wants;
    wants.reserve(names.size());
    for (int k = 0; k < names.size(); ++k) {
        const int c = fieldIndex(names[k]);
        if (c < 0)
            throw DytError(QStringLiteral("字段[%1]不存在").arg(names[k]));
        const QVariant want = k < values.size() ? values[k] : QVariant();
        Want w{c, fields_[c].type == FieldType::Text, !want.isValid() || want.isNull(), {}, 0};
        if (!w.null) {
            if (w.text) {
                w.s = coerceValue(want, FieldType::Text).toString();
                if (caseInsensitive)
                    w.s = w.s.toCaseFolded();
            } else {
                bool ok = true;
                const QVariant cv = coerceValue(want, fields_[c].type, &ok);
                // A value that the field cannot hold matches no row.
                if (!ok || !cv.isValid() || !numericKey(cv, &w.key))
                    return false;
            }
        }
        wants.push_back(std::move(w));
    }
    const auto rowMatches = [&](int r) {
        for (const Want& w : wants) {
            const QVariant& have = rows_[r][w.column];
            if (w.null) {
                if (have.isValid())
                    return false;
                continue;
            }
            if (w.text) {
                const QString* s = textPtr(have);
                if (!s)
                    return false;
                if (caseInsensitive ? s->compare(w.s, Qt::CaseInsensitive) != 0 : *s != w.s) {
                    return false;
                }
            } else {
                qint64 k = 0;
                if (!numericKey(have, &k) || k != w.key)
                    return false;
            }
        }
        return true;
    };

    // Through an index of one of the fields when there is one.
    for (const Want& w : wants) {
        if (w.null)
            continue;
        for (IndexData& index : d_->indexes) {
            if (index.column != w.column)
                continue;
            if (!index.valid)
                index.build(rows_);
            int r = -1;
            const QList<int>* next = &index.next;
            if (!w.text) {
                r = index.nums.first(w.key);
            } else if (!caseInsensitive) {
                r = index.texts.first(w.s);
            } else {
                if (!index.foldedValid)
                    index.buildFolded(rows_);
                r = index.folded.first(w.s);
                next = &index.foldedNext;
            }
            for (; r >= 0; r = (*next)[r]) {
                const int pos = visiblePosition(r);
                if (pos >= 0 && rowMatches(r)) {
                    cursor_ = pos;
                    return true;
                }
            }
            return false;
        }
    }

    const int n = recordCount();
    for (int i = 0; i < n; ++i) {
        if (rowMatches(filtered() ? d_->visible[i] : i)) {
            cursor_ = i;
            return true;
        }
    }
    return false;
}

void RecordSet::addIndex(const QString& fieldName) {
    const int c = fieldIndex(fieldName);
    if (c < 0)
        throw DytError(QStringLiteral("字段[%1]不存在").arg(fieldName));
    if (fields_[c].type == FieldType::Blob) {
        throw DytError(QStringLiteral("二进制字段[%1]不能建立索引").arg(fieldName));
    }
    for (const IndexData& index : d_->indexes) {
        if (index.column == c)
            return;
    }
    IndexData index;
    index.column = c;
    index.text = fields_[c].type == FieldType::Text;
    d_->indexes.append(std::move(index));
}

void RecordSet::removeIndex(const QString& fieldName) {
    const int c = fieldIndex(fieldName);
    d_->indexes.removeIf([c](const IndexData& index) { return index.column == c; });
}

bool RecordSet::hasIndex(const QString& fieldName) const {
    const int c = fieldIndex(fieldName);
    if (c < 0)
        return false;
    return std::any_of(d_->indexes.begin(), d_->indexes.end(),
                       [c](const IndexData& index) { return index.column == c; });
}

void RecordSet::sort(const QString& fieldName, Qt::SortOrder order) {
    sort(QList<SortKey>{SortKey{fieldName, order}});
}

namespace {

// Sort key of one cell: texts by GBK bytes with Latin letters in lower case, the rest by value.
struct SortCell {
    bool null = true;
    bool real = false;
    qint64 i = 0;
    double d = 0;
    QByteArray t;
};

QByteArray textSortKey(const QString& s) {
    QByteArray key(s.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c >= 0x80)
            return gbk::encode(s.toLower());
        key[i] = static_cast<char>(c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c);
    }
    return key;
}

int compareCells(const SortCell& a, const SortCell& b) {
    if (a.null || b.null)
        return a.null == b.null ? 0 : (a.null ? -1 : 1);
    if (a.real)
        return a.d < b.d ? -1 : (b.d < a.d ? 1 : 0);
    if (!a.t.isNull() || !b.t.isNull()) {
        const qsizetype n = std::min(a.t.size(), b.t.size());
        const int r = n ? std::memcmp(a.t.constData(), b.t.constData(), static_cast<size_t>(n)) : 0;
        if (r != 0)
            return r < 0 ? -1 : 1;
        return a.t.size() < b.t.size() ? -1 : (a.t.size() > b.t.size() ? 1 : 0);
    }
    return a.i < b.i ? -1 : (b.i < a.i ? 1 : 0);
}

}  // namespace

void RecordSet::sort(const QList<SortKey>& keys) {
    struct Column {
        int index;
        bool descending;
        std::vector<SortCell> cells;
    };
    std::vector<Column> columns;
    for (const SortKey& k : keys) {
        const int c = fieldIndex(k.field);
        if (c < 0)
            throw DytError(QStringLiteral("字段[%1]不存在").arg(k.field));
        columns.push_back(Column{c, k.order == Qt::DescendingOrder, {}});
    }
    const int n = rowCount();
    if (columns.empty() || n < 2)
        return;
    for (Column& col : columns) {
        const FieldType type = fields_[col.index].type;
        col.cells.resize(n);
        for (int r = 0; r < n; ++r) {
            const QVariant& v = rows_[r][col.index];
            SortCell& cell = col.cells[r];
            if (!v.isValid() || type == FieldType::Blob)
                continue;
            cell.null = false;
            if (type == FieldType::Text) {
                const QString* s = textPtr(v);
                cell.t = textSortKey(s ? *s : v.toString());
                if (cell.t.isNull())
                    cell.t = QByteArray("");
            } else if (type == FieldType::Float) {
                cell.real = true;
                cell.d = v.toDouble();
            } else if (!numericKey(v, &cell.i)) {
                cell.null = true;
            }
        }
    }
    std::vector<int> perm(n);
    std::iota(perm.begin(), perm.end(), 0);
    std::stable_sort(perm.begin(), perm.end(), [&columns](int a, int b) {
        for (const Column& col : columns) {
            const int r = compareCells(col.cells[a], col.cells[b]);
            if (r != 0)
                return col.descending ? r > 0 : r < 0;
        }
        return false;
    });

    const int current = currentRow();
    const quint32 currentId = current >= 0 ? d_->ids[current] : 0;
    std::vector<char> wasVisible;
    if (filtered()) {
        wasVisible.assign(n, 0);
        for (int r : d_->visible)
            wasVisible[r] = 1;
    }
    QList<Row> rows;
    QList<quint32> ids;
    rows.reserve(n);
    ids.reserve(n);
    for (int r : perm) {
        rows.append(std::move(rows_[r]));
        ids.append(d_->ids[r]);
    }
    rows_ = std::move(rows);
    d_->ids = std::move(ids);
    if (filtered()) {
        d_->visible.clear();
        for (int k = 0; k < n; ++k) {
            if (wasVisible[perm[k]])
                d_->visible.append(k);
        }
    }
    invalidateIndexes();
    if (currentId != 0) {
        cursor_ = visiblePosition(static_cast<int>(d_->ids.indexOf(currentId)));
    }
}

}  // namespace dyt
