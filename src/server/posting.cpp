// The posting ledgers.
#include "server/posting.h"

namespace dyt::server::posting {

void postBill(Database& /*db*/, qint64 /*billId*/, qint64 /*userId*/) {}

void unpostBill(Database& /*db*/, qint64 /*billId*/, qint64 /*userId*/) {}

}  // namespace dyt::server::posting
