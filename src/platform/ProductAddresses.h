// The product's own web addresses: its home page and the update descriptor on its web server.
#pragma once

namespace product {

inline constexpr char kHomeAddress[] = "https://www.quillon.org.cn/";
inline constexpr char kUpdateAddress[] = "http://update.quillon.org.cn/soft.ini";

} // namespace product
