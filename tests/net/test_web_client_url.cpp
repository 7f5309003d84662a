// Host, port and path of the addresses the web client is given, including odd ones.
#include "net/WebClient.h"

#include <gtest/gtest.h>

namespace {

struct UrlCase {
    const char* url;
    const char* host;
    int port;
    const char* path;
};

void PrintTo(const UrlCase& c, std::ostream* os) {
    *os << c.url;
}

class UrlParts : public testing::TestWithParam<UrlCase> {};

TEST_P(UrlParts, HostPortAndPath) {
    const UrlCase& c = GetParam();
    const QString url = QString::fromUtf8(c.url);
    EXPECT_EQ(WebClient::UrlHost(url), QString::fromUtf8(c.host));
    EXPECT_EQ(WebClient::UrlPort(url), c.port);
    EXPECT_EQ(WebClient::UrlPath(url), QString::fromUtf8(c.path));
}

INSTANTIATE_TEST_SUITE_P(Addresses, UrlParts,
                         testing::Values(
                             // The scheme is recognised without regard to case; a port follows the host.
                             UrlCase{"HTTP://Example:8080/a", "Example", 8080, "/a"},
                             UrlCase{"http://www.example.com", "www.example.com", 80, "/"},
                             UrlCase{"http://www.example.com/", "www.example.com", 80, "/"},
                             UrlCase{"http://h.example/soft.ini?v=2&x=/y", "h.example", 80, "/soft.ini?v=2&x=/y"},
                             // Without a scheme the host runs from the start.
                             UrlCase{"example.com/dir/file.ini", "example.com", 80, "/dir/file.ini"},
                             UrlCase{"example.com:81", "example.com", 81, "/"}, UrlCase{"Example", "Example", 80, "/"},
                             // Blanks around the host are dropped; the port is the number after the colon.
                             UrlCase{"http:// spaced.example :8081/p", "spaced.example", 8081, "/p"},
                             UrlCase{"http://host.example:/p", "host.example", 0, "/p"},
                             // A host that also occurs inside "http://" is still found after the scheme.
                             UrlCase{"http://h/x", "h", 80, "/x"}, UrlCase{"http://tp:90/y", "tp", 90, "/y"},
                             UrlCase{"http://p", "p", 80, "/"},
                             // A host named in the path does not confuse the path.
                             UrlCase{"http://a.example/a.example/b", "a.example", 80, "/a.example/b"},
                             // Other schemes are not recognised: their name is read as the host.
                             UrlCase{"https://secure.example/x", "https", 0, "//secure.example/x"},
                             UrlCase{"", "", 80, "/"}));

} // namespace
