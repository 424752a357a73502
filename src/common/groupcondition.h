#pragma once
// The groups line of the group editors ("GroupStr"): the groups of partners or warehouses that a
// distribution report compares. A condition string (common/condition.h):
//   ";czy_id=" operator ";groupkind=" kind ";groupcount=" n
// then one ";group=" segment per group in list order, holding the member ids joined by ",". The
// kind is the record selection's kind name ("wldw" partners, "cangku" warehouses). A member
// belongs to one group only. The client writes it, the report procedures read it back here.

#include <QList>
#include <QString>

namespace dyt {

struct GroupCondition {
    qint64 operatorId = 0;
    QString kind;
    QList<QList<qint64>> groups;
};

// The text form. Throws DytError "请至少新增一个组！" without groups, and for an empty group,
// an id below 1 or a member in two groups.
QString composeGroupCondition(const GroupCondition& condition);
// Reads a groups line; throws DytError on anything composeGroupCondition would not write.
GroupCondition parseGroupCondition(const QString& line);

}  // namespace dyt
