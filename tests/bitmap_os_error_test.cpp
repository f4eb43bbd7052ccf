#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "bitmap/os_error.h"

namespace velta::bitmap {
namespace {

TEST(OsErrorText, namesTheCommonCausesInItalianWithTheSystemTextAfter) {
    struct Case {
        int err;
        const char* cause;
    };
    for (const Case c : {Case{ENOSPC, "disco pieno"}, Case{EDQUOT, "disco pieno"}, Case{EACCES, "permesso negato"},
                         Case{EPERM, "permesso negato"}, Case{ENOENT, "file o cartella inesistente"},
                         Case{EROFS, "file system di sola lettura"}, Case{EPROTO, "errore del sistema"}}) {
        SCOPED_TRACE(c.err);
        EXPECT_EQ(osErrorText(c.err), std::string(c.cause) + " (" + std::strerror(c.err) + ")");
    }
}

}  // namespace
}  // namespace velta::bitmap
