// The print engine's entry points: PDF output, engine values and the print limit, "print.ini",
// the preview and the designer (offscreen).

#include <QAction>
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
        pdf_ = dir_.filePath(QStringLiteral("out.pdf"));
        writeIni(QStringLiteral("[Print]\nTemplateDir=模板\nOutputPdf=out.pdf\n"));
        QDir(dir_.path()).mkpath(QStringLiteral("模板"));
    }
    void TearDown() override {
        setProgramDir(QString());
        resetPrintValues();
        clearPrintVariables();
    }
    void writeIni(const QString& text) {
        QFile f(dir_.filePath(QStringLiteral("print.ini")));
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
    EXPECT_EQ(QDir::cleanPath(dir_.filePath(QStringLiteral("模板"))), o.templateDir);
    EXPECT_EQ(QStringLiteral("仓库打印机"), o.printer);
    EXPECT_EQ(2, o.copies);
    EXPECT_EQ(QString(), o.outputPdf);
    EXPECT_EQ(QStringLiteral("Noto Sans CJK SC"), o.fontFamily);
    EXPECT_EQ(QDir::cleanPath(dir_.filePath(QStringLiteral("模板/进货单.QXF"))),
              templatePath(QStringLiteral("进货单.QXF")));

    QFile::remove(dir_.filePath(QStringLiteral("print.ini")));
    const PrintOptions defaults = printOptions();
    EXPECT_EQ(QDir::cleanPath(dir_.filePath(QStringLiteral("Report"))), defaults.templateDir);
    EXPECT_EQ(1, defaults.copies);
    EXPECT_THROW(templatePath(QStringLiteral(" ")), dyt::DytError);
}

TEST_F(PrintEngineTest, EngineValues) {
    struct Row {
        QString name, value;
    };
    const Row defaults[] = {{QStringLiteral("PRINTNUM"), QStringLiteral("0")},
                            {QStringLiteral("PRINTNUMSUM"), QStringLiteral("99999")},
                            {QStringLiteral("PrintOnlyOnce"), QStringLiteral("NO")},
                            {QStringLiteral("PRINTLIMIT"), QStringLiteral("YES")},
                            {QStringLiteral("PRINT"), QStringLiteral("NO")}};
    for (const Row& r : defaults) {
        EXPECT_EQ(r.value, printValue(r.name));
    }
    setPrintValue(QStringLiteral("printonlyonce"), QStringLiteral("YES"));
    EXPECT_EQ(QStringLiteral("YES"), printValue(QStringLiteral("PrintOnlyOnce")));
    setPrintValue(QStringLiteral("自定义"), QStringLiteral("1"));
    EXPECT_EQ(QStringLiteral("1"), printValue(QStringLiteral("自定义")));
    resetPrintValues();
    EXPECT_EQ(QStringLiteral("NO"), printValue(QStringLiteral("PrintOnlyOnce")));
    EXPECT_EQ(QString(), printValue(QStringLiteral("自定义")));

    setPrintVariable(QStringLiteral("打印次数"), QStringLiteral("1"));
    setPrintVariable(QStringLiteral("打印次数"), QStringLiteral("2"));
    ASSERT_EQ(1, printVariables().size());
    EXPECT_EQ(QStringLiteral("2"), printVariables().at(0).second);
}

TEST_F(PrintEngineTest, RunPrintWritesThePdfWithTheChineseFont) {
    EXPECT_EQ(1, RunPrint(nullptr, header_, detail_, QStringLiteral("进货单.QXF")));
    const QByteArray pdf = pdfBytes();
    ASSERT_FALSE(pdf.isEmpty());
    EXPECT_TRUE(pdf.startsWith("%PDF")) << pdf.left(16).constData();
    // Two pages of 40 lines, and the Chinese texts are set in the CJK font, embedded.
    EXPECT_TRUE(pdf.contains("/Count 2")) << "page count";
    EXPECT_TRUE(pdf.contains("NotoSansCJK")) << "CJK font not embedded";
    EXPECT_EQ(QStringLiteral("1"), printValue(QStringLiteral("PRINTNUM")));
    // A missing template is generated for the print, not written.
    EXPECT_FALSE(QFile::exists(templatePath(QStringLiteral("进货单.QXF"))));
}

// A report wider than the page prints whole: read back from the PDF, the last column's caption
// and the end of a long header text are there.
TEST_F(PrintEngineTest, WideReportPrintsItsLastColumnAndWholeHeader) {
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    ASSERT_EQ(1, RunPrint(nullptr, dyt::test::wideReportHeader(),
                          dyt::test::wideReportDetail(20, 5), QStringLiteral("库存状况表.QXF")));
    QProcess text;
    text.start(pdftotext, {QStringLiteral("-layout"), pdf_, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    for (const QString& shown :
         {QStringLiteral("参考单价"), QStringLiteral("1,087,709.55"), QStringLiteral("六分仓）")}) {
        EXPECT_TRUE(out.contains(shown)) << qPrintable(shown) << "\n" << qPrintable(out);
    }
}

TEST_F(PrintEngineTest, RunPrintUsesAnExistingTemplate) {
    PrintTemplate t = PrintTemplate::generate(QStringLiteral("自定义标题"), header_, detail_);
    t.columns.removeLast();
    t.save(templatePath(QStringLiteral("进货单.QXF")));
    const PrintTemplate used = loadTemplate(QStringLiteral("进货单.QXF"), header_, detail_);
    EXPECT_EQ(QStringLiteral("自定义标题"), used.title);
    EXPECT_EQ(5, used.columns.size());
    // A broken template file is an error, and nothing is printed.
    QFile f(templatePath(QStringLiteral("坏模板.QXF")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[page]\npaper=A9\n");
    f.close();
    EXPECT_THROW(RunPrint(nullptr, header_, detail_, QStringLiteral("坏模板.QXF")), dyt::DytError);
    EXPECT_FALSE(QFile::exists(pdf_));
}

TEST_F(PrintEngineTest, PrintLimit) {
    struct Row {
        const char* name;
        QString print, onlyOnce, numSum, limit;
        bool prints;
    };
    const Row rows[] = {
        {"not enforced", QStringLiteral("NO"), QStringLiteral("NO"), QStringLiteral("0"),
         QStringLiteral("YES"), true},
        {"enforced, prints left", QStringLiteral("YES"), QStringLiteral("YES"), QStringLiteral("2"),
         QStringLiteral("YES"), true},
        {"enforced, none left", QStringLiteral("YES"), QStringLiteral("YES"), QStringLiteral("0"),
         QStringLiteral("YES"), false},
        {"enforced, limit lifted", QStringLiteral("YES"), QStringLiteral("YES"),
         QStringLiteral("0"), QStringLiteral("NO"), true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QFile::remove(pdf_);
        resetPrintValues();
        setPrintValue(QStringLiteral("PRINT"), r.print);
        setPrintValue(QStringLiteral("PrintOnlyOnce"), r.onlyOnce);
        setPrintValue(QStringLiteral("PRINTNUMSUM"), r.numSum);
        setPrintValue(QStringLiteral("PRINTLIMIT"), r.limit);
        setPrintValue(QStringLiteral("PRINTNUM"), QStringLiteral("7"));  // prints made before
        if (r.prints) {
            EXPECT_EQ(1, RunPrint(nullptr, header_, detail_, QStringLiteral("进货单.QXF")));
        } else {
            try {
                RunPrint(nullptr, header_, detail_, QStringLiteral("进货单.QXF"));
                ADD_FAILURE() << "printed";
            } catch (const dyt::DytError& e) {
                EXPECT_EQ(QStringLiteral("已达到允许的打印次数，不能再打印！"), e.message());
            }
        }
        EXPECT_EQ(r.prints, QFile::exists(pdf_));
        // After the call PRINTNUM holds the prints of this call.
        EXPECT_EQ(r.prints ? QStringLiteral("1") : QStringLiteral("0"),
                  printValue(QStringLiteral("PRINTNUM")));
    }
}

TEST_F(PrintEngineTest, PreviewPrintsOnceWhenAskedAndCounts) {
    setPrintValue(QStringLiteral("PRINT"), QStringLiteral("YES"));
    setPrintValue(QStringLiteral("PrintOnlyOnce"), QStringLiteral("YES"));
    setPrintValue(QStringLiteral("PRINTNUMSUM"), QStringLiteral("5"));
    int pages = -1;
    bool enabledBefore = false, enabledAfter = true;
    dyt::test::onNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<PreviewDialog*>(w);
        ASSERT_NE(nullptr, dlg);
        dlg->previewWidget()->updatePreview();
        pages = dlg->previewWidget()->pageCount();
        dyt::test::saveScreenshot(dlg, QStringLiteral("print_preview"));
        enabledBefore = dlg->printAction()->isEnabled();
        dlg->printAction()->trigger();
        enabledAfter = dlg->printAction()->isEnabled();
        dlg->accept();
    });
    EXPECT_EQ(1, Run_PriveFrm(nullptr, header_, detail_, QStringLiteral("进货单.QXF"), 1));
    EXPECT_EQ(2, pages);
    EXPECT_TRUE(enabledBefore);
    EXPECT_FALSE(enabledAfter);  // only once
    EXPECT_TRUE(pdfBytes().startsWith("%PDF"));
    EXPECT_EQ(QStringLiteral("1"), printValue(QStringLiteral("PRINTNUM")));
}

TEST_F(PrintEngineTest, PreviewWithoutPrinting) {
    bool enabled = true;
    dyt::test::onNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<PreviewDialog*>(w);
        ASSERT_NE(nullptr, dlg);
        enabled = dlg->printAction()->isEnabled();
        dlg->accept();
    });
    EXPECT_EQ(1, Run_PriveFrm(nullptr, header_, detail_, QStringLiteral("进货单.QXF"), 0));
    EXPECT_FALSE(enabled);
    EXPECT_EQ(QStringLiteral("0"), printValue(QStringLiteral("PRINTNUM")));
    EXPECT_FALSE(QFile::exists(pdf_));
}

TEST_F(PrintEngineTest, DesignerEditsAndSavesTheTemplate) {
    const QString path = templatePath(QStringLiteral("进货单.QXF"));
    const PrintTemplate start = loadTemplate(QStringLiteral("进货单.QXF"), header_, detail_);
    DesignerDialog dlg(start, path, header_, detail_);
    dlg.show();
    dyt::test::saveScreenshot(&dlg, QStringLiteral("print_designer"));
    auto* tabs = dlg.findChild<QTabWidget*>();
    ASSERT_NE(nullptr, tabs);
    tabs->setCurrentIndex(2);
    dyt::test::saveScreenshot(&dlg, QStringLiteral("print_designer_columns"));

    dlg.titleEdit()->setText(QStringLiteral("采购进货单"));
    dlg.paperBox()->setCurrentText(QStringLiteral("241x140"));
    dlg.orientationBox()->setCurrentIndex(1);
    dlg.marginBox(0)->setValue(8);
    QTableWidget* cols = dlg.columnTable();
    ASSERT_EQ(6, cols->rowCount());
    cols->item(2, DesignerDialog::ColCaption)->setText(QStringLiteral("品名"));
    cols->item(2, DesignerDialog::ColWidth)->setText(QStringLiteral("45"));
    cols->item(5, DesignerDialog::ColDecimals)->setText(QStringLiteral("3"));
    auto* align = qobject_cast<QComboBox*>(cols->cellWidget(2, DesignerDialog::ColAlign));
    ASSERT_NE(nullptr, align);
    EXPECT_EQ(QStringLiteral("左对齐"), align->currentText());
    align->setCurrentText(QStringLiteral("居中"));
    dlg.moveColumn(2, -1);  // 品名 before 商品编号
    dlg.removeColumn(4);    // 单价
    dlg.addColumn(QStringLiteral("barcode"), QStringLiteral("条码"), 25);
    dlg.fontSizeBox(DesignerDialog::DetailFont)->setValue(11);
    dlg.footerEdit()->setPlainText(QStringLiteral("制单：{操作员}\n审核："));
    ASSERT_TRUE(dlg.save()) << qPrintable(dlg.statusText());

    const PrintTemplate saved = PrintTemplate::load(path);
    EXPECT_EQ(QStringLiteral("采购进货单"), saved.title);
    EXPECT_EQ(QStringLiteral("241x140"), saved.paper);
    EXPECT_EQ(Orientation::Landscape, saved.orientation);
    EXPECT_EQ(8.0, saved.marginLeft);
    QStringList captions;
    for (const DetailColumn& c : saved.columns) {
        captions.append(c.caption);
    }
    EXPECT_EQ(
        (QStringList{QStringLiteral("行号"), QStringLiteral("品名"), QStringLiteral("商品编号"),
                     QStringLiteral("数量"), QStringLiteral("金额"), QStringLiteral("条码")}),
        captions);
    EXPECT_EQ(45.0, saved.columns.at(1).width);
    EXPECT_EQ(QStringLiteral("sp_spqm"), saved.columns.at(1).field);
    EXPECT_EQ(Align::Center, saved.columns.at(1).align);
    EXPECT_EQ(Align::Left, saved.columns.at(2).align);
    EXPECT_EQ(3, saved.columns.at(4).decimals);
    EXPECT_TRUE(saved.columns.at(4).sum);
    EXPECT_EQ(11.0, saved.detailFont.pointSize);
    EXPECT_EQ((QStringList{QStringLiteral("制单：{操作员}"), QStringLiteral("审核：")}),
              saved.footerLines);
    // Untouched parts stay as they were.
    EXPECT_EQ(start.headerFields, saved.headerFields);
    EXPECT_EQ(start.pageFooter, saved.pageFooter);
}

TEST_F(PrintEngineTest, DesignerRefusesBadEntriesAndWritesNothing) {
    const QString path = templatePath(QStringLiteral("进货单.QXF"));
    DesignerDialog dlg(loadTemplate(QStringLiteral("进货单.QXF"), header_, detail_), path, header_,
                       detail_);
    struct Row {
        int column;
        QString text, message;
    };
    const Row rows[] = {
        {DesignerDialog::ColWidth, QStringLiteral("宽"), QStringLiteral("明细第2列的宽度不合法")},
        {DesignerDialog::ColDecimals, QStringLiteral("-1"),
         QStringLiteral("明细第2列的小数位不合法")},
        {DesignerDialog::ColField, QString(), QStringLiteral("明细第2列没有字段名")},
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
            if (b->text() == QStringLiteral("保存(&S)")) {
                b->click();
                return;
            }
        }
        ADD_FAILURE() << "no save button";
    });
    EXPECT_EQ(1, Run_DesignFrm(nullptr, header_, detail_, QStringLiteral("进货单.QXF"), 1));
    EXPECT_EQ(QStringLiteral("进货单"),
              PrintTemplate::load(templatePath(QStringLiteral("进货单.QXF"))).title);

    dyt::test::onNextModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(0, Run_DesignFrm(nullptr, header_, detail_, QStringLiteral("销售单.QXF"), 1));
    EXPECT_FALSE(QFile::exists(templatePath(QStringLiteral("销售单.QXF"))));
}

TEST_F(PrintEngineTest, RenderedPageShowsInk) {
    const PrintTemplate t = loadTemplate(QStringLiteral("进货单.QXF"), header_, detail_);
    const Layout layout = layoutPages(t, header_, detail_);
    const QImage page = renderPage(t, layout, 0, 96);
    EXPECT_EQ(qRound(210 / 25.4 * 96), page.width());
    dyt::test::saveImage(page, QStringLiteral("print_page1"));
    // The title band (centre of the first line) holds dark pixels: the title was drawn.
    const LayoutItem& title = layout.pages.at(0).items.at(0);
    ASSERT_EQ(ItemRole::Title, title.role);
    const double dpm = 96 / 25.4;
    int dark = 0;
    for (int y = qRound(title.rect.top() * dpm); y < qRound(title.rect.bottom() * dpm); ++y) {
        for (int x = qRound(title.rect.left() * dpm); x < qRound(title.rect.right() * dpm); ++x) {
            dark += qGray(page.pixel(x, y)) < 128 ? 1 : 0;
        }
    }
    EXPECT_GT(dark, 50);
}
