#pragma once
// Shared set-up of the base-data window tests: a logged-in operator on the recording transport,
// a client configuration in a temporary folder, and helpers that script record-set answers and
// read back the parameter lines of the calls sent.

#include <QTemporaryDir>

#include "client/base/frmbaselist.h"
#include "client/logic/clientconfig.h"
#include "client/common/frmbase.h"
#include "client/logic/rights.h"
#include "client/logic/settings.h"
#include "dmtest_support.h"
#include "protocol/protocol.h"

namespace dyt::test {

// One base row of a list answer: id, sonnum, code, fullname, leveal, par_id, par_jl, pathName.
struct BaseRow {
    qint64 id;
    qint64 sonnum;
    QString code;
    QString fullname;
    int leveal;
    qint64 parId;
    QString parJl;
    QString pathName;
};

inline RecordSet baseRows(const QList<BaseRow>& rows, const QStringList& extraFields = {},
                          const QList<QVariantList>& extraValues = {}) {
    RecordSet rs;
    rs.addField(u"id"_s, FieldType::Integer);
    rs.addField(u"sonnum"_s, FieldType::Integer);
    rs.addField(u"code"_s, FieldType::Text);
    rs.addField(u"fullname"_s, FieldType::Text);
    rs.addField(u"leveal"_s, FieldType::Integer);
    rs.addField(u"par_id"_s, FieldType::Integer);
    rs.addField(u"par_jl"_s, FieldType::Text);
    rs.addField(u"pathName"_s, FieldType::Text);
    for (const QString& f : extraFields)
        rs.addField(f, FieldType::Text);
    for (int i = 0; i < rows.size(); ++i) {
        const BaseRow& r = rows[i];
        RecordSet::Row values{r.id,     r.sonnum, r.code,  r.fullname,
                              r.leveal, r.parId,  r.parJl, r.pathName};
        if (i < extraValues.size())
            values.append(extraValues[i]);
        rs.appendRow(values);
    }
    return rs;
}

class BaseUiFixture : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        ASSERT_TRUE(dir.isValid());
        client::openClientConfig(dir.path());
        client::TfrmBase::setProgramFolder(dir.path());
        client::resetSettings();
        connectLoggedIn(7);
        client::setOperatorRights(&rights);
        savedOpener = client::TfrmBaseList::editorOpener();
    }
    void TearDown() override {
        client::TfrmBaseList::editorOpener() = savedOpener;
        client::setOperatorRights(nullptr);
        client::TfrmBase::setProgramFolder(QString());
        client::closeClientConfig();
        client::resetSettings();
        DmFixture::TearDown();
    }

    // A query answer of n rows of one field "id" (a lock query that finds something).
    static RecordSet idRows(int n) {
        RecordSet rs;
        rs.addField(u"id"_s, FieldType::Integer);
        for (int i = 0; i < n; ++i)
            rs.appendRow({i + 1});
        return rs;
    }

    QStringList sqlTexts() const {
        QStringList out;
        for (const client::RecordedCall& c : transport->calls()) {
            if (c.method == u"ExecQuery" || c.method == u"ExecUpdate")
                out.append(c.sql);
        }
        return out;
    }
    // The rights rows of the operator: code, isbj, hide.
    void setRights(const QList<QPair<QString, int>>& rows) {
        rights.clear();
        rights.addField(u"code"_s, FieldType::Text);
        rights.addField(u"isbj"_s, FieldType::Integer);
        rights.addField(u"hide"_s, FieldType::Integer);
        for (const auto& [code, isbj] : rows)
            rights.appendRow({code, isbj, 0});
    }

    QTemporaryDir dir;
    RecordSet rights;
    client::EditorOpener savedOpener;
};

}  // namespace dyt::test
