#include "pictures/artwork.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace dyt::pictures {

namespace {

constexpr double kPi = 3.14159265358979323846;

QFont cjk(int pixelSize, bool bold = false) {
    QFont f(QStringLiteral("Noto Sans CJK SC"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

QImage canvas(int w, int h, const QColor& fill) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

void smooth(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

QColor tint(const QColor& c, double amount) {
    // Mixes the colour with white: 0 gives white, 1 the colour.
    return QColor::fromRgbF(1.0 - (1.0 - c.redF()) * amount, 1.0 - (1.0 - c.greenF()) * amount,
                            1.0 - (1.0 - c.blueF()) * amount);
}

// Text shrunk until it fits the width.
void fittedText(QPainter& p, const QRectF& box, const QString& text, int pixelSize, bool bold,
                const QColor& colour, Qt::Alignment align = Qt::AlignCenter) {
    int size = pixelSize;
    QFont f = cjk(size, bold);
    while (size > 9 && QFontMetricsF(f).horizontalAdvance(text) > box.width()) {
        f = cjk(--size, bold);
    }
    p.setFont(f);
    p.setPen(colour);
    p.drawText(box, align, text);
}

// --- glyphs, drawn in a unit box of 24 × 24 and scaled into the target square
QPainterPath roundRect(double x, double y, double w, double h, double r) {
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, w, h), r, r);
    return path;
}

void stroke(QPainter& p, const QPainterPath& path, const QColor& c, double width = 1.8) {
    QPen pen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void fill(QPainter& p, const QPainterPath& path, const QColor& c) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(path);
}

QPainterPath arrow(QPointF from, QPointF to, double head = 3.2) {
    QPainterPath path;
    path.moveTo(from);
    path.lineTo(to);
    const double a = std::atan2(to.y() - from.y(), to.x() - from.x());
    path.moveTo(to.x() - head * std::cos(a - kPi / 5), to.y() - head * std::sin(a - kPi / 5));
    path.lineTo(to);
    path.lineTo(to.x() - head * std::cos(a + kPi / 5), to.y() - head * std::sin(a + kPi / 5));
    return path;
}

QPainterPath document() {
    QPainterPath path;
    path.moveTo(6, 3);
    path.lineTo(14.5, 3);
    path.lineTo(19, 7.5);
    path.lineTo(19, 21);
    path.lineTo(6, 21);
    path.closeSubpath();
    path.moveTo(14.5, 3);
    path.lineTo(14.5, 7.5);
    path.lineTo(19, 7.5);
    return path;
}

QPainterPath docLines(int count) {
    QPainterPath path;
    for (int i = 0; i < count; ++i) {
        path.moveTo(9, 11 + i * 3.2);
        path.lineTo(16, 11 + i * 3.2);
    }
    return path;
}

void drawGlyph(QPainter& p, Glyph glyph, const QRectF& box, const QColor& c) {
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 24.0, box.height() / 24.0);
    switch (glyph) {
        case Glyph::Document:
            stroke(p, document(), c);
            stroke(p, docLines(3), c, 1.5);
            break;
        case Glyph::Inbound: {
            QPainterPath tray;
            tray.moveTo(3, 13);
            tray.lineTo(3, 20);
            tray.lineTo(21, 20);
            tray.lineTo(21, 13);
            stroke(p, tray, c);
            stroke(p, arrow({12, 3}, {12, 15}, 4), c);
            break;
        }
        case Glyph::Outbound: {
            QPainterPath tray;
            tray.moveTo(3, 13);
            tray.lineTo(3, 20);
            tray.lineTo(21, 20);
            tray.lineTo(21, 13);
            stroke(p, tray, c);
            stroke(p, arrow({12, 15}, {12, 3}, 4), c);
            break;
        }
        case Glyph::Return: {
            QPainterPath path;
            path.moveTo(8, 6);
            path.lineTo(15, 6);
            path.arcTo(QRectF(10, 6, 10, 10), 90, -180);
            path.lineTo(6, 16);
            stroke(p, path, c);
            stroke(p, arrow({12, 6}, {5, 6}, 4), c);
            QPainterPath base;
            base.moveTo(5, 20);
            base.lineTo(19, 20);
            stroke(p, base, c, 1.5);
            break;
        }
        case Glyph::Exchange:
            stroke(p, arrow({4, 8}, {20, 8}, 4), c);
            stroke(p, arrow({20, 16}, {4, 16}, 4), c);
            break;
        case Glyph::Order: {
            stroke(p, roundRect(5, 4.5, 14, 17, 2), c);
            fill(p, roundRect(9, 2.5, 6, 4, 1.2), c);
            QPainterPath check;
            check.moveTo(8, 12.5);
            check.lineTo(10.5, 15);
            check.lineTo(16, 9.5);
            stroke(p, check, c);
            break;
        }
        case Glyph::Coin: {
            QPainterPath circle;
            circle.addEllipse(QRectF(3.5, 3.5, 17, 17));
            stroke(p, circle, c);
            QPainterPath yen;
            yen.moveTo(8.5, 7.5);
            yen.lineTo(12, 12);
            yen.lineTo(15.5, 7.5);
            yen.moveTo(12, 12);
            yen.lineTo(12, 17.5);
            yen.moveTo(9, 12.5);
            yen.lineTo(15, 12.5);
            yen.moveTo(9, 15);
            yen.lineTo(15, 15);
            stroke(p, yen, c, 1.5);
            break;
        }
        case Glyph::Cash: {
            stroke(p, roundRect(2.5, 6.5, 19, 11, 1.5), c);
            QPainterPath mid;
            mid.addEllipse(QRectF(9, 9, 6, 6));
            stroke(p, mid, c, 1.5);
            QPainterPath dots;
            dots.addEllipse(QRectF(5, 11.2, 1.6, 1.6));
            dots.addEllipse(QRectF(17.4, 11.2, 1.6, 1.6));
            fill(p, dots, c);
            break;
        }
        case Glyph::Box: {
            QPainterPath box3;
            box3.moveTo(12, 3);
            box3.lineTo(20, 7);
            box3.lineTo(20, 17);
            box3.lineTo(12, 21);
            box3.lineTo(4, 17);
            box3.lineTo(4, 7);
            box3.closeSubpath();
            box3.moveTo(4, 7);
            box3.lineTo(12, 11);
            box3.lineTo(20, 7);
            box3.moveTo(12, 11);
            box3.lineTo(12, 21);
            stroke(p, box3, c);
            break;
        }
        case Glyph::PriceTag: {
            QPainterPath tag;
            tag.moveTo(3.5, 4.5);
            tag.lineTo(11.5, 4.5);
            tag.lineTo(20.5, 13.5);
            tag.lineTo(12.5, 21.5);
            tag.lineTo(3.5, 12.5);
            tag.closeSubpath();
            stroke(p, tag, c);
            QPainterPath hole;
            hole.addEllipse(QRectF(6.5, 7.5, 3, 3));
            fill(p, hole, c);
            break;
        }
        case Glyph::Gift: {
            stroke(p, roundRect(4, 10, 16, 11, 1.5), c);
            stroke(p, roundRect(3, 7, 18, 4, 1.2), c);
            QPainterPath ribbon;
            ribbon.moveTo(12, 7);
            ribbon.lineTo(12, 21);
            ribbon.moveTo(12, 7);
            ribbon.cubicTo(9, 1.5, 5, 5, 12, 7);
            ribbon.moveTo(12, 7);
            ribbon.cubicTo(15, 1.5, 19, 5, 12, 7);
            stroke(p, ribbon, c, 1.5);
            break;
        }
        case Glyph::Truck: {
            stroke(p, roundRect(2.5, 6, 12, 10, 1), c);
            QPainterPath cab;
            cab.moveTo(14.5, 9);
            cab.lineTo(18.5, 9);
            cab.lineTo(21.5, 12.5);
            cab.lineTo(21.5, 16);
            cab.lineTo(14.5, 16);
            stroke(p, cab, c);
            QPainterPath wheels;
            wheels.addEllipse(QRectF(4.5, 15, 4.5, 4.5));
            wheels.addEllipse(QRectF(15, 15, 4.5, 4.5));
            fill(p, wheels, c);
            break;
        }
        case Glyph::Invoice: {
            QPainterPath r;
            r.moveTo(5, 3);
            r.lineTo(19, 3);
            r.lineTo(19, 21);
            for (int i = 0; i < 4; ++i) {
                r.lineTo(19 - 1.75 - i * 3.5, 19.5);
                r.lineTo(19 - 3.5 - i * 3.5, 21);
            }
            r.closeSubpath();
            stroke(p, r, c);
            QPainterPath lines;
            lines.moveTo(8, 8);
            lines.lineTo(16, 8);
            lines.moveTo(8, 11.5);
            lines.lineTo(16, 11.5);
            lines.moveTo(8, 15);
            lines.lineTo(12.5, 15);
            stroke(p, lines, c, 1.5);
            break;
        }
        case Glyph::Gear: {
            QPainterPath gear;
            const int teeth = 8;
            for (int i = 0; i < teeth * 2; ++i) {
                const double r = (i % 2 == 0) ? 9.5 : 7.2;
                const double a1 = (i - 0.5) * kPi / teeth;
                const double a2 = (i + 0.5) * kPi / teeth;
                const QPointF p1(12 + r * std::cos(a1), 12 + r * std::sin(a1));
                const QPointF p2(12 + r * std::cos(a2), 12 + r * std::sin(a2));
                if (i == 0)
                    gear.moveTo(p1);
                else
                    gear.lineTo(p1);
                gear.lineTo(p2);
            }
            gear.closeSubpath();
            stroke(p, gear, c, 1.6);
            QPainterPath hub;
            hub.addEllipse(QRectF(9, 9, 6, 6));
            stroke(p, hub, c, 1.6);
            break;
        }
        case Glyph::Shield: {
            QPainterPath shield;
            shield.moveTo(12, 2.5);
            shield.lineTo(20, 5.5);
            shield.cubicTo(20, 13, 17, 18.5, 12, 21.5);
            shield.cubicTo(7, 18.5, 4, 13, 4, 5.5);
            shield.closeSubpath();
            stroke(p, shield, c);
            QPainterPath person;
            person.addEllipse(QRectF(10, 7, 4, 4));
            fill(p, person, c);
            QPainterPath body;
            body.moveTo(8, 16.5);
            body.cubicTo(8.5, 12.5, 15.5, 12.5, 16, 16.5);
            stroke(p, body, c, 1.6);
            break;
        }
        case Glyph::Key: {
            QPainterPath ring;
            ring.addEllipse(QRectF(3, 6, 9, 9));
            stroke(p, ring, c);
            QPainterPath shaft;
            shaft.moveTo(12, 10.5);
            shaft.lineTo(21, 10.5);
            shaft.moveTo(18, 10.5);
            shaft.lineTo(18, 14);
            shaft.moveTo(21, 10.5);
            shaft.lineTo(21, 14.5);
            stroke(p, shaft, c);
            break;
        }
        case Glyph::Backup:
        case Glyph::Restore: {
            QPainterPath db;
            db.addEllipse(QRectF(4, 3, 13, 4.5));
            db.moveTo(4, 5.25);
            db.lineTo(4, 17.5);
            db.arcTo(QRectF(4, 15.25, 13, 4.5), 180, 180);
            db.lineTo(17, 5.25);
            db.moveTo(4, 11.25);
            db.arcTo(QRectF(4, 9, 13, 4.5), 180, 180);
            stroke(p, db, c, 1.6);
            // A badge at the lower right: up arrow (backup) or circular arrow (restore).
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            p.drawEllipse(QRectF(12.5, 12.5, 10, 10));
            break;
        }
        case Glyph::Phone: {
            QPainterPath phone;
            phone.moveTo(6, 3.5);
            phone.lineTo(9.5, 3.5);
            phone.lineTo(11, 8);
            phone.lineTo(8.8, 9.6);
            phone.cubicTo(10, 12.5, 11.5, 14, 14.4, 15.2);
            phone.lineTo(16, 13);
            phone.lineTo(20.5, 14.5);
            phone.lineTo(20.5, 18);
            phone.cubicTo(20.5, 19.5, 19.5, 20.5, 18, 20.5);
            phone.cubicTo(10, 20, 4, 14, 3.5, 6);
            phone.cubicTo(3.5, 4.5, 4.5, 3.5, 6, 3.5);
            stroke(p, phone, c, 1.7);
            break;
        }
        case Glyph::Chart: {
            QPainterPath axes;
            axes.moveTo(3.5, 3.5);
            axes.lineTo(3.5, 20.5);
            axes.lineTo(20.5, 20.5);
            stroke(p, axes, c);
            fill(p, roundRect(6.5, 13, 3, 6, 0.8), c);
            fill(p, roundRect(11, 9, 3, 10, 0.8), c);
            fill(p, roundRect(15.5, 5.5, 3, 13.5, 0.8), c);
            break;
        }
        case Glyph::Cloud: {
            QPainterPath cloud;
            cloud.moveTo(7, 19);
            cloud.cubicTo(2, 19, 2, 12, 6.5, 11.5);
            cloud.cubicTo(7, 6, 14.5, 4.5, 16.5, 9.5);
            cloud.cubicTo(22, 9, 23, 19, 17, 19);
            cloud.closeSubpath();
            stroke(p, cloud, c);
            stroke(p, arrow({12, 17}, {12, 10.5}, 3), c, 1.6);
            break;
        }
        case Glyph::Star: {
            QPainterPath star;
            for (int i = 0; i < 10; ++i) {
                const double r = (i % 2 == 0) ? 9.5 : 4.2;
                const double a = -kPi / 2 + i * kPi / 5;
                const QPointF pt(12 + r * std::cos(a), 12.8 + r * std::sin(a));
                if (i == 0)
                    star.moveTo(pt);
                else
                    star.lineTo(pt);
            }
            star.closeSubpath();
            stroke(p, star, c, 1.7);
            break;
        }
        case Glyph::Cart: {
            QPainterPath cart;
            cart.moveTo(2.5, 4);
            cart.lineTo(5.5, 4);
            cart.lineTo(8, 15);
            cart.lineTo(18.5, 15);
            cart.lineTo(20.5, 7.5);
            cart.lineTo(6.5, 7.5);
            stroke(p, cart, c);
            QPainterPath wheels;
            wheels.addEllipse(QRectF(8, 17.5, 3, 3));
            wheels.addEllipse(QRectF(15.5, 17.5, 3, 3));
            fill(p, wheels, c);
            break;
        }
        case Glyph::Bag: {
            QPainterPath bag;
            bag.moveTo(5, 8);
            bag.lineTo(19, 8);
            bag.lineTo(20, 21);
            bag.lineTo(4, 21);
            bag.closeSubpath();
            stroke(p, bag, c);
            QPainterPath handle;
            handle.moveTo(9, 10.5);
            handle.lineTo(9, 6.5);
            handle.cubicTo(9, 2.5, 15, 2.5, 15, 6.5);
            handle.lineTo(15, 10.5);
            stroke(p, handle, c);
            break;
        }
        case Glyph::Warehouse: {
            QPainterPath house;
            house.moveTo(3, 10);
            house.lineTo(12, 4);
            house.lineTo(21, 10);
            house.moveTo(5, 9);
            house.lineTo(5, 20.5);
            house.lineTo(19, 20.5);
            house.lineTo(19, 9);
            stroke(p, house, c);
            stroke(p, roundRect(9, 13, 6, 7.5, 0.5), c, 1.5);
            break;
        }
        case Glyph::Wallet: {
            stroke(p, roundRect(3, 6, 18, 14, 2.5), c);
            QPainterPath flap;
            flap.moveTo(5, 6);
            flap.lineTo(16, 3);
            flap.lineTo(17, 6);
            stroke(p, flap, c, 1.5);
            stroke(p, roundRect(14, 11, 7, 4.5, 1.5), c, 1.5);
            break;
        }
        case Glyph::Tools: {
            // An open-end wrench: the handle to the lower left, the jaw open to the upper right.
            QPainterPath handle;
            handle.moveTo(4.5, 19.5);
            handle.lineTo(12, 12);
            stroke(p, handle, c, 3.0);
            QPainterPath jaw;
            const QRectF head(10.5, 3.5, 10, 10);
            jaw.arcMoveTo(head, 90);
            jaw.arcTo(head, 90, 270);
            stroke(p, jaw, c, 2.4);
            break;
        }
    }
    p.restore();
    if (glyph == Glyph::Backup || glyph == Glyph::Restore) {
        // The mark inside the small badge: white on a coloured badge, dark on a white one.
        p.save();
        p.translate(box.topLeft());
        p.scale(box.width() / 24.0, box.height() / 24.0);
        const QColor mark = c == Qt::white ? QColor(0, 0, 0, 90) : QColor(Qt::white);
        if (glyph == Glyph::Backup) {
            stroke(p, arrow({17.5, 20.5}, {17.5, 14.5}, 2.4), mark, 1.4);
        } else {
            QPainterPath turn;
            turn.arcMoveTo(QRectF(14.5, 14.5, 6, 6), 150);
            turn.arcTo(QRectF(14.5, 14.5, 6, 6), 150, -270);
            stroke(p, turn, mark, 1.3);
            stroke(p, arrow({14.9, 16.5}, {14.7, 15.3}, 1.8), mark, 1.3);
        }
        p.restore();
    }
}

void badge(QPainter& p, const QRectF& box, Glyph glyph, const QColor& colour, double radius) {
    QLinearGradient g(box.topLeft(), box.bottomLeft());
    g.setColorAt(0, colour.lighter(112));
    g.setColorAt(1, colour);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(box, radius, radius);
    const double inset = box.width() * 0.18;
    drawGlyph(p, glyph, box.adjusted(inset, inset, -inset, -inset), Qt::white);
}

void card(QPainter& p, const QRectF& box, double radius, const QColor& fillColour,
          const QColor& borderColour) {
    p.setPen(QPen(borderColour, 1));
    p.setBrush(fillColour);
    p.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

}  // namespace

TileStyle tileStyle(const QString& caption) {
    auto has = [&caption](const char* word) { return caption.contains(QString::fromUtf8(word)); };
    // The colour tells the business area.
    QColor colour = colour::slate;
    if (has("进货") || has("获赠") || has("询价") || has("借进") || has("受托"))
        colour = colour::green;
    else if (has("销售") || has("赠送") || has("报价") || has("借出") || has("委托") ||
             has("配送") || has("赠品"))
        colour = colour::blue;
    else if (has("款") || has("费用") || has("收入") || has("提现") || has("资产") || has("调账") ||
             has("凭证") || has("待摊"))
        colour = colour::orange;
    else if (has("库") || has("报损") || has("报溢") || has("拆装") || has("调拨") || has("调价") ||
             has("委外") || has("料") || has("盘点"))
        colour = colour::purple;
    if (has("开票"))
        colour = has("进货") ? colour::green : colour::blue;

    // The glyph tells what the bill does.
    Glyph glyph = Glyph::Document;
    if (has("开票"))
        glyph = Glyph::Invoice;
    else if (has("配送"))
        glyph = Glyph::Truck;
    else if (has("赠"))
        glyph = Glyph::Gift;
    else if (has("订单") || has("申请") || has("验收") || has("合同"))
        glyph = Glyph::Order;
    else if (has("询价") || has("报价") || has("调价"))
        glyph = Glyph::PriceTag;
    else if (has("退货") || has("还") || has("退料"))
        glyph = Glyph::Return;
    else if (has("换货") || has("调拨") || has("借转") || has("转账") || has("调账"))
        glyph = Glyph::Exchange;
    else if (has("付款") || has("收款") || has("收入"))
        glyph = Glyph::Coin;
    else if (has("费用") || has("待摊"))
        glyph = Glyph::Cash;
    else if (has("资产"))
        glyph = Glyph::Wallet;
    else if (has("报损") || has("报溢") || has("拆装") || has("入库") || has("出库") ||
             has("领料") || has("完工"))
        glyph = Glyph::Box;
    else if (has("借进") || has("收货"))
        glyph = Glyph::Inbound;
    else if (has("借出") || has("发货"))
        glyph = Glyph::Outbound;
    else if (has("委托") || has("受托"))
        glyph = Glyph::Truck;
    else if (has("进货单"))
        glyph = Glyph::Cart;
    else if (has("销售单"))
        glyph = Glyph::Bag;
    else if (has("经营历程"))
        glyph = Glyph::Chart;

    // System functions.
    if (has("用户配置")) {
        glyph = Glyph::Gear;
        colour = colour::slate;
    } else if (has("权限") || has("授权")) {
        glyph = Glyph::Shield;
        colour = colour::slate;
    } else if (has("密码")) {
        glyph = Glyph::Key;
        colour = colour::slate;
    } else if (has("备份")) {
        glyph = Glyph::Backup;
        colour = colour::cyan;
    } else if (has("恢复")) {
        glyph = Glyph::Restore;
        colour = colour::cyan;
    } else if (has("联系")) {
        glyph = Glyph::Phone;
        colour = colour::coral;
    }
    return {glyph, colour};
}

QImage categoryButton(const QString& name, Glyph glyph, const QColor& colour, bool selected) {
    QImage image = canvas(100, 40, colour::page);
    QPainter p(&image);
    smooth(p);
    const QRectF box(0.5, 0.5, 99, 39);
    if (selected) {
        QLinearGradient g(box.topLeft(), box.bottomLeft());
        g.setColorAt(0, colour.lighter(110));
        g.setColorAt(1, colour);
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRoundedRect(box, 8, 8);
        drawGlyph(p, glyph, QRectF(11, 11, 18, 18), Qt::white);
        fittedText(p, QRectF(33, 0, 62, 40), name, 14, true, Qt::white,
                   Qt::AlignLeft | Qt::AlignVCenter);
    } else {
        card(p, box, 8, colour::card, colour::border);
        drawGlyph(p, glyph, QRectF(11, 11, 18, 18), colour);
        fittedText(p, QRectF(33, 0, 62, 40), name, 14, false, colour::ink,
                   Qt::AlignLeft | Qt::AlignVCenter);
    }
    return image;
}

QImage tile(const QString& caption, const TileStyle& style) {
    // Tiles stand on the white card of the page background.
    QImage image = canvas(140, 70, colour::card);
    QPainter p(&image);
    smooth(p);
    card(p, QRectF(0, 0, 140, 70), 10, tint(style.colour, 0.07), tint(style.colour, 0.30));
    badge(p, QRectF(55, 8, 30, 30), style.glyph, style.colour, 8);
    fittedText(p, QRectF(6, 42, 128, 22), caption, 13, true, colour::ink);
    return image;
}

QImage pageBackground(PageKind kind, const QString& title, const QString& subtitle,
                      const QStringList& flow, const QString& tip, Glyph glyph,
                      const QColor& colour) {
    QImage image = canvas(490, 460, colour::page);
    QPainter p(&image);
    smooth(p);
    card(p, QRectF(0, 0, 490, 460), 12, colour::card, colour::border);

    // A soft watermark of the page's glyph in the lower right corner.
    drawGlyph(p, glyph, QRectF(330, 300, 140, 140), tint(colour, 0.10));

    if (kind == PageKind::Bills) {
        // Title band above the tiles (the tiles start at 90).
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(20, 22, 5, 42), 2.5, 2.5);
        p.setFont(cjk(22, true));
        p.setPen(colour::ink);
        p.drawText(QRectF(36, 16, 300, 30), Qt::AlignLeft | Qt::AlignVCenter, title);
        p.setFont(cjk(12));
        p.setPen(colour::muted);
        p.drawText(QRectF(36, 46, 420, 20), Qt::AlignLeft | Qt::AlignVCenter, subtitle);
    } else if (kind == PageKind::Common || kind == PageKind::Maintenance) {
        // Empty places of the six tiles (20/170/320, 20/170): a tile covers its place.
        QPen dashed(tint(colour::muted, 0.45), 1.2, Qt::DashLine);
        dashed.setDashPattern({4, 3});
        for (int i = 0; i < 6; ++i) {
            const double x = 20 + (i % 3) * 150;
            const double y = i < 3 ? 20 : 170;
            p.setPen(dashed);
            p.setBrush(tint(colour::page, 0.5));
            p.drawRoundedRect(QRectF(x + 0.5, y + 0.5, 139, 69), 10, 10);
        }
        // Below the tiles: the page's name and what it holds.
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(20, 272, 5, 42), 2.5, 2.5);
        p.setFont(cjk(20, true));
        p.setPen(colour::ink);
        p.drawText(QRectF(36, 266, 400, 28), Qt::AlignLeft | Qt::AlignVCenter, title);
        p.setFont(cjk(12));
        p.setPen(colour::muted);
        p.drawText(QRectF(36, 294, 430, 20), Qt::AlignLeft | Qt::AlignVCenter, subtitle);
    } else {
        // Upgrade: a large badge and the title in the middle.
        QRadialGradient glow(QPointF(245, 170), 150);
        glow.setColorAt(0, tint(colour, 0.16));
        glow.setColorAt(1, colour::card);
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(QPointF(245, 170), 150, 150);
        badge(p, QRectF(195, 90, 100, 100), glyph, colour, 26);
        p.setFont(cjk(26, true));
        p.setPen(colour::ink);
        p.drawText(QRectF(0, 210, 490, 40), Qt::AlignCenter, title);
        p.setFont(cjk(13));
        p.setPen(colour::muted);
        p.drawText(QRectF(0, 252, 490, 24), Qt::AlignCenter, subtitle);
    }

    // The business flow of the page as a row of steps.
    if (!flow.isEmpty()) {
        const double top = kind == PageKind::Upgrade ? 310 : 262;
        const double stepWidth = 104;
        const double gap = 26;
        const double total = flow.size() * stepWidth + (flow.size() - 1) * gap;
        double x = (490 - total) / 2;
        for (int i = 0; i < flow.size(); ++i) {
            const QRectF step(x, top, stepWidth, 34);
            p.setPen(QPen(tint(colour, 0.35), 1));
            p.setBrush(tint(colour, 0.06));
            p.drawRoundedRect(step, 17, 17);
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawEllipse(QRectF(step.left() + 7, step.top() + 7, 20, 20));
            p.setFont(cjk(11, true));
            p.setPen(Qt::white);
            p.drawText(QRectF(step.left() + 7, step.top() + 7, 20, 20), Qt::AlignCenter,
                       QString::number(i + 1));
            fittedText(p, QRectF(step.left() + 30, step.top(), stepWidth - 36, 34), flow.at(i), 12,
                       false, colour::ink, Qt::AlignLeft | Qt::AlignVCenter);
            if (i + 1 < flow.size()) {
                stroke(p,
                       arrow({step.right() + 5, step.center().y()},
                             {step.right() + gap - 5, step.center().y()}, 4),
                       tint(colour, 0.55), 1.6);
            }
            x += stepWidth + gap;
        }
    }

    if (!tip.isEmpty()) {
        p.setFont(cjk(12));
        p.setPen(colour::muted);
        p.drawText(QRectF(24, 400, 442, 40), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                   tip);
    }
    return image;
}

namespace {
void productMark(QPainter& p, const QRectF& box) {
    badge(p, box, Glyph::Chart, colour::primary, box.width() * 0.26);
}
}  // namespace

QImage headerLeft() {
    QImage image = canvas(380, 56, colour::header);
    QPainter p(&image);
    smooth(p);
    productMark(p, QRectF(14, 10, 36, 36));
    p.setFont(cjk(20, true));
    p.setPen(colour::ink);
    p.drawText(QRectF(60, 6, 310, 28), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("《德盈通》普及版"));
    p.setFont(cjk(11));
    p.setPen(colour::muted);
    p.drawText(QRectF(62, 32, 310, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("进销存 · 往来 · 财务一体化管理"));
    return image;
}

QImage headerMiddle() {
    return canvas(8, 56, colour::header);
}

QImage headerRight() {
    // The quick links of the main window lie over this picture at top 31, from 470 pixels
    // before the right edge; the caption above them and a light ornament leave them room.
    QImage image = canvas(480, 56, colour::header);
    QPainter p(&image);
    smooth(p);
    p.setFont(cjk(11, true));
    p.setPen(colour::muted);
    p.drawText(QRectF(10, 6, 200, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("快捷入口"));
    p.setPen(QPen(tint(colour::primary, 0.35), 1));
    p.drawLine(QPointF(66, 16.5), QPointF(300, 16.5));
    // Ornament: rising bars at the far right.
    for (int i = 0; i < 5; ++i) {
        const double h = 10 + i * 7;
        p.setPen(Qt::NoPen);
        p.setBrush(tint(colour::primary, 0.12 + i * 0.06));
        p.drawRoundedRect(QRectF(340 + i * 24, 50 - h, 14, h), 3, 3);
    }
    return image;
}

QImage splash() {
    QImage image = canvas(509, 260, colour::primary);
    QPainter p(&image);
    smooth(p);
    QLinearGradient g(0, 0, 509, 260);
    g.setColorAt(0, QColor(0x1E, 0x3A, 0x5F));
    g.setColorAt(1, QColor(0x2F, 0x6F, 0xD6));
    p.fillRect(image.rect(), g);
    // Light rings in the corner.
    for (int i = 0; i < 4; ++i) {
        p.setPen(QPen(QColor(255, 255, 255, 26 - i * 5), 18));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(470, 40), 70 + i * 46, 70 + i * 46);
    }
    // Mark and name.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 235));
    p.drawRoundedRect(QRectF(40, 70, 72, 72), 18, 18);
    drawGlyph(p, Glyph::Chart, QRectF(52, 82, 48, 48), colour::primary);
    p.setFont(cjk(40, true));
    p.setPen(Qt::white);
    p.drawText(QRectF(130, 62, 360, 56), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("德盈通"));
    p.setPen(Qt::NoPen);
    p.setBrush(colour::orange);
    p.drawRoundedRect(QRectF(262, 76, 70, 28), 14, 14);
    p.setFont(cjk(15, true));
    p.setPen(Qt::white);
    p.drawText(QRectF(262, 76, 70, 28), Qt::AlignCenter, QStringLiteral("普及版"));
    p.setFont(cjk(15));
    p.setPen(QColor(255, 255, 255, 220));
    p.drawText(QRectF(132, 114, 360, 28), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("进销存 · 往来 · 财务，一套搞定"));
    p.setFont(cjk(11));
    p.setPen(QColor(255, 255, 255, 150));
    p.drawText(QRectF(40, 212, 430, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("适用于中小商贸企业的进销存管理系统"));
    return image;
}

QImage loginBackground() {
    QImage image = canvas(800, 600, colour::card);
    QPainter p(&image);
    smooth(p);
    QLinearGradient g(0, 0, 0, 600);
    g.setColorAt(0, QColor(0xF7, 0xFA, 0xFD));
    g.setColorAt(1, colour::header);
    p.fillRect(image.rect(), g);
    p.setPen(Qt::NoPen);
    p.setBrush(tint(colour::primary, 0.06));
    p.drawEllipse(QPointF(760, 560), 220, 220);
    p.setBrush(tint(colour::primary, 0.04));
    p.drawEllipse(QPointF(40, 590), 160, 160);
    return image;
}

QImage buttonGlyph() {
    QImage image = canvas(16, 16, QColor(0xF0, 0xF0, 0xF0));
    QPainter p(&image);
    smooth(p);
    p.setPen(Qt::NoPen);
    p.setBrush(colour::ink);
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QRectF(2.5 + i * 4.2, 9.5, 2.6, 2.6));
    return image;
}

}  // namespace dyt::pictures
