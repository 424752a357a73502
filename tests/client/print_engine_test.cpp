// The print engine's entry points: PDF output, engine values, the print limit, "print.ini", the
// preview and the designer.

#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/error.h"
#include "common/gbk.h"
#include "printengine/printdesigner.h"
#include "printengine/printengine.h"
#include "printengine/printrender.h"
#include "printfixtures.h"
#include "support/testutil.h"
#include "uihelpers.h"

using namespace dyt::print;

namespace {

// A program folder of its own with a "print.ini" (GBK) for each test.
class PrintEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        setProgramDir(dir_.path());
        resetPrintValues();
        clearPrintVariables();
        pdf_ = dir_.filePath(u"out.pdf"_s);
        writeIni(u"[Print]\nTemplateDir=模板\nOutputPdf=out.pdf\n"_s);
        QDir(dir_.path()).mkpath(u"模板"_s);
    }
    void TearDown() override {
        setProgramDir(QString());
        resetPrintValues();
        clearPrintVariables();
    }
    void writeIni(const QString& text) {
        QFile f(dir_.filePath(u"print.ini"_s));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(dyt::gbk::encode(text));
    }
    QByteArray pdfBytes() const {
        QFile f(pdf_);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir_;
    QString pdf_;
    const dyt::RecordSet header_ = dyt::test::billHeader();
    const dyt::RecordSet detail_ = dyt::test::billDetail(40);
};

}  // namespace

TEST_F(PrintEngineTest, PrintIniIsReadAsGbk) {
    writeIni(
        QStringLiteral("; 打印设置\n[Other]\nPrinter=wrong\n[print]\nTemplateDir=模板\n"
                       "Printer=仓库打印机\nCopies=2\nOutputPdf=\nFontFamily=Noto Sans CJK SC\n"));
    const PrintOptions o = printOptions();
    EXPECT_EQ(QDir::cleanPath(dir_.filePath(u"模板"_s)), o.templateDir);
    EXPECT_EQ(dyt::test::clientValuesText(u"仓库打印机"_s, 2, QString(), u"Noto Sans CJK SC"_s),
        dyt::test::clientValuesText(o.printer, o.copies, o.outputPdf, o.fontFamily));
    EXPECT_EQ(QDir::cleanPath(dir_.filePath(u"模板/进货单.QXF"_s)), templatePath(u"进货单.QXF"_s));
    QFile::remove(dir_.filePath(u"print.ini"_s));
    const PrintOptions defaults = printOptions();
    EXPECT_EQ(QDir::cleanPath(dir_.filePath(u"Report"_s)), defaults.templateDir);
    EXPECT_EQ(1, defaults.copies);
    EXPECT_THROW(templatePath(u" "_s), dyt::DytError);
}
// The defaults after a reset are checked where a bill prints (BillPrint).
TEST_F(PrintEngineTest, EngineValues) {
    setPrintValue(u"printonlyonce"_s, u"YES"_s);
    EXPECT_EQ(u"YES"_s, printValue(u"PrintOnlyOnce"_s));
    setPrintValue(u"自定义"_s, u"1"_s);
    EXPECT_EQ(u"1"_s, printValue(u"自定义"_s));
    resetPrintValues();
    EXPECT_EQ(u"NO"_s, printValue(u"PrintOnlyOnce"_s));
    EXPECT_EQ(u"NO"_s, printValue(u"PRINT"_s));
    EXPECT_EQ(QString(), printValue(u"自定义"_s));
    setPrintVariable(u"打印次数"_s, u"1"_s);
    setPrintVariable(u"打印次数"_s, u"2"_s);
    ASSERT_EQ(1, printVariables().size());
    EXPECT_EQ(u"2"_s, printVariables().at(0).second);
}
TEST_F(PrintEngineTest, RunPrintWritesThePdfWithTheChineseFont) {
    EXPECT_EQ(1, RunPrint(nullptr, header_, detail_, u"进货单.QXF"_s));
    const QByteArray pdf = pdfBytes();
    ASSERT_FALSE(pdf.isEmpty());
    EXPECT_TRUE(pdf.startsWith("%PDF")) << pdf.left(16).constData();
    // Two pages of 40 lines, and the Chinese texts are set in the CJK font, embedded.
    EXPECT_TRUE(pdf.contains("/Count 2")) << "page count";
    EXPECT_TRUE(pdf.contains("NotoSansCJK")) << "CJK font not embedded";
    EXPECT_EQ(u"1"_s, printValue(u"PRINTNUM"_s));
    // A missing template is generated for the print, not written.
    EXPECT_FALSE(QFile::exists(templatePath(u"进货单.QXF"_s)));
}
// A report wider than the page prints whole: read back from the PDF, the last column's caption
// and the end of a long header text are there.
TEST_F(PrintEngineTest, WideReportPrintsItsLastColumnAndWholeHeader) {
    const QString pdftotext = QStandardPaths::findExecutable(u"pdftotext"_s);
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    ASSERT_EQ(1, RunPrint(nullptr, dyt::test::wideReportHeader(),
                          dyt::test::wideReportDetail(20, 5), u"库存状况表.QXF"_s));
    QProcess text;
    text.start(pdftotext, {u"-layout"_s, pdf_, u"-"_s});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    for (const QString& shown : {u"参考单价"_s, u"1,087,709.55"_s, u"六分仓）"_s})
        EXPECT_TRUE(out.contains(shown)) << qPrintable(shown) << "\n" << qPrintable(out);
}
TEST_F(PrintEngineTest, RunPrintUsesAnExistingTemplate) {
    PrintTemplate t = PrintTemplate::generate(u"自定义标题"_s, header_, detail_);
    t.columns.removeLast();
    t.save(templatePath(u"进货单.QXF"_s));
    const PrintTemplate used = loadTemplate(u"进货单.QXF"_s, header_, detail_);
    EXPECT_EQ(u"自定义标题|5"_s, used.title + u'|' + QString::number(used.columns.size()));
    // A broken template file is an error, and nothing is printed.
    QFile f(templatePath(u"坏模板.QXF"_s));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[page]\npaper=A9\n");
    f.close();
    EXPECT_THROW(RunPrint(nullptr, header_, detail_, u"坏模板.QXF"_s), dyt::DytError);
    EXPECT_FALSE(QFile::exists(pdf_));
}
TEST_F(PrintEngineTest, PrintLimit) {
    struct Row {
        const char* name;
        QString print, onlyOnce, numSum, limit;
        bool prints;
    };
    const Row rows[] = {
        {"not enforced", u"NO"_s, u"NO"_s, u"0"_s, u"YES"_s, true},
        {"enforced, prints left", u"YES"_s, u"YES"_s, u"2"_s, u"YES"_s, true},
        {"enforced, none left", u"YES"_s, u"YES"_s, u"0"_s, u"YES"_s, false},
        {"enforced, limit lifted", u"YES"_s, u"YES"_s, u"0"_s, u"NO"_s, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QFile::remove(pdf_);
        resetPrintValues();
        setPrintValue(u"PRINT"_s, r.print);
        setPrintValue(u"PrintOnlyOnce"_s, r.onlyOnce);
        setPrintValue(u"PRINTNUMSUM"_s, r.numSum);
        setPrintValue(u"PRINTLIMIT"_s, r.limit);
        setPrintValue(u"PRINTNUM"_s, u"7"_s);  // prints made before
        int made = 0;
        EXPECT_EQ(r.prints ? QString() : u"已达到允许的打印次数，不能再打印！"_s,
                  dyt::test::errorOf(
                      [&] { made = RunPrint(nullptr, header_, detail_, u"进货单.QXF"_s); }));
        EXPECT_EQ(r.prints ? 1 : 0, made);
        EXPECT_EQ(r.prints, QFile::exists(pdf_));
        // After the call PRINTNUM holds the prints of this call.
        EXPECT_EQ(r.prints ? u"1"_s : u"0"_s, printValue(u"PRINTNUM"_s));
    }
}
TEST_F(PrintEngineTest, PreviewPrintsOnceWhenAskedAndCounts) {
    setPrintValue(u"PRINT"_s, u"YES"_s);
    setPrintValue(u"PrintOnlyOnce"_s, u"YES"_s);
    setPrintValue(u"PRINTNUMSUM"_s, u"5"_s);
    int pages = -1;
    bool enabledBefore = false, enabledAfter = true;
    dyt::test::onNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<PreviewDialog*>(w);
        ASSERT_NE(nullptr, dlg);
        dlg->previewWidget()->updatePreview();
        pages = dlg->previewWidget()->pageCount();
        enabledBefore = dlg->printAction()->isEnabled();
        dlg->printAction()->trigger();
        enabledAfter = dlg->printAction()->isEnabled();
        dlg->accept();
    });
    EXPECT_EQ(1, Run_PriveFrm(nullptr, header_, detail_, u"进货单.QXF"_s, 1));
    EXPECT_EQ(dyt::test::clientValuesText(2, true, false),  // the print action works once
              dyt::test::clientValuesText(pages, enabledBefore, enabledAfter));
    EXPECT_TRUE(pdfBytes().startsWith("%PDF"));
    EXPECT_EQ(u"1"_s, printValue(u"PRINTNUM"_s));
    // A preview without printing offers no print.
    QFile::remove(pdf_);
    resetPrintValues();
    bool enabled = true;
    dyt::test::onNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<PreviewDialog*>(w);
        ASSERT_NE(nullptr, dlg);
        enabled = dlg->printAction()->isEnabled();
        dlg->accept();
    });
    EXPECT_EQ(1, Run_PriveFrm(nullptr, header_, detail_, u"进货单.QXF"_s, 0));
    EXPECT_FALSE(enabled);
    EXPECT_EQ(u"0"_s, printValue(u"PRINTNUM"_s));
    EXPECT_FALSE(QFile::exists(pdf_));
}
TEST_F(PrintEngineTest, DesignerEditsAndSavesTheTemplate) {
    const QString path = templatePath(u"进货单.QXF"_s);
    const PrintTemplate start = loadTemplate(u"进货单.QXF"_s, header_, detail_);
    DesignerDialog dlg(start, path, header_, detail_);
    dlg.show();
    auto* tabs = dlg.findChild<QTabWidget*>();
    ASSERT_NE(nullptr, tabs);
    tabs->setCurrentIndex(2);
    dlg.titleEdit()->setText(u"采购进货单"_s);
    dlg.paperBox()->setCurrentText(u"241x140"_s);
    dlg.orientationBox()->setCurrentIndex(1);
    dlg.marginBox(0)->setValue(8);
    QTableWidget* cols = dlg.columnTable();
    ASSERT_EQ(6, cols->rowCount());
    cols->item(2, DesignerDialog::ColCaption)->setText(u"品名"_s);
    cols->item(2, DesignerDialog::ColWidth)->setText(u"45"_s);
    cols->item(5, DesignerDialog::ColDecimals)->setText(u"3"_s);
    auto* align = qobject_cast<QComboBox*>(cols->cellWidget(2, DesignerDialog::ColAlign));
    ASSERT_NE(nullptr, align);
    EXPECT_EQ(u"左对齐"_s, align->currentText());
    align->setCurrentText(u"居中"_s);
    dlg.moveColumn(2, -1);  // 品名 before 商品编号
    dlg.removeColumn(4);    // 单价
    dlg.addColumn(u"barcode"_s, u"条码"_s, 25);
    dlg.fontSizeBox(DesignerDialog::DetailFont)->setValue(11);
    dlg.footerEdit()->setPlainText(u"制单：{操作员}\n审核："_s);
    ASSERT_TRUE(dlg.save()) << qPrintable(dlg.statusText());
    const PrintTemplate saved = PrintTemplate::load(path);
    EXPECT_EQ((QStringList{u"采购进货单"_s, u"241x140"_s}),
              (QStringList{saved.title, saved.paper}));
    EXPECT_EQ(Orientation::Landscape, saved.orientation);
    EXPECT_EQ(8.0, saved.marginLeft);
    QStringList captions;
    for (const DetailColumn& c : saved.columns)
        captions.append(c.caption);
    EXPECT_EQ(u"行号,品名,商品编号,数量,金额,条码"_s, captions.join(u','));
    EXPECT_EQ(45.0, saved.columns.at(1).width);
    EXPECT_EQ(u"sp_spqm"_s, saved.columns.at(1).field);
    EXPECT_EQ((QList<Align>{Align::Center, Align::Left}),
              (QList<Align>{saved.columns.at(1).align, saved.columns.at(2).align}));
    EXPECT_EQ(3, saved.columns.at(4).decimals);
    EXPECT_TRUE(saved.columns.at(4).sum);
    EXPECT_EQ(11.0, saved.detailFont.pointSize);
    EXPECT_EQ((QStringList{u"制单：{操作员}"_s, u"审核："_s}), saved.footerLines);
    // Untouched parts stay as they were.
    EXPECT_EQ(start.headerFields, saved.headerFields);
    EXPECT_EQ(start.pageFooter, saved.pageFooter);
}
TEST_F(PrintEngineTest, DesignerRefusesBadEntriesAndWritesNothing) {
    const QString path = templatePath(u"进货单.QXF"_s);
    DesignerDialog dlg(loadTemplate(u"进货单.QXF"_s, header_, detail_), path, header_, detail_);
    struct Row {
        int column;
        QString text, message;
    };
    const Row rows[] = {
        {DesignerDialog::ColWidth, u"宽"_s, u"明细第2列的宽度不合法"_s},
        {DesignerDialog::ColDecimals, u"-1"_s, u"明细第2列的小数位不合法"_s},
        {DesignerDialog::ColField, QString(), u"明细第2列没有字段名"_s},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(qPrintable(r.message));
        const QString before = dlg.columnTable()->item(1, r.column)->text();
        dlg.columnTable()->item(1, r.column)->setText(r.text);
        EXPECT_FALSE(dlg.save());
        EXPECT_EQ(r.message, dlg.statusText());
        EXPECT_FALSE(QFile::exists(path));
        dlg.columnTable()->item(1, r.column)->setText(before);
    }
    EXPECT_TRUE(dlg.save());
    EXPECT_TRUE(QFile::exists(path));
}
TEST_F(PrintEngineTest, RunDesignFrmSavesOnSave) {
    dyt::test::onNextModal([](QWidget* w) {
        for (QPushButton* b : w->findChildren<QPushButton*>()) {
            if (b->text() == u"保存(&S)"_s) {
                b->click();
                return;
            }
        }
        ADD_FAILURE() << "no save button";
    });
    EXPECT_EQ(1, Run_DesignFrm(nullptr, header_, detail_, u"进货单.QXF"_s, 1));
    EXPECT_EQ(u"进货单"_s, PrintTemplate::load(templatePath(u"进货单.QXF"_s)).title);
    dyt::test::onNextModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(0, Run_DesignFrm(nullptr, header_, detail_, u"销售单.QXF"_s, 1));
    EXPECT_FALSE(QFile::exists(templatePath(u"销售单.QXF"_s)));
}
TEST_F(PrintEngineTest, RenderedPageShowsInk) {
    const PrintTemplate t = loadTemplate(u"进货单.QXF"_s, header_, detail_);
    const Layout layout = layoutPages(t, header_, detail_);
    const QImage page = renderPage(t, layout, 0, 96);
    EXPECT_EQ(qRound(210 / 25.4 * 96), page.width());
    // The title band (centre of the first line) holds dark pixels: the title was drawn.
    const LayoutItem& title = layout.pages.at(0).items.at(0);
    ASSERT_EQ(ItemRole::Title, title.role);
    const double dpm = 96 / 25.4;
    int dark = 0;
    for (int y = qRound(title.rect.top() * dpm); y < qRound(title.rect.bottom() * dpm); ++y) {
        for (int x = qRound(title.rect.left() * dpm); x < qRound(title.rect.right() * dpm); ++x)
            dark += qGray(page.pixel(x, y)) < 128 ? 1 : 0;
    }
    EXPECT_GT(dark, 50);
}
