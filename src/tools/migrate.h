#pragma once
// "dyt-cli migrate": an account set moved between the server's engines, on the server's machine
// while the server is stopped.

#include <QStringList>
#include <QTextStream>

namespace dyt::tools {

// args: the command's arguments (after "migrate"). Prints what was copied; throws DytError.
int migrate(const QStringList& args, QTextStream& out);

}  // namespace dyt::tools
