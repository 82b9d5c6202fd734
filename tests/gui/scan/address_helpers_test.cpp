#include "gui/dlform.h"
#include "gui/window_state.h"
#include "core/shared_state.h"
#include "core/scan/address_helpers.h"

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

TEST(AddressSchemes, OnlyHttpAndHttpsPrefixesCountInAnyCaseAndGiveLowerCase)
{
    const std::pair<const char *, const char *> cases[] = {
        {"http://h/", "http://"}, {"HTTPS://h/", "https://"}, {"hTtPs://", "https://"},
        {"https:/h", ""},         {"httpss://h", ""},         {"ftp://h", ""},
        {" https://h", ""},       {"//h/a", ""},              {"", ""},
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(SchemePrefixOf(in), QByteArray(out)) << in;
}

TEST(AddressSchemes, TakingTheSchemeRemovesOnePrefixOrKeepsTheOneInUse)
{
    SchemedAddress a = TakeScheme(QStringLiteral("HTTPS://h/x/"), kHttpPrefix);
    EXPECT_EQ(a.prefix, "https://");
    EXPECT_EQ(a.rest, QStringLiteral("h/x/"));
    a = TakeScheme(QStringLiteral("http://https://h/"), kHttpsPrefix);
    EXPECT_EQ(a.prefix, "http://");
    EXPECT_EQ(a.rest, QStringLiteral("https://h/"));
    a = TakeScheme(QStringLiteral("čšž.si/"), kHttpsPrefix);
    EXPECT_EQ(a.prefix, "https://");
    EXPECT_EQ(a.rest, QStringLiteral("čšž.si/"));

    EXPECT_EQ(FullAddress(QStringLiteral("h/x/"), kHttpsPrefix), "https://h/x/");
    EXPECT_EQ(FullAddress(QStringLiteral("Http://h/x/"), kHttpsPrefix), "http://h/x/");
    EXPECT_EQ(FullAddress(QStringLiteral("h:81/"), kHttpPrefix), "http://h:81/");
}

TEST(AddressSchemes, ListEntriesAndHistoryEntriesWithoutASchemeAreHttp)
{
    EXPECT_EQ(ListEntryPrefix("HTTPS://h/a.jpg"), "https://");
    EXPECT_EQ(ListEntryPrefix("h/a.jpg"), "http://");
    EXPECT_EQ(ListEntryPrefix("ftp://h/a.jpg"), "http://");
    EXPECT_EQ(HistoryEntry(kHttpsPrefix, QStringLiteral("h/x/")), QStringLiteral("https://h/x/"));
    EXPECT_EQ(HistoryEntry(kHttpPrefix, QStringLiteral("h/x/")), QStringLiteral("h/x/"));
}

// What keeps an address from being asked for, as typed into the box (with
// or without its http:// or https://).
TEST(AddressHelpers, CheckPageAddressNamesWhatIsWrong)
{
    const struct {
        const char *text;
        AddressFault fault;
        const char *part;
    } cases[] = {
        {"host/x", AddressFault::None, ""},
        {"http://host:8080/x", AddressFault::None, ""},
        {"HTTPS://host/x", AddressFault::None, ""},
        {"localhost:8080/x", AddressFault::None, ""},
        {"http://user:pw@host/x", AddressFault::None, ""},
        {"[::1]:80/x", AddressFault::None, ""},
        {"[::1]/x", AddressFault::None, ""},
        {"host:99999/x", AddressFault::None, ""},  // the client names the number
        {"host/a:b/c", AddressFault::None, ""},     // a colon in the path is no port
        {"htp:/host", AddressFault::Scheme, "htp:"},
        {"host:/x", AddressFault::Scheme, "host:"},
        {"ftp://host/x", AddressFault::Scheme, "ftp:"},
        {"javascript:alert(1)", AddressFault::Scheme, "javascript:"},
        {"http://host:abc/", AddressFault::Port, "abc"},
        {"http://host:/", AddressFault::Port, ""},
        {"host:80:90/x", AddressFault::Port, "80:90"},
        {"http://[::1]:x/", AddressFault::Port, "x"},
        {"http:///x", AddressFault::NoHost, ""},
        {"/x", AddressFault::NoHost, ""},
        {"http://:80/", AddressFault::NoHost, ""},
        {"http://[::1/", AddressFault::NoHost, ""},
        {"http://[::1]x/", AddressFault::NoHost, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        const AddressCheck check = CheckPageAddress(QByteArray(c.text));
        EXPECT_EQ(check.fault, c.fault);
        EXPECT_EQ(check.part, QByteArray(c.part));
    }
}

}  // namespace
