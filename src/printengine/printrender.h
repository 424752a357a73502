#pragma once
// Drawing of laid-out pages on printers, PDF files and images.

#include <QFont>
#include <QImage>
#include <QString>

#include "printengine/printlayout.h"

class QPainter;
class QPrinter;

namespace dyt::print {

// The family used when a template names none or one that is not installed: "Noto Sans CJK SC"
// when present, so that Chinese renders everywhere, else the application's default.
QString defaultFontFamily();
// The font a template names, at its point size.
QFont resolveFont(const FontSpec& wanted);

// Draws one page; the painter's origin is the paper's top left corner and dotsPerMm its scale.
// The detail font is the template's times detailFontScale (Layout::detailFontScale).
void paintPage(QPainter& painter, const PrintTemplate& tpl, const LayoutPage& page,
               double dotsPerMm, double detailFontScale = 1);

// Sets the printer's paper to the laid-out page (no printer margins, origin at the corner).
void preparePrinter(QPrinter* printer, const Layout& layout);
// Prints all pages on a prepared printer. Throws DytError when the printer cannot be opened.
void printLayout(QPrinter* printer, const PrintTemplate& tpl, const Layout& layout);
// Writes the pages as a PDF file. Throws DytError when the file cannot be written.
void writePdf(const QString& path, const PrintTemplate& tpl, const Layout& layout);
// One page as a white image at the given resolution.
QImage renderPage(const PrintTemplate& tpl, const Layout& layout, int pageIndex, int dpi = 96);

}  // namespace dyt::print
