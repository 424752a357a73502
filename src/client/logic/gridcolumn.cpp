#include "client/logic/gridcolumn.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include "common/gbk.h"
#include "common/rounding.h"

namespace dyt {

namespace {

bool has(const QString& tags, const char* needle) {
    return tags.contains(QLatin1String(needle), Qt::CaseSensitive);
}

struct NumberTag {
    const char* needle;
    NumberKind kind;
};

// First match wins, in this order.
constexpr NumberTag kNumberTags[] = {
    {"%R", NumberKind::Percent}, {"%M%", NumberKind::Money},    {"%Q%", NumberKind::Quantity},
    {"%P%", NumberKind::Price},  {"%D%", NumberKind::Discount}, {"%T%", NumberKind::Ratio},
};

QString buttonGlyphPath(const GridContext& context) {
    QString dir = context.programDir;
    if (dir.isEmpty() && QCoreApplication::instance())
        dir = QCoreApplication::applicationDirPath();
    if (dir.isEmpty())
        return {};
    const QString path = QDir(dir).filePath(QStringLiteral("images/1.bmp"));
    return QFileInfo::exists(path) ? path : QString();
}

}  // namespace

int GridDefinition::columnIndex(const QString& fieldName) const {
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].fieldName.compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void SplitCaptionTags(const QString& captionText, QString* tags, QString* caption) {
    const qsizetype close = captionText.indexOf(u']');
    if (close < 0) {
        if (tags)
            tags->clear();
        if (caption)
            *caption = captionText;
        return;
    }
    const qsizetype open = captionText.indexOf(u'[');
    // The tag list starts after the first "["; a "[" after the first "]" opens nothing.
    const qsizetype from = (open >= 0 && open < close) ? open + 1 : 0;
    if (tags)
        *tags = captionText.mid(from, close - from);
    if (caption)
        *caption = captionText.mid(close + 1);
}

PatternPair numberPatterns(const QString& settingsPattern) {
    return {QStringLiteral(",%1;-,%1").arg(settingsPattern),
            QStringLiteral("%s,%1;%s-,%1").arg(settingsPattern)};
}

GridColumn& AddGridColumn(GridDefinition& view, const QString& captionText,
                          const QString& fieldName, bool editable, int width, int bandIndex) {
    GridColumn column;
    column.captionText = captionText;
    column.headerAlignment = Qt::AlignCenter;

    QString tags;
    SplitCaptionTags(captionText, &tags, &column.caption);
    column.visible = width >= 1;
    column.width = std::max<int>(width, static_cast<int>(7 * gbk::byteLength(column.caption)));

    column.valueKind = ValueKind::Text;
    column.editor = EditorKind::Text;
    column.bandIndex = bandIndex;
    column.editable = editable;
    column.filtering = view.filteringEnabled;

    ApplyColumnTags(view, column, tags);

    column.fieldName = fieldName;

    if (column.caption.contains(u'额') || column.caption.contains(u'价')) {
        column.alignment = Qt::AlignRight | Qt::AlignVCenter;
    }
    column.alignment = (column.alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;

    if (has(column.tags, "F") && view.allowHideColumns) {
        column.tag = kHiddenColumnTag;
        column.visible = false;
    }

    column.exData = GridColumnExData{true, static_cast<int>(view.columns.size())};

    view.columns.append(std::move(column));
    return view.columns.last();
}

void ApplyColumnTags(GridDefinition& view, GridColumn& column, const QString& tags) {
    const GridContext& ctx = view.context;
    column.tags = tags;

    const NumberTag* found = nullptr;
    for (const NumberTag& t : kNumberTags) {
        if (has(tags, t.needle)) {
            found = &t;
            break;
        }
    }

    // Without a number tag a summary still needs a pattern pair.
    PatternPair pair = numberPatterns(QStringLiteral("0.00"));
    if (found) {
        column.numberKind = found->kind;
        switch (found->kind) {
            case NumberKind::Percent:
                pair = {QStringLiteral(",0.00%;-,0.00%"), QStringLiteral("%s,0.00%;%s-,0.00%")};
                column.decimals = 2;
                break;
            case NumberKind::Money:
                pair = numberPatterns(decimalPattern(ctx.totalDot));
                column.decimals = ctx.totalDot;
                break;
            case NumberKind::Quantity:
                pair = numberPatterns(decimalPattern(ctx.qtyDot));
                column.decimals = ctx.qtyDot;
                break;
            case NumberKind::Price: {
                // Positive prices with the price pattern, negative ones with the quantity pattern.
                const QString price = decimalPattern(ctx.priceDot);
                const QString qty = decimalPattern(ctx.qtyDot);
                pair = {QStringLiteral(",%1;-,%2").arg(price, qty),
                        QStringLiteral("%s,%1;%s-,%2").arg(price, qty)};
                column.decimals = ctx.priceDot;
                break;
            }
            case NumberKind::Discount:
                pair = numberPatterns(decimalPattern(ctx.discountDot));
                column.decimals = ctx.discountDot;
                break;
            case NumberKind::Ratio:
                pair = numberPatterns(decimalPattern(ctx.taxDot));
                column.decimals = ctx.taxDot;
                break;
            case NumberKind::None:
                break;
        }
        column.decimals = std::clamp(column.decimals, 0, kMaxPatternDecimals);
        column.valueKind = ValueKind::Float;
        column.editor = EditorKind::Number;
        column.maxValue = kNumberEditorMax;
        column.displayPattern = pair.display;
        column.footerPattern = pair.footer;
        column.alignment = Qt::AlignRight | Qt::AlignVCenter;
        column.footerAlignment = Qt::AlignRight | Qt::AlignVCenter;
        if (!ctx.canSeeCost && has(tags, "Cost")) {
            column.masked = true;
            column.editable = false;
        }
    } else {
        column.numberKind = NumberKind::None;
        column.valueKind = ValueKind::Text;
        column.displayPattern.clear();
        column.footerPattern = pair.footer;
    }

    if (has(tags, "&CHK")) {
        column.editor = EditorKind::CheckBox;
        column.valueKind = ValueKind::Text;
        column.editable = !column.masked;
    }
    if (has(tags, "SET")) {
        column.editor = EditorKind::Button;
        column.buttonGlyph = buttonGlyphPath(ctx);
    }
    if (has(tags, "%DATA%"))
        column.editor = EditorKind::Date;

    struct SummaryTag {
        const char* needle;
        SummaryKind kind;
    };
    constexpr SummaryTag kSummaryTags[] = {
        {"%SUM%", SummaryKind::Sum}, {"%CNT%", SummaryKind::Count}, {"%MAX%", SummaryKind::Max},
        {"%MIN%", SummaryKind::Min}, {"%AVG%", SummaryKind::Avg},
    };
    const bool costHidden = !ctx.canSeeCost && has(tags, "Cost");
    for (const SummaryTag& s : kSummaryTags) {
        if (!has(tags, s.needle))
            continue;
        // A cost figure is not summed up for an operator who may not see costs.
        if (s.kind != SummaryKind::Count && costHidden)
            continue;
        switch (s.kind) {
            case SummaryKind::Count:
                AddFooterSummary(view, column, QStringLiteral("合计"), s.kind);
                break;
            case SummaryKind::Max:
                AddFooterSummary(view, column, pair.footer, s.kind, QStringLiteral("最大值："));
                break;
            case SummaryKind::Min:
                AddFooterSummary(view, column, pair.footer, s.kind, QStringLiteral("最小值："));
                break;
            case SummaryKind::Avg:
                AddFooterSummary(view, column, pair.footer, s.kind, QStringLiteral("平均值："));
                break;
            case SummaryKind::Sum:
            case SummaryKind::None:
                AddFooterSummary(view, column, pair.footer, s.kind);
                break;
        }
        break;
    }
}

void AddFooterSummary(GridDefinition& view, GridColumn& column, const QString& format,
                      SummaryKind kind, const QString& prefix) {
    column.summary = kind;
    column.summaryFormat = format;
    column.summaryPrefix = prefix;
    if (kind != SummaryKind::Count && kind != SummaryKind::None)
        column.valueKind = ValueKind::Float;
    if (kind != SummaryKind::None)
        view.footerVisible = true;
}

GridBand& AddGridBand(GridDefinition& view, const QString& caption, int width, bool fixed) {
    if (fixed) {
        view.bands.clear();
        view.groupingBoxVisible = false;
        view.columnGrouping = false;
        view.autoHeaderHeight = false;
        view.bandHeadersVisible = false;
        view.fixedBandSeparatorWidth = 0;
    }
    GridBand band;
    band.caption = caption;
    band.width = width;
    band.visible = width >= 1;
    band.fixedLeft = fixed;
    view.bands.append(band);
    return view.bands.last();
}

}  // namespace dyt
