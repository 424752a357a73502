// The form base classes: log entries, keys, dialogs, number edits, stored choices, row order,
// printing and cell access, against the recording transport and the scripted prompter.

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
#include <QTimer>
#include <QTreeWidget>

#include "client/logic/clientconfig.h"
#include "client/common/frmbase.h"
#include "client/common/frmxabstract.h"
#include "client/common/gridlayout.h"
#include "client/common/gridview.h"
#include "client/common/queryfilter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/settings.h"
#include "client/common/syslogin.h"
#include "common/error.h"
#include "common/inifile.h"
#include "common/paramlist.h"
#include "login_support.h"
#include "protocol/protocol.h"
#include "support/testutil.h"

using namespace dyt;
using namespace dyt::client;

namespace {

using dyt::test::errorOf;

// A list window of departments: id, code, name, the order field and a hidden barcode-like column.
class DepartmentList : public TfrmXAbstract {
public:
    explicit DepartmentList(QWidget* parent = nullptr) : TfrmXAbstract(parent) {
        setTitle(QStringLiteral("部门列表"));
        addColumn(QStringLiteral("编号"), QStringLiteral("code"), false, 60);
        addColumn(QStringLiteral("[%CNT%]部门名称"), QStringLiteral("fullname"), false, 100);
        addColumn(QStringLiteral("[%F%]内部码"), QStringLiteral("inner"), false, 60);
        addColumn(QStringLiteral("[%SUM%M%Cost%]预计资金"), QStringLiteral("cost"), false, 80);
        records().addField(QStringLiteral("id"), FieldType::Integer);
        records().addField(QStringLiteral("code"), FieldType::Text, 20);
        records().addField(QStringLiteral("fullname"), FieldType::Text, 60);
        records().addField(QStringLiteral("inner"), FieldType::Text, 10);
        records().addField(QStringLiteral("cost"), FieldType::Float);
    }
    void addRow(qint64 id, const QString& code, const QString& name, double cost = 0) {
        records().appendRow({id, code, name, QStringLiteral("x") + code, cost});
    }
    QString orderTable() const override { return table; }
    QString table = QStringLiteral("baseBM");
};

class FormsTest : public test::LoginFixture {
protected:
    void SetUp() override {
        LoginFixture::SetUp();
        TfrmBase::setProgramFolder(dir.path());
        resetSettings();
        connectLoggedIn(7);
        loginedUser().UserName = QStringLiteral("张三");
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
            const ParamList p(c.paramLines.join(QStringLiteral("\r\n")));
            out.append(p.value(QStringLiteral("logMsgType")) + QLatin1Char('|') +
                       p.value(QStringLiteral("logMsgCont")) + QLatin1Char('|') +
                       p.value(QStringLiteral("aTag")));
        }
        return out;
    }
    QList<ParamList> procCalls(const QString& name) const {
        QList<ParamList> out;
        for (const RecordedCall& c : transport->calls()) {
            if (c.procedure == name)
                out.append(ParamList(c.paramLines.join(QStringLiteral("\r\n"))));
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

TEST_F(FormsTest, EachWindowInstanceLogsOneOpenAndOneCloseEntry) {
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
    EXPECT_EQ(
        (QStringList{
            QStringLiteral("1|打开窗口[部门列表]|1005"), QStringLiteral("2|关闭窗口[部门列表]|"),
            QStringLiteral("1|打开窗口[部门列表]|1005"), QStringLiteral("2|关闭窗口[部门列表]|")}),
        logEntries());
    // The lines carry the session's operator and workstation.
    const QList<ParamList> calls = procCalls(QStringLiteral("p_sys_Up_Log"));
    ASSERT_EQ(4, calls.size());
    EXPECT_EQ(QStringLiteral("张三"), calls[0].value(QStringLiteral("logUserName")));
    EXPECT_EQ(QStringLiteral("7"), calls[0].value(QStringLiteral("logUserId")));
}

TEST_F(FormsTest, LogEntriesOnlyForChildWindowsOrTaggedWindows) {
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

    QFile help(QDir(dir.path()).filePath(QStringLiteral("Help.chm")));
    ASSERT_TRUE(help.open(QIODevice::WriteOnly));
    help.close();
    press(w, Qt::Key_F1);
    EXPECT_EQ(QStringList{QDir(dir.path()).filePath(QStringLiteral("Help.chm"))}, opened);

    press(w, Qt::Key_Escape);
    flushDeletes();
    EXPECT_TRUE(w.isNull());
}

TEST_F(FormsTest, CtrlUpAndDownMoveTheFocusedRowAndStoreTheOrder) {
    DepartmentList w;
    w.addRow(11, QStringLiteral("A"), QStringLiteral("甲"));
    w.addRow(12, QStringLiteral("B"), QStringLiteral("乙"));
    w.addRow(13, QStringLiteral("C"), QStringLiteral("丙"));
    w.showRecords();
    w.SetRowOrder();
    w.btnUp()->setVisible(true);
    w.btnDown()->setVisible(true);
    QTableView* table = w.dbgvX()->table();

    w.setFocusedRow(1);
    press(table, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ((QStringList{QStringLiteral("B"), QStringLiteral("A"), QStringLiteral("C")}),
              displayedCodes(w));
    EXPECT_EQ(0, w.focusedRow());  // the moved row stays focused
    QList<ParamList> sent = procCalls(QStringLiteral("p_Base_Up_Orderly"));
    ASSERT_EQ(1, sent.size());
    EXPECT_EQ(QStringLiteral("baseBM"), sent[0].value(QStringLiteral("tableName")));
    EXPECT_EQ(QStringLiteral("12,11,13"), sent[0].value(QStringLiteral("IdList")));
    for (const char* piece : {"IdList2", "IdList3", "IdList4", "IdList5"}) {
        EXPECT_TRUE(sent[0].contains(QLatin1String(piece)));
        EXPECT_EQ(QString(), sent[0].value(QLatin1String(piece)));
    }

    // The first row cannot move up, the last not down: nothing is sent.
    press(table, Qt::Key_Up, Qt::ControlModifier);
    w.setFocusedRow(2);
    press(table, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(1, procCalls(QStringLiteral("p_Base_Up_Orderly")).size());

    // A disabled or hidden command does not run.
    w.setFocusedRow(1);
    w.btnDown()->setEnabled(false);
    press(table, Qt::Key_Down, Qt::ControlModifier);
    w.btnDown()->setEnabled(true);
    w.btnDown()->setVisible(false);
    press(&w, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(1, procCalls(QStringLiteral("p_Base_Up_Orderly")).size());

    w.btnDown()->setVisible(true);
    press(&w, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ((QStringList{QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("A")}),
              displayedCodes(w));
    EXPECT_EQ(2, w.focusedRow());
    sent = procCalls(QStringLiteral("p_Base_Up_Orderly"));
    ASSERT_EQ(2, sent.size());
    EXPECT_EQ(QStringLiteral("12,13,11"), sent[1].value(QStringLiteral("IdList")));
}

TEST_F(FormsTest, AFailedOrderSaveIsShownWithHint) {
    DepartmentList w;
    w.addRow(1, QStringLiteral("A"), QStringLiteral("甲"));
    w.addRow(2, QStringLiteral("B"), QStringLiteral("乙"));
    w.showRecords();
    transport->respond(QStringLiteral("ExecProc"), 0,
                       {QString(), -1, QStringLiteral("表[baseBM]不能排序")});
    EXPECT_FALSE(w.SaveRowOrder());
    ASSERT_EQ(1, script.records().size());
    EXPECT_EQ(QStringLiteral("提示"), script.records()[0].caption);
    EXPECT_EQ(QStringLiteral("表[baseBM]不能排序"), script.records()[0].text);
    // A window without an order table sends nothing.
    transport->clearCalls();
    w.table.clear();
    EXPECT_FALSE(w.SaveRowOrder());
    EXPECT_EQ(0, procCalls(QStringLiteral("p_Base_Up_Orderly")).size());
}

TEST_F(FormsTest, SetRowOrderNumbersTheDisplayOrderWithSixDigits) {
    DepartmentList w;
    w.addRow(1, QStringLiteral("C"), QStringLiteral("丙"));
    w.addRow(2, QStringLiteral("A"), QStringLiteral("甲"));
    w.addRow(3, QStringLiteral("B"), QStringLiteral("乙"));
    w.showRecords();
    w.model()->sort(0, Qt::AscendingOrder);  // A, B, C on screen
    w.SetRowOrder();
    const RecordSet& rs = w.records();
    ASSERT_TRUE(rs.hasField(QStringLiteral("_order")));
    const int f = rs.fieldIndex(QStringLiteral("_order"));
    EXPECT_EQ(QStringLiteral("000003"), rs.at(0, f).toString());  // C
    EXPECT_EQ(QStringLiteral("000001"), rs.at(1, f).toString());  // A
    EXPECT_EQ(QStringLiteral("000002"), rs.at(2, f).toString());  // B
}

TEST_F(FormsTest, IdListsAreCutAtCommasIntoFivePieces) {
    EXPECT_EQ((QStringList{QStringLiteral("1,22"), QStringLiteral("333"), QStringLiteral("4"),
                           QString(), QString()}),
              SplitIdList({1, 22, 333, 4}, 4));
    EXPECT_EQ((QStringList{QString(), QString(), QString(), QString(), QString()}),
              SplitIdList({}, 4));
    EXPECT_EQ(QStringLiteral("排序的记录太多，不能保存顺序"), errorOf([] {
                  SplitIdList({1, 2, 3, 4, 5, 6}, 1);
              }));
    EXPECT_EQ(QStringLiteral("排序的记录太多，不能保存顺序"),
              errorOf([] { SplitIdList({123456}, 3); }));
}

TEST_F(FormsTest, PrintRowsNumberTheShownColumnsAndMaskCosts) {
    DepartmentList w;
    RecordSet detail;
    w.showRecords();
    EXPECT_EQ(QStringLiteral("无数据，不能打印"), errorOf([&] { w.BuildPrintRows(&detail); }));

    w.addRow(1, QStringLiteral("A"), QStringLiteral("甲"), 12.5);
    w.addRow(2, QStringLiteral("B"), QStringLiteral("乙"), 7);
    w.showRecords();
    w.BuildPrintRows(&detail);
    // The hidden column ("F" rule) stays out; the cost column prints its mask (no right 6003).
    ASSERT_EQ(4, detail.fieldCount());
    EXPECT_EQ(QStringLiteral("行号"), detail.field(0).name);
    EXPECT_EQ(QStringLiteral("code"), detail.field(1).name);
    EXPECT_EQ(QStringLiteral("编号"), detail.field(1).caption());
    EXPECT_EQ(QStringLiteral("部门名称"), detail.field(2).caption());
    EXPECT_EQ(QStringLiteral("cost"), detail.field(3).name);
    ASSERT_EQ(2, detail.rowCount());
    EXPECT_EQ(1, detail.at(0, 0).toInt());
    EXPECT_EQ(2, detail.at(1, 0).toInt());
    EXPECT_EQ(QStringLiteral("乙"), detail.at(1, 2).toString());
    EXPECT_EQ(QStringLiteral("***"), detail.at(0, 3).toString());

    // With the right the cost itself is printed.
    settings().SeeCost = true;
    DepartmentList seen;
    seen.addRow(1, QStringLiteral("A"), QStringLiteral("甲"), 12.5);
    seen.showRecords();
    seen.BuildPrintRows(&detail);
    EXPECT_EQ(12.5, detail.at(0, 3).toDouble());

    // A column the operator marked "不打印" in the column configuration stays out of the print.
    GridDefinition& def = seen.gridDefinition();
    const int name = def.columnIndex(QStringLiteral("fullname"));
    ASSERT_GE(name, 0);
    ASSERT_TRUE(def.columns[name].exData.has_value());
    def.columns[name].exData->print = false;
    seen.BuildPrintRows(&detail);
    EXPECT_EQ(3, detail.fieldCount());
    EXPECT_FALSE(detail.hasField(QStringLiteral("fullname")));
    EXPECT_EQ(QStringLiteral("A"), detail.at(0, 1).toString());
}

TEST_F(FormsTest, PrintHandsHeaderAndDetailToTheEngine) {
    TSettings& s = settings();
    s.CompanyFullName = QStringLiteral("德盈商贸有限公司");
    s.PhoneNumber = QStringLiteral("010-1234");
    s.CompanyAddress = QStringLiteral("北京");
    s.BankAccount = QStringLiteral("工行 6222");
    s.TaxNumber = QStringLiteral("91110");
    s.FaxNumber = QStringLiteral("010-5678");
    DepartmentList w;
    auto* number = new QLineEdit(QStringLiteral("JH-001"));
    w.addHeaderField(QStringLiteral("单据编号："), number);
    auto* audited = new QCheckBox(QStringLiteral("已审核"));
    audited->setChecked(true);
    w.addHeaderField(QStringLiteral("已审核"), audited);
    auto* note = new QLineEdit(QStringLiteral("急"));
    w.addHeaderField(QStringLiteral("&备注:"), note);

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
    EXPECT_EQ(QStringList{QStringLiteral("无数据，不能打印")}, script.messages());
    EXPECT_EQ(QStringLiteral("提示"), script.records().value(0).caption);

    w.addRow(1, QStringLiteral("A"), QStringLiteral("甲"));
    w.showRecords();
    for (int mode : {kPrintDirect, kPrintPreview, kPrintPreviewOnly, kPrintDesign})
        EXPECT_EQ(1, w.RunPrint(mode));
    ASSERT_EQ(4, calls.size());
    EXPECT_EQ(kPrintDesign, calls[3].mode);
    EXPECT_EQ(QStringLiteral("部门列表.QXF"), calls[0].file);
    const RecordSet& h = calls[0].header;
    const QStringList expectedNames = {
        QStringLiteral("公司全名"), QStringLiteral("公司电话"), QStringLiteral("公司地址"),
        QStringLiteral("公司账号"), QStringLiteral("公司税号"), QStringLiteral("公司传真号"),
        QStringLiteral("操作员"),   QStringLiteral("打印标签"), QStringLiteral("单据编号"),
        QStringLiteral("已审核"),   QStringLiteral("备注")};
    const QStringList expectedValues = {QStringLiteral("德盈商贸有限公司"),
                                        QStringLiteral("010-1234"),
                                        QStringLiteral("北京"),
                                        QStringLiteral("工行 6222"),
                                        QStringLiteral("91110"),
                                        QStringLiteral("010-5678"),
                                        QStringLiteral("张三"),
                                        QStringLiteral("德盈通软件"),
                                        QStringLiteral("JH-001"),
                                        QStringLiteral("是"),
                                        QStringLiteral("急")};
    ASSERT_EQ(expectedNames.size(), h.fieldCount());
    ASSERT_EQ(1, h.rowCount());
    for (int i = 0; i < h.fieldCount(); ++i) {
        EXPECT_EQ(expectedNames[i], h.field(i).name);
        EXPECT_EQ(expectedValues[i], h.at(0, i).toString()) << expectedNames[i].toStdString();
    }
    EXPECT_EQ(1, calls[0].detail.rowCount());
    EXPECT_EQ(QStringLiteral("行号"), calls[0].detail.field(0).name);
}

TEST_F(FormsTest, DialogClosesByButtonsWithoutAskingAndOtherwiseOnConfirm) {
    TfrmBaseDialog d;
    d.setConfirmOnClose(true, QStringLiteral("放弃修改吗？"));
    EXPECT_EQ(QStringLiteral("标题名称"), d.lbltitle()->text());
    EXPECT_EQ(QStringLiteral("确定(&O)"), d.btnOK()->text());
    EXPECT_EQ(QStringLiteral("退出(&C)"), d.btnExit()->text());

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
        script.answer(QString::fromUtf8(r.answer), QStringLiteral("放弃修改吗？"));
        d.close();
        EXPECT_EQ(!r.closed, d.isVisible()) << r.name;
        EXPECT_FALSE(d.result()) << r.name;
        EXPECT_FALSE(d.closedByButton()) << r.name;
    }
    const auto questions = script.records(PromptKind::Question);
    ASSERT_EQ(2, questions.size());
    EXPECT_EQ(QStringLiteral("提示"), questions[0].caption);
    EXPECT_EQ((QStringList{QStringLiteral("确定"), QStringLiteral("取消")}), questions[0].buttons);

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
    auto* unmarked = new QLineEdit(QStringLiteral("2.5"), &w);
    auto* unmarkedLabel = new QLabel(QStringLiteral("数量"), &w);
    unmarkedLabel->setBuddy(unmarked);
    w.show();  // creation formats the edits
    for (int i = 0; i < edits.size(); ++i)
        EXPECT_EQ(QString::fromUtf8(rows[i].shown), edits[i]->text()) << rows[i].label;
    EXPECT_EQ(QStringLiteral("2.5"), unmarked->text());
    EXPECT_EQ(QString(), NumberPatternForLabel(QStringLiteral("名称")));
    w.setAttribute(Qt::WA_DeleteOnClose, false);
}

TEST_F(FormsTest, SmartFilterChoiceIsStoredPerWindowTitle) {
    {
        DepartmentList w;
        w.showRecords();
        w.show();
        EXPECT_FALSE(w.cbqiyongzhinengguolv()->isChecked());
        EXPECT_FALSE(w.dbgvX()->filterRow()->isVisible());
        EXPECT_EQ(QStringLiteral("您可以在这里进行智能过滤"), w.cbqiyongzhinengguolv()->toolTip());
        w.cbqiyongzhinengguolv()->click();
        EXPECT_TRUE(w.smartFilter());
        EXPECT_TRUE(w.dbgvX()->filterRow()->isVisible());
        w.setAttribute(Qt::WA_DeleteOnClose, false);
    }
    EXPECT_EQ(QStringLiteral("1"),
              clientConfig().ini().ReadString(QStringLiteral("部门列表"),
                                              QStringLiteral("qiyongzhinengguolv")));
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
    EXPECT_EQ(QStringLiteral("0"),
              clientConfig().ini().ReadString(QStringLiteral("部门列表"),
                                              QStringLiteral("qiyongzhinengguolv")));
    // Another window title has its own choice.
    DepartmentList other;
    other.setTitle(QStringLiteral("仓库列表"));
    clientConfig().ini().WriteString(QStringLiteral("部门列表"),
                                     QStringLiteral("qiyongzhinengguolv"), QStringLiteral("1"));
    other.show();
    EXPECT_FALSE(other.smartFilter());
    other.setAttribute(Qt::WA_DeleteOnClose, false);
}

TEST_F(FormsTest, CategoryTreeNestsByLevelAndKeepsItsWidth) {
    RecordSet rows;
    rows.addField(QStringLiteral("id"), FieldType::Integer);
    rows.addField(QStringLiteral("fullname"), FieldType::Text);
    rows.addField(QStringLiteral("leveal"), FieldType::Integer);
    rows.appendRow({1, QStringLiteral("华北"), 1});
    rows.appendRow({2, QStringLiteral("北京"), 2});
    rows.appendRow({3, QStringLiteral("朝阳"), 3});
    rows.appendRow({4, QStringLiteral("天津"), 2});
    rows.appendRow({5, QStringLiteral("华南"), 1});
    {
        auto* w = new DepartmentList;
        w->resize(800, 500);
        w->show();
        w->LoadCategoryTree(rows);
        QTreeWidget* tree = w->tvCategory();
        ASSERT_EQ(2, tree->topLevelItemCount());
        QTreeWidgetItem* north = tree->topLevelItem(0);
        EXPECT_EQ(QStringLiteral("华北"), north->text(0));
        ASSERT_EQ(2, north->childCount());
        EXPECT_EQ(QStringLiteral("天津"), north->child(1)->text(0));
        ASSERT_EQ(1, north->child(0)->childCount());
        EXPECT_EQ(3, north->child(0)->child(0)->data(0, Qt::UserRole).toLongLong());
        EXPECT_EQ(195, w->treeWidth());  // default
        w->setTreeWidth(240);
        w->close();
        flushDeletes();
    }
    EXPECT_EQ(QStringLiteral("240"), clientConfig().ini().ReadString(QStringLiteral("部门列表"),
                                                                     QStringLiteral("TreeWidth")));
    DepartmentList again;
    again.resize(800, 500);
    again.show();
    again.LoadCategoryTree(rows);
    EXPECT_EQ(240, again.treeWidth());
    again.setAttribute(Qt::WA_DeleteOnClose, false);

    // A window without a tree leaves the width alone.
    clientConfig().ini().WriteString(QStringLiteral("部门列表"), QStringLiteral("TreeWidth"),
                                     QStringLiteral("111"));
    auto* noTree = new DepartmentList;
    noTree->show();
    noTree->close();
    flushDeletes();
    EXPECT_EQ(QStringLiteral("111"), clientConfig().ini().ReadString(QStringLiteral("部门列表"),
                                                                     QStringLiteral("TreeWidth")));
}

TEST_F(FormsTest, CellAccessReportsEmptyGridsAndIndexesOutOfRange) {
    DepartmentList w;
    w.showRecords();
    EXPECT_EQ(QStringLiteral("无数据"), errorOf([&] { w.cellValue(0, 0); }));
    w.addRow(1, QStringLiteral("A"), QStringLiteral("甲"));
    w.addRow(2, QStringLiteral("B"), QStringLiteral("乙"));
    w.showRecords();
    EXPECT_EQ(QStringLiteral("B"), w.cellValue(1, 0).toString());
    EXPECT_EQ(QStringLiteral("甲"), w.cellValue(0, 1).toString());
    struct Row {
        int row;
        int column;
        QString message;
    } rows[] = {
        {2, 0, QStringLiteral("第2/2行索引越界 ")},
        {-1, 0, QStringLiteral("第-1/2行索引越界 ")},
        {0, 4, QStringLiteral("第4/4列索引越界 ")},
        {1, -1, QStringLiteral("第-1/4列索引越界 ")},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.message, errorOf([&] { w.cellValue(r.row, r.column); }));
}

TEST_F(FormsTest, LongLoadsShowTheReceivingMessage) {
    DepartmentList w;
    bool visibleDuringLoad = false;
    w.loadRecords([&](RecordSet& rs) {
        visibleDuringLoad = script.progressVisible();
        rs.appendRow({1, QStringLiteral("A"), QStringLiteral("甲")});
    });
    EXPECT_TRUE(visibleDuringLoad);
    EXPECT_FALSE(script.progressVisible());
    EXPECT_EQ(QStringList{QStringLiteral("正在接收数据，请稍等......")}, script.progressTexts());
    EXPECT_EQ(1, w.model()->rowCount());
}

TEST_F(FormsTest, BaseRecordFieldsFillTheFocusedRow) {
    class Lines : public TfrmXAbstract {
    public:
        Lines() {
            records().addField(QStringLiteral("sp_id"), FieldType::Integer);
            records().addField(QStringLiteral("sp_spbh"), FieldType::Text);
            records().addField(QStringLiteral("ck_id"), FieldType::Integer);
            records().addField(QStringLiteral("qty"), FieldType::Float);
            addColumn(QStringLiteral("编号"), QStringLiteral("sp_spbh"), false, 60);
            records().appendRow({QVariant(), QVariant(), 9, 1.0});
            records().appendRow({QVariant(), QVariant(), 8, 2.0});
        }
    } w;
    w.showRecords();
    RecordSet goods;
    goods.addField(QStringLiteral("id"), FieldType::Integer);
    goods.addField(QStringLiteral("sp_spbh"), FieldType::Text);
    goods.addField(QStringLiteral("qty"), FieldType::Float);
    goods.appendRow({501, QStringLiteral("G-501"), 99.0});
    goods.first();
    w.setFocusedRow(1);
    w.FillGoodsFields(goods);
    const RecordSet& rs = w.records();
    EXPECT_EQ(501, rs.at(1, 0).toLongLong());                    // sp_id <- id
    EXPECT_EQ(QStringLiteral("G-501"), rs.at(1, 1).toString());  // same name
    EXPECT_EQ(8, rs.at(1, 2).toLongLong());                      // other prefix untouched
    EXPECT_EQ(2.0, rs.at(1, 3).toDouble());                      // unprefixed untouched
    EXPECT_TRUE(rs.at(0, 0).isNull());                           // other rows untouched
    EXPECT_EQ(1, w.focusedRow());
}

TEST_F(FormsTest, PopupMenuOffersRefreshAndExport) {
    class Refreshing : public DepartmentList {
    public:
        void refreshData() override { ++refreshed; }
        int refreshed = 0;
    } w;
    ASSERT_EQ(2, w.pmBill()->actions().size());
    EXPECT_EQ(QStringLiteral("刷新数据"), w.pmBill()->actions()[0]->text());
    EXPECT_EQ(QStringLiteral("转成Excel(&E)"), w.pmBill()->actions()[1]->text());
    w.actRefresh()->trigger();
    EXPECT_EQ(1, w.refreshed);
}

TEST_F(FormsTest, ASuccessfulLoginReadsTheOperatorsLayoutsAgain) {
    // Layouts of the previous operator are still held.
    RecordSet& held = columnConfigs();
    held.clear();
    held.addField(QStringLiteral("ColId"), FieldType::Text);
    held.appendRow({QStringLiteral("TfrmOld_dbgvX")});

    RecordSet answer;
    answer.addField(QStringLiteral("ColId"), FieldType::Text);
    answer.addField(QStringLiteral("colstr1"), FieldType::Text);
    answer.addField(QStringLiteral("userId"), FieldType::Integer);
    answer.appendRow({QStringLiteral("TfrmNew_dbgvX"), QStringLiteral("[_Sys_]"), 4});
    sysLogin().showLoginWindow = [&](TfrmLogin&) {
        transport->respond(QStringLiteral("Login"), 0,
                           {QStringLiteral("UserId=4\r\nUserName=王五\r\nUserCode=004")});
        EXPECT_TRUE(sysLogin().Login(QStringLiteral("dytv1_1"), QStringLiteral("甲"),
                                     QStringLiteral("王五"), QStringLiteral("4"),
                                     QStringLiteral("pw")));
    };
    transport->respond(QStringLiteral("ExecQuery"), 0, {proto::recordSetToCbor(answer), QString()});
    const bool loggedIn = sysLogin().RunLogin(1);
    sysLogin().showLoginWindow = nullptr;
    sysLogin().LoggedIn = false;
    ASSERT_TRUE(loggedIn);

    QStringList queries;
    for (const RecordedCall& c : transport->calls()) {
        if (c.method == u"ExecQuery")
            queries.append(c.sql);
    }
    EXPECT_EQ(QStringList{QStringLiteral(" select * from sysColConfigure where UserId=4 ")},
              queries);
    ASSERT_EQ(1, columnConfigs().recordCount());
    EXPECT_EQ(QStringLiteral("TfrmNew_dbgvX"), columnConfigs().text(QStringLiteral("ColId")));
    columnConfigs().clear();
}

TEST_F(FormsTest, ModalDialogAnswersByItsButtons) {
    TfrmBaseDialog d;
    QTimer::singleShot(0, &d, [&] { d.btnOK()->click(); });
    EXPECT_EQ(1, d.exec());
    EXPECT_FALSE(d.isVisible());
    QTimer::singleShot(0, &d, [&] { d.btnExit()->click(); });
    EXPECT_EQ(0, d.exec());
    // A refused window close keeps the loop running until a button ends it.
    d.setConfirmOnClose(true, QStringLiteral("确定要退出吗？"));
    script.answer(QStringLiteral("取消"));
    QTimer::singleShot(0, &d, [&] {
        d.close();
        EXPECT_TRUE(d.isVisible());
        d.btnOK()->click();
    });
    EXPECT_EQ(1, d.exec());
}

TEST_F(FormsTest, RevertDropsTheQueryFilterSoTheNextNarrowingStartsFromAllRows) {
    DepartmentList w;
    w.addRow(1, QStringLiteral("A"), QStringLiteral("甲"));
    w.addRow(2, QStringLiteral("B"), QStringLiteral("乙"));
    w.addRow(3, QStringLiteral("AB"), QStringLiteral("丙"));
    w.showRecords();
    const GridDefinition& def = w.gridDefinition();
    const int code = def.columnIndex(QStringLiteral("code"));
    gridfilter::ApplyQueryFilter(
        w.dbgvX(),
        gridfilter::QueryFilter::makeCondition(def, code, gridfilter::FilterOperator::LeftMatch,
                                               QStringLiteral("A")),
        gridfilter::FilterScope::New);
    EXPECT_EQ(2, w.model()->rowCount());

    w.lbrevertClick();
    EXPECT_EQ(3, w.model()->rowCount());
    EXPECT_TRUE(gridfilter::CurrentQueryFilter(w.dbgvX()).text().isEmpty());
    // Narrowing "on the last result" after the revert sees every row again.
    gridfilter::ApplyQueryFilter(
        w.dbgvX(),
        gridfilter::QueryFilter::makeCondition(def, code, gridfilter::FilterOperator::Equal,
                                               QStringLiteral("B")),
        gridfilter::FilterScope::WithinLast);
    EXPECT_EQ(1, w.model()->rowCount());
}
