#include "printengine/printtemplate.h"

#include <QFile>
#include <QSaveFile>

#include <cmath>

#include "common/error.h"
#include "common/recordset.h"
#include "printengine/printlayout.h"

namespace dyt::print {

namespace {

struct Paper {
    const char16_t* name;
    double width;
    double height;
};

constexpr Paper kPapers[] = {
    {u"A4", 210, 297},
    {u"A3", 297, 420},
    {u"A5", 148, 210},
    {u"B5", 176, 250},
    {u"Letter", 215.9, 279.4},
    {u"241x140", 241, 140},  // continuous form, half height: the common
                             // bill paper
    {u"241x93", 241, 93},    // continuous form, one third
};

QString customPaper() {
    return QStringLiteral("custom");
}

QString escapeValue(const QString& v) {
    QString out;
    out.reserve(v.size());
    for (QChar c : v) {
        if (c == QLatin1Char('\\')) {
            out += QStringLiteral("\\\\");
        } else if (c == QLatin1Char('|')) {
            out += QStringLiteral("\\|");
        } else if (c == QLatin1Char('\n')) {
            out += QStringLiteral("\\n");
        } else if (c == QLatin1Char('\r')) {
            out += QStringLiteral("\\r");
        } else {
            out += c;
        }
    }
    return out;
}

// Splits on unescaped bars and resolves the escapes.
QStringList splitValue(const QString& v) {
    QStringList parts;
    QString cur;
    for (qsizetype i = 0; i < v.size(); ++i) {
        const QChar c = v.at(i);
        if (c == QLatin1Char('\\') && i + 1 < v.size()) {
            const QChar n = v.at(++i);
            if (n == QLatin1Char('n')) {
                cur += QLatin1Char('\n');
            } else if (n == QLatin1Char('r')) {
                cur += QLatin1Char('\r');
            } else {
                cur += n;
            }
        } else if (c == QLatin1Char('|')) {
            parts.append(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.append(cur);
    return parts;
}

QString unescapeValue(const QString& v) {
    // A bar outside a field list is an ordinary character.
    return splitValue(v).join(QLatin1Char('|'));
}

QString number(double v) {
    return QString::number(v, 'g', 10);
}

[[noreturn]] void fault(int line, const QString& what) {
    throw DytError(QStringLiteral("打印模板第%1行：%2").arg(line).arg(what));
}

double toNumber(const QString& text, int line, double low, double high) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < low || v > high) {
        fault(line, QStringLiteral("数值\"%1\"不合法").arg(text));
    }
    return v;
}

bool isNumberType(FieldType t) {
    return t == FieldType::Integer || t == FieldType::Float || t == FieldType::Currency;
}

}  // namespace

// --- helpers

QString stripCaptionTags(const QString& caption, QString* tags) {
    const qsizetype open = caption.indexOf(QLatin1Char('['));
    const qsizetype close = caption.indexOf(QLatin1Char(']'));
    if (close < 0) {
        if (tags) {
            tags->clear();
        }
        return caption;
    }
    if (tags) {
        *tags = open >= 0 && open < close ? caption.mid(open + 1, close - open - 1) : QString();
    }
    return caption.mid(close + 1);
}

QString alignName(Align align) {
    switch (align) {
        case Align::Center:
            return QStringLiteral("center");
        case Align::Right:
            return QStringLiteral("right");
        case Align::Left:
            break;
    }
    return QStringLiteral("left");
}

bool alignFromName(const QString& name, Align* out) {
    const QString n = name.trimmed().toLower();
    if (n == u"left") {
        *out = Align::Left;
    } else if (n == u"center") {
        *out = Align::Center;
    } else if (n == u"right") {
        *out = Align::Right;
    } else {
        return false;
    }
    return true;
}

QString FontSpec::toText() const {
    QString t = family + QLatin1Char(',') + number(pointSize);
    if (bold) {
        t += QStringLiteral(",bold");
    }
    return t;
}

bool FontSpec::fromText(const QString& text, FontSpec* out) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() < 2 || parts.size() > 3) {
        return false;
    }
    bool ok = false;
    const double size = parts.at(1).trimmed().toDouble(&ok);
    if (!ok || size < 4 || size > 96) {
        return false;
    }
    bool b = false;
    if (parts.size() == 3) {
        const QString w = parts.at(2).trimmed().toLower();
        if (w == u"bold") {
            b = true;
        } else if (w != u"normal") {
            return false;
        }
    }
    out->family = parts.at(0).trimmed();
    out->pointSize = size;
    out->bold = b;
    return true;
}

// --- PrintTemplate

QSizeF PrintTemplate::pageSize() const {
    return orientation == Orientation::Portrait ? QSizeF(paperWidth, paperHeight)
                                                : QSizeF(paperHeight, paperWidth);
}

QStringList PrintTemplate::paperNames() {
    QStringList names;
    for (const Paper& p : kPapers) {
        names.append(QString::fromUtf16(p.name));
    }
    names.append(customPaper());
    return names;
}

bool PrintTemplate::setPaper(const QString& name) {
    if (name.compare(customPaper(), Qt::CaseInsensitive) == 0) {
        paper = customPaper();
        return true;
    }
    for (const Paper& p : kPapers) {
        if (name.compare(QString::fromUtf16(p.name), Qt::CaseInsensitive) == 0) {
            paper = QString::fromUtf16(p.name);
            paperWidth = p.width;
            paperHeight = p.height;
            return true;
        }
    }
    return false;
}

QString PrintTemplate::toText() const {
    QStringList out;
    out << QStringLiteral("; 打印模板") << QString();
    out << QStringLiteral("[page]") << QStringLiteral("paper=") + paper
        << QStringLiteral("width=") + number(paperWidth)
        << QStringLiteral("height=") + number(paperHeight)
        << QStringLiteral("orientation=") + (orientation == Orientation::Portrait
                                                 ? QStringLiteral("portrait")
                                                 : QStringLiteral("landscape"))
        << QStringLiteral("margins=%1,%2,%3,%4")
               .arg(number(marginLeft), number(marginTop), number(marginRight),
                    number(marginBottom))
        << QString();
    out << QStringLiteral("[fonts]") << QStringLiteral("title=") + titleFont.toText()
        << QStringLiteral("header=") + headerFont.toText()
        << QStringLiteral("detail=") + detailFont.toText()
        << QStringLiteral("footer=") + footerFont.toText() << QString();
    out << QStringLiteral("[title]") << QStringLiteral("text=") + escapeValue(title) << QString();
    out << QStringLiteral("[header]") << QStringLiteral("columns=%1").arg(headerColumns)
        << QStringLiteral("repeat=") +
               (repeatHeader ? QStringLiteral("yes") : QStringLiteral("no"));
    for (const HeaderField& f : headerFields) {
        out << QStringLiteral("field=") + escapeValue(f.field) + QLatin1Char('|') +
                   escapeValue(f.caption);
    }
    out << QString();
    out << QStringLiteral("[detail]") << QStringLiteral("rowHeight=") + number(rowHeight);
    for (const DetailColumn& c : columns) {
        out << QStringLiteral("column=") + escapeValue(c.field) + QLatin1Char('|') +
                   escapeValue(c.caption) + QLatin1Char('|') + number(c.width) + QLatin1Char('|') +
                   alignName(c.align) + QLatin1Char('|') +
                   (c.decimals < 0 ? QStringLiteral("auto") : QString::number(c.decimals)) +
                   QLatin1Char('|') + (c.sum ? QStringLiteral("sum") : QString());
    }
    out << QString();
    out << QStringLiteral("[footer]");
    for (const QString& l : footerLines) {
        out << QStringLiteral("line=") + escapeValue(l);
    }
    out << QStringLiteral("pageFooter=") + escapeValue(pageFooter) << QString();
    out << QStringLiteral("[variables]");
    for (const auto& v : variables) {
        out << escapeValue(v.first) + QLatin1Char('=') + escapeValue(v.second);
    }
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

PrintTemplate PrintTemplate::fromText(const QString& text) {
    PrintTemplate t;
    t.headerFields.clear();
    t.columns.clear();
    t.footerLines.clear();
    t.variables.clear();
    QString section;
    QString paperName = t.paper;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        if (i == 0 && line.startsWith(QChar(0xFEFF))) {
            line.remove(0, 1);
        }
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) ||
            trimmed.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            section = trimmed.mid(1, trimmed.size() - 2).trimmed().toLower();
            static const QStringList known = {QStringLiteral("page"),     QStringLiteral("fonts"),
                                              QStringLiteral("title"),    QStringLiteral("header"),
                                              QStringLiteral("detail"),   QStringLiteral("footer"),
                                              QStringLiteral("variables")};
            if (!known.contains(section)) {
                fault(lineNo, QStringLiteral("未知的段[%1]").arg(section));
            }
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            fault(lineNo, QStringLiteral("缺少\"=\""));
        }
        if (section.isEmpty()) {
            fault(lineNo, QStringLiteral("内容不在任何段内"));
        }
        const QString rawKey = line.left(eq).trimmed();
        const QString key = rawKey.toLower();
        const QString value = line.mid(eq + 1);
        auto unknownKey = [&] {
            fault(lineNo, QStringLiteral("段[%1]中未知的项\"%2\"").arg(section, rawKey));
        };
        if (section == u"page") {
            if (key == u"paper") {
                paperName = value.trimmed();
            } else if (key == u"width") {
                t.paperWidth = toNumber(value, lineNo, 20, 2000);
            } else if (key == u"height") {
                t.paperHeight = toNumber(value, lineNo, 20, 2000);
            } else if (key == u"orientation") {
                const QString o = value.trimmed().toLower();
                if (o == u"portrait") {
                    t.orientation = Orientation::Portrait;
                } else if (o == u"landscape") {
                    t.orientation = Orientation::Landscape;
                } else {
                    fault(lineNo, QStringLiteral("纸张方向\"%1\"不合法").arg(value));
                }
            } else if (key == u"margins") {
                const QStringList m = value.split(QLatin1Char(','));
                if (m.size() != 4) {
                    fault(lineNo, QStringLiteral("页边距应为四个数"));
                }
                t.marginLeft = toNumber(m.at(0), lineNo, 0, 200);
                t.marginTop = toNumber(m.at(1), lineNo, 0, 200);
                t.marginRight = toNumber(m.at(2), lineNo, 0, 200);
                t.marginBottom = toNumber(m.at(3), lineNo, 0, 200);
            } else {
                unknownKey();
            }
        } else if (section == u"fonts") {
            FontSpec* target = key == u"title"    ? &t.titleFont
                               : key == u"header" ? &t.headerFont
                               : key == u"detail" ? &t.detailFont
                               : key == u"footer" ? &t.footerFont
                                                  : nullptr;
            if (!target) {
                unknownKey();
            }
            if (!FontSpec::fromText(value, target)) {
                fault(lineNo, QStringLiteral("字体\"%1\"不合法").arg(value));
            }
        } else if (section == u"title") {
            if (key != u"text") {
                unknownKey();
            }
            t.title = unescapeValue(value);
        } else if (section == u"header") {
            if (key == u"columns") {
                t.headerColumns = static_cast<int>(toNumber(value, lineNo, 1, 10));
            } else if (key == u"repeat") {
                t.repeatHeader = value.trimmed().toLower() != u"no";
            } else if (key == u"field") {
                const QStringList p = splitValue(value);
                if (p.size() != 2 || p.at(0).isEmpty()) {
                    fault(lineNo, QStringLiteral("表头字段应为\"字段名|标题\""));
                }
                t.headerFields.append({p.at(0), p.at(1)});
            } else {
                unknownKey();
            }
        } else if (section == u"detail") {
            if (key == u"rowheight") {
                t.rowHeight = toNumber(value, lineNo, 2, 100);
            } else if (key == u"column") {
                const QStringList p = splitValue(value);
                if (p.size() != 6 || p.at(0).isEmpty()) {
                    fault(lineNo,
                          QStringLiteral("明细列应为\"字段名|标题|宽度|对齐|小数位|合计\""));
                }
                DetailColumn c;
                c.field = p.at(0);
                c.caption = p.at(1);
                c.width = toNumber(p.at(2), lineNo, 1, 1000);
                if (!alignFromName(p.at(3), &c.align)) {
                    fault(lineNo, QStringLiteral("对齐方式\"%1\"不合法").arg(p.at(3)));
                }
                const QString d = p.at(4).trimmed().toLower();
                c.decimals =
                    d == u"auto" || d.isEmpty() ? -1 : static_cast<int>(toNumber(d, lineNo, 0, 8));
                const QString s = p.at(5).trimmed().toLower();
                if (s != u"sum" && !s.isEmpty()) {
                    fault(lineNo, QStringLiteral("合计标记\"%1\"不合法").arg(p.at(5)));
                }
                c.sum = s == u"sum";
                t.columns.append(c);
            } else {
                unknownKey();
            }
        } else if (section == u"footer") {
            if (key == u"line") {
                t.footerLines.append(unescapeValue(value));
            } else if (key == u"pagefooter") {
                t.pageFooter = unescapeValue(value);
            } else {
                unknownKey();
            }
        } else {  // variables
            t.variables.append({unescapeValue(rawKey), unescapeValue(value)});
        }
    }
    if (!t.setPaper(paperName)) {
        throw DytError(QStringLiteral("打印模板：未知的纸张\"%1\"").arg(paperName));
    }
    const QSizeF page = t.pageSize();
    if (t.marginLeft + t.marginRight >= page.width() - 10 ||
        t.marginTop + t.marginBottom >= page.height() - 10) {
        throw DytError(QStringLiteral("打印模板：页边距超出了纸张"));
    }
    return t;
}

void PrintTemplate::save(const QString& path) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        throw DytError(QStringLiteral("打印模板\"%1\"不能写入：%2").arg(path, file.errorString()));
    }
    file.write(toText().toUtf8());
    if (!file.commit()) {
        throw DytError(QStringLiteral("打印模板\"%1\"不能写入：%2").arg(path, file.errorString()));
    }
}

PrintTemplate PrintTemplate::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw DytError(QStringLiteral("打印模板\"%1\"不能打开：%2").arg(path, file.errorString()));
    }
    try {
        return fromText(QString::fromUtf8(file.readAll()));
    } catch (const DytError& e) {
        throw DytError(path + QStringLiteral("：") + e.message());
    }
}

PrintTemplate PrintTemplate::generate(const QString& title, const RecordSet& header,
                                      const RecordSet& detail) {
    PrintTemplate t;
    t.title = title;
    for (const Field& f : header.fields()) {
        t.headerFields.append({f.name, stripCaptionTags(f.caption())});
    }
    // Columns as wide as their caption and their values as printed, a little room beside.
    constexpr double kRoom = 2 * kTextPadding + 1.5;
    const int sampleRows = qMin(detail.rowCount(), 200);
    double total = 0;
    for (int i = 0; i < detail.fieldCount(); ++i) {
        const Field& f = detail.fields().at(i);
        QString tags;
        const QString caption = stripCaptionTags(f.caption(), &tags);
        if (tags.contains(QLatin1Char('F'))) {
            continue;  // a column the grid starts hidden
        }
        DetailColumn c;
        c.field = f.name;
        c.caption = caption;
        double need = textWidth(caption, t.detailFont);
        for (int r = 0; r < sampleRows; ++r) {
            need = qMax(need, textWidth(formatValue(detail.at(r, i), f.type, -1), t.detailFont));
        }
        c.width = qBound(8.0, std::ceil(need + kRoom), 60.0);
        const bool numberTag =
            tags.contains(QStringLiteral("%R")) || tags.contains(QStringLiteral("%M%")) ||
            tags.contains(QStringLiteral("%Q%")) || tags.contains(QStringLiteral("%P%")) ||
            tags.contains(QStringLiteral("%D%")) || tags.contains(QStringLiteral("%T%"));
        if (caption == u"行号") {
            c.align = Align::Center;
        } else if (isNumberType(f.type) || numberTag || caption.contains(QStringLiteral("额")) ||
                   caption.contains(QStringLiteral("价"))) {
            c.align = Align::Right;
        }
        if (tags.contains(QStringLiteral("%SUM%"))) {
            c.sum = true;
        } else if (tags.isEmpty() &&
                   (f.type == FieldType::Float || f.type == FieldType::Currency) &&
                   (caption.contains(QStringLiteral("数量")) ||
                    caption.contains(QStringLiteral("额")))) {
            c.sum = true;
        }
        total += c.width;
        t.columns.append(c);
    }
    double contentWidth = t.paperWidth - t.marginLeft - t.marginRight;
    if (total > contentWidth) {
        t.orientation = Orientation::Landscape;
        contentWidth = t.paperHeight - t.marginLeft - t.marginRight;
    }
    // Narrow tables are widened to the page, each column in proportion to its own width.
    if (total > 0 && total < contentWidth) {
        const double scale = contentWidth / total;
        for (DetailColumn& c : t.columns) {
            c.width = std::floor(c.width * scale * 10) / 10;
        }
    }
    t.footerLines.append(QStringLiteral("打印日期：{date}"));
    return t;
}

}  // namespace dyt::print
