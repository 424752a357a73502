#include "client/common/gridlayout.h"

#include <QHash>
#include <QTableView>
#include <QTableWidget>

#include <vector>

#include "client/common/gridview.h"
#include "client/logic/dmmain.h"
#include "client/logic/gridcolumn.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/session.h"
#include "common/error.h"
#include "common/gbk.h"
#include "common/inifile.h"
#include "common/paramlist.h"
#include "common/recordset.h"

namespace dyt::client {

namespace {

QString key(int n, const char* letter) {
    return QStringLiteral("%1_%2").arg(n).arg(QLatin1String(letter));
}

QString versionKey() {
    return QStringLiteral("_Ver_");
}
QString countKey() {
    return QStringLiteral("_Cnt_");
}
QString colIdField() {
    return QStringLiteral("ColId");
}
QString pieceField(int i) {
    return QStringLiteral("colstr%1").arg(i);
}

}  // namespace

int columnIdentity(const GridDefinition& grid, const GridColumn& column) {
    if (column.tag != 0)
        return column.tag;
    return grid.allowHideColumns ? kHideableIdentity : kFixedIdentity;
}

QString encodeLayoutText(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("\r\n"), layouttext::lineBreak());
    out.replace(QLatin1Char('\r'), layouttext::lineBreak());
    out.replace(QLatin1Char('\n'), layouttext::lineBreak());
    return out;
}

QString decodeLayoutText(const QString& text) {
    QString out = text;
    out.replace(layouttext::lineBreak(), QStringLiteral("\n"));
    return out;
}

namespace {
QString packedLineEnd() {
    return layouttext::lineBreak() + QStringLiteral("#$0A");
}
}  // namespace

QString packLayoutText(const QString& iniText) {
    QString out = iniText;
    out.replace(QStringLiteral("\r\n"), packedLineEnd());
    return out;
}

QString unpackLayoutText(const QString& stored) {
    QString out = stored;
    out.replace(packedLineEnd(), QStringLiteral("\r\n"));
    return out;
}

QString gridLayoutText(const GridDefinition& grid) {
    IniFile ini;
    const QString s = layouttext::section();
    ini.writeString(s, versionKey(), layouttext::version());
    ini.writeInteger(s, countKey(), static_cast<int>(grid.columns.size()));
    QHash<int, int> inBand;  // columns written so far per band
    for (int n = 0; n < grid.columns.size(); ++n) {
        const GridColumn& c = grid.columns[n];
        ini.writeInteger(s, key(n, "D"), columnIdentity(grid, c));
        ini.writeInteger(s, key(n, "W"), c.width);
        ini.writeInteger(s, key(n, "G"), -1);
        ini.writeBool(s, key(n, "V"), c.visible);
        ini.writeString(s, key(n, "C"), encodeLayoutText(c.caption));
        ini.writeString(s, key(n, "CD"), encodeLayoutText(c.fieldName));
        ini.writeInteger(s, key(n, "B"), c.bandIndex);
        ini.writeInteger(s, key(n, "R"), 0);
        ini.writeInteger(s, key(n, "X"), inBand.value(c.bandIndex));
        inBand[c.bandIndex] += 1;
    }
    return ini.toText();
}

bool applyGridLayoutText(GridDefinition& grid, const QString& text) {
    const IniFile ini = IniFile::fromText(unpackLayoutText(text));
    const QString s = layouttext::section();
    if (ini.readString(s, versionKey()) != layouttext::version())
        return false;
    const int count = ini.readInteger(s, countKey(), 0);
    const int columns = static_cast<int>(grid.columns.size());
    std::vector<bool> used(static_cast<size_t>(columns), false);
    QList<int> order;  // indexes of the matched columns in the stored order
    for (int n = 0; n < count; ++n) {
        if (!ini.valueExists(s, key(n, "D")))
            continue;
        const int identity = ini.readInteger(s, key(n, "D"), 0);
        const QString field = decodeLayoutText(ini.readString(s, key(n, "CD")));
        int match = -1;
        int sameIdentity = 0;
        int onlyByIdentity = -1;
        for (int j = 0; j < columns; ++j) {
            if (used[static_cast<size_t>(j)])
                continue;
            const GridColumn& c = grid.columns[j];
            if (columnIdentity(grid, c) != identity)
                continue;
            ++sameIdentity;
            onlyByIdentity = j;
            if (match < 0 && c.fieldName.compare(field, Qt::CaseInsensitive) == 0)
                match = j;
        }
        if (match < 0 && sameIdentity == 1)
            match = onlyByIdentity;
        if (match < 0)
            continue;
        used[static_cast<size_t>(match)] = true;
        order.append(match);
        GridColumn& c = grid.columns[match];
        if (ini.valueExists(s, key(n, "W"))) {
            c.width = ini.readInteger(s, key(n, "W"), c.width);
            c.widthStored = true;
        }
        c.visible = ini.readBool(s, key(n, "V"), c.visible);
        if (ini.valueExists(s, key(n, "C")))
            c.caption = decodeLayoutText(ini.readString(s, key(n, "C")));
        const int band = ini.readInteger(s, key(n, "B"), c.bandIndex);
        if (grid.bands.isEmpty() || (band >= 0 && band < grid.bands.size()))
            c.bandIndex = band;
    }
    QList<GridColumn> reordered;
    reordered.reserve(columns);
    for (int j : order)
        reordered.append(grid.columns[j]);
    for (int j = 0; j < columns; ++j) {
        if (!used[static_cast<size_t>(j)])
            reordered.append(grid.columns[j]);
    }
    grid.columns = reordered;
    return true;
}

QString stringGridLayoutText(const QList<int>& widths) {
    IniFile ini;
    const QString s = layouttext::section();
    ini.writeString(s, versionKey(), layouttext::version());
    ini.writeInteger(s, countKey(), static_cast<int>(widths.size()));
    for (int n = 0; n < widths.size(); ++n)
        ini.writeInteger(s, key(n, "W"), widths[n]);
    return ini.toText();
}

QList<int> stringGridWidths(const QString& text, int columnCount) {
    const IniFile ini = IniFile::fromText(unpackLayoutText(text));
    const QString s = layouttext::section();
    QList<int> widths;
    if (ini.readString(s, versionKey()) != layouttext::version())
        return widths;
    for (int n = 0; n < columnCount; ++n)
        widths.append(ini.readInteger(s, key(n, "W"), kDefaultStringGridWidth));
    return widths;
}

QStringList splitLayoutPieces(const QString& text, int pieceWidth) {
    if (pieceWidth < 2)
        throw DytError(QStringLiteral("表格配置字段宽度无效"));
    QStringList pieces;
    QString rest = text;
    while (!rest.isEmpty() && pieces.size() < kLayoutPieces) {
        QString piece = gbk::leftBytes(rest, pieceWidth);
        if (piece.isEmpty())
            piece = rest.left(1);  // a character GBK cannot hold still travels
        pieces.append(piece);
        rest = rest.mid(piece.size());
    }
    if (!rest.isEmpty())
        throw DytError(QStringLiteral("表格配置信息太长，不能保存"));
    while (pieces.size() < kLayoutPieces)
        pieces.append(QString());
    return pieces;
}

RecordSet& columnConfigs() {
    static RecordSet configs;
    return configs;
}

bool ReloadColumnConfigs() {
    RecordSet& configs = columnConfigs();
    configs.clear();
    TdmMain* dm = dmMain();
    if (!dm || !dm->Connected())
        return false;
    const QString sql =
        layouttext::loadSql().replace(QStringLiteral("%s"), QString::number(loginedUser().UserId));
    try {
        dm->ExecQuery(sql, &configs);
    } catch (const DytError&) {
        configs.clear();
        return false;
    }
    return true;
}

namespace {

GridDefinition* definitionOf(GridView* grid, const QString& layoutKey) {
    if (!grid || layoutKey.trimmed().isEmpty())
        throw DytError(layouttext::nullArguments());
    RecordSetModel* model = grid->model();
    if (!model || !model->definition())
        return nullptr;
    // The description belongs to the grid's owner, which lets the layout change it; the model
    // only reads it.
    return const_cast<GridDefinition*>(model->definition());
}

void ensureConfigFields(RecordSet& configs) {
    if (configs.fieldCount() > 0)
        return;
    configs.addField(colIdField(), FieldType::Text);
    for (int i = 1; i <= kLayoutPieces; ++i)
        configs.addField(pieceField(i), FieldType::Text);
    configs.addField(QStringLiteral("ColValue"), FieldType::Text);
    configs.addField(QStringLiteral("userId"), FieldType::Integer);
}

}  // namespace

namespace {

// The joined pieces of the layout stored under the key; false when there is none.
bool storedLayoutText(const QString& layoutKey, QString* text) {
    RecordSet& configs = columnConfigs();
    if (configs.fieldCount() == 0 || !configs.hasField(colIdField()))
        return false;
    if (!configs.locate(colIdField(), layoutKey, true))
        return false;
    text->clear();
    for (int i = 1; i <= kLayoutPieces; ++i) {
        if (configs.hasField(pieceField(i)))
            *text += configs.text(pieceField(i));
    }
    return true;
}

// Stores a layout's INI text under the key: on the server, then in the shared record set.
bool storeLayoutText(const QString& layoutKey, const QString& iniText) {
    RecordSet& configs = columnConfigs();
    int pieceWidth = kLayoutPieceWidth;
    if (const int f = configs.fieldIndex(pieceField(1)); f >= 0 && configs.field(f).size > 1)
        pieceWidth = configs.field(f).size;
    QStringList pieces;
    try {
        pieces = splitLayoutPieces(packLayoutText(iniText), pieceWidth);
    } catch (const DytError&) {
        return false;
    }
    const bool known =
        configs.hasField(colIdField()) && configs.locate(colIdField(), layoutKey, true);
    const QString colValue = known && configs.hasField(QStringLiteral("ColValue"))
                                 ? configs.text(QStringLiteral("ColValue"))
                                 : QString();
    const int userId = loginedUser().UserId;

    ParamList params;
    params.setValue(colIdField(), layoutKey);
    for (int i = 1; i <= kLayoutPieces; ++i)
        params.setValue(pieceField(i), pieces[i - 1]);
    params.setValue(QStringLiteral("ColValue"), colValue);
    params.setInt(QStringLiteral("userId"), userId);
    TdmMain* dm = dmMain();
    if (!dm)
        return false;
    try {
        dm->ExecProc(QStringLiteral("p_sys_Up_ColConfigure"), params);
    } catch (const DytError&) {
        return false;
    }

    ensureConfigFields(configs);
    if (!known) {
        configs.append();
        configs.setValue(colIdField(), layoutKey);
    }
    for (int i = 1; i <= kLayoutPieces; ++i) {
        if (configs.hasField(pieceField(i)))
            configs.setValue(pieceField(i), pieces[i - 1]);
    }
    if (configs.hasField(QStringLiteral("ColValue")))
        configs.setValue(QStringLiteral("ColValue"), colValue);
    if (configs.hasField(QStringLiteral("userId")))
        configs.setValue(QStringLiteral("userId"), userId);
    return true;
}

void checkArguments(const QObject* grid, const QString& layoutKey) {
    if (!grid || layoutKey.trimmed().isEmpty())
        throw DytError(layouttext::nullArguments());
}

}  // namespace

bool LoadGridLayout(GridView* grid, const QString& layoutKey) {
    GridDefinition* def = definitionOf(grid, layoutKey);
    QString text;
    if (!def || !storedLayoutText(layoutKey, &text) || !applyGridLayoutText(*def, text))
        return false;
    grid->model()->reload();
    grid->applyColumns();
    return true;
}

bool SaveGridLayout(GridView* grid, const QString& layoutKey) {
    GridDefinition* def = definitionOf(grid, layoutKey);
    if (!def)
        return false;
    // The widths the operator dragged live in the view.
    QTableView* table = grid->table();
    for (int i = 0; i < def->columns.size(); ++i) {
        if (!table->isColumnHidden(i) && table->columnWidth(i) > 0)
            def->columns[i].width = table->columnWidth(i);
    }
    return storeLayoutText(layoutKey, gridLayoutText(*def));
}

bool loadStringGridLayout(QTableWidget* grid, const QString& layoutKey) {
    checkArguments(grid, layoutKey);
    QString text;
    if (!storedLayoutText(layoutKey, &text))
        return false;
    const QList<int> widths = stringGridWidths(text, grid->columnCount());
    if (widths.isEmpty())
        return false;
    for (int c = 0; c < widths.size(); ++c)
        grid->setColumnWidth(c, widths[c]);
    return true;
}

bool saveStringGridLayout(QTableWidget* grid, const QString& layoutKey) {
    checkArguments(grid, layoutKey);
    QList<int> widths;
    for (int c = 0; c < grid->columnCount(); ++c)
        widths.append(grid->columnWidth(c));
    return storeLayoutText(layoutKey, stringGridLayoutText(widths));
}

}  // namespace dyt::client
