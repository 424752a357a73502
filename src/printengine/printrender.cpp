#include "printengine/printrender.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

#include <optional>

#include "common/error.h"

namespace dyt::print {

namespace {

Qt::Alignment toQt(Align align) {
    switch (align) {
        case Align::Center:
            return Qt::AlignHCenter;
        case Align::Right:
            return Qt::AlignRight;
        case Align::Left:
            break;
    }
    return Qt::AlignLeft;
}

const FontSpec& fontOf(const PrintTemplate& tpl, ItemRole role) {
    switch (role) {
        case ItemRole::Title:
            return tpl.titleFont;
        case ItemRole::Header:
            return tpl.headerFont;
        case ItemRole::ColumnHeader:
        case ItemRole::Cell:
        case ItemRole::Total:
            return tpl.detailFont;
        case ItemRole::Footer:
        case ItemRole::PageFooter:
            break;
    }
    return tpl.footerFont;
}

QPageLayout pageLayoutOf(const Layout& layout) {
    const QSizeF size = layout.pageSize;
    const QPageSize pageSize(size, QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    // The oriented size is given as it is, so the layout stays "portrait".
    return QPageLayout(pageSize, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Millimeter);
}

void paintAll(QPainter& painter, QPagedPaintDevice* device, const PrintTemplate& tpl,
              const Layout& layout, double dotsPerMm) {
    for (int i = 0; i < layout.pages.size(); ++i) {
        if (i > 0) {
            device->newPage();
        }
        paintPage(painter, tpl, layout.pages.at(i), dotsPerMm, layout.detailFontScale);
    }
}

// Texts are measured at a large pixel size, where hinting does not count, and scaled to the
// point size.
constexpr int kMeasureEm = 720;
constexpr double kMmPerPoint = 25.4 / 72.0;

const QFontMetricsF& measureMetrics(const FontSpec& spec) {
    // Lay-outs measure many texts in few fonts: keep the last one.
    static FontSpec last;
    static std::optional<QFontMetricsF> metrics;
    if (!metrics || !(last == spec)) {
        QFont font = resolveFont(spec);
        font.setPixelSize(kMeasureEm);
        metrics.emplace(font);
        last = spec;
    }
    return *metrics;
}

double toMm(double advance, const FontSpec& spec) {
    return advance / kMeasureEm * spec.pointSize * kMmPerPoint;
}

}  // namespace

double textWidth(const QString& text, const FontSpec& font) {
    return toMm(measureMetrics(font).horizontalAdvance(text), font);
}

QStringList wrapText(const QString& text, const FontSpec& font, double width) {
    const QFontMetricsF metrics = measureMetrics(font);  // a copy: textWidth may replace it
    // A little room for the printer's own rounding of glyph widths.
    const double room = width * 0.97;
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        for (const QChar ch : paragraph) {
            if (!line.isEmpty() && toMm(metrics.horizontalAdvance(line + ch), font) > room) {
                lines.append(line);
                line.clear();
            }
            line += ch;
        }
        lines.append(line);
    }
    return lines;
}

QString defaultFontFamily() {
    static const QString family = [] {
        const QString cjk = QStringLiteral("Noto Sans CJK SC");
        if (QFontDatabase::families().contains(cjk)) {
            return cjk;
        }
        return QGuiApplication::font().family();
    }();
    return family;
}

QFont resolveFont(const FontSpec& wanted) {
    QString family = wanted.family;
    if (family.isEmpty() || !QFontDatabase::families().contains(family)) {
        family = defaultFontFamily();
    }
    QFont font(family);
    font.setPointSizeF(wanted.pointSize);
    font.setBold(wanted.bold);
    return font;
}

void paintPage(QPainter& painter, const PrintTemplate& tpl, const LayoutPage& page,
               double dotsPerMm, double detailFontScale) {
    painter.save();
    QPen pen(Qt::black);
    pen.setWidthF(qMax(1.0, 0.2 * dotsPerMm));
    painter.setPen(pen);
    const double padding = kTextPadding * dotsPerMm;
    for (const LayoutItem& item : page.items) {
        const QRectF r(item.rect.x() * dotsPerMm, item.rect.y() * dotsPerMm,
                       item.rect.width() * dotsPerMm, item.rect.height() * dotsPerMm);
        if (item.boxed) {
            painter.drawRect(r);
        }
        FontSpec spec = fontOf(tpl, item.role);
        if (item.role == ItemRole::ColumnHeader || item.role == ItemRole::Cell ||
            item.role == ItemRole::Total) {
            spec.pointSize *= detailFontScale;
        }
        const QFont font = resolveFont(spec);
        painter.setFont(font);
        const QRectF inner = r.adjusted(padding, 0, -padding, 0);
        const QFontMetricsF metrics(font, painter.device());
        QStringList lines = item.text.split(QLatin1Char('\n'));
        for (QString& line : lines) {
            line = metrics.elidedText(line, Qt::ElideRight, inner.width());
        }
        painter.drawText(inner, static_cast<int>(toQt(item.align) | Qt::AlignVCenter),
                         lines.join(QLatin1Char('\n')));
    }
    painter.restore();
}

void preparePrinter(QPrinter* printer, const Layout& layout) {
    printer->setFullPage(true);
    printer->setPageLayout(pageLayoutOf(layout));
}

void printLayout(QPrinter* printer, const PrintTemplate& tpl, const Layout& layout) {
    QPainter painter;
    if (!painter.begin(printer)) {
        throw DytError(QStringLiteral("打印机\"%1\"不能打印").arg(printer->printerName()));
    }
    paintAll(painter, printer, tpl, layout, printer->resolution() / 25.4);
    painter.end();
}

void writePdf(const QString& path, const PrintTemplate& tpl, const Layout& layout) {
    QPdfWriter writer(path);
    writer.setResolution(300);
    writer.setPageLayout(pageLayoutOf(layout));
    writer.setTitle(tpl.title);
    writer.setCreator(QStringLiteral("dyt print"));
    QPainter painter;
    if (!painter.begin(&writer)) {
        throw DytError(QStringLiteral("文件\"%1\"不能写入").arg(path));
    }
    paintAll(painter, &writer, tpl, layout, writer.resolution() / 25.4);
    if (!painter.end() || !QFileInfo(path).isFile()) {
        throw DytError(QStringLiteral("文件\"%1\"不能写入").arg(path));
    }
}

QImage renderPage(const PrintTemplate& tpl, const Layout& layout, int pageIndex, int dpi) {
    const double dotsPerMm = dpi / 25.4;
    QImage image(qRound(layout.pageSize.width() * dotsPerMm),
                 qRound(layout.pageSize.height() * dotsPerMm), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dotsPerMm * 1000));
    image.setDotsPerMeterY(qRound(dotsPerMm * 1000));
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintPage(painter, tpl, layout.pages.at(pageIndex), dotsPerMm, layout.detailFontScale);
    return image;
}

}  // namespace dyt::print
