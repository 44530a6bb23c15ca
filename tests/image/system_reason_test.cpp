#include "image/system_reason.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace pk {
namespace {

TEST(SystemReason, GermanForTheErrorsOfSavingAndLoading) {
    for (const int err : {ENOENT, EACCES, EPERM, EROFS, ENOSPC, EDQUOT, EISDIR, ENOTDIR,
                          ENAMETOOLONG, EIO, EINVAL, EXDEV}) {
        const std::string text = SystemReason(err);
        EXPECT_NE(text, std::strerror(err)) << err << ": not the system's English text";
        EXPECT_FALSE(text.empty()) << err;
    }
    EXPECT_EQ(SystemReason(EROFS), "Das Dateisystem ist schreibgeschützt");
    // The rare rest keeps the system's words and adds the number to look up.
    EXPECT_EQ(SystemReason(EHOSTDOWN), std::string(std::strerror(EHOSTDOWN)) + " (Fehler " +
                                           std::to_string(EHOSTDOWN) + ")");
}

}  // namespace
}  // namespace pk
