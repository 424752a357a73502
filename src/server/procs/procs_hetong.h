#pragma once
// The purchase and sales contracts (baseHeTong with its goods lines baseHeTongList):
//   p_base_Up_HeTong      saves a contract (id 0 adds, id > 0 changes) with its lines, deletes
//                         one (del=1; refused once anything of it has been fulfilled) or stops
//                         and takes back one (stop=1 / stop=0); returns the contract's id.
//   P_JXC_Get_HeTong      the contracts with their fulfilment: filter ";id=" one contract,
//                         ";httype=0|1" purchase or sales only, ";isstop=1" stopped ones too;
//                         wldwStr ";id=" the partner; BeginDate/EndDate the signing dates.
//   P_JXC_Get_HeTongList  the lines of contract `id` with their fulfilment.
//
// Fulfilment of a line: the posted bills with the contract's partner dated inside the contract's
// validity, purchase bills less purchase returns (a purchase contract) or sales bills less sales
// returns (a sales contract), of the line's goods; quantities in the line's unit.

namespace dyt::server {
class Registry;
}

namespace dyt::server::contracts {

void registerProcedures(Registry& procedures);

}  // namespace dyt::server::contracts
