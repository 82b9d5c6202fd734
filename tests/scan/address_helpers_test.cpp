#include "app/dlform.h"
#include "app/shared_state.h"
#include "scan/address_helpers.h"

#include <gtest/gtest.h>

namespace {

using Folders = QList<QByteArray>;

struct SplitCase {
    const char *address, *host, *path, *file;
    Folders folders;
};

TEST(AddressHelpers, SplitAddressTakesHostPathFileAndFolders)
{
    const SplitCase cases[] = {
        {"h/a/b/p.html", "h", "a/b/", "p.html", {"a", "b"}},
        {"h/", "h", "", "", {}},
        {"h", "h", "", "", {}},
        {"", "", "", "", {}},
        {"h/a/b/", "h", "a/b/", "", {"a", "b"}},
        {"h/p.jpg", "h", "", "p.jpg", {}},
        {"h//x/", "h", "/x/", "", {"", "x"}},
        // A full link address: the scheme's colon stays in the host.
        {"http://s/x/pic.jpg", "http:", "/s/x/", "pic.jpg", {"", "s", "x"}},
    };
    for (const SplitCase &c : cases) {
        SCOPED_TRACE(c.address);
        const AddressParts parts = SplitAddress(c.address);
        EXPECT_EQ(parts.host, QByteArray(c.host));
        EXPECT_EQ(parts.path, QByteArray(c.path));
        EXPECT_EQ(parts.file, QByteArray(c.file));
        EXPECT_EQ(parts.folders, c.folders);
    }
}

TEST(AddressHelpers, OdvzemiImenikGoesOneFolderUp)
{
    const std::pair<const char *, const char *> cases[] = {
        {"a/b/c/", "a/b"}, {"a/b/c", "a/b"}, {"a/b/", "a"}, {"a/b", "a"},
        {"a/", ""},        {"ab", ""},       {"", ""},      {"/a", ""},
        {"/", ""},         {"//", ""},       {"x//", "x"},
    };
    for (const auto &[path, up] : cases)
        EXPECT_EQ(OdvzemiImenik(path), QByteArray(up)) << path;
}

TEST(AddressHelpers, OdvzemiHTTPRemovesOnlyOneHttpPrefix)
{
    const std::pair<const char *, const char *> cases[] = {
        {"HtTp://h/a", "h/a"},
        {"http://", ""},
        {"http://http://h", "http://h"},
        {"http:/h", "http:/h"},
        {"https://h", "https://h"},
        {"ftp://h", "ftp://h"},
        {"", ""},
        {"http", "http"},
        {" http://h", " http://h"},
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(OdvzemiHTTP(QByteArray(in)), QByteArray(out)) << in;
    EXPECT_EQ(OdvzemiHTTP(QStringLiteral("HTTP://čšž.si/")), QStringLiteral("čšž.si/"));
}

TEST(AddressHelpers, DodajSlashCompletesOnlyComNetOrg)
{
    const std::pair<const char *, const char *> cases[] = {
        {"www.x.COM", "www.x.COM/"},
        {"x.net", "x.net/"},
        {"x.Org", "x.Org/"},
        {".com", ".com/"},
        {"com", "com"},
        {"x.com/", "x.com/"},
        {"x.com/a", "x.com/a"},
        {"x.si", "x.si"},
        {"x.comm", "x.comm"},
        {"", ""},
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(DodajSlash(QByteArray(in)), QByteArray(out)) << in;
    EXPECT_EQ(DodajSlash(QStringLiteral("čšž.net")), QStringLiteral("čšž.net/"));
}

TEST(AddressHelpers, LociNaslovSetsTheSharedStringsAndReplacesMemo1)
{
    TDLForm form;
    form.LociNaslov("h/a/b/p.html");
    EXPECT_EQ(AddressHost, "h");
    EXPECT_EQ(AddressPath, "a/b/");
    EXPECT_EQ(AddressFile, "p.html");
    EXPECT_EQ(form.Memo1, (Folders{"a", "b"}));

    form.LociNaslov("h");
    EXPECT_EQ(AddressHost, "h");
    EXPECT_TRUE(AddressPath.isEmpty());
    EXPECT_TRUE(AddressFile.isEmpty());
    EXPECT_TRUE(form.Memo1.isEmpty());
}

}  // namespace
