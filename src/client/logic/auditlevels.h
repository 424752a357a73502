#pragma once
// The texts and server statements of the bill audit levels window ("单据审核级数设置") and its
// employee dialog ("选择审核职员"), apart from their widgets. The settings are rows of sysDjb:
// inputnum (1 … 5 steps), inputName1 … inputName5 (the step captions), inputid2 … inputid5 (the
// employees allowed to perform steps 2 … 5 as an id list "(0,id,…,0)") and inputText2 …
// inputText5 (their names joined by ",").

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

#include "client/logic/fixedtext.h"

namespace dyt {
class RecordSet;
}

namespace dyt::client::auditlevels {

inline constexpr int kSteps = 5;

inline constexpr FixedText caption{u"单据审核级数设置"};
inline constexpr FixedText employeesCaption{u"选择审核职员"};
inline constexpr FixedText firstStepNote{u"[一级审核默认为当前制单人！]"};
inline constexpr FixedText levelCaption{u"审核级数："};
inline constexpr FixedText locateCaption{u"定位"};
inline constexpr FixedText setEmployees{u"设置职员"};
inline constexpr FixedText askSave{u"数据已经变化，是否保存修改？"};
inline constexpr FixedText saved{u"保存成功！"};
inline constexpr FixedText saveFailed{u"保存失败："};
inline constexpr FixedText duplicate{u"不能重复添加"};

// The level items "一级" … "五级".
QStringList levelItems();
// The bill kinds that may pass through audit steps, in the order of the list query.
QList<int> kinds();
// "select id, fullname from sysDjb where sonnum=0 and id in (0,…) order by orderly ".
QString kindsSql();
// " select * from sysdjb where id  = " and the kind.
QString kindSql(int kindId);

// One bill kind's settings as the window shows them.
struct Levels {
    int levelIndex = 0;                       // steps − 1, 0 … 4
    std::array<QString, kSteps> names;        // captions of steps 1 … 5
    std::array<QString, kSteps - 1> idLists;  // steps 2 … 5
    std::array<QString, kSteps - 1> texts;    // steps 2 … 5

    // From the row of kindSql(); throws DytError when there is none.
    static Levels fromRows(RecordSet& rows);
};

// The statements that store the settings of the kind, joined by "\r\n": the step count and caption
// 1, then caption, id list and names of each step up to the chosen level; the steps above it keep
// what the table holds.
QString saveSql(int kindId, const Levels& levels);

// Step n's caption field is enabled when a level is chosen and n ≤ levelIndex + 1.
bool stepEnabled(int levelIndex, int step);

// The ids of an id list text, in list order without the framing zeros; what is not a number is
// left out.
QList<qint64> idsOf(const QString& idList);
// "(0", then "," and each id, then ",0)".
QString idListText(const QList<qint64>& ids);
// "select id,fullname from basezy where del = 0 and sonnum = 0 and id in " and the id list
// (rebuilt from its numbers).
QString employeesSql(const QString& idList);

}  // namespace dyt::client::auditlevels
