#include "client/common/gridexport.h"

#include "common/error.h"

namespace dyt {

bool ExportGridToExcel(GridView* /*grid*/, QWidget* /*parent*/) {
    throw DytError(QStringLiteral("功能建设中......"));
}

void WriteGridWorkbook(const GridView* /*grid*/, const QString& /*path*/) {
    throw DytError(QStringLiteral("功能建设中......"));
}

}  // namespace dyt
