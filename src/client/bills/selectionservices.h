#pragma once
// What the selection windows need from other parts of the client and reach through replaceable
// functions: names of cached base records (the local cache and the in-memory warehouse list)
// and the saving and loading of grid layouts. Each function may stay unset; the windows then do
// without (no name found, layout not kept).

#include <QString>

#include <functional>
#include <optional>

namespace dyt {
struct GridDefinition;
}

namespace dyt::client {

struct SelectionServices {
    // The goods' full name (sp_spqm) from the local cache; nullopt when the id is not found.
    std::function<std::optional<QString>(qint64 goodsId)> goodsFullName;
    // The warehouse's full name (ck_ckqm) from the cached warehouse list; nullopt when unknown.
    std::function<std::optional<QString>(qint64 warehouseId)> warehouseFullName;
    // Applies the operator's stored layout of the grid of the window with this title.
    std::function<void(const QString& windowTitle, GridDefinition& grid)> loadLayout;
    // Stores the layout of the grid when the window closes.
    std::function<void(const QString& windowTitle, const GridDefinition& grid)> saveLayout;
};

// The process's services (one owner; the application start-up fills them in).
SelectionServices& selectionServices();

}  // namespace dyt::client
