#pragma once
// The print engine: print, preview and template design of a header record set (one row, one
// field per header value) and a detail record set (the lines), by a template file named after
// the window title ("进货单.QXF").
//
// Engine values, readable and writable by the caller (names without regard to case):
//   "PRINTNUM"      after a call: the number of prints made in that call ("PRINT" the same)
//   "PRINTNUMSUM"   prints still allowed (default "99999")
//   "PRINT", "PrintOnlyOnce"  "YES" when the print count is enforced; with "PrintOnlyOnce" =
//                   "YES" one call prints at most once
//   "PRINTLIMIT"    "YES" (default) applies the enforcement; "NO" lifts it for the next calls
// An enforced count with no prints left refuses printing ("已达到允许的打印次数，不能再打印！").
//
// "print.ini" in the program folder (GBK), section [Print]:
//   TemplateDir=<folder of the templates, relative to the program folder; default "Report">
//   Printer=<printer name; empty: the system's default printer>
//   Copies=<copies per print; default 1>
//   OutputPdf=<file: prints go to this PDF file instead of a printer>
//   FontFamily=<family for templates that name none>

#include <QDialog>
#include <QPair>
#include <QString>

#include "printengine/printlayout.h"
#include "printengine/printtemplate.h"

class QAction;
class QLabel;
class QPrintPreviewWidget;
class QPrinter;
class QWidget;

namespace dyt {
class RecordSet;
}

namespace dyt::print {

// --- the three entry points. Each returns 1 when it did its work (printed, closed the preview,
// saved the design) and 0 when the operator cancelled. Faults throw DytError.
// Prints directly on the printer of "print.ini" (or into its OutputPdf file).
int RunPrint(QWidget* parent, const RecordSet& header, const RecordSet& detail,
             const QString& templateFile);
// Opens the preview; allowPrint 1 offers printing from the preview, 0 only shows it.
int Run_PriveFrm(QWidget* parent, const RecordSet& header, const RecordSet& detail,
                 const QString& templateFile, int allowPrint);
// Opens the template designer; mode 1 (the only mode) edits and saves the template.
int Run_DesignFrm(QWidget* parent, const RecordSet& header, const RecordSet& detail,
                  const QString& templateFile, int mode = 1);

// --- engine values
QString printValue(const QString& name);
void setPrintValue(const QString& name, const QString& value);
void resetPrintValues();

// --- print variables ("打印次数=3"): available to templates as {name}
void setPrintVariable(const QString& name, const QString& value);
void clearPrintVariables();
Variables printVariables();

// --- configuration
// The program folder holding "print.ini" and the template folder; default: the executable's.
void setProgramDir(const QString& dir);
QString programDir();

struct PrintOptions {
    QString templateDir;  // absolute
    QString printer;
    int copies = 1;
    QString outputPdf;  // absolute, empty: a real printer
    QString fontFamily;
};
// Reads "print.ini" (each call, so that edits apply at once). Missing file: the defaults.
PrintOptions printOptions();

// Path of a template file name: absolute names stay, others go under the template folder.
QString templatePath(const QString& templateFile);
// The template of a file, or one generated from the data when the file does not exist.
PrintTemplate loadTemplate(const QString& templateFile, const RecordSet& header,
                           const RecordSet& detail);

// --- the print session behind the entry points: layout, counting and the print limit.
class PrintJob {
public:
    PrintJob(PrintTemplate tpl, const RecordSet& header, const RecordSet& detail);
    const PrintTemplate& printTemplate() const { return tpl_; }
    const Layout& layout() const { return layout_; }
    // Lays the pages out again (after a template change).
    void setTemplate(const PrintTemplate& tpl);

    // Prints allowed in this call; a large number when not enforced.
    int printsLeft() const;
    // One print on the configured printer or PDF file; refused by the limit with a DytError.
    // Returns false when the operator cancelled the printer dialog (askPrinter only).
    bool print(QWidget* parent, bool askPrinter);
    int printsMade() const { return made_; }
    // Stores the prints made in "PRINTNUM" and "PRINT".
    void finish();

private:
    PrintTemplate tpl_;
    const RecordSet& header_;
    const RecordSet& detail_;
    Layout layout_;
    int allowed_;
    int made_ = 0;
};

// The preview window of Run_PriveFrm.
class PreviewDialog : public QDialog {
    Q_OBJECT
public:
    PreviewDialog(PrintJob* job, bool allowPrint, QWidget* parent = nullptr);
    ~PreviewDialog() override;
    QAction* printAction() const { return printAction_; }
    QPrintPreviewWidget* previewWidget() const { return preview_; }
    // Prints once (the print action); faults are shown in the status line.
    void printOnce();
    QString statusText() const;

private:
    void updateActions();
    PrintJob* job_;
    bool allowPrint_;
    QPrinter* printer_;
    QPrintPreviewWidget* preview_ = nullptr;
    QAction* printAction_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace dyt::print
