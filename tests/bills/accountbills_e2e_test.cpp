// The account-lines bills entered at the keyboard against a real server: opened from their menu
// codes, filled by keys, saved as drafts, reopened, posted, reopened read-only and reversed, with
// the account and partner balances checked against figures worked out by hand.
#include "bills_support.h"
#include "client/bills/accountbill.h"
#include "client/shell/functions.h"
#include "protocol/functioncodes.h"
#include "uihelpers.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

using test::pressKey;
using test::typeKeys;

// Accounts of the default chart the bills use.
enum : qint64 {
    kCash = 8,      // 103 现金
    kBank = 36,     // 10401 银行存款
    kIncome = 22,   // 302 其它收入
    kExpense = 27,  // 402 其它费用
    kCapital = 34,  // 501 实收资本
    kPayable = 16,  // 201 应付账款
    kPartner = 201,
};

struct TypedLine {
    QString code;
    QString first;   // amount, money in or debit
    QString second;  // money out or credit
};

class AccountBillsE2E : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        addRecord("baseWLDW", kPartner, "G1", "华东五金");
        openAccounts();
        settings().DefaultBillRows = 2;
        loadBillKinds(dm);
        registerBillWindows();
        installBillOpener();
    }
    void TearDown() override {
        for (const QPointer<QWidget>& w : windows_)
            delete w.data();
        ServerFixture::TearDown();
    }
    QString messages() const { return script.messages().join(u"|"_s); }
    double account(qint64 id) {
        return number(u"SELECT Total FROM baseKM WHERE id = %1"_s.arg(id));
    }
    double partner(const char* column) {
        return number(u"SELECT %1 FROM baseWLDW WHERE id = %2"_s.arg(QLatin1String(column))
                          .arg(kPartner));
    }
    TfrmBillAccountLines* keep(QWidget* w) {
        windows_.append(w);
        return qobject_cast<TfrmBillAccountLines*>(w);
    }
    // A new bill as the function menu opens it: the code is built and opens the family's window.
    TfrmBillAccountLines* openFromMenu(int code) {
        const FunctionEntry* entry = findFunction(code);
        EXPECT_TRUE(entry && functionBuilt(*entry)) << code;
        auto* bill = keep(billOpener().open(entry->billType, nullptr));
        EXPECT_NE(nullptr, bill) << code;
        if (bill)
            show(bill);
        return bill;
    }
    TfrmBillAccountLines* reopen(int djType, qint64 id) {
        return keep(OpenBill(djType, id, false));
    }
    void show(TfrmBillAccountLines* bill) {
        bill->resize(1200, 700);
        test::setKeyWindow(bill);
        bill->show();
        bill->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(bill));
    }
    static bool gridFocused(TfrmBillAccountLines* bill) {
        return bill->focusWidget() == bill->dbgvX()->table();
    }
    static QString cursorField(TfrmBillAccountLines* bill) {
        const QModelIndex i = bill->dbgvX()->table()->currentIndex();
        return i.isValid() ? bill->gridDefinition().columns.at(i.column()).fieldName : QString();
    }
    // Walks the header with Enter from its first field, typing the partner and the money
    // account and amount where given, into the first line; then types the lines.
    void fill(TfrmBillAccountLines* bill, const QString& partnerCode, const QString& moneyCode,
              const QString& money, const QList<TypedLine>& lines) {
        QLineEdit* first = bill->eddw() ? bill->eddw() : bill->edjsr();
        first->setFocus();
        if (bill->eddw())
            typeKeys(partnerCode);
        pressKey(Qt::Key_Return);
        for (int i = 0; i < 8 && !gridFocused(bill); ++i) {
            QWidget* at = bill->focusWidget();
            if (at == bill->edzh())
                typeKeys(moneyCode);
            else if (at == bill->edje())
                typeKeys(money);
            pressKey(Qt::Key_Return);
        }
        ASSERT_TRUE(gridFocused(bill));
        const bool twoSided = bill->kind().mode == AccountLineMode::Transfer ||
                              bill->kind().mode == AccountLineMode::Voucher;
        for (int row = 0; row < lines.size(); ++row) {
            const TypedLine& l = lines.at(row);
            EXPECT_EQ(bill->codeField(), cursorField(bill));
            EXPECT_EQ(row, bill->dbgvX()->table()->currentIndex().row());
            typeKeys(l.code);
            pressKey(Qt::Key_Return);
            EXPECT_EQ(twoSided ? u"dbTotal"_s : u"total"_s, cursorField(bill)) << messages().toStdString();
            for (const QString& amount : twoSided ? QStringList{l.first, l.second}
                                                  : QStringList{l.first}) {
                if (!amount.isEmpty())
                    typeKeys(amount);
                pressKey(Qt::Key_Return);
            }
            EXPECT_EQ(u"comment"_s, cursorField(bill));
            pressKey(Qt::Key_Return);
        }
    }
    qint64 save(TfrmBillAccountLines* bill, bool post) {
        qint64 id = 0;
        QObject::connect(bill, &TfrmBillAbstract::billSaved, [&id](qint64 saved) { id = saved; });
        pressKey(post ? Qt::Key_S : Qt::Key_D, Qt::ControlModifier);
        return id;
    }
    // Types a value into a header field or a line cell and confirms it with Enter.
    static void retype(QLineEdit* field, const QString& text) {
        field->setFocus();
        field->selectAll();
        typeKeys(text);
        pressKey(Qt::Key_Return);
    }
    static void retypeCell(TfrmBillAccountLines* bill, int row, const QString& field,
                           const QString& text) {
        QTableView* table = bill->dbgvX()->table();
        table->setCurrentIndex(bill->model()->index(row, bill->gridDefinition().columnIndex(field)));
        table->setFocus();
        typeKeys(text);
        pressKey(Qt::Key_Return);
    }
    static QString linesText(const QList<AccountLine>& lines) {
        QStringList out;
        for (const AccountLine& l : lines)
            out << u"%1:%2/%3"_s.arg(l.account).arg(l.debit).arg(l.credit);
        return out.join(u' ');
    }
    void reverse(qint64 id) {
        ParamList p;
        p.setValue(u"isRed"_s, u"-1"_s);
        p.setValue(u"billid"_s, QString::number(id));
        p.setValue(u"dj_state"_s, u"2"_s);
        dm.ExecProc(u"P_JXC_DJ_CopyRed"_s, p);
    }

    QList<QPointer<QWidget>> windows_;
};

// Every kind of the family opens from its menu code as a new bill of its own kind.
TEST_F(AccountBillsE2E, EveryKindOpensFromItsMenuCode) {
    for (const AccountBillKind& k : accountBillKinds()) {
        SCOPED_TRACE(k.djType);
        const BillKind* kind = findBillKind(k.djType);
        ASSERT_NE(nullptr, kind);
        EXPECT_EQ(kind->className, k.className);
        TfrmBillAccountLines* bill = openFromMenu(kind->menuTag);
        ASSERT_NE(nullptr, bill);
        EXPECT_EQ(k.djType, bill->djType());
        EXPECT_EQ(kind->name, bill->windowTitle());
        EXPECT_EQ(k.hasPartner, bill->eddw() != nullptr);
        EXPECT_EQ(k.money != MoneyPart::None, bill->edzh() != nullptr);
        bill->close();
    }
}

// 现金费用单: 100 of expenses, 60 paid in cash, the rest owed to the partner.
TEST_F(AccountBillsE2E, CashFeeDraftReopenPostReadOnlyAndReversal) {
    TfrmBillAccountLines* bill = openFromMenu(201901);
    ASSERT_NE(nullptr, bill);
    EXPECT_EQ(17, bill->djType());
    fill(bill, u"G1"_s, u"103"_s, u"60"_s, {{u"402"_s, u"100"_s, {}}});
    EXPECT_EQ(u"华东五金"_s, bill->eddw()->text());
    EXPECT_EQ(u"现金"_s, bill->edzh()->text());
    const qint64 draft = save(bill, false);
    ASSERT_GT(draft, 0) << messages().toStdString();
    EXPECT_EQ(0, partner("yftotal"));  // a draft books nothing
    EXPECT_EQ(0, account(kCash));

    TfrmBillAccountLines* again = reopen(17, draft);
    show(again);
    EXPECT_EQ(int(kBillDraft), again->billState());
    EXPECT_EQ(u"华东五金|现金|60.00"_s, again->eddw()->text() + u'|' + again->edzh()->text() + u'|' +
                                             QString::number(again->edje()->text().toDouble(), 'f', 2));
    EXPECT_EQ(u"27:100/0"_s, linesText(again->lines()));
    EXPECT_EQ(draft, save(again, true)) << messages().toStdString();
    EXPECT_EQ(40, partner("yftotal"));
    EXPECT_EQ(-60, account(kCash));
    EXPECT_EQ(100, account(kExpense));
    EXPECT_EQ(40, account(kPayable));

    TfrmBillAccountLines* posted = reopen(17, draft);
    EXPECT_EQ(int(kBillPosted), posted->billState());
    EXPECT_TRUE(posted->isReadOnly());
    EXPECT_FALSE(posted->btnBillSave()->isEnabled());
    EXPECT_EQ(u"27:100/0"_s, linesText(posted->lines()));

    reverse(draft);
    EXPECT_EQ(0, partner("yftotal"));
    EXPECT_EQ(0, account(kCash));
    EXPECT_EQ(0, account(kExpense));
}

// Each kind: a first posting refused for what is missing or wrong, the fix typed, a draft that
// books nothing, the draft reopened and posted, the balances moved by the hand-worked amounts,
// the posted bill reopened read-only with its lines.
// Text typed over a line's account that names no account, with the selection cancelled, or
// that is the account's own code or name, leaves the line's account as it was.
TEST_F(AccountBillsE2E, AnAccountCellTypedOverInVainShowsItsAccountAgain) {
    TfrmBillAccountLines* bill = openFromMenu(201901);
    ASSERT_NE(nullptr, bill);
    fill(bill, u"G1"_s, u"103"_s, u"60"_s, {{u"402"_s, u"100"_s, {}}});
    QStringList asked;
    bill->selector = [&](const QString&, const QString& text) -> std::optional<BaseChoice> {
        asked << text;
        return std::nullopt;
    };
    const struct {
        QString field;
        QString typed;
        QString asked;  // the selection opened, empty when none
    } cases[] = {
        {bill->codeField(), u"zz9"_s, u"zz9"_s},
        {bill->nameField(), u"无此科目"_s, u"无此科目"_s},
        {bill->codeField(), u"402"_s, QString()},
        {bill->nameField(), u"其它费用"_s, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        asked.clear();
        retypeCell(bill, 0, c.field, c.typed);
        QCoreApplication::processEvents();
        const RecordSet& rs = bill->records();
        EXPECT_EQ(c.asked, asked.join(u','));
        EXPECT_EQ(u"27|402|其它费用|100"_s,
                  QStringList({rs.at(0, rs.fieldIndex(u"km_id"_s)).toString(),
                               rs.at(0, rs.fieldIndex(u"km_Code"_s)).toString(),
                               rs.at(0, rs.fieldIndex(u"km_Name"_s)).toString(),
                               rs.at(0, rs.fieldIndex(u"total"_s)).toString()})
                      .join(u'|'));
        EXPECT_EQ(u"27:100/0"_s, linesText(bill->lines()));
    }
}

TEST_F(AccountBillsE2E, KindsRefuseWhatIsMissingThenPostByTheirRules) {
    enum Fix { Partner, Money, MoneyAccount, SecondLineOut };
    struct Case {
        int menuCode;
        int djType;
        QString partner, moneyCode, money;
        QList<TypedLine> lines;
        QString refusal;
        Fix fix;
        QString fixText;
        QList<std::pair<QString, double>> moves;  // balance query and its change
    };
    const QString cash = u"SELECT Total FROM baseKM WHERE id = 8"_s;
    const QString bank = u"SELECT Total FROM baseKM WHERE id = 36"_s;
    const QString capital = u"SELECT Total FROM baseKM WHERE id = 34"_s;
    const QString income = u"SELECT Total FROM baseKM WHERE id = 22"_s;
    const QString receivable = u"SELECT ystotal FROM baseWLDW WHERE id = 201"_s;
    const QString payable = u"SELECT yftotal FROM baseWLDW WHERE id = 201"_s;
    const QList<Case> cases = {
        {201903, 19, {}, u"10401"_s, u"30"_s, {{u"302"_s, u"50"_s, {}}},
         u"单据金额与收款金额不一致，[往来单位]不能为空，请重新输入"_s, Money, u"50"_s,
         {{bank, 50}, {income, 50}, {receivable, 0}}},
        {201904, 20, {}, {}, {}, {{u"103"_s, u"30"_s, {}}, {u"10401"_s, {}, u"20"_s}},
         u"转入金额与转出金额不平衡，不能保存！"_s, SecondLineOut, u"30"_s,
         {{cash, 30}, {bank, -30}}},
        {20190701, 29, {}, {}, {}, {{u"501"_s, u"70"_s, {}}},
         u"[往来单位]不能为空，请重新输入"_s, Partner, u"G1"_s, {{receivable, 70}, {capital, 70}}},
        {20190703, 30, {}, {}, {}, {{u"501"_s, u"40"_s, {}}},
         u"[往来单位]不能为空，请重新输入"_s, Partner, u"G1"_s, {{payable, 40}, {capital, -40}}},
        {20190705, 33, {}, {}, {}, {{u"501"_s, u"25"_s, {}}},
         u"[资金账户]不能为空，请重新输入"_s, MoneyAccount, u"103"_s, {{cash, 25}, {capital, 25}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.djType);
        QList<double> before;
        for (const auto& [sql, change] : c.moves)
            before << number(sql);
        TfrmBillAccountLines* bill = openFromMenu(c.menuCode);
        ASSERT_NE(nullptr, bill);
        EXPECT_EQ(c.djType, bill->djType());
        fill(bill, c.partner, c.moneyCode, c.money, c.lines);
        script.clearRecords();
        EXPECT_EQ(0, save(bill, true));
        EXPECT_EQ(c.refusal, messages());
        switch (c.fix) {
            case Partner: retype(bill->eddw(), c.fixText); break;
            case Money: retype(bill->edje(), c.fixText); break;
            case MoneyAccount: retype(bill->edzh(), c.fixText); break;
            case SecondLineOut: retypeCell(bill, 1, u"LendTotal"_s, c.fixText); break;
        }
        const QString entered = linesText(bill->lines());
        const qint64 draft = save(bill, false);
        ASSERT_GT(draft, 0) << messages().toStdString();
        for (int i = 0; i < c.moves.size(); ++i)
            EXPECT_EQ(before.at(i), number(c.moves.at(i).first));
        // The draft reopened keeps what was typed and posts as it stands.
        TfrmBillAccountLines* again = reopen(c.djType, draft);
        show(again);
        EXPECT_EQ(int(kBillDraft), again->billState());
        EXPECT_EQ(entered, linesText(again->lines()));
        const qint64 id = save(again, true);
        ASSERT_EQ(draft, id) << messages().toStdString();
        for (int i = 0; i < c.moves.size(); ++i)
            EXPECT_EQ(before.at(i) + c.moves.at(i).second, number(c.moves.at(i).first))
                << c.moves.at(i).first.toStdString();
        TfrmBillAccountLines* posted = reopen(c.djType, id);
        EXPECT_TRUE(posted->isReadOnly());
        EXPECT_EQ(entered, linesText(posted->lines()));
    }
}

// The voucher is kept as a draft with both sides of its lines; an unbalanced one is refused.
TEST_F(AccountBillsE2E, VoucherDraftKeepsBothSides) {
    TfrmBillAccountLines* bill = openFromMenu(201908);
    ASSERT_NE(nullptr, bill);
    fill(bill, {}, {}, {}, {{u"103"_s, u"80"_s, {}}, {u"501"_s, {}, u"60"_s}});
    script.clearRecords();
    EXPECT_EQ(0, save(bill, false));
    EXPECT_EQ(u"借贷不平衡，不能保存！"_s, messages());
    retypeCell(bill, 1, u"LendTotal"_s, u"80"_s);
    const qint64 id = save(bill, false);
    ASSERT_GT(id, 0) << messages().toStdString();
    TfrmBillAccountLines* again = reopen(34, id);
    EXPECT_EQ(u"8:80/0 34:0/80"_s, linesText(again->lines()));
}

// The month's depreciation: the depreciable part over the months, never beyond what is left.
TEST(MonthlyDepreciation, StopsAtWhatIsLeft) {
    struct Case {
        double yz, czl;
        int zjys;
        double ljzj;
        bool sold;
        double month;
    };
    const Case cases[] = {{1000, 10, 10, 0, false, 90},   {1000, 10, 10, 850, false, 50},
                          {1000, 10, 10, 900, false, 0},  {1000, 0, 3, 0, false, 333.33},
                          {1000, 10, 0, 0, false, 0},     {1000, 10, 10, 0, true, 0}};
    for (const Case& c : cases) {
        AssetCard card;
        card.yz = c.yz;
        card.czl = c.czl;
        card.zjys = c.zjys;
        card.ljzj = c.ljzj;
        card.sold = c.sold;
        EXPECT_DOUBLE_EQ(c.month, monthlyDepreciation(card, 2)) << c.ljzj << ' ' << c.zjys;
    }
}

// The asset, deferred-expense, voucher and labour-fee bills one after the other on one card:
// each typed, kept as a draft that books nothing and comes back with its lines (the card with
// its code and name), posted with the hand-worked changes, reopened read-only; the depreciation
// proposes the month's amount, the sale shows the net value, the server's refusals reach the
// operator, and the reversals, newest first, bring every balance back.
TEST_F(AccountBillsE2E, AssetDeferredVoucherAndLabourBillsPostAndReverse) {
    ParamList card;
    for (const auto& [k, v] : {std::pair{"id", "0"}, {"code", "GD01"}, {"Name", "货车"},
                               {"czl", "10"}, {"zjys", "10"}})
        card.setValue(QLatin1String(k), QString::fromUtf8(v));
    const qint64 truck = dm.ExecProc(u"P_JXC_GDZC_Save"_s, card);
    card.setValue(u"id"_s, u"0"_s);
    card.setValue(u"code"_s, u"GD02"_s);
    card.setValue(u"Name"_s, u"叉车"_s);
    const qint64 forklift = dm.ExecProc(u"P_JXC_GDZC_Save"_s, card);
    ASSERT_GT(forklift, truck);
    const auto km = [](int id) { return u"SELECT Total FROM baseKM WHERE id = %1"_s.arg(id); };
    const QString yz = u"SELECT yz FROM GDZCDetail WHERE id = %1"_s.arg(truck);
    const QString ljzj = u"SELECT ljzj FROM GDZCDetail WHERE id = %1"_s.arg(truck);
    const QString sold = u"SELECT isSold FROM GDZCDetail WHERE id = %1"_s.arg(truck);
    const QString payable = u"SELECT yftotal FROM baseWLDW WHERE id = 201"_s;
    const QString receivable = u"SELECT ystotal FROM baseWLDW WHERE id = 201"_s;
    // 固定资产 11, 累计折旧 12 (a credit balance), 待摊费用 13, 其它收入 22, 其它费用 27, 折旧费用 31, 摊销费用 32.
    struct Case {
        int menuCode, djType;
        QString partner, moneyCode, money;
        QList<TypedLine> lines;
        QString lineCode, lineName;  // the first line's account or card as it comes back
        QString entered;             // the lines after typing (the proposal included)
        QString shown;               // what the card label must show
        QList<std::pair<QString, double>> moves;
    };
    const QString gd = QString::number(truck);
    const QList<Case> cases = {
        {20190501, 23, u"G1"_s, u"103"_s, u"400"_s, {{u"GD01"_s, u"1000"_s, {}}}, u"GD01"_s,
         u"货车"_s, gd + u":1000/0"_s, u"净值：0.00"_s,
         {{km(11), 1000}, {km(8), -400}, {payable, 600}, {yz, 1000}}},
        // 1000 × (1 − 10%) ÷ 10 months.
        {20190502, 24, {}, {}, {}, {{u"GD01"_s, {}, {}}}, u"GD01"_s, u"货车"_s,
         gd + u":90/0"_s, u"净值：1000.00"_s,
         {{km(12), 90}, {km(31), 90}, {ljzj, 90}}},
        // Net value 910 sold for 950: 40 of gain, 500 received, 450 owed by the partner.
        {20190503, 25, u"G1"_s, u"103"_s, u"500"_s, {{u"GD01"_s, u"950"_s, {}}}, u"GD01"_s,
         u"货车"_s, gd + u":950/0"_s, u"净值：910.00"_s,
         {{km(11), -1000}, {km(12), -90}, {km(8), 500}, {km(22), 40}, {receivable, 450},
          {sold, 1}}},
        {20190601, 26, u"G1"_s, u"103"_s, u"300"_s, {{u"108"_s, u"300"_s, {}}}, u"108"_s,
         u"待摊费用"_s, u"13:300/0"_s, {}, {{km(13), 300}, {km(8), -300}}},
        {20190602, 27, {}, {}, {}, {{u"407"_s, u"100"_s, {}}}, u"407"_s, u"摊销费用"_s,
         u"32:100/0"_s, {}, {{km(13), -100}, {km(32), 100}}},
        {201908, 34, {}, {}, {}, {{u"103"_s, u"70"_s, {}}, {u"501"_s, {}, u"70"_s}}, u"103"_s,
         u"现金"_s, u"8:70/0 34:0/70"_s, {}, {{km(8), 70}, {km(34), 70}}},
        {201909, 66, u"G1"_s, u"103"_s, u"20"_s, {{u"402"_s, u"50"_s, {}}}, u"402"_s,
         u"其它费用"_s, u"27:50/0"_s, {}, {{km(27), 50}, {km(8), -20}, {payable, 30}}},
    };
    QStringList watched;
    for (const Case& c : cases)
        for (const auto& [sql, change] : c.moves)
            if (!watched.contains(sql))
                watched << sql;
    QList<double> start;
    for (const QString& sql : watched)
        start << number(sql);
    QList<qint64> posted;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.djType);
        QList<double> before;
        for (const auto& [sql, change] : c.moves)
            before << number(sql);
        TfrmBillAccountLines* bill = openFromMenu(c.menuCode);
        ASSERT_NE(nullptr, bill);
        EXPECT_EQ(c.djType, bill->djType());
        fill(bill, c.partner, c.moneyCode, c.money, c.lines);
        test::walkStep(QString::number(c.djType) + u"-entered"_s);
        EXPECT_EQ(c.entered, linesText(bill->lines()));
        if (!c.shown.isEmpty()) {
            EXPECT_TRUE(bill->lbAsset()->text().contains(c.shown))
                << bill->lbAsset()->text().toStdString();
        }
        const qint64 draft = save(bill, false);
        ASSERT_GT(draft, 0) << messages().toStdString();
        for (int i = 0; i < c.moves.size(); ++i)
            EXPECT_EQ(before.at(i), number(c.moves.at(i).first));
        TfrmBillAccountLines* again = reopen(c.djType, draft);
        show(again);
        EXPECT_EQ(int(kBillDraft), again->billState());
        EXPECT_EQ(c.entered, linesText(again->lines()));
        const auto cell = [&](TfrmBillAccountLines* b, const QString& field) {
            return b->model()->index(0, b->gridDefinition().columnIndex(field)).data().toString();
        };
        EXPECT_EQ(c.lineCode + u' ' + c.lineName,
                  cell(again, again->codeField()) + u' ' + cell(again, again->nameField()));
        ASSERT_EQ(draft, save(again, true)) << messages().toStdString();
        for (int i = 0; i < c.moves.size(); ++i)
            EXPECT_EQ(before.at(i) + c.moves.at(i).second, number(c.moves.at(i).first))
                << c.moves.at(i).first.toStdString();
        TfrmBillAccountLines* read = reopen(c.djType, draft);
        show(read);
        test::walkStep(QString::number(c.djType) + u"-posted"_s);
        EXPECT_TRUE(read->isReadOnly());
        EXPECT_EQ(c.entered, linesText(read->lines()));
        EXPECT_EQ(c.lineCode, cell(read, read->codeField()));
        if (read->lbAsset()) {  // the card of the first line, as the bills left it
            EXPECT_TRUE(read->lbAsset()->text().contains(u"[GD01 货车]"_s));
        }
        posted << draft;
    }
    // The sold truck is neither depreciated nor sold again; the forklift, never bought, has
    // nothing to depreciate; no more is amortised than was deferred: each refusal is shown.
    const QList<std::tuple<int, QString, QString, QString>> refused = {
        {20190502, u"GD01"_s, u"10"_s, u"已经变卖"_s},
        {20190503, u"GD01"_s, u"10"_s, u"已经变卖"_s},
        {20190502, u"GD02"_s, u"10"_s, u"净值将小于零"_s},
        {20190602, u"407"_s, u"201"_s, u"待摊费用余额[200]不足"_s},
    };
    for (const auto& [menu, code, amount, why] : refused) {
        TfrmBillAccountLines* bill = openFromMenu(menu);
        ASSERT_NE(nullptr, bill);
        fill(bill, u"G1"_s, {}, {}, {{code, amount, {}}});
        script.clearRecords();
        EXPECT_EQ(0, save(bill, true));
        EXPECT_TRUE(messages().contains(why)) << messages().toStdString();
    }
    // Reversed newest first, everything is as it was.
    for (auto it = posted.crbegin(); it != posted.crend(); ++it)
        reverse(*it);
    for (int i = 0; i < watched.size(); ++i)
        EXPECT_EQ(start.at(i), number(watched.at(i))) << watched.at(i).toStdString();
}

}  // namespace
}  // namespace dyt::client
