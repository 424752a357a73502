#pragma once
// What the selection windows need from other parts of the client, reached through replaceable
// functions: names of cached base records (the local cache and its in-memory warehouse list)
// and the loading and saving of the operator's grid layouts. The process's services start out
// connected to the real things (defaultSelectionServices); tests may replace single functions and
// put the defaults back with resetSelectionServices. A function left unset is done without (no
// name found, layout not kept).

#include <QString>

#include <functional>
#include <optional>

namespace dyt {
class GridView;
}

namespace dyt::client {

struct SelectionServices {
    // The goods' full name (sp_spqm) from the local cache; nullopt when the id is not found.
    std::function<std::optional<QString>(qint64 goodsId)> goodsFullName;
    // The warehouse's full name (ck_ckqm) from the cached warehouse list; nullopt when unknown.
    std::function<std::optional<QString>(qint64 warehouseId)> warehouseFullName;
    // Applies the operator's layout stored under the key to the grid (whose model holds the grid
    // description); false when none was applied.
    std::function<bool(GridView* grid, const QString& layoutKey)> loadLayout;
    // Stores the grid's layout under the key; false when it was not stored.
    std::function<bool(GridView* grid, const QString& layoutKey)> saveLayout;
};

// The services connected to the process's local cache (the one the login opened; without one no
// name is found) and to the per-operator
// grid layouts (LoadGridLayout / SaveGridLayout). None of them throws: a cache that cannot answer
// gives nullopt, a layout that cannot be read or stored gives false.
SelectionServices defaultSelectionServices();

// The process's services.
SelectionServices& selectionServices();
// Puts the default services back.
void resetSelectionServices();

}  // namespace dyt::client
