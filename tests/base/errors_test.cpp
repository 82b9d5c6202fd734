// The file error texts, exactly: callers log and compare them.
#include "base/errors.h"

#include <gtest/gtest.h>

TEST(Errors, FileErrorsNameThePathAndTheReason)
{
    const EFCreateError created =
        EFCreateError::CannotCreate(QStringLiteral("/d/a.jpg"), QStringLiteral("Permission denied"));
    EXPECT_EQ(created.Message(), QStringLiteral("Cannot create file \"/d/a.jpg\". Permission denied"));
    EXPECT_STREQ(created.what(), "Cannot create file \"/d/a.jpg\". Permission denied");
    // A path that looks like a placeholder is taken literally.
    const EFOpenError opened =
        EFOpenError::CannotOpen(QStringLiteral("%2 ä.txt"), QStringLiteral("No such file"));
    EXPECT_EQ(opened.Message(), QStringLiteral("Cannot open file \"%2 ä.txt\". No such file"));
}
