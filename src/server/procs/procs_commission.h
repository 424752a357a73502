#pragma once
// The commission plans (basetcIndex) and the plan of each goods and employee (basetcAssign):
// p_Base_Get_TCFA, p_Base_Up_TCFA and p_Base_Up_TCFP.

namespace dyt::server {
class Registry;
}  // namespace dyt::server

namespace dyt::server::commission {

void registerProcedures(Registry& procedures);

}  // namespace dyt::server::commission
