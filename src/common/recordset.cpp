#include "common/recordset.h"

#include <QDate>
#include <QDateTime>

#include "common/error.h"

namespace dyt {

struct RecordSet::Internals {
    QList<int> visible;  // raw row indexes that pass the filter, in order
    bool visibleValid = false;
};

namespace {

struct TypeName {
    FieldType type;
    const char* name;
};

constexpr TypeName kTypeNames[] = {
    {FieldType::Text, "text"},         {FieldType::Integer, "integer"},
    {FieldType::Float, "float"},       {FieldType::Currency, "currency"},
    {FieldType::Date, "date"},         {FieldType::DateTime, "datetime"},
    {FieldType::Boolean, "boolean"},   {FieldType::Blob, "blob"},
};

}  // namespace

QString fieldTypeName(FieldType type) {
    for (const auto& t : kTypeNames) {
        if (t.type == type) return QString::fromLatin1(t.name);
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
    if (ok) *ok = true;
    if (!value.isValid() || value.isNull()) return {};
    const int id = value.metaType().id();
    bool good = true;
    QVariant result;
    switch (type) {
        case FieldType::Text:
            if (id == QMetaType::QString) return value;
            if (value.canConvert<Currency>() && id == qMetaTypeId<Currency>()) {
                return value.value<Currency>().toString();
            }
            result = value.toString();
            break;
        case FieldType::Integer:
            if (id == QMetaType::LongLong) return value;
            if (id == qMetaTypeId<Currency>()) {
                result = static_cast<qint64>(value.value<Currency>().raw() / Currency::kScale);
            } else if (id == QMetaType::QString) {
                QString t = value.toString().trimmed();
                if (t.isEmpty()) return {};
                result = t.toLongLong(&good);
                if (!good) {
                    double d = t.toDouble(&good);
                    if (good) result = static_cast<qint64>(d);
                }
            } else {
                result = value.toLongLong(&good);
            }
            break;
        case FieldType::Float:
            if (id == QMetaType::Double) return value;
            if (id == qMetaTypeId<Currency>()) {
                result = value.value<Currency>().toDouble();
            } else {
                if (id == QMetaType::QString && value.toString().trimmed().isEmpty()) return {};
                result = value.toDouble(&good);
            }
            break;
        case FieldType::Currency: {
            if (id == qMetaTypeId<Currency>()) return value;
            Currency c;
            if (id == QMetaType::QString) {
                if (value.toString().trimmed().isEmpty()) return {};
                good = Currency::fromString(value.toString(), &c);
            } else if (id == QMetaType::Double || id == QMetaType::Float) {
                c = Currency::fromDouble(value.toDouble());
            } else {
                qint64 n = value.toLongLong(&good);
                c = Currency::fromRaw(n * Currency::kScale);
            }
            if (good) result = QVariant::fromValue(c);
            break;
        }
        case FieldType::Date:
            if (id == QMetaType::QDate) return value;
            if (id == QMetaType::QDateTime) {
                result = value.toDateTime().date();
            } else {
                QString t = value.toString().trimmed();
                QDate d = QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
                good = d.isValid();
                if (good) result = d;
            }
            break;
        case FieldType::DateTime:
            if (id == QMetaType::QDateTime) return value;
            if (id == QMetaType::QDate) {
                result = QDateTime(value.toDate(), QTime(0, 0));
            } else {
                QString t = value.toString().trimmed();
                QDateTime dt = QDateTime::fromString(t, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
                if (!dt.isValid()) dt = QDateTime::fromString(t, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
                if (!dt.isValid()) {
                    QDate d = QDate::fromString(t, QStringLiteral("yyyy-MM-dd"));
                    if (d.isValid()) dt = QDateTime(d, QTime(0, 0));
                }
                good = dt.isValid();
                if (good) result = dt;
            }
            break;
        case FieldType::Boolean:
            if (id == QMetaType::Bool) return value;
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
            if (id == QMetaType::QByteArray) return value;
            result = value.toByteArray();
            break;
    }
    if (!good) {
        if (ok) *ok = false;
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
    fields_ = std::move(other.fields_);
    rows_ = std::move(other.rows_);
    filterText_ = std::move(other.filterText_);
    cursor_ = other.cursor_;
    d_ = std::move(other.d_);
    other.d_ = std::make_unique<Internals>();
    other.cursor_ = -1;
    return *this;
}

int RecordSet::addField(const QString& name, FieldType type, int size) {
    if (fieldIndex(name) >= 0) {
        throw DytError(QStringLiteral("字段重复: %1").arg(name));
    }
    fields_.append(Field{name, type, size, {}});
    for (Row& r : rows_) r.append(QVariant());
    return fieldCount() - 1;
}

int RecordSet::fieldIndex(const QString& name) const {
    for (int i = 0; i < fields_.size(); ++i) {
        if (fields_[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

void RecordSet::clear() {
    fields_.clear();
    clearRows();
    filterText_.clear();
}

void RecordSet::clearRows() {
    rows_.clear();
    cursor_ = -1;
    invalidateIndexes();
}

void RecordSet::setAt(int row, int column, const QVariant& v) {
    bool ok = true;
    QVariant c = coerceValue(v, fields_[column].type, &ok);
    if (!ok) {
        throw DytError(QStringLiteral("字段[%1]的值[%2]无效").arg(fields_[column].name, v.toString()));
    }
    rows_[row][column] = c;
    invalidateIndexes();
}

void RecordSet::appendRow(const Row& values) {
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
    rows_.append(std::move(r));
    invalidateIndexes();
}

void RecordSet::removeRow(int index) {
    rows_.removeAt(index);
    invalidateIndexes();
    if (cursor_ >= recordCount()) cursor_ = recordCount() - 1;
}

void RecordSet::invalidateIndexes() { d_->visibleValid = false; }

void RecordSet::rebuildVisible() {
    d_->visible.clear();
    d_->visible.reserve(rows_.size());
    for (int i = 0; i < rows_.size(); ++i) d_->visible.append(i);
    d_->visibleValid = true;
}

int RecordSet::recordCount() const {
    if (!filtered()) return rowCount();
    if (!d_->visibleValid) const_cast<RecordSet*>(this)->rebuildVisible();
    return static_cast<int>(d_->visible.size());
}

void RecordSet::first() { cursor_ = recordCount() > 0 ? 0 : -1; }
void RecordSet::last() { cursor_ = recordCount() - 1; }
void RecordSet::next() {
    if (cursor_ < recordCount()) ++cursor_;
}
void RecordSet::prior() {
    if (cursor_ >= 0) --cursor_;
}
bool RecordSet::eof() const { return cursor_ < 0 || cursor_ >= recordCount(); }
bool RecordSet::bof() const { return cursor_ <= 0; }

void RecordSet::setRecNo(int visibleIndex) {
    if (visibleIndex < 0 || visibleIndex >= recordCount()) {
        throw DytError(QStringLiteral("记录号越界: %1").arg(visibleIndex));
    }
    cursor_ = visibleIndex;
}

int RecordSet::currentRow() const {
    if (eof()) return -1;
    if (!filtered()) return cursor_;
    return d_->visible[cursor_];
}

QVariant RecordSet::value(int column) const {
    int r = currentRow();
    if (r < 0) throw DytError(QStringLiteral("记录集没有当前记录"));
    return rows_[r][column];
}

QVariant RecordSet::value(const QString& name) const {
    int c = fieldIndex(name);
    if (c < 0) throw DytError(QStringLiteral("字段[%1]不存在").arg(name));
    return value(c);
}

QString RecordSet::text(const QString& name) const {
    QVariant v = value(name);
    if (!v.isValid()) return {};
    if (v.metaType().id() == qMetaTypeId<Currency>()) return v.value<Currency>().toString();
    if (v.metaType().id() == QMetaType::QDate) return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    if (v.metaType().id() == QMetaType::QDateTime) {
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    if (v.metaType().id() == QMetaType::Bool) return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
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

bool RecordSet::isNull(const QString& name) const { return !value(name).isValid(); }

void RecordSet::setValue(const QString& name, const QVariant& v) {
    int c = fieldIndex(name);
    if (c < 0) throw DytError(QStringLiteral("字段[%1]不存在").arg(name));
    setValue(c, v);
}

void RecordSet::setValue(int column, const QVariant& v) {
    int r = currentRow();
    if (r < 0) throw DytError(QStringLiteral("记录集没有当前记录"));
    setAt(r, column, v);
}

void RecordSet::append() {
    appendRow({});
    // A new row is shown even when it does not pass the filter, as data-aware grids do.
    cursor_ = filtered() ? recordCount() - 1 : rowCount() - 1;
}

void RecordSet::deleteCurrent() {
    int r = currentRow();
    if (r < 0) throw DytError(QStringLiteral("记录集没有当前记录"));
    removeRow(r);
}

void RecordSet::setFilter(const QString& expression) {
    filterText_ = expression.trimmed();
    invalidateIndexes();
    first();
}

bool RecordSet::locate(const QStringList& names, const QVariantList& values, bool caseInsensitive) {
    QList<int> cols;
    for (const QString& n : names) {
        int c = fieldIndex(n);
        if (c < 0) throw DytError(QStringLiteral("字段[%1]不存在").arg(n));
        cols.append(c);
    }
    const int n = recordCount();
    for (int i = 0; i < n; ++i) {
        int r = filtered() ? d_->visible[i] : i;
        bool match = true;
        for (int k = 0; k < cols.size() && match; ++k) {
            const QVariant& have = rows_[r][cols[k]];
            const QVariant want = k < values.size() ? values[k] : QVariant();
            if (!have.isValid() || !want.isValid()) {
                match = !have.isValid() && !want.isValid();
            } else if (fields_[cols[k]].type == FieldType::Text) {
                match = have.toString().compare(want.toString(), caseInsensitive ? Qt::CaseInsensitive
                                                                                  : Qt::CaseSensitive) == 0;
            } else {
                match = coerceValue(want, fields_[cols[k]].type) == have;
            }
        }
        if (match) {
            cursor_ = i;
            return true;
        }
    }
    return false;
}

void RecordSet::addIndex(const QString& fieldName) {
    if (fieldIndex(fieldName) < 0) throw DytError(QStringLiteral("字段[%1]不存在").arg(fieldName));
}

}  // namespace dyt
