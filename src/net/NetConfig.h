// The product's fixed network addresses and the identity it presents to servers.
#pragma once

#include <QString>

namespace netconfig {

// The update descriptor on the product's web server, asked for with the running version
// ("?version=2.3"). QUILLON_UPDATE_URL replaces the address, so that a test or staging install
// can point the check at another server.
QString updateAddress();
// The home page named in the new-version message.
QString homeAddress();
// The agent name sent to FTP and HTTP servers.
inline constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

} // namespace netconfig
