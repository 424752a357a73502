// The base-data field captions, the finance accounts of the base records and the voucher export
// against a real server: worked with the keys, the voucher lines worked out by hand, the file the
// export writes read back, and what a modified client might send refused by the server.
#include <QTest>
#include <QtWidgets>

#include "client/base/basekinds.h"
#include "client/base/frmbaselist.h"
#include "client/common/gridexport.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/session.h"
#include "client/logic/voucher.h"
#include "client/system/frmsysdcpz.h"
#include "client/system/frmsysjbxxzdpz.h"
#include "common/gbk.h"
#include "server/posting_packets.h"
#include "support/serverfixture.h"
#include "uihelpers.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

// One voucher line: account code, debit, credit, partner code, debit and credit quantity.
struct Line {
    const char* kmcode;
    double debit, credit;
    const char* partner;
    double debitQty, creditQty;
};

QString lineText(const Line& l) {
    return u"%1|%2|%3|%4|%5|%6"_s.arg(QString::fromUtf8(l.kmcode))
        .arg(l.debit)
        .arg(l.credit)
        .arg(QString::fromUtf8(l.partner))
        .arg(l.debitQty)
        .arg(l.creditQty);
}

// The finance accounts as the four windows set them: the goods category 五金 (its goods 螺丝
// inherit it), the warehouse (for 螺母, which has none), the supplier and the department.
const struct {
    int function;
    const char* code;
} kAccounts[] = {{202301, "1405.01"}, {202302, "2202.001"}, {202303, "1405"}, {202304, "6001.01"}};

// Purchase from 乙供应商: 螺丝 10 × 5, 螺母 4 × 2.5. Sale to 甲客户: 螺丝 4 × 8 (cost 4 × 5),
// 12 received in cash. Department 销售部 on both: its account takes income and cost of sales.
const Line kPurchase[] = {
    {"1405.01", 50, 0, "", 10, 0}, {"1405", 10, 0, "", 4, 0}, {"2202.001", 0, 60, "G1", 0, 0}};
const Line kSale[] = {{"102", 20, 0, "K1", 0, 0},
                      {"103", 12, 0, "", 0, 0},
                      {"6001.01", 20, 0, "", 0, 0},
                      {"6001.01", 0, 32, "", 0, 0},
                      {"1405.01", 0, 20, "", 0, 4}};
// Both as one voucher: each code and partner netted.
const Line kSummary[] = {{"1405.01", 30, 0, "", 6, 0},    {"1405", 10, 0, "", 4, 0},
                         {"102", 20, 0, "K1", 0, 0},      {"103", 12, 0, "", 0, 0},
                         {"2202.001", 0, 60, "G1", 0, 0}, {"6001.01", 0, 12, "", 0, 0}};

class VoucherE2E : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        addRecord("baseZY", 2, "002", "李四");
        ParamList user;
        user.setValue(u"id"_s, u"2"_s);
        ASSERT_NO_THROW(dm.ExecProc(u"p_sys_Up_User"_s, user));
        addRecord("baseGoods", 100, "01", "五金", 0, 1);
        addRecord("baseGoods", 101, "0101", "螺丝", 100, 0, {{"costmode", u"0"_s}});
        addUnit(1011, 101, 0, "个", 1);
        addRecord("baseGoods", 102, "02", "螺母", 0, 0, {{"costmode", u"0"_s}});
        addUnit(1021, 102, 0, "个", 1);
        addRecord("baseWLDW", 201, "K1", "甲客户");
        addRecord("baseWLDW", 202, "G1", "乙供应商");
        addRecord("baseCK", 301, "CK1", "总仓");
        addRecord("baseBM", 401, "BM1", "销售部");
        ASSERT_EQ(0, openAccounts());
        today_ = QDate::currentDate().toString(u"yyyy-MM-dd"_s).toLatin1();
        using server::test::goodsBill;
        purchase_ = post(goodsBill(5, today_.constData(), 202, {{101, 10, 5}, {102, 4, 2.5}}));
        sale_ = post(goodsBill(1, today_.constData(), 201, {{101, 4, 8}}, {{8, 12}}));
        // From here on the texts the windows send are held to what the windows may write.
        relogin(1);
        exportDir_.reset(new QTemporaryDir);
    }
    void TearDown() override {
        gridexport::setFileChooser({});
        TfrmSysDCPZ::dateRangeAsker() = {};
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ServerFixture::TearDown();
    }
    void relogin(int user) {
        ASSERT_EQ(QString(), test::logIn(dm, user));
        resetSettings();
        ASSERT_TRUE(LoadSettings());
    }
    qint64 post(const server::test::GoodsBill& b, const QString& method = u"SaveToDB"_s) {
        ParamList header = server::test::goodsBillParams(b);
        RecordSet lines = server::test::goodsLinesPacket(b);
        const RecordSet accounts = server::test::accountPacket(b.accounts);
        dm.ExecService(u"QMXService"_s, method, header, &lines, &accounts);
        return stored(u"SELECT max(id) FROM djIndex"_s).toLongLong();
    }
    template <class W>
    void show(W& w, int tag = 0) {
        if (tag)
            w.setTag(tag);
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        test::setKeyWindow(&w);
    }
    // The voucher lines the server gives for the bills, as lineText.
    QStringList serverLines(const QList<qint64>& ids, bool summary) {
        ParamList p = voucher::lineParams(ids, summary);
        RecordSet rs;
        dm.ExecProcQuery(u"P_JXC_Get_Other"_s, p, &rs);
        QStringList out;
        for (rs.first(); !rs.eof(); rs.next()) {
            out << u"%1|%2|%3|%4|%5|%6"_s
                       .arg(rs.text(u"kmcode"_s), rs.text(u"dbTotal"_s), rs.text(u"LendTotal"_s),
                            rs.text(u"wldwCode"_s))
                       .arg(rs.number(u"dbQty"_s))
                       .arg(rs.number(u"LendQty"_s));
        }
        return out;
    }
    // The four finance accounts typed into their windows' first rows and saved with Ctrl+S.
    void setAccountsByKeys() {
        for (const auto& a : kAccounts) {
            script.clearRecords();
            TfrmSysJBXXCWPZ w;
            show(w, a.function);
            ASSERT_EQ(w.dbgvX()->table(), QApplication::focusWidget());
            test::typeKeys(QString::fromUtf8(a.code));
            test::pressKey(Qt::Key_Return);
            test::pressKey(Qt::Key_S, Qt::ControlModifier);
            EXPECT_EQ(QStringList{financeaccounts::saved()}, script.messages()) << a.function;
            EXPECT_FALSE(w.modified());
        }
    }

    QByteArray today_;
    qint64 purchase_ = 0, sale_ = 0;
    std::unique_ptr<QTemporaryDir> exportDir_;
};

TEST_F(VoucherE2E, AccountLinesGoUnderTheFinanceAccountsOfTheirRecords) {
    // Without finance accounts the lines keep the codes of the account set's own accounts.
    EXPECT_EQ((QStringList{u"101|60|0||14|0"_s, u"201|0|60|G1|0|0"_s}),
              serverLines({purchase_}, false));
    setAccountsByKeys();
    const struct {
        QList<qint64> bills;
        bool summary;
        QList<Line> expected;
    } cases[] = {
        {{purchase_}, false, {std::begin(kPurchase), std::end(kPurchase)}},
        {{sale_, purchase_},
         false,
         QList<Line>(std::begin(kPurchase), std::end(kPurchase)) +
             QList<Line>(std::begin(kSale), std::end(kSale))},
        {{purchase_, sale_}, true, {std::begin(kSummary), std::end(kSummary)}},
    };
    for (const auto& c : cases) {
        QStringList expected;
        for (const Line& l : c.expected)
            expected << lineText(l);
        EXPECT_EQ(expected, serverLines(c.bills, c.summary)) << c.summary;
    }
}

TEST_F(VoucherE2E, ExportWritesTheTickedBillsOnceAndNeverOverAnEarlierFile) {
    setAccountsByKeys();
    TfrmSysDCPZ::dateRangeAsker() = [](QWidget*, QDate* begin, QDate* end) {
        *begin = QDate::currentDate().addDays(-1);
        *end = QDate::currentDate();
        return true;
    };
    QString chosen;
    gridexport::setFileChooser(
        [&](QWidget*, const QString&, const QString& proposed, const QString&, QString*) {
            EXPECT_TRUE(proposed.startsWith(u"财务凭证接口"_s)) << proposed.toStdString();
            return chosen;
        });
    TfrmSysDCPZ w;
    show(w);
    test::pressKey(Qt::Key_F3);
    ASSERT_EQ(2, w.model()->rowCount());
    script.clearRecords();
    test::pressKey(Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(QStringList{voucher::nothingToExport()}, script.messages());
    ASSERT_EQ(w.dbgvX()->table(), QApplication::focusWidget());
    test::pressKey(Qt::Key_Space);
    test::pressKey(Qt::Key_Down);
    test::pressKey(Qt::Key_Space);
    ASSERT_EQ((QList<qint64>{purchase_, sale_}), w.tickedIds());
    ASSERT_EQ(8, w.lines().rowCount());
    test::walkStep(u"voucher-lines"_s);

    // An earlier export of the same name stays as it was, and the bills stay listed.
    const QString name = exportDir_->filePath(u"凭证"_s);
    QFile earlier(name + u".txt"_s);
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier");
    earlier.close();
    chosen = name;
    script.clearRecords();
    test::pressKey(Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(QStringList{voucher::fileExists()}, script.messages());
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(QByteArray("earlier"), earlier.readAll());
    earlier.close();
    EXPECT_EQ(QString(), stored(u"SELECT pz_Caption FROM djIndex WHERE id = %1"_s.arg(sale_)));

    chosen = exportDir_->filePath(u"凭证2"_s);
    script.clearRecords();
    test::pressKey(Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(QStringList{voucher::exported()}, script.messages());
    QFile file(chosen + u".txt"_s);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    bool ok = false;
    const QStringList written =
        gbk::decode(file.readAll(), &ok).split(u"\r\n"_s, Qt::SkipEmptyParts);
    EXPECT_TRUE(ok);
    // date|comment||kmcode|debit|credit|maker|partner|handler|department|qty in|qty out|abstract|
    QStringList expected;
    const auto bill = [&](qint64 id, const QList<Line>& lines) {
        const RecordSet b = query(
            u"SELECT dj_Caption, code, rec_Name, summery FROM djIndex WHERE id = %1"_s.arg(id));
        for (const Line& l : lines) {
            expected << u"%1|%2 %3||%4|%5|%6|%7|%8|李四|销售部|%9|%10|%11|"_s
                            .arg(QString::fromLatin1(today_), b.at(0, 0).toString(),
                                 b.at(0, 1).toString(), QString::fromUtf8(l.kmcode))
                            .arg(l.debit)
                            .arg(l.credit)
                            .arg(b.at(0, 2).toString(), QString::fromUtf8(l.partner))
                            .arg(l.debitQty)
                            .arg(l.creditQty)
                            .arg(b.at(0, 3).toString());
        }
    };
    bill(purchase_, {std::begin(kPurchase), std::end(kPurchase)});
    bill(sale_, {std::begin(kSale), std::end(kSale)});
    EXPECT_EQ(expected, written);
    // Each bill carries its own number as its export mark and is no longer offered.
    EXPECT_EQ(0,
              number(u"SELECT count(*) FROM djIndex WHERE dj_state = 2 AND pz_Caption <> code"_s));
    EXPECT_EQ(0, w.model()->rowCount());
}

TEST_F(VoucherE2E, CaptionsTypedAreShownInTheBaseListAfterTheNextLogin) {
    {
        TfrmSysJBXXZDPZ w;
        show(w);
        ASSERT_EQ(w.dbgvX()->table(), QApplication::focusWidget());
        // The second goods field, the full name: a caption typed over it.
        test::pressKey(Qt::Key_Down);
        test::typeKeys(u"品名"_s);
        test::pressKey(Qt::Key_Return);
        EXPECT_TRUE(w.modified());
        test::walkStep(u"field-captions"_s);
        // An emptied caption stores nothing at all.
        test::pressKey(Qt::Key_Up);
        test::typeKeys(u" "_s);
        test::pressKey(Qt::Key_Return);
        script.clearRecords();
        test::pressKey(Qt::Key_S, Qt::ControlModifier);
        EXPECT_EQ(QStringList{fieldcaptions::emptyName()}, script.messages());
        EXPECT_EQ(0, w.focusedRow());
        EXPECT_EQ(u"商品全名"_s,
                  stored(u"SELECT name FROM baseFieldNames WHERE code = '100122'"_s));
        test::typeKeys(u"货号"_s);
        test::pressKey(Qt::Key_Return);
        // Leaving with changes asks; "是(&Y)" saves them.
        script.answer(u"是(&Y)"_s, fieldcaptions::askSave());
        test::pressKey(Qt::Key_Escape);
        EXPECT_FALSE(w.isVisible());
    }
    relogin(1);
    TfrmBaseList list(*base::findBaseKind(u"TfrmBaseGoods"_s));
    list.setTag(1001);
    show(list);
    QStringList headers;
    for (const char* field : {"code", "fullname"}) {
        headers << list.model()
                       ->headerData(list.gridDefinition().columnIndex(QLatin1String(field)),
                                    Qt::Horizontal)
                       .toString();
    }
    EXPECT_EQ((QStringList{u"货号"_s, u"品名"_s}), headers);
}

TEST_F(VoucherE2E, TheServerHoldsAModifiedClientToTheExportRights) {
    // A code that would break the file's fields; a draft, which is no bill to export.
    ParamList account =
        financeaccounts::saveParams(financeaccounts::kindOf(202302), 202, u"22|02"_s);
    EXPECT_NE(QString(), test::errorOf([&] { dm.ExecProc(u"p_Base_Up_CWKM"_s, account); }));
    const qint64 draft =
        post(server::test::goodsBill(5, today_.constData(), 202, {{101, 1, 5}}), u"SaveToDraft"_s);
    EXPECT_EQ(u"您没有执行该操作的权限!"_s,
              test::errorOf([&] { dm.ExecUpdate(voucher::markSql({draft}, false, {})); }));
    EXPECT_EQ(0, number(u"SELECT count(*) FROM baseCWKM"_s));
    relogin(2);
    const std::function<void()> refused[] = {
        [&] {
            ParamList p = financeaccounts::saveParams(financeaccounts::kindOf(202301), 101, u"1"_s);
            dm.ExecProc(u"p_Base_Up_CWKM"_s, p);
        },
        [&] { serverLines({purchase_}, false); },
        [&] { dm.ExecUpdate(voucher::markSql({purchase_}, false, {})); },
    };
    for (const auto& call : refused) {
        const QString error = test::errorOf(call);
        EXPECT_TRUE(error.contains(u"您没有执行该操作的权限!"_s)) << error.toStdString();
    }
    EXPECT_EQ(QString(), stored(u"SELECT pz_Caption FROM djIndex WHERE id = %1"_s.arg(purchase_)));
}

}  // namespace
}  // namespace dyt::client
