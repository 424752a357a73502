// Entry points of the column configuration and query filter dialogs.
#include "client/common/frmxgridcolfilter.h"
#include "client/common/frmxqueryfilter.h"
#include "common/error.h"

namespace dyt {

bool RunGridColFilter(GridView* /*grid*/, QWidget* /*parent*/) {
    throw DytError(QStringLiteral("功能建设中......"));
}

bool RunQueryFilter(GridView* /*grid*/, QueryFilterMode /*mode*/, QWidget* /*parent*/) {
    throw DytError(QStringLiteral("功能建设中......"));
}

}  // namespace dyt
