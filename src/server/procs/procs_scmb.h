#pragma once
// The assembly templates (生产组装模板): what a goods is made of. A template (baseSCMB) names
// the goods made and the quantity the template makes; its parts (baseSCMBList) name the goods
// used up, each with the quantity used for the template's quantity.
//
// p_base_Get_SCMB lists the templates (";find=" a part of the code, name or goods; ";id=" one);
// p_base_Get_SCMBList answers the parts of one template, or with sl the lines an assembly bill
// takes for making sl of the goods: the goods made with +sl, each part with minus its quantity
// scaled by sl over the template's quantity; p_base_Up_SCMB adds, changes (id > 0) and deletes
// (del = 1) a template, its parts in "parts" as "goods,qty;goods,qty".

namespace dyt::server {
class Registry;
}  // namespace dyt::server

namespace dyt::server::assembly {

void registerProcedures(Registry& procedures);

}  // namespace dyt::server::assembly
