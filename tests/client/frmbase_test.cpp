// The form base classes: log entries, keys, dialogs, number edits, stored choices, row order,
// printing and cell access, against the recording transport and the scripted prompter.
// The grid layout text: identities, line breaks, version check, restoring and the colstr pieces.
// The prompter service: progress state, scripted and unattended prompters, the accessor.
// The dialogs of the product prompter, opened offscreen and answered by clicking their buttons.

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>

#include "client/common/dialogprompter.h"
#include "client/common/frmbase.h"
#include "client/common/frmxabstract.h"
#include "client/common/gridlayout.h"
#include "client/common/gridview.h"
#include "client/common/queryfilter.h"
#include "client/common/syslogin.h"
#include "client/logic/clientconfig.h"
#include "client/logic/gridcolumn.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/settings.h"
#include "common/error.h"
#include "common/gbk.h"
#include "common/inifile.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "login_support.h"
#include "protocol/protocol.h"
#include "support/client/scriptedprompter.h"
#include "support/serverfixture.h"
#include "support/testutil.h"
#include "uihelpers.h"

using namespace dyt;
using namespace dyt::client;
using dyt::test::onNextModal;

namespace {

using dyt::test::errorOf;

// A list window of departments: id, code, name, the order field and a hidden barcode-like column.
class DepartmentList : public TfrmXAbstract {
public:
    explicit DepartmentList(QWidget* parent = nullptr) : TfrmXAbstract(parent) {
        setTitle(u"部门列表"_s);
        addColumn(u"编号"_s, u"code"_s, false, 60);
        addColumn(u"[%CNT%]部门名称"_s, u"fullname"_s, false, 100);
        addColumn(u"[%F%]内部码"_s, u"inner"_s, false, 60);
        addColumn(u"[%SUM%M%Cost%]预计资金"_s, u"cost"_s, false, 80);
        records().addField(u"id"_s, FieldType::Integer);
        records().addField(u"code"_s, FieldType::Text, 20);
        records().addField(u"fullname"_s, FieldType::Text, 60);
        records().addField(u"inner"_s, FieldType::Text, 10);
        records().addField(u"cost"_s, FieldType::Float);
    }
    void addRow(qint64 id, const QString& code, const QString& name, double cost = 0) {
        records().appendRow({id, code, name, u"x"_s + code, cost});
    }
    QString orderTable() const override { return table; }
    QString table = u"baseBM"_s;
};
class FormsTest : public test::LoginFixture {
protected:
    void SetUp() override {
        LoginFixture::SetUp();
        TfrmBase::setProgramFolder(dir.path());
        resetSettings();
        connectLoggedIn(7);
        loginedUser().UserName = u"张三"_s;
    }
    void TearDown() override {
        TfrmBase::setProgramFolder(QString());
        TfrmXAbstract::printHandler() = savedPrint;
        TfrmBase::documentOpener() = savedOpener;
        resetSettings();
        LoginFixture::TearDown();
    }
    // The log calls sent: "kind|text|tag".
    QStringList logEntries() const {
        QStringList out;
        for (const RecordedCall& c : transport->calls()) {
            if (c.procedure != u"p_sys_Up_Log")
                continue;
            const ParamList p(c.paramLines.join(u"\r\n"_s));
            out.append(p.value(u"logMsgType"_s) + QLatin1Char('|') + p.value(u"logMsgCont"_s) +
                       QLatin1Char('|') + p.value(u"aTag"_s));
        }
        return out;
    }
    QList<ParamList> procCalls(const QString& name) const {
        QList<ParamList> out;
        for (const RecordedCall& c : transport->calls()) {
            if (c.procedure == name)
                out.append(ParamList(c.paramLines.join(u"\r\n"_s)));
        }
        return out;
    }
    static void activate(QWidget* w) {
        QEvent e(QEvent::WindowActivate);
        QApplication::sendEvent(w, &e);
    }
    static void press(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent e(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(w, &e);
    }
    static void flushDeletes() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QStringList displayedCodes(DepartmentList& w) {
        QStringList out;
        for (int r = 0; r < w.model()->rowCount(); ++r)
            out.append(w.cellValue(r, 0).toString());
        return out;
    }
    PrintHandler savedPrint = TfrmXAbstract::printHandler();
    std::function<bool(const QString&)> savedOpener = TfrmBase::documentOpener();
};

}  // namespace

TEST_F(FormsTest, EachWindowInstanceLogsOneOpenAndOneCloseEntryIfAChildOrTagged) {
    for (int i = 0; i < 2; ++i) {
        auto* w = new DepartmentList;
        w->setTag(1005);
        w->show();
        activate(w);
        activate(w);
        w->FormActivate();
        EXPECT_TRUE(w->activatedOnce());
        w->close();  // freed on close
        flushDeletes();
    }
    EXPECT_EQ((QStringList{u"1|打开窗口[部门列表]|1005"_s, u"2|关闭窗口[部门列表]|"_s,
                           u"1|打开窗口[部门列表]|1005"_s, u"2|关闭窗口[部门列表]|"_s}),
              logEntries());
    // The lines carry the session's operator and workstation.
    const QList<ParamList> calls = procCalls(u"p_sys_Up_Log"_s);
    ASSERT_EQ(4, calls.size());
    EXPECT_EQ(u"张三"_s, calls[0].value(u"logUserName"_s));
    EXPECT_EQ(u"7"_s, calls[0].value(u"logUserId"_s));
    // Only child windows or tagged ones log.
    struct Row {
        const char* name;
        bool child;
        int tag;
        int entries;
    } rows[] = {
        {"top-level, tag 0", false, 0, 0},
        {"top-level, tag 1", false, 1, 2},
        {"top-level, negative tag", false, -3, 0},
        {"child window, tag 0", true, 0, 2},
    };
    for (const Row& r : rows) {
        transport->clearCalls();
        QWidget host;
        auto* w = new DepartmentList(r.child ? &host : nullptr);
        w->setTag(r.tag);
        w->FormActivate();
        delete w;
        EXPECT_EQ(r.entries, logEntries().size()) << r.name;
    }
}
TEST_F(FormsTest, EscClosesAndF1OpensTheHelpFileWhenItExists) {
    QStringList opened;
    TfrmBase::documentOpener() = [&](const QString& path) {
        opened.append(path);
        return true;
    };
    QPointer<DepartmentList> w = new DepartmentList;
    w->show();
    press(w, Qt::Key_F1);
    EXPECT_EQ(QStringList(), opened);  // no Help.chm yet
    QFile help(QDir(dir.path()).filePath(u"Help.chm"_s));
    ASSERT_TRUE(help.open(QIODevice::WriteOnly));
    help.close();
    press(w, Qt::Key_F1);
    EXPECT_EQ(QStringList{QDir(dir.path()).filePath(u"Help.chm"_s)}, opened);
    press(w, Qt::Key_Escape);
    flushDeletes();
    EXPECT_TRUE(w.isNull());
}
TEST_F(FormsTest, CtrlUpAndDownMoveTheFocusedRowAndStoreTheOrderAFailureIsShown) {
    DepartmentList w;
    w.addRow(11, u"A"_s, u"甲"_s);
    w.addRow(12, u"B"_s, u"乙"_s);
    w.addRow(13, u"C"_s, u"丙"_s);
    w.showRecords();
    w.SetRowOrder();
    w.btnUp()->setVisible(true);
    w.btnDown()->setVisible(true);
    QTableView* table = w.dbgvX()->table();
    w.setFocusedRow(1);
    press(table, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ((QStringList{u"B"_s, u"A"_s, u"C"_s}), displayedCodes(w));
    EXPECT_EQ(0, w.focusedRow());  // the moved row stays focused
    QList<ParamList> sent = procCalls(u"p_Base_Up_Orderly"_s);
    ASSERT_EQ(1, sent.size());
    EXPECT_EQ(u"baseBM"_s, sent[0].value(u"tableName"_s));
    EXPECT_EQ(u"12,11,13"_s, sent[0].value(u"IdList"_s));
    for (const char* piece : {"IdList2", "IdList3", "IdList4", "IdList5"}) {
        EXPECT_TRUE(sent[0].contains(QLatin1String(piece)));
        EXPECT_EQ(QString(), sent[0].value(QLatin1String(piece)));
    }
    // The first row cannot move up, the last not down: nothing is sent.
    press(table, Qt::Key_Up, Qt::ControlModifier);
    w.setFocusedRow(2);
    press(table, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(1, procCalls(u"p_Base_Up_Orderly"_s).size());
    // A disabled or hidden command does not run.
    w.setFocusedRow(1);
    w.btnDown()->setEnabled(false);
    press(table, Qt::Key_Down, Qt::ControlModifier);
    w.btnDown()->setEnabled(true);
    w.btnDown()->setVisible(false);
    press(&w, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(1, procCalls(u"p_Base_Up_Orderly"_s).size());
    w.btnDown()->setVisible(true);
    press(&w, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ((QStringList{u"B"_s, u"C"_s, u"A"_s}), displayedCodes(w));
    EXPECT_EQ(2, w.focusedRow());
    sent = procCalls(u"p_Base_Up_Orderly"_s);
    ASSERT_EQ(2, sent.size());
    EXPECT_EQ(u"12,13,11"_s, sent[1].value(u"IdList"_s));
    // A failed order save is shown with its hint.
    transport->respond(u"ExecProc"_s, 0, {QString(), -1, u"表[baseBM]不能排序"_s});
    EXPECT_FALSE(w.SaveRowOrder());
    ASSERT_EQ(1, script.records().size());
    EXPECT_EQ(u"提示"_s, script.records()[0].caption);
    EXPECT_EQ(u"表[baseBM]不能排序"_s, script.records()[0].text);
    // A window without an order table sends nothing.
    transport->clearCalls();
    w.table.clear();
    EXPECT_FALSE(w.SaveRowOrder());
    EXPECT_EQ(0, procCalls(u"p_Base_Up_Orderly"_s).size());
}
TEST_F(FormsTest, SetRowOrderNumbersTheDisplayOrderWithSixDigitsIdListsAreCutIntoFivePieces) {
    DepartmentList w;
    w.addRow(1, u"C"_s, u"丙"_s);
    w.addRow(2, u"A"_s, u"甲"_s);
    w.addRow(3, u"B"_s, u"乙"_s);
    w.showRecords();
    w.model()->sort(0, Qt::AscendingOrder);  // A, B, C on screen
    w.SetRowOrder();
    const RecordSet& rs = w.records();
    ASSERT_TRUE(rs.hasField(u"_order"_s));
    const int f = rs.fieldIndex(u"_order"_s);
    EXPECT_EQ(u"000003|000001|000002"_s,  // C, A, B
              dyt::test::clientValuesText(rs.at(0, f), rs.at(1, f), rs.at(2, f)));
    // The id lists are cut at commas into five pieces.
    EXPECT_EQ((QStringList{u"1,22"_s, u"333"_s, u"4"_s, QString(), QString()}),
              splitIdList({1, 22, 333, 4}, 4));
    EXPECT_EQ((QStringList{QString(), QString(), QString(), QString(), QString()}),
              splitIdList({}, 4));
    EXPECT_EQ(u"排序的记录太多，不能保存顺序"_s, errorOf([] {
                  splitIdList({1, 2, 3, 4, 5, 6}, 1);
              }));
    EXPECT_EQ(u"排序的记录太多，不能保存顺序"_s, errorOf([] { splitIdList({123456}, 3); }));
}
TEST_F(FormsTest, PrintRowsNumberTheShownColumnsAndMaskCosts) {
    DepartmentList w;
    RecordSet detail;
    w.showRecords();
    EXPECT_EQ(u"无数据，不能打印"_s, errorOf([&] { w.BuildPrintRows(&detail); }));
    w.addRow(1, u"A"_s, u"甲"_s, 12.5);
    w.addRow(2, u"B"_s, u"乙"_s, 7);
    w.showRecords();
    w.BuildPrintRows(&detail);
    // The hidden column ("F" rule) stays out; the cost column prints its mask (no right 6003).
    ASSERT_EQ((QStringList{u"行号"_s, u"code"_s, u"fullname"_s, u"cost"_s}),
              test::fieldNames(detail));
    EXPECT_EQ(u"部门名称"_s, detail.field(2).caption());  // without its rule
    ASSERT_EQ(2, detail.rowCount());
    EXPECT_EQ(u"2|B|乙|***"_s, test::rowValuesText(detail, 1));
    // With the right the cost itself is printed.
    settings().SeeCost = true;
    DepartmentList seen;
    seen.addRow(1, u"A"_s, u"甲"_s, 12.5);
    seen.showRecords();
    seen.BuildPrintRows(&detail);
    EXPECT_EQ(12.5, detail.at(0, 3).toDouble());
    // A column the operator marked "不打印" in the column configuration stays out of the print.
    GridDefinition& def = seen.gridDefinition();
    const int name = def.columnIndex(u"fullname"_s);
    ASSERT_GE(name, 0);
    ASSERT_TRUE(def.columns[name].exData.has_value());
    def.columns[name].exData->print = false;
    seen.BuildPrintRows(&detail);
    EXPECT_EQ(3, detail.fieldCount());
    EXPECT_FALSE(detail.hasField(u"fullname"_s));
    EXPECT_EQ(u"A"_s, detail.at(0, 1).toString());
}
TEST_F(FormsTest, PrintHandsHeaderAndDetailToTheEngine) {
    TSettings& s = settings();
    s.CompanyFullName = u"德盈商贸有限公司"_s;
    s.PhoneNumber = u"010-1234"_s;
    s.CompanyAddress = u"北京"_s;
    s.BankAccount = u"工行 6222"_s;
    s.TaxNumber = u"91110"_s;
    s.FaxNumber = u"010-5678"_s;
    DepartmentList w;
    auto* number = new QLineEdit(u"JH-001"_s);
    w.addHeaderField(u"单据编号："_s, number);
    auto* audited = new QCheckBox(u"已审核"_s);
    audited->setChecked(true);
    w.addHeaderField(u"已审核"_s, audited);
    auto* note = new QLineEdit(u"急"_s);
    w.addHeaderField(u"&备注:"_s, note);
    struct Call {
        int mode;
        RecordSet header;
        RecordSet detail;
        QString file;
    };
    QList<Call> calls;
    TfrmXAbstract::printHandler() = [&](QWidget*, int mode, const RecordSet& header,
                                        const RecordSet& detail, const QString& file) {
        calls.append({mode, header, detail, file});
        return 1;
    };
    // An empty grid stops before the engine.
    w.showRecords();
    EXPECT_EQ(0, w.RunPrint(kPrintPreview));
    EXPECT_EQ(0, calls.size());
    EXPECT_EQ(QStringList{u"无数据，不能打印"_s}, script.messages());
    EXPECT_EQ(u"提示"_s, script.records().value(0).caption);
    w.addRow(1, u"A"_s, u"甲"_s);
    w.showRecords();
    for (int mode : {kPrintDirect, kPrintPreview, kPrintPreviewOnly, kPrintDesign})
        EXPECT_EQ(1, w.RunPrint(mode));
    ASSERT_EQ(4, calls.size());
    EXPECT_EQ(kPrintDesign, calls[3].mode);
    EXPECT_EQ(u"部门列表.QXF"_s, calls[0].file);
    const RecordSet& h = calls[0].header;
    ASSERT_EQ(1, h.rowCount());
    QStringList header;
    for (int i = 0; i < h.fieldCount(); ++i)
        header.append(h.field(i).name + u'=' + h.at(0, i).toString());
    EXPECT_EQ(
        u"公司全名=德盈商贸有限公司|公司电话=010-1234|公司地址=北京|公司账号=工行 6222|"
        u"公司税号=91110|公司传真号=010-5678|操作员=张三|打印标签=德盈通软件|"
        u"单据编号=JH-001|已审核=是|备注=急"_s,
        header.join(u'|'));
    EXPECT_EQ(1, calls[0].detail.rowCount());
    EXPECT_EQ(u"行号"_s, calls[0].detail.field(0).name);
}
TEST_F(FormsTest, DialogClosesByButtonsWithoutAskingAndOtherwiseOnConfirm) {
    TfrmBaseDialog d;
    d.setConfirmOnClose(true, u"放弃修改吗？"_s);
    struct Row {
        const char* name;
        const char* answer;  // answer to the confirm question, or null when none is asked
        bool closed;
    } rows[] = {
        {"window close, answered 取消", "取消", false},
        {"window close, answered 确定", "确定", true},
    };
    for (const Row& r : rows) {
        d.show();
        script.answer(QString::fromUtf8(r.answer), u"放弃修改吗？"_s);
        d.close();
        EXPECT_EQ(!r.closed, d.isVisible()) << r.name;
        EXPECT_FALSE(d.result()) << r.name;
        EXPECT_FALSE(d.closedByButton()) << r.name;
    }
    const auto questions = script.records(PromptKind::Question);
    ASSERT_EQ(2, questions.size());
    EXPECT_EQ(u"提示"_s, questions[0].caption);
    EXPECT_EQ((QStringList{u"确定"_s, u"取消"_s}), questions[0].buttons);
    // The buttons close without a question; each show clears the flags.
    d.show();
    d.btnOK()->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE(d.result());
    EXPECT_TRUE(d.closedByButton());
    d.show();
    EXPECT_FALSE(d.result());
    EXPECT_FALSE(d.closedByButton());
    d.btnExit()->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_FALSE(d.result());
    EXPECT_TRUE(d.closedByButton());
    EXPECT_EQ(2, script.records(PromptKind::Question).size());
    // Without confirm-on-close Esc closes at once.
    d.setConfirmOnClose(false);
    d.show();
    press(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(2, script.records(PromptKind::Question).size());
    // Modal: the buttons answer exec; a refused window close keeps the loop running.
    QTimer::singleShot(0, &d, [&] { d.btnOK()->click(); });
    EXPECT_EQ(1, d.exec());
    QTimer::singleShot(0, &d, [&] { d.btnExit()->click(); });
    EXPECT_EQ(0, d.exec());
    d.setConfirmOnClose(true, u"确定要退出吗？"_s);
    script.answer(u"取消"_s);
    QTimer::singleShot(0, &d, [&] {
        d.close();
        EXPECT_TRUE(d.isVisible());
        d.btnOK()->click();
    });
    EXPECT_EQ(1, d.exec());
}
TEST_F(FormsTest, NumberEditsAreFormattedByTheirLabel) {
    TSettings& s = settings();
    s.QtyDot = 0;
    s.PriceDot = 4;
    s.DiscountDot = 1;
    s.TaxDot = 3;
    s.buildPatterns();
    struct Row {
        const char* label;
        const char* typed;
        const char* shown;
    } rows[] = {
        {"数量", "12.6", "13"},
        {"单价", "3.5", "3.5000"},
        {"折扣", "0.85", "0.9"},
        {"税率", "17", "17.000"},
        {"价税数", "2.5", "3"},
        {"备注", "2.5", "2.5"},
        {"金额单价", "1,234.5", "1234.5000"},
        {"数量", "abc", "abc"},
    };
    TfrmBase w;
    QList<QLineEdit*> edits;
    for (const Row& r : rows) {
        auto* label = new QLabel(QString::fromUtf8(r.label), &w);
        auto* edit = new QLineEdit(QString::fromUtf8(r.typed), &w);
        edit->setProperty(kNumberEditProperty, true);
        label->setBuddy(edit);
        edits.append(edit);
    }
    auto* unmarked = new QLineEdit(u"2.5"_s, &w);
    auto* unmarkedLabel = new QLabel(u"数量"_s, &w);
    unmarkedLabel->setBuddy(unmarked);
    w.show();  // creation formats the edits
    for (int i = 0; i < edits.size(); ++i)
        EXPECT_EQ(QString::fromUtf8(rows[i].shown), edits[i]->text()) << rows[i].label;
    EXPECT_EQ(u"2.5"_s, unmarked->text());
    EXPECT_EQ(QString(), numberPatternForLabel(u"名称"_s));
    w.setAttribute(Qt::WA_DeleteOnClose, false);
}
TEST_F(FormsTest, SmartFilterChoiceIsStoredPerWindowTitle) {
    {
        DepartmentList w;
        w.showRecords();
        w.show();
        EXPECT_FALSE(w.cbqiyongzhinengguolv()->isChecked());
        EXPECT_FALSE(w.dbgvX()->filterRow()->isVisible());
        w.cbqiyongzhinengguolv()->click();
        EXPECT_TRUE(w.smartFilter());
        EXPECT_TRUE(w.dbgvX()->filterRow()->isVisible());
        w.setAttribute(Qt::WA_DeleteOnClose, false);
    }
    EXPECT_EQ(u"1"_s, clientConfig().ini().readString(u"部门列表"_s, u"qiyongzhinengguolv"_s));
    // The file holds it: a configuration read again gives the same.
    openClientConfig(dir.path());
    {
        DepartmentList again;
        again.show();
        EXPECT_TRUE(again.cbqiyongzhinengguolv()->isChecked());
        again.cbqiyongzhinengguolv()->click();
        EXPECT_FALSE(again.smartFilter());
        again.setAttribute(Qt::WA_DeleteOnClose, false);
    }
    EXPECT_EQ(u"0"_s, clientConfig().ini().readString(u"部门列表"_s, u"qiyongzhinengguolv"_s));
    // Another window title has its own choice.
    DepartmentList other;
    other.setTitle(u"仓库列表"_s);
    clientConfig().ini().writeString(u"部门列表"_s, u"qiyongzhinengguolv"_s, u"1"_s);
    other.show();
    EXPECT_FALSE(other.smartFilter());
    other.setAttribute(Qt::WA_DeleteOnClose, false);
}
TEST_F(FormsTest, CategoryTreeNestsByLevelAndKeepsItsWidth) {
    RecordSet rows =
        test::recordSet({u"id:integer"_s, u"fullname"_s, u"leveal:integer"_s}, {{1, u"华北"_s, 1},
                                                                                {2, u"北京"_s, 2},
                                                                                {3, u"朝阳"_s, 3},
                                                                                {4, u"天津"_s, 2},
                                                                                {5, u"华南"_s, 1}});
    {
        auto* w = new DepartmentList;
        w->resize(800, 500);
        w->show();
        w->LoadCategoryTree(rows);
        QTreeWidget* tree = w->tvCategory();
        ASSERT_EQ(2, tree->topLevelItemCount());
        QTreeWidgetItem* north = tree->topLevelItem(0);
        EXPECT_EQ(u"华北"_s, north->text(0));
        ASSERT_EQ(2, north->childCount());
        EXPECT_EQ(u"天津"_s, north->child(1)->text(0));
        ASSERT_EQ(1, north->child(0)->childCount());
        EXPECT_EQ(3, north->child(0)->child(0)->data(0, Qt::UserRole).toLongLong());
        EXPECT_EQ(195, w->treeWidth());  // default
        w->setTreeWidth(240);
        w->close();
        flushDeletes();
    }
    EXPECT_EQ(u"240"_s, clientConfig().ini().readString(u"部门列表"_s, u"TreeWidth"_s));
    DepartmentList again;
    again.resize(800, 500);
    again.show();
    again.LoadCategoryTree(rows);
    EXPECT_EQ(240, again.treeWidth());
    again.setAttribute(Qt::WA_DeleteOnClose, false);
    // A window without a tree leaves the width alone.
    clientConfig().ini().writeString(u"部门列表"_s, u"TreeWidth"_s, u"111"_s);
    auto* noTree = new DepartmentList;
    noTree->show();
    noTree->close();
    flushDeletes();
    EXPECT_EQ(u"111"_s, clientConfig().ini().readString(u"部门列表"_s, u"TreeWidth"_s));
}
TEST_F(FormsTest, CellAccessReportsEmptyGridsAndIndexesOutOfRange) {
    DepartmentList w;
    w.showRecords();
    EXPECT_EQ(u"无数据"_s, errorOf([&] { w.cellValue(0, 0); }));
    w.addRow(1, u"A"_s, u"甲"_s);
    w.addRow(2, u"B"_s, u"乙"_s);
    w.showRecords();
    EXPECT_EQ(u"B"_s, w.cellValue(1, 0).toString());
    EXPECT_EQ(u"甲"_s, w.cellValue(0, 1).toString());
    struct Row {
        int row;
        int column;
        QString message;
    } rows[] = {
        {2, 0, u"第2/2行索引越界 "_s},
        {-1, 0, u"第-1/2行索引越界 "_s},
        {0, 4, u"第4/4列索引越界 "_s},
        {1, -1, u"第-1/4列索引越界 "_s},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.message, errorOf([&] { w.cellValue(r.row, r.column); }));
}
TEST_F(FormsTest, LongLoadsShowTheReceivingMessage) {
    DepartmentList w;
    bool visibleDuringLoad = false;
    w.loadRecords([&](RecordSet& rs) {
        visibleDuringLoad = script.progressVisible();
        rs.appendRow({1, u"A"_s, u"甲"_s});
    });
    EXPECT_TRUE(visibleDuringLoad);
    EXPECT_FALSE(script.progressVisible());
    EXPECT_EQ(QStringList{u"正在接收数据，请稍等......"_s}, script.progressTexts());
    EXPECT_EQ(1, w.model()->rowCount());
}
TEST_F(FormsTest, BaseRecordFieldsFillTheFocusedRow) {
    class Lines : public TfrmXAbstract {
    public:
        Lines() {
            records().addField(u"sp_id"_s, FieldType::Integer);
            records().addField(u"sp_spbh"_s, FieldType::Text);
            records().addField(u"ck_id"_s, FieldType::Integer);
            records().addField(u"qty"_s, FieldType::Float);
            addColumn(u"编号"_s, u"sp_spbh"_s, false, 60);
            records().appendRow({QVariant(), QVariant(), 9, 1.0});
            records().appendRow({QVariant(), QVariant(), 8, 2.0});
        }
    } w;
    w.showRecords();
    RecordSet goods =
        test::recordSet({u"id:integer"_s, u"sp_spbh"_s, u"qty:float"_s}, {{501, u"G-501"_s, 99.0}});
    goods.first();
    w.setFocusedRow(1);
    w.fillGoodsFields(goods);
    const RecordSet& rs = w.records();
    // sp_id from id, sp_spbh of the same name; another prefix, no prefix, other rows untouched.
    EXPECT_EQ(u"501|G-501|8|2"_s, test::rowValuesText(rs, 1));
    EXPECT_TRUE(rs.at(0, 0).isNull());
    EXPECT_EQ(1, w.focusedRow());
}
TEST_F(FormsTest, PopupMenuOffersRefreshAndExportAndALoginReadsTheOperatorsLayoutsAgain) {
    class Refreshing : public DepartmentList {
    public:
        void refreshData() override { ++refreshed; }
        int refreshed = 0;
    } w;
    ASSERT_EQ(2, w.pmBill()->actions().size());
    w.pmBill()->actions()[0]->trigger();
    EXPECT_EQ(1, w.refreshed);
    // A successful login reads the operator's layouts again.
    // Layouts of the previous operator are still held.
    RecordSet& held = columnConfigs();
    held.clear();
    held.addField(u"ColId"_s, FieldType::Text);
    held.appendRow({u"TfrmOld_dbgvX"_s});
    RecordSet answer = test::recordSet({u"ColId"_s, u"colstr1"_s, u"userId:integer"_s},
                                       {{u"TfrmNew_dbgvX"_s, u"[_Sys_]"_s, 4}});
    sysLogin().showLoginWindow = [&](TfrmLogin&) {
        transport->respond(u"Login"_s, 0, {u"UserId=4\r\nUserName=王五\r\nUserCode=004"_s});
        EXPECT_TRUE(sysLogin().Login(u"dytv1_1"_s, u"甲"_s, u"王五"_s, u"4"_s, u"pw"_s));
    };
    transport->respond(u"ExecQuery"_s, 0, {proto::recordSetToCbor(answer), QString()});
    const bool loggedIn = sysLogin().RunLogin(1);
    sysLogin().showLoginWindow = nullptr;
    sysLogin().LoggedIn = false;
    ASSERT_TRUE(loggedIn);
    EXPECT_EQ(QStringList{u" select * from sysColConfigure where UserId=4 "_s},
              sqlOf(u"ExecQuery"_s));
    ASSERT_EQ(1, columnConfigs().recordCount());
    EXPECT_EQ(u"TfrmNew_dbgvX"_s, columnConfigs().text(u"ColId"_s));
    columnConfigs().clear();
}
TEST_F(FormsTest, RevertDropsTheQueryFilterSoTheNextNarrowingStartsFromAllRows) {
    DepartmentList w;
    w.addRow(1, u"A"_s, u"甲"_s);
    w.addRow(2, u"B"_s, u"乙"_s);
    w.addRow(3, u"AB"_s, u"丙"_s);
    w.showRecords();
    const GridDefinition& def = w.gridDefinition();
    const int code = def.columnIndex(u"code"_s);
    gridfilter::applyQueryFilter(w.dbgvX(),
                                 gridfilter::QueryFilter::makeCondition(
                                     def, code, gridfilter::FilterOperator::LeftMatch, u"A"_s),
                                 gridfilter::FilterScope::New);
    EXPECT_EQ(2, w.model()->rowCount());
    w.lbrevertClick();
    EXPECT_EQ(3, w.model()->rowCount());
    EXPECT_TRUE(gridfilter::currentQueryFilter(w.dbgvX()).text().isEmpty());
    // Narrowing "on the last result" after the revert sees every row again.
    gridfilter::applyQueryFilter(w.dbgvX(),
                                 gridfilter::QueryFilter::makeCondition(
                                     def, code, gridfilter::FilterOperator::Equal, u"B"_s),
                                 gridfilter::FilterScope::WithinLast);
    EXPECT_EQ(1, w.model()->rowCount());
}

namespace {

// A designed grid: quantity, a price caption over two lines, a hidden barcode (tag 110).
GridDefinition designedGrid(bool allowHide = true) {
    GridDefinition g;
    g.allowHideColumns = allowHide;
    AddGridColumn(g, u"[%Q%]数量"_s, u"qty"_s, true, 60);
    AddGridColumn(g, u"[%P%]进货\n单价"_s, u"price"_s, true, 70);
    AddGridColumn(g, u"[%F%]条码"_s, u"barcode"_s, false, 80);
    return g;
}
QString sysValue(const QString& text, const QString& key) {
    return IniFile::fromText(text).readString(u"_Sys_"_s, key, u"<none>"_s);
}
// "key=value" of the named keys of the [_Sys_] section, joined by blanks.
QString sysValues(const QString& text, const QStringList& keys) {
    QStringList out;
    for (const QString& k : keys)
        out.append(k + u'=' + sysValue(text, k));
    return out.join(u' ');
}

}  // namespace

TEST(gridLayoutText, IdentityIsTheTagOr111Or_1) {
    struct Row {
        const char* name;
        int tag;
        bool allowHide;
        int identity;
    } rows[] = {
        {"tag 110 stays", 110, true, 110}, {"tag 110 stays without hiding", 110, false, 110},
        {"tag 0 hideable", 0, true, 111},  {"tag 0 fixed", 0, false, -1},
        {"other tag", 7, false, 7},
    };
    for (const Row& r : rows) {
        GridDefinition g;
        g.allowHideColumns = r.allowHide;
        GridColumn c;
        c.tag = r.tag;
        EXPECT_EQ(r.identity, columnIdentity(g, c)) << r.name;
    }
}
TEST(gridLayoutText, LineBreaksTravelAsHashDollar0D) {
    struct Row {
        QString text;
        QString encoded;
        QString decoded;
    } rows[] = {
        {u"进货\r\n单价"_s, u"进货#$0D单价"_s, u"进货\n单价"_s},
        {u"a\rb"_s, u"a#$0Db"_s, u"a\nb"_s},
        {u"a\nb\nc"_s, u"a#$0Db#$0Dc"_s, u"a\nb\nc"_s},
        {u"plain"_s, u"plain"_s, u"plain"_s},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.encoded, encodeLayoutText(r.text));
        EXPECT_EQ(r.decoded, decodeLayoutText(r.encoded));
    }
}
TEST(gridLayoutText, WritesVersionCountAndTheKeysOfEachColumn) {
    GridDefinition g = designedGrid();
    g.columns[0].width = 95;
    const QString text = gridLayoutText(g);
    EXPECT_EQ(
        u"_Ver_=V10 _Cnt_=3 0_D=111 0_W=95 0_V=1 0_C=数量 0_CD=qty 1_C=进货#$0D单价 1_X=1 "
        u"2_D=110 2_V=0 2_B=0"_s,
        sysValues(text, {u"_Ver_"_s, u"_Cnt_"_s, u"0_D"_s, u"0_W"_s, u"0_V"_s, u"0_C"_s, u"0_CD"_s,
                         u"1_C"_s, u"1_X"_s, u"2_D"_s, u"2_V"_s, u"2_B"_s}));
    // The text has no line break inside a value: every line is a section or a key.
    for (const QString& line : text.split(u"\r\n"_s, Qt::SkipEmptyParts))
        EXPECT_TRUE(line.startsWith(QLatin1Char('[')) || line.contains(QLatin1Char('=')))
            << line.toStdString();
    // A grid whose columns may not be hidden ignores the "F" rule: the barcode is tagged 0.
    EXPECT_EQ(u"0_D=-1 2_D=-1 2_V=1"_s,
              sysValues(gridLayoutText(designedGrid(false)), {u"0_D"_s, u"2_D"_s, u"2_V"_s}));
}
TEST(gridLayoutText, PackedTextIsOneLineAndUnpacksToTheSame) {
    GridDefinition g = designedGrid();
    const QString text = gridLayoutText(g);
    const QString packed = packLayoutText(text);
    EXPECT_FALSE(packed.contains(QLatin1Char('\r')));
    EXPECT_FALSE(packed.contains(QLatin1Char('\n')));
    EXPECT_EQ(text, unpackLayoutText(packed));
    // The caption's own break stays "#$0D" next to a line end.
    EXPECT_EQ(u"[_Sys_]#$0D#$0Ab=x#$0D#$0D#$0A"_s, packLayoutText(u"[_Sys_]\r\nb=x#$0D\r\n"_s));
    EXPECT_EQ(u"[_Sys_]\r\nb=x#$0D\r\n"_s, unpackLayoutText(u"[_Sys_]#$0D#$0Ab=x#$0D#$0D#$0A"_s));
    GridDefinition applied = designedGrid();
    applied.columns[0].width = 1;
    ASSERT_TRUE(applyGridLayoutText(applied, packed));
    EXPECT_EQ(60, applied.columns[0].width);
}
TEST(gridLayoutText, RestoresWidthsVisibilityCaptionsAndOrder) {
    GridDefinition changed = designedGrid();
    changed.columns[0].width = 120;
    changed.columns[1].visible = false;
    changed.columns[2].visible = true;
    changed.columns[2].caption = u"商品\r\n条码"_s;
    changed.columns.move(2, 0);  // barcode first
    GridDefinition g = designedGrid();
    ASSERT_TRUE(applyGridLayoutText(g, gridLayoutText(changed)));
    QStringList columns;
    for (const GridColumn& c : g.columns)
        columns.append(
            u"%1/%2/%3/%4"_s.arg(c.fieldName, c.caption).arg(c.width).arg(int(c.visible)));
    EXPECT_EQ((QStringList{u"barcode/商品\n条码/80/1"_s, u"qty/数量/120/1"_s,
                           u"price/进货\n单价/70/0"_s}),
              columns);
    // The tags of the design stay with the columns.
    EXPECT_EQ(NumberKind::Price, g.columns[2].numberKind);
}
TEST(gridLayoutText, AForeignVersionOrGarbageLeavesTheDesign) {
    GridDefinition changed = designedGrid();
    changed.columns[0].width = 300;
    QString text = gridLayoutText(changed);
    text.replace(u"_Ver_=V10"_s, u"_Ver_=V9"_s);
    GridDefinition g = designedGrid();
    EXPECT_FALSE(applyGridLayoutText(g, text));
    EXPECT_EQ(60, g.columns[0].width);
    EXPECT_FALSE(applyGridLayoutText(g, QString()));
    EXPECT_FALSE(applyGridLayoutText(g, u"no ini at all"_s));
    EXPECT_EQ(u"qty"_s, g.columns[0].fieldName);
}
TEST(gridLayoutText, ColumnsTheLayoutDoesNotKnowKeepTheirPlaceBehindStringGridsTheirWidths) {
    GridDefinition old = designedGrid();
    old.columns.removeAt(0);  // a layout saved before the quantity column existed
    old.columns[0].width = 33;
    GridDefinition g = designedGrid();
    ASSERT_TRUE(applyGridLayoutText(g, gridLayoutText(old)));
    EXPECT_EQ(
        test::clientValuesText(u"price"_s, 33, u"barcode"_s, u"qty"_s, 60),
        test::clientValuesText(g.columns[0].fieldName, g.columns[0].width, g.columns[1].fieldName,
                               g.columns[2].fieldName, g.columns[2].width));
    // String grids keep only widths, 66 for the missing keys.
    const QString text = stringGridLayoutText({40, 50});
    EXPECT_EQ((QList<int>{40, 50, 66}), stringGridWidths(text, 3));
    QString foreign = text;
    foreign.replace(u"V10"_s, u"V11"_s);
    EXPECT_EQ(QList<int>(), stringGridWidths(foreign, 3));
}
TEST(GridLayoutPieces, CutByGbkBytesIntoTenPieces) {
    const QString ascii(9000, QLatin1Char('a'));
    QStringList p = splitLayoutPieces(ascii, 4000);
    ASSERT_EQ(10, p.size());
    EXPECT_EQ(test::clientValuesText(4000, 4000, 1000, QString()),
              test::clientValuesText(p[0].size(), p[1].size(), p[2].size(), p[3]));
    EXPECT_EQ(ascii, p.join(QString()));
    // Five bytes hold two Chinese characters, never two and a half.
    p = splitLayoutPieces(u"甲乙丙a"_s, 5);
    EXPECT_EQ(u"甲乙"_s, p[0]);
    EXPECT_EQ(u"丙a"_s, p[1]);
    for (const QString& piece : p)
        EXPECT_LE(gbk::byteLength(piece), 5);
    EXPECT_EQ(u"表格配置信息太长，不能保存"_s,
              errorOf([] { splitLayoutPieces(QString(41, QLatin1Char('x')), 4); }));
    EXPECT_EQ(10, splitLayoutPieces(QString(40, QLatin1Char('x')), 4).size());
}
TEST(GridLayoutCalls, NullGridOrEmptyKeyIsRefused) {
    const QString expected = u"LoadAutoColWidth: AGridView or AKeyName can not be null"_s;
    GridView grid;
    EXPECT_EQ(expected, errorOf([] { LoadGridLayout(nullptr, u"k"_s); }));
    EXPECT_EQ(expected, errorOf([&] { LoadGridLayout(&grid, QString()); }));
    EXPECT_EQ(expected, errorOf([] { SaveGridLayout(nullptr, u"k"_s); }));
    EXPECT_EQ(expected, errorOf([&] { SaveGridLayout(&grid, u"  "_s); }));
    QTableWidget strings(1, 1);
    EXPECT_EQ(expected, errorOf([] { loadStringGridLayout(nullptr, u"k"_s); }));
    EXPECT_EQ(expected, errorOf([&] { saveStringGridLayout(&strings, QString()); }));
}

// Against a real dyt-server: pieces joined on reading, string grids.
namespace {
RecordSet lines() {
    return test::recordSet({u"qty:float"_s, u"price:float"_s, u"barcode"_s},
                           {{2.0, 3.5, u"690"_s}});
}
// A grid view of the rows under the design.
struct Grid {
    Grid(RecordSet* rows, bool allowHide) : def(designedGrid(allowHide)) {
        model.setSource(rows, &def);
        view.setModel(&model);
    }
    GridDefinition def;
    RecordSetModel model;
    GridView view;
};
class LayoutEndToEnd : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        ASSERT_TRUE(ReloadColumnConfigs());
    }
    void TearDown() override {
        columnConfigs().clear();
        ServerFixture::TearDown();
    }
};

}  // namespace

// A layout stored in two pieces is read as one text.
TEST_F(LayoutEndToEnd, APieceWiseStoredLayoutIsJoinedAndApplied) {
    GridDefinition old = designedGrid();
    old.columns[0].width = 400;
    const QString text = gridLayoutText(old);
    const int half = static_cast<int>(text.size() / 2);
    ASSERT_EQ(1, dm.ExecUpdate(QStringLiteral("insert into sysColConfigure(ColId, userId, colstr1, "
                                              "colstr2) values ('TfrmOld_dbgvX', 1, '%1', '%2')")
                                   .arg(text.left(half), text.mid(half))));
    ASSERT_TRUE(ReloadColumnConfigs());
    RecordSet rows = lines();
    Grid grid(&rows, true);
    EXPECT_EQ(60, grid.def.columns[0].width);
    EXPECT_TRUE(LoadGridLayout(&grid.view, u"TfrmOld_dbgvX"_s));
    EXPECT_EQ(400, grid.def.columns[0].width);
}
TEST_F(LayoutEndToEnd, StringGridsKeepTheirWidths) {
    QTableWidget grid(2, 3);
    for (int c = 0; c < 3; ++c)
        grid.setColumnWidth(c, QList<int>{40, 120, 75}.at(c));
    ASSERT_TRUE(saveStringGridLayout(&grid, u"TfrmList_sgX"_s));
    columnConfigs().clear();
    ASSERT_TRUE(ReloadColumnConfigs());
    QTableWidget fresh(0, 4);  // a column more than stored: 66 wide
    for (int c = 0; c < 4; ++c)
        fresh.setColumnWidth(c, 30);
    ASSERT_TRUE(loadStringGridLayout(&fresh, u"TfrmList_sgX"_s));
    EXPECT_EQ((QList<int>{40, 120, 75, 66}),
              (QList<int>{fresh.columnWidth(0), fresh.columnWidth(1), fresh.columnWidth(2),
                          fresh.columnWidth(3)}));
    QTableWidget other(0, 1);
    other.setColumnWidth(0, 30);
    EXPECT_FALSE(loadStringGridLayout(&other, u"TfrmNone_sgX"_s));
    EXPECT_EQ(30, other.columnWidth(0));
}

TEST(ProgressState, DefaultsAndBounds) {
    ProgressState s;
    s.reset(u"《德盈通》普及版"_s, QString(), 0, 0);
    EXPECT_EQ(u"正在努力工作，请稍候 ..."_s, s.text());
    EXPECT_EQ(u"《德盈通》普及版"_s, s.title());
    EXPECT_EQ(ProgressState::kDefaultMaximum, s.maximum());
    s.setMaximum(8);
    s.setPosition(12);  // beyond the scale: held at its end
    EXPECT_EQ(8, s.position());
    s.setPosition(-3);
    EXPECT_EQ(0, s.position());
    s.setPosition(4);
    s.setMaximum(3);  // a smaller scale pulls the position in
    EXPECT_EQ(3, s.position());
}
TEST(Prompter, ShowErrorSwallowsTheSilentTextAndTheAccessorSwapsAndRestores) {
    ScriptedPrompter p;
    p.showError(caption::hint(), dyt::DytError(u"不提示"_s));
    p.showError(caption::systemError(), dyt::DytError(u"无数据，不能打印"_s));
    p.showError(caption::error(), std::runtime_error("socket closed"));
    ASSERT_EQ(2, p.records().size());
    EXPECT_EQ(u"系统错误"_s, p.records().at(0).caption);
    EXPECT_EQ(u"无数据，不能打印"_s, p.records().at(0).text);
    EXPECT_EQ(u"socket closed"_s, p.records().at(1).text);
    // The accessor swaps and restores.
    Prompter* const original = &prompter();
    ScriptedPrompter outer;
    AcceptDefaultsPrompter inner;
    {
        PrompterOverride a(&outer);
        EXPECT_EQ(static_cast<Prompter*>(&outer), &prompter());
        {
            PrompterOverride b(&inner);
            EXPECT_EQ(static_cast<Prompter*>(&inner), &prompter());
        }
        EXPECT_EQ(static_cast<Prompter*>(&outer), &prompter());
    }
    EXPECT_EQ(original, &prompter());
}
TEST(AcceptDefaultsPrompter, TakesDefaultsAndLogs) {
    AcceptDefaultsPrompter p;
    EXPECT_EQ(0, p.ask(caption::hint(), u"您确定要退出系统吗？"_s, buttons::okCancel(), 0));
    EXPECT_EQ(1, p.ask(caption::systemWarning(), u"升级"_s, buttons::upgradeOrQuit(), 1));
    EXPECT_EQ(-1, p.ask(caption::hint(), u"无默认"_s, buttons::yesNo(), -1));
    QString v = u"x"_s;
    EXPECT_FALSE(p.input(caption::hint(), u"请输入打印密码"_s, &v, true));
    EXPECT_EQ(u"x"_s, v);
    p.message(caption::error(), u"打印密码错误"_s, MessageIcon::Error);
    p.showProgress(QString(), 0, 0, QString());
    EXPECT_TRUE(p.progressVisible());
    EXPECT_EQ(u"正在努力工作，请稍候 ..."_s, p.progress().text());
    p.hideProgress();
    EXPECT_FALSE(p.progressVisible());
    ASSERT_EQ(5, p.log().size());
    EXPECT_EQ(u"提示: 您确定要退出系统吗？ -> 确定(&O)"_s, p.log().at(0));
    EXPECT_EQ(u"系统警告: 升级 -> 放弃退出"_s, p.log().at(1));
    EXPECT_EQ(u"错误: 打印密码错误"_s, p.log().at(4));
}
namespace {

QPushButton* buttonWithText(QWidget* dialog, const QString& text) {
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}
QStringList buttonTexts(QWidget* dialog) {
    QStringList out;
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        out.append(b->isDefault() ? b->text() + u'*' : b->text());  // "*": the default button
    return out;
}

}  // namespace

TEST(DialogPrompter, QuestionReturnsTheClickedButton) {
    const QStringList close = {u"过账"_s, u"存为草稿"_s, u"废弃退出(&C)"_s};
    for (int pick = -1; pick < close.size(); ++pick) {  // -1: Esc gives up the question
        SCOPED_TRACE(pick);
        DialogPrompter p;
        QString title, text;
        QStringList shown;
        onNextModal([&](QWidget* dlg) {
            title = dlg->windowTitle();
            text = dlg->findChild<QLabel*>(u"lblText"_s)->text();
            shown = buttonTexts(dlg);
            if (pick < 0) {
                QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(dlg, &esc);
                return;
            }
            QPushButton* b = buttonWithText(dlg, close.at(pick));
            ASSERT_NE(nullptr, b);
            b->click();
        });
        const int answer =
            p.ask(u"单据提示"_s, u"请选择对本单据的处理，按《ESC》键放弃本次处理！"_s, close, 1);
        EXPECT_EQ(pick, answer);
        EXPECT_EQ(u"单据提示|请选择对本单据的处理，按《ESC》键放弃本次处理！"_s,
                  title + u'|' + text);
        EXPECT_EQ((QStringList{u"过账"_s, u"存为草稿*"_s, u"废弃退出(&C)"_s}), shown);
    }
}
TEST(DialogPrompter, MessageShowsCaptionTextAndOneButton) {
    DialogPrompter p;
    QString title, text;
    QStringList shown;
    onNextModal([&](QWidget* dlg) {
        title = dlg->windowTitle();
        text = dlg->findChild<QLabel*>(u"lblText"_s)->text();
        shown = buttonTexts(dlg);
        buttonWithText(dlg, u"确定"_s)->click();
    });
    // "\r" in the system's texts breaks the line.
    p.message(u"系统提示"_s, u"启动画面加载失败，系统可能已经被破坏,\r建议您重新安装客户端系统！"_s,
              MessageIcon::Warning);
    EXPECT_EQ(u"系统提示|启动画面加载失败，系统可能已经被破坏,\n建议您重新安装客户端系统！"_s,
              title + u'|' + text);
    EXPECT_EQ(1, shown.size());
    EXPECT_TRUE(shown.value(0).startsWith(u"确定"_s));
}
TEST(DialogPrompter, InputBoxReturnsTheTextOrCancels) {
    struct Case {
        bool password;
        bool confirm;
        QString typed;
    };
    const Case cases[] = {
        {true, true, u"s3cret"_s}, {false, true, u"机器一号"_s}, {true, false, u"ignored"_s}};
    for (const Case& c : cases) {
        DialogPrompter p;
        QString title, prompt;
        QLineEdit::EchoMode echo = QLineEdit::Normal;
        onNextModal([&](QWidget* w) {
            auto* dlg = qobject_cast<TfrmInputDlg*>(w);
            ASSERT_NE(nullptr, dlg);
            title = dlg->windowTitle();
            prompt = dlg->prompt();
            echo = dlg->edit()->echoMode();
            dlg->edit()->setText(c.typed);
            (c.confirm ? dlg->okButton() : dlg->cancelButton())->click();
        });
        QString value = u"before"_s;
        const bool ok =
            p.input(u"请输入数据库管理员口令"_s, u"管理员sa口令："_s, &value, c.password);
        EXPECT_EQ(c.confirm, ok);
        EXPECT_EQ(c.confirm ? c.typed : u"before"_s, value);
        EXPECT_EQ(u"请输入数据库管理员口令|管理员sa口令："_s, title + u'|' + prompt);
        EXPECT_EQ(c.password ? QLineEdit::Password : QLineEdit::Normal, echo);
    }
}
TEST(DialogPrompter, FlashWindowClosesItself) {
    DialogPrompter p;
    p.flash(u"保存成功！"_s, 600);
    QPointer<TfrmFlashMsg> w = p.flashWindow();
    ASSERT_FALSE(w.isNull());
    EXPECT_EQ(
        dyt::test::clientValuesText(true, u"保存成功！"_s, 600, true, true),
        dyt::test::clientValuesText(w->isVisible(), w->text(), w->closeTimer()->interval(),
                                    w->closeTimer()->isSingleShot(), w->closeTimer()->isActive()));
    // Fire the timer at once instead of waiting for it.
    w->closeTimer()->stop();
    QMetaObject::invokeMethod(w.data(), "close", Qt::QueuedConnection);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
}
TEST(DialogPrompter, ProgressWindowShowsStepsAndHides) {
    DialogPrompter p;
    p.showProgress(QString(), 0, 0, u"《德盈通》普及版"_s);
    TfrmProgressor* w = p.progressWindow();
    EXPECT_TRUE(p.progressVisible());
    EXPECT_EQ(p.progress().text(), w->text());
    EXPECT_EQ(u"《德盈通》普及版"_s, w->windowTitle());
    EXPECT_EQ(ProgressState::kStepMilliseconds, w->stepTimer()->interval());
    EXPECT_TRUE(w->stepTimer()->isActive());
    p.showProgress(u"正在加载系统配置，请稍后..."_s, 8, 4, QString());
    EXPECT_EQ(u"正在加载系统配置，请稍后..."_s, w->text());
    EXPECT_EQ(8, w->barMaximum());
    EXPECT_EQ(4, w->barValue());
    p.setProgressPosition(6);
    EXPECT_EQ(6, w->barValue());
    w->tick();
    w->tick();
    EXPECT_EQ(8, w->barValue());
    w->tick();  // past the maximum: back to 1
    EXPECT_EQ(1, w->barValue());
    EXPECT_EQ(1, p.progress().position());
    p.setProgressText(u"备份成功"_s);
    EXPECT_EQ(u"备份成功"_s, w->text());
    p.hideProgress();
    EXPECT_FALSE(p.progressVisible());
    EXPECT_FALSE(w->stepTimer()->isActive());
}
