#pragma once
// Wire format shared by the client, the server and dyt-cli.

namespace dyt::proto {

// Default TCP port of the application server.
constexpr int kDefaultPort = 211;
// Frames above this size are refused and the connection closed.
constexpr long long kDefaultFrameLimit = 256LL * 1024 * 1024;

}  // namespace dyt::proto
