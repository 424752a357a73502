#pragma once
// The drawing of the client's pictures: one palette, flat shapes, Noto Sans CJK text. Every
// function draws the same picture for the same arguments.

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>

namespace dyt::pictures {

// The palette.
namespace colour {
inline const QColor page{0xEE, 0xF2, 0xF7};    // navigator page
inline const QColor header{0xE8, 0xF0, 0xFA};  // header strip of the main window
inline const QColor card{0xFF, 0xFF, 0xFF};
inline const QColor border{0xD8, 0xE0, 0xEA};
inline const QColor ink{0x1E, 0x3A, 0x5F};    // titles
inline const QColor muted{0x7A, 0x87, 0x99};  // secondary text
inline const QColor primary{0x2F, 0x6F, 0xD6};
inline const QColor green{0x1E, 0x9E, 0x6A};   // purchase
inline const QColor blue{0x2F, 0x6F, 0xD6};    // sales
inline const QColor purple{0x7B, 0x5C, 0xD6};  // stock
inline const QColor orange{0xE0, 0x8A, 0x1E};  // money
inline const QColor slate{0x4A, 0x6A, 0x8C};   // system
inline const QColor coral{0xE0, 0x55, 0x3A};   // common functions
inline const QColor cyan{0x1A, 0x9C, 0xB8};    // upgrade
}  // namespace colour

enum class Glyph {
    Document,
    Inbound,
    Outbound,
    Return,
    Exchange,
    Order,
    Coin,
    Cash,
    Box,
    PriceTag,
    Gift,
    Truck,
    Invoice,
    Gear,
    Shield,
    Key,
    Backup,
    Restore,
    Phone,
    Chart,
    Cloud,
    Star,
    Cart,
    Bag,
    Warehouse,
    Wallet,
    Tools,
};

// The glyph and colour a tile caption gets.
struct TileStyle {
    Glyph glyph;
    QColor colour;
};
TileStyle tileStyle(const QString& caption);

// A category button of the navigator, 100 × 40: normal (white) or selected (filled).
QImage categoryButton(const QString& name, Glyph glyph, const QColor& colour, bool selected);
// A tile of the navigator, 140 × 70: badge with the glyph above the caption.
QImage tile(const QString& caption, const TileStyle& style);
// A page background of the navigator, 490 × 460.
enum class PageKind { Common, Bills, Maintenance, Upgrade };
QImage pageBackground(PageKind kind, const QString& title, const QString& subtitle,
                      const QStringList& flow, const QString& tip, Glyph glyph,
                      const QColor& colour);
// The header strip of the main window (56 high): left with the product name, middle, right.
QImage headerLeft();
QImage headerMiddle();
QImage headerRight();
// The splash picture, 509 wide.
QImage splash();
// The login window background.
QImage loginBackground();
// The button glyph of grid button columns ("…"), 16 × 16.
QImage buttonGlyph();

}  // namespace dyt::pictures
