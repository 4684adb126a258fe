#include "word/OfficePipe.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace qm {
namespace {

std::string hex(const std::string& bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (char c : bytes) {
        out += kHex[static_cast<unsigned char>(c) >> 4];
        out += kHex[static_cast<unsigned char>(c) & 15];
    }
    return out;
}

// The socket's name is the one LibreOffice 7.4 made for that profile (seen in /tmp), so
// that the socket a killed office left can be found and removed.
TEST(OfficePipe, TheSocketIsNamedAsTheOfficeNamesIt) {
    EXPECT_EQ(hex(md5("")), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(hex(md5("The quick brown fox jumps over the lazy dog")),
              "9e107d9d372bb6826bd81d3542a419d6");
    EXPECT_EQ(hex(md5(std::string(200, 'a'))), "887f30b43b2867f4a9accceee7d16e6c");
    EXPECT_EQ(officePipePath("/tmp", "file:///tmp/sec-y/prof"),
              "/tmp/OSL_PIPE_" + std::to_string(::geteuid()) +
                  "_SingleOfficeIPC_5a5f496fdf16f4f5ba89dfce0d263ac");
}

} // namespace
} // namespace qm
