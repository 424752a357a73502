#pragma once
// The calls that differ between operating systems: the computer name and the workstation
// identity (opening a document is in client/common/desktop.h). Everything else of the client
// reaches the machine only through these two modules.

#include <QByteArray>
#include <QString>

namespace dyt::client::platform {

// The computer name as the network knows it.
QString computerName();

// A stable identity of this machine: the system's machine id (the machine-id file on Linux, the
// machine GUID on Windows); empty when the system has none.
QByteArray machineIdentity();

// The workstation identity sent with the login and the operation log: 8 upper-case hexadecimal
// digits derived from the identity. Without a machine identity the computer name stands in.
QString workstationId();

// The 8 upper-case hexadecimal digits of an identity (the first four bytes of its SHA-1).
QString workstationIdOf(const QByteArray& identity);

}  // namespace dyt::client::platform
