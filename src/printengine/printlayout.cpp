#include "printengine/printlayout.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

#include "common/currency.h"
#include "common/error.h"
#include "common/recordset.h"

namespace dyt::print {

namespace {

constexpr double kMmPerPoint = 25.4 / 72.0;

bool isCurrency(const QVariant& v) {
    return v.metaType() == QMetaType::fromType<Currency>();
}

double toDouble(const QVariant& v) {
    if (isCurrency(v)) {
        return v.value<Currency>().toDouble();
    }
    return v.toDouble();
}

int autoDecimals(FieldType type) {
    switch (type) {
        case FieldType::Integer:
            return 0;
        default:
            return 2;
    }
}

// Sum of one detail field; currency sums are exact.
QString fieldSum(const RecordSet& detail, int field, int decimals) {
    if (field < 0) {
        return QString();
    }
    const FieldType type = detail.fields().at(field).type;
    const int places = decimals >= 0 ? decimals : autoDecimals(type);
    if (type == FieldType::Currency) {
        qint64 raw = 0;
        for (int r = 0; r < detail.rowCount(); ++r) {
            const QVariant& v = detail.at(r, field);
            if (isCurrency(v)) {
                raw += v.value<Currency>().raw();
            }
        }
        return formatNumber(Currency::fromRaw(raw).toDouble(), places);
    }
    double sum = 0;
    for (int r = 0; r < detail.rowCount(); ++r) {
        sum += toDouble(detail.at(r, field));
    }
    return formatNumber(sum, places);
}

class Substituter {
public:
    Substituter(const Variables& values, const RecordSet& detail)
        : values_(values), detail_(detail) {}

    QString apply(const QString& text, int page, int pages) const {
        QString out;
        qsizetype i = 0;
        while (i < text.size()) {
            const qsizetype open = text.indexOf(QLatin1Char('{'), i);
            if (open < 0) {
                out += text.mid(i);
                break;
            }
            const qsizetype close = text.indexOf(QLatin1Char('}'), open + 1);
            if (close < 0) {
                out += text.mid(i);
                break;
            }
            out += text.mid(i, open - i);
            out += lookup(text.mid(open + 1, close - open - 1).trimmed(), page, pages);
            i = close + 1;
        }
        return out;
    }

private:
    QString lookup(const QString& name, int page, int pages) const {
        if (name == u"page") {
            return QString::number(page);
        }
        if (name == u"pages") {
            return QString::number(pages);
        }
        if (name == u"date") {
            return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
        }
        if (name == u"time") {
            return QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
        }
        if (name.startsWith(QStringLiteral("sum:"), Qt::CaseInsensitive)) {
            return fieldSum(detail_, detail_.fieldIndex(name.mid(4).trimmed()), -1);
        }
        for (const auto& v : values_) {
            if (v.first.compare(name, Qt::CaseInsensitive) == 0) {
                return v.second;
            }
        }
        return QString();
    }

    const Variables& values_;
    const RecordSet& detail_;
};

}  // namespace

QStringList LayoutPage::texts(ItemRole role) const {
    QStringList out;
    for (const LayoutItem& item : items) {
        if (item.role == role) {
            out.append(item.text);
        }
    }
    return out;
}

double lineHeight(double pointSize) {
    return pointSize * kMmPerPoint * 1.5;
}

QString formatNumber(double value, int decimals) {
    QString text = QString::number(std::fabs(value), 'f', qBound(0, decimals, 8));
    const bool negative = value < 0 && text.contains(QRegularExpression(QStringLiteral("[1-9]")));
    qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < 0) {
        point = text.size();
    }
    for (qsizetype i = point - 3; i > 0; i -= 3) {
        text.insert(i, QLatin1Char(','));
    }
    return negative ? QLatin1Char('-') + text : text;
}

QString formatValue(const QVariant& value, FieldType type, int decimals) {
    if (!value.isValid() || value.isNull()) {
        return QString();
    }
    switch (type) {
        case FieldType::Integer:
        case FieldType::Float:
        case FieldType::Currency:
            return formatNumber(toDouble(value), decimals >= 0 ? decimals : autoDecimals(type));
        case FieldType::Date:
            return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
        case FieldType::DateTime:
            return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        case FieldType::Boolean:
            return value.toBool() ? QStringLiteral("是") : QStringLiteral("否");
        case FieldType::Blob:
            return QString();
        case FieldType::Text:
            break;
    }
    if (isCurrency(value)) {
        return value.value<Currency>().toString();
    }
    return value.toString();
}

TableFit fitTable(const PrintTemplate& tpl, double tableWidth) {
    TableFit fit;
    fit.orientation = tpl.orientation;
    const double margins = tpl.marginLeft + tpl.marginRight;
    const QSizeF page = tpl.pageSize();
    double width = page.width() - margins;
    if (tableWidth <= width || width <= 0)
        return fit;
    // The other way round the paper may be wider.
    const double turned = page.height() - margins;
    if (turned > width) {
        fit.orientation = tpl.orientation == Orientation::Portrait ? Orientation::Landscape
                                                                   : Orientation::Portrait;
        width = turned;
    }
    if (tableWidth > width) {
        fit.scale = width / tableWidth;
        const double floor = std::min(1.0, kMinDetailPoints / tpl.detailFont.pointSize);
        fit.fontScale = std::max(fit.scale, floor);
    }
    return fit;
}

Layout layoutPages(const PrintTemplate& tpl, const RecordSet& header, const RecordSet& detail,
                   const Variables& extra) {
    Layout layout;
    double tableW = 0;
    for (const DetailColumn& c : tpl.columns) {
        tableW += c.width;
    }
    const TableFit fit = fitTable(tpl, tableW);
    layout.orientation = fit.orientation;
    layout.detailFontScale = fit.fontScale;
    layout.pageSize = tpl.pageSize();
    if (fit.orientation != tpl.orientation) {
        layout.pageSize.transpose();
    }
    const double left = tpl.marginLeft;
    const double top = tpl.marginTop;
    const double contentW = layout.pageSize.width() - tpl.marginLeft - tpl.marginRight;
    const double bottom = layout.pageSize.height() - tpl.marginBottom;

    // Values for the {name} references: the caller's, the template's, then the header fields.
    Variables values = extra;
    values.append(tpl.variables);
    for (int i = 0; i < header.fieldCount(); ++i) {
        const Field& f = header.fields().at(i);
        values.append(
            {f.name, header.rowCount() > 0 ? formatValue(header.at(0, i), f.type, -1) : QString()});
    }
    const Substituter subst(values, detail);

    // Heights.
    const double titleH = tpl.title.isEmpty() ? 0 : lineHeight(tpl.titleFont.pointSize) + 2;
    const int headerCols = qMax(1, tpl.headerColumns);
    const int headerRows =
        (static_cast<int>(tpl.headerFields.size()) + headerCols - 1) / headerCols;
    const double headerLineH = lineHeight(tpl.headerFont.pointSize);
    const double headerCellW = contentW / headerCols;
    // Header texts wrap inside their cell; a row of cells is as high as its longest text.
    QStringList headerTexts;
    QList<int> headerLines;
    for (const HeaderField& f : tpl.headerFields) {
        const int hf = header.fieldIndex(f.field);
        QString value;
        if (hf >= 0 && header.rowCount() > 0) {
            value = formatValue(header.at(0, hf), header.fields().at(hf).type, -1);
        }
        const QStringList lines =
            wrapText(f.caption.isEmpty() ? value : f.caption + QStringLiteral("：") + value,
                     tpl.headerFont, headerCellW - 2 * kTextPadding);
        headerTexts.append(lines.join(QLatin1Char('\n')));
        headerLines.append(static_cast<int>(lines.size()));
    }
    QList<double> headerRowY;  // top of each row of header cells, from the header's top
    double headerH = 0;
    for (int r = 0; r < headerRows; ++r) {
        int lines = 1;
        for (int i = r * headerCols; i < qMin((r + 1) * headerCols, headerLines.size()); ++i) {
            lines = qMax(lines, headerLines.at(i));
        }
        headerRowY.append(headerH);
        headerH += lines * headerLineH;
    }
    headerH += headerRows > 0 ? 2 : 0;
    const double topBlock = titleH + headerH;
    const double rowH =
        qMax(tpl.rowHeight, lineHeight(tpl.detailFont.pointSize * layout.detailFontScale));
    bool hasTotal = false;
    for (const DetailColumn& c : tpl.columns) {
        hasTotal = hasTotal || c.sum;
    }
    const double colH = tpl.columns.isEmpty() ? 0 : rowH;
    const double totalH = hasTotal ? rowH : 0;
    const double footerLineH = lineHeight(tpl.footerFont.pointSize);
    const double footerH = tpl.footerLines.isEmpty()
                               ? 0
                               : 1 + footerLineH * static_cast<double>(tpl.footerLines.size());
    const double pageFooterH = tpl.pageFooter.isEmpty() ? 0 : footerLineH + 1;
    const double bodyBottom = bottom - pageFooterH;

    auto bodyTop = [&](int pageIndex) {
        return top + (pageIndex == 0 || tpl.repeatHeader ? topBlock : 0);
    };
    auto capacity = [&](int pageIndex) {
        return static_cast<int>(std::floor((bodyBottom - bodyTop(pageIndex) - colH) / rowH + 1e-9));
    };
    const int rowCount = tpl.columns.isEmpty() ? 0 : detail.rowCount();
    if (rowCount > 0 && (capacity(0) < 1 || capacity(1) < 1)) {
        throw DytError(QStringLiteral("纸张太小，一页放不下一行明细，请调整打印模板"));
    }

    // Rows per page.
    QList<QPair<int, int>> ranges;  // first row, count
    int next = 0;
    do {
        const int take = qMin(capacity(static_cast<int>(ranges.size())), rowCount - next);
        ranges.append({next, take});
        next += take;
    } while (next < rowCount);
    {
        const int lastIndex = static_cast<int>(ranges.size()) - 1;
        const double used = bodyTop(lastIndex) + colH + ranges.last().second * rowH;
        if (used + totalH + footerH > bodyBottom + 1e-9 && (totalH + footerH) > 0) {
            ranges.append({rowCount, 0});
        }
    }
    const int pages = static_cast<int>(ranges.size());

    // Column positions, scaled down to the content width when they are wider.
    const double scale = fit.scale;
    QList<double> colX, colW;
    QList<int> colField;
    double x = left;
    for (const DetailColumn& c : tpl.columns) {
        colX.append(x);
        colW.append(c.width * scale);
        x += c.width * scale;
        colField.append(detail.fieldIndex(c.field));
    }

    for (int p = 0; p < pages; ++p) {
        LayoutPage page;
        double y = top;
        if (p == 0 || tpl.repeatHeader) {
            if (titleH > 0) {
                page.items.append({ItemRole::Title, QRectF(left, y, contentW, titleH - 2),
                                   subst.apply(tpl.title, p + 1, pages), Align::Center, false, -1,
                                   -1});
                y += titleH;
            }
            for (int i = 0; i < headerTexts.size(); ++i) {
                page.items.append({ItemRole::Header,
                                   QRectF(left + (i % headerCols) * headerCellW,
                                          y + headerRowY.at(i / headerCols), headerCellW,
                                          headerLines.at(i) * headerLineH),
                                   headerTexts.at(i), Align::Left, false, -1, -1});
            }
            y += headerH;
        }
        const bool tableOnPage = ranges.at(p).second > 0 || p == pages - 1;
        if (colH > 0 && tableOnPage && (ranges.at(p).second > 0 || hasTotal)) {
            for (int c = 0; c < tpl.columns.size(); ++c) {
                page.items.append({ItemRole::ColumnHeader, QRectF(colX.at(c), y, colW.at(c), colH),
                                   tpl.columns.at(c).caption, Align::Center, true, -1, c});
            }
            y += colH;
        }
        for (int r = ranges.at(p).first; r < ranges.at(p).first + ranges.at(p).second; ++r) {
            page.rows.append(r);
            for (int c = 0; c < tpl.columns.size(); ++c) {
                const DetailColumn& col = tpl.columns.at(c);
                const int f = colField.at(c);
                const QString text =
                    f >= 0 ? formatValue(detail.at(r, f), detail.fields().at(f).type, col.decimals)
                           : QString();
                page.items.append({ItemRole::Cell, QRectF(colX.at(c), y, colW.at(c), rowH), text,
                                   col.align, true, r, c});
            }
            y += rowH;
        }
        if (p == pages - 1) {
            if (hasTotal) {
                for (int c = 0; c < tpl.columns.size(); ++c) {
                    const DetailColumn& col = tpl.columns.at(c);
                    QString text;
                    if (col.sum) {
                        text = fieldSum(detail, colField.at(c), col.decimals);
                    } else if (c == 0) {
                        text = QStringLiteral("合计");
                    }
                    page.items.append({ItemRole::Total, QRectF(colX.at(c), y, colW.at(c), rowH),
                                       text, col.sum ? col.align : Align::Center, true, -1, c});
                }
                y += rowH;
            }
            if (!tpl.footerLines.isEmpty()) {
                y += 1;
                for (const QString& line : tpl.footerLines) {
                    page.items.append({ItemRole::Footer, QRectF(left, y, contentW, footerLineH),
                                       subst.apply(line, p + 1, pages), Align::Left, false, -1,
                                       -1});
                    y += footerLineH;
                }
            }
        }
        if (pageFooterH > 0) {
            page.items.append(
                {ItemRole::PageFooter, QRectF(left, bottom - footerLineH, contentW, footerLineH),
                 subst.apply(tpl.pageFooter, p + 1, pages), Align::Center, false, -1, -1});
        }
        layout.pages.append(page);
    }
    return layout;
}

}  // namespace dyt::print
