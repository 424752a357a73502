#include "client/bills/selectionservices.h"

namespace dyt::client {

SelectionServices& selectionServices() {
    static SelectionServices services;
    return services;
}

}  // namespace dyt::client
