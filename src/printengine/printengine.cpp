#include "printengine/printengine.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMap>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QToolBar>
#include <QVBoxLayout>

#include <limits>

#include "common/error.h"
#include "common/gbk.h"
#include "common/recordset.h"
#include "printengine/printdesigner.h"
#include "printengine/printrender.h"

namespace dyt::print {

namespace {

QString g_programDir;

struct ValueStore {
    QMap<QString, QPair<QString, QString>> values;  // upper-case name -> (name, value)
    Variables variables;
    ValueStore() { reset(); }
    void reset() {
        values.clear();
        set(QStringLiteral("PRINT"), QStringLiteral("NO"));
        set(QStringLiteral("PRINTNUM"), QStringLiteral("0"));
        set(QStringLiteral("PRINTNUMSUM"), QStringLiteral("99999"));
        set(QStringLiteral("PrintOnlyOnce"), QStringLiteral("NO"));
        set(QStringLiteral("PRINTLIMIT"), QStringLiteral("YES"));
    }
    void set(const QString& name, const QString& value) {
        values.insert(name.toUpper(), {name, value});
    }
    QString get(const QString& name) const { return values.value(name.toUpper()).second; }
};

ValueStore& store() {
    static ValueStore s;
    return s;
}

bool isYes(const QString& value) {
    return value.trimmed().compare(u"YES", Qt::CaseInsensitive) == 0;
}

QString absoluteUnder(const QString& base, const QString& path) {
    if (path.isEmpty()) {
        return QString();
    }
    return QDir::isAbsolutePath(path) ? QDir::cleanPath(path)
                                      : QDir::cleanPath(base + QLatin1Char('/') + path);
}

QString refusedText() {
    return QStringLiteral("已达到允许的打印次数，不能再打印！");
}

}  // namespace

// --- values and variables

QString printValue(const QString& name) {
    return store().get(name);
}
void setPrintValue(const QString& name, const QString& value) {
    store().set(name, value);
}
void resetPrintValues() {
    store().reset();
}

void setPrintVariable(const QString& name, const QString& value) {
    Variables& vars = store().variables;
    for (auto& v : vars) {
        if (v.first.compare(name, Qt::CaseInsensitive) == 0) {
            v.second = value;
            return;
        }
    }
    vars.append({name, value});
}

void clearPrintVariables() {
    store().variables.clear();
}
Variables printVariables() {
    return store().variables;
}

// --- configuration

void setProgramDir(const QString& dir) {
    g_programDir = dir;
}

QString programDir() {
    return g_programDir.isEmpty() ? QCoreApplication::applicationDirPath() : g_programDir;
}

PrintOptions printOptions() {
    PrintOptions o;
    const QString dir = programDir();
    QString templateDir = QStringLiteral("Report");
    QFile file(dir + QStringLiteral("/print.ini"));
    if (file.open(QIODevice::ReadOnly)) {
        const QStringList lines = gbk::decode(file.readAll()).split(QLatin1Char('\n'));
        bool inSection = false;
        for (QString line : lines) {
            line = line.trimmed();
            if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
                inSection =
                    line.mid(1, line.size() - 2).trimmed().compare(u"Print", Qt::CaseInsensitive) ==
                    0;
                continue;
            }
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (!inSection || eq <= 0 || line.startsWith(QLatin1Char(';'))) {
                continue;
            }
            const QString key = line.left(eq).trimmed().toLower();
            const QString value = line.mid(eq + 1).trimmed();
            if (key == u"templatedir") {
                templateDir = value.isEmpty() ? templateDir : value;
            } else if (key == u"printer") {
                o.printer = value;
            } else if (key == u"copies") {
                o.copies = qBound(1, value.toInt(), 99);
            } else if (key == u"outputpdf") {
                o.outputPdf = absoluteUnder(dir, value);
            } else if (key == u"fontfamily") {
                o.fontFamily = value;
            }
        }
    }
    o.templateDir = absoluteUnder(dir, templateDir);
    return o;
}

QString templatePath(const QString& templateFile) {
    if (templateFile.trimmed().isEmpty()) {
        throw DytError(QStringLiteral("没有指定打印模板"));
    }
    return absoluteUnder(printOptions().templateDir, templateFile);
}

PrintTemplate loadTemplate(const QString& templateFile, const RecordSet& header,
                           const RecordSet& detail) {
    const QString path = templatePath(templateFile);
    if (QFileInfo::exists(path)) {
        return PrintTemplate::load(path);
    }
    QString title = QFileInfo(path).fileName();
    if (title.endsWith(QStringLiteral(".QXF"), Qt::CaseInsensitive)) {
        title.chop(4);
    }
    PrintTemplate tpl = PrintTemplate::generate(title, header, detail);
    const QString family = printOptions().fontFamily;
    for (FontSpec* f : {&tpl.titleFont, &tpl.headerFont, &tpl.detailFont, &tpl.footerFont}) {
        f->family = family;
    }
    return tpl;
}

// --- PrintJob

PrintJob::PrintJob(PrintTemplate tpl, const RecordSet& header, const RecordSet& detail)
    : tpl_(std::move(tpl)), header_(header), detail_(detail) {
    layout_ = layoutPages(tpl_, header_, detail_, printVariables());
    const bool enforced = (isYes(printValue(QStringLiteral("PRINT"))) ||
                           isYes(printValue(QStringLiteral("PrintOnlyOnce")))) &&
                          isYes(printValue(QStringLiteral("PRINTLIMIT")));
    if (!enforced) {
        allowed_ = std::numeric_limits<int>::max();
    } else {
        bool ok = false;
        const int left = printValue(QStringLiteral("PRINTNUMSUM")).trimmed().toInt(&ok);
        allowed_ = ok ? qMax(0, left) : 0;
        if (isYes(printValue(QStringLiteral("PrintOnlyOnce")))) {
            allowed_ = qMin(allowed_, 1);
        }
    }
}

void PrintJob::setTemplate(const PrintTemplate& tpl) {
    Layout next = layoutPages(tpl, header_, detail_, printVariables());
    tpl_ = tpl;
    layout_ = std::move(next);
}

int PrintJob::printsLeft() const {
    return allowed_ == std::numeric_limits<int>::max() ? allowed_ : allowed_ - made_;
}

bool PrintJob::print(QWidget* parent, bool askPrinter) {
    if (printsLeft() <= 0) {
        throw DytError(refusedText());
    }
    const PrintOptions options = printOptions();
    if (!options.outputPdf.isEmpty()) {
        writePdf(options.outputPdf, tpl_, layout_);
    } else {
        QPrinter printer(QPrinter::HighResolution);
        if (!options.printer.isEmpty()) {
            printer.setPrinterName(options.printer);
        }
        printer.setCopyCount(options.copies);
        printer.setDocName(tpl_.title);
        preparePrinter(&printer, layout_);
        if (askPrinter) {
            QPrintDialog dialog(&printer, parent);
            if (dialog.exec() != QDialog::Accepted) {
                return false;
            }
        }
        if (!printer.isValid()) {
            throw DytError(QStringLiteral("没有可用的打印机，请先安装打印机"));
        }
        printLayout(&printer, tpl_, layout_);
    }
    ++made_;
    return true;
}

void PrintJob::finish() {
    setPrintValue(QStringLiteral("PRINTNUM"), QString::number(made_));
    setPrintValue(QStringLiteral("PRINT"), QString::number(made_));
}

// --- PreviewDialog

PreviewDialog::PreviewDialog(PrintJob* job, bool allowPrint, QWidget* parent)
    : QDialog(parent), job_(job), allowPrint_(allowPrint), printer_(new QPrinter) {
    setObjectName(QStringLiteral("TfrmPreview"));
    setWindowTitle(QStringLiteral("打印预览 - ") + job->printTemplate().title);
    preparePrinter(printer_, job->layout());
    preview_ = new QPrintPreviewWidget(printer_, this);
    connect(preview_, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* printer) {
        printLayout(printer, job_->printTemplate(), job_->layout());
    });

    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    printAction_ = bar->addAction(QStringLiteral("打印(&P)"), this, &PreviewDialog::printOnce);
    bar->addSeparator();
    bar->addAction(QStringLiteral("首页"), preview_, [this] { preview_->setCurrentPage(1); });
    bar->addAction(QStringLiteral("上页"), preview_,
                   [this] { preview_->setCurrentPage(preview_->currentPage() - 1); });
    bar->addAction(QStringLiteral("下页"), preview_,
                   [this] { preview_->setCurrentPage(preview_->currentPage() + 1); });
    bar->addAction(QStringLiteral("末页"), preview_,
                   [this] { preview_->setCurrentPage(preview_->pageCount()); });
    bar->addSeparator();
    bar->addAction(QStringLiteral("放大"), preview_, [this] { preview_->zoomIn(); });
    bar->addAction(QStringLiteral("缩小"), preview_, [this] { preview_->zoomOut(); });
    bar->addAction(QStringLiteral("整页"), preview_, [this] { preview_->fitInView(); });
    bar->addAction(QStringLiteral("页宽"), preview_, [this] { preview_->fitToWidth(); });
    bar->addSeparator();
    bar->addAction(QStringLiteral("退出(&C)"), this, &QDialog::accept);

    status_ = new QLabel(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    layout->addWidget(preview_, 1);
    layout->addWidget(status_);
    resize(900, 700);
    updateActions();
}

PreviewDialog::~PreviewDialog() {
    delete preview_;
    delete printer_;
}

QString PreviewDialog::statusText() const {
    return status_->text();
}

void PreviewDialog::updateActions() {
    const int left = job_->printsLeft();
    printAction_->setEnabled(allowPrint_ && left > 0);
    QString text = QStringLiteral("共 %1 页").arg(job_->layout().pages.size());
    if (job_->printsMade() > 0) {
        text += QStringLiteral("，已打印 %1 次").arg(job_->printsMade());
    }
    if (allowPrint_ && left <= 0) {
        text += QStringLiteral("，") + refusedText();
    }
    status_->setText(text);
}

void PreviewDialog::printOnce() {
    try {
        job_->print(this, printOptions().outputPdf.isEmpty());
    } catch (const DytError& e) {
        updateActions();
        status_->setText(e.message());
        return;
    }
    updateActions();
}

// --- entry points

int RunPrint(QWidget* parent, const RecordSet& header, const RecordSet& detail,
             const QString& templateFile) {
    PrintJob job(loadTemplate(templateFile, header, detail), header, detail);
    bool done = false;
    try {
        done = job.print(parent, false);
    } catch (...) {
        job.finish();
        throw;
    }
    job.finish();
    return done ? 1 : 0;
}

int Run_PriveFrm(QWidget* parent, const RecordSet& header, const RecordSet& detail,
                 const QString& templateFile, int allowPrint) {
    PrintJob job(loadTemplate(templateFile, header, detail), header, detail);
    PreviewDialog dialog(&job, allowPrint != 0, parent);
    dialog.exec();
    job.finish();
    return 1;
}

int Run_DesignFrm(QWidget* parent, const RecordSet& header, const RecordSet& detail,
                  const QString& templateFile, int mode) {
    Q_UNUSED(mode);
    const QString path = templatePath(templateFile);
    DesignerDialog dialog(loadTemplate(templateFile, header, detail), path, header, detail, parent);
    return dialog.exec() == QDialog::Accepted ? 1 : 0;
}

}  // namespace dyt::print
