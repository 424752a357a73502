#include "server/paramlines.h"

#include "protocol/protocol.h"

namespace dyt::server {

ParamLines::ParamLines(const QString& text) : lines_(proto::splitLines(text)) {}

QString ParamLines::text() const {
    return proto::joinLines(lines_);
}

int ParamLines::indexOf(const QString& name) const {
    for (int i = 0; i < lines_.size(); ++i) {
        const int eq = lines_[i].indexOf(QLatin1Char('='));
        if (eq >= 0 && QStringView(lines_[i]).left(eq).trimmed().compare(
                           QStringView(name).trimmed(), Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

QString ParamLines::value(const QString& name, const QString& fallback) const {
    const int i = indexOf(name);
    if (i < 0)
        return fallback;
    return lines_[i].mid(lines_[i].indexOf(QLatin1Char('=')) + 1);
}

qint64 ParamLines::integer(const QString& name, qint64 fallback) const {
    bool ok = false;
    const qint64 v = value(name).trimmed().toLongLong(&ok);
    return ok ? v : fallback;
}

void ParamLines::setValue(const QString& name, const QString& value) {
    const int i = indexOf(name);
    const QString line = name + QLatin1Char('=') + value;
    if (i < 0) {
        lines_.append(line);
    } else {
        lines_[i] = line;
    }
}

}  // namespace dyt::server
