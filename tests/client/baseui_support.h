#pragma once
// Shared set-up of the base-data window tests: a logged-in operator on the recording transport,
// a client configuration in a temporary folder, and helpers that script record-set answers and
// read back the parameter lines of the calls sent.

#include <QTemporaryDir>

#include "client/base/frmbaselist.h"
#include "client/common/frmbase.h"
#include "client/logic/clientconfig.h"
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
    RecordSet rs = recordSet(QStringList{u"id:integer"_s, u"sonnum:integer"_s, u"code"_s,
                                         u"fullname"_s, u"leveal:integer"_s, u"par_id:integer"_s,
                                         u"par_jl"_s, u"pathName"_s} +
                             extraFields);
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

    // The rights rows of the operator: code, isbj, hide.
    void setRights(const QList<QPair<QString, int>>& rows) {
        rights = recordSet({u"code"_s, u"isbj:integer"_s, u"hide:integer"_s});
        for (const auto& [code, isbj] : rows)
            rights.appendRow({code, isbj, 0});
    }

    QTemporaryDir dir;
    RecordSet rights;
    client::EditorOpener savedOpener;
};

}  // namespace dyt::test
