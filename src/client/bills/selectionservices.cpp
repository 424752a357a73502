// The selection windows' services, connected to the local cache and the grid layouts.
#include "client/bills/selectionservices.h"

#include "client/common/gridlayout.h"
#include "client/logic/localcache.h"
#include "common/error.h"
#include "common/recordset.h"

namespace dyt::client {

namespace {

// The text of the first row's field, when the record set has the field and a row.
std::optional<QString> firstText(const RecordSet& rs, const QString& field) {
    const int f = rs.fieldIndex(field);
    if (f < 0 || rs.rowCount() == 0)
        return std::nullopt;
    return rs.at(0, f).toString();
}

std::optional<QString> cachedGoodsName(qint64 goodsId) {
    try {
        TLocalCache* cache = existingLocalCache();
        if (!cache || !cache->isOpen() || !cache->FindGoods(goodsId))
            return std::nullopt;
        return firstText(cache->cdsbaseGoods, QStringLiteral("sp_spqm"));
    } catch (const DytError&) {
        // A cache that cannot answer names nothing; the window shows the caption alone.
        return std::nullopt;
    }
}

std::optional<QString> cachedWarehouseName(qint64 warehouseId) {
    try {
        TLocalCache* cache = existingLocalCache();
        if (!cache)
            return std::nullopt;
        const RecordSet& warehouses = cache->GetWarehouses();
        int idField = warehouses.fieldIndex(QStringLiteral("ck_id"));
        if (idField < 0)
            idField = warehouses.fieldIndex(QStringLiteral("id"));
        const int nameField = warehouses.fieldIndex(QStringLiteral("ck_ckqm"));
        if (idField < 0 || nameField < 0)
            return std::nullopt;
        for (int r = 0; r < warehouses.rowCount(); ++r) {
            if (warehouses.at(r, idField).toLongLong() == warehouseId)
                return warehouses.at(r, nameField).toString();
        }
    } catch (const DytError&) {
        // Not logged in or the list could not be read: the warehouse is unknown.
    }
    return std::nullopt;
}

bool loadStoredLayout(GridView* grid, const QString& layoutKey) {
    try {
        return LoadGridLayout(grid, layoutKey);
    } catch (const DytError&) {
        return false;
    }
}

bool storeLayout(GridView* grid, const QString& layoutKey) {
    try {
        return SaveGridLayout(grid, layoutKey);
    } catch (const DytError&) {
        return false;
    }
}

}  // namespace

SelectionServices defaultSelectionServices() {
    SelectionServices services;
    services.goodsFullName = cachedGoodsName;
    services.warehouseFullName = cachedWarehouseName;
    services.loadLayout = loadStoredLayout;
    services.saveLayout = storeLayout;
    return services;
}

SelectionServices& selectionServices() {
    static SelectionServices services = defaultSelectionServices();
    return services;
}

void resetSelectionServices() {
    selectionServices() = defaultSelectionServices();
}

}  // namespace dyt::client
