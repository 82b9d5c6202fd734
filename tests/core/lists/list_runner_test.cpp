// The list download's walk with a fake in place of the window: where it
// starts, what each page is loaded with, Abort all and deleted entries.
#include "core/lists/list_runner.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Records every call as a line; hooks let a case abort or delete entries.
class FakePages final : public TListPages {
public:
    QList<QByteArray> pages;
    int filter = 3;
    bool abort = false;
    QStringList calls;
    std::function<void(FakePages &, qsizetype loaded)> onLoad;  // after each load
    std::function<void(FakePages &)> onSave;

    qsizetype PageCount() const override { return pages.size(); }
    QByteArray Page(qsizetype i) const override { return pages.at(i); }
    int RunFilter() const override { return filter; }
    bool AbortRequested() const override { return abort; }
    void LoadPage(const QByteArray &prefix, const QByteArray &address, int f) override
    {
        calls << QString::fromUtf8("load " + prefix + " " + address + " ") + QString::number(f);
        ++loads;
        if (onLoad)
            onLoad(*this, loads);
    }
    void SaveAllLinks(const QString &folderPrefix) override
    {
        calls << "save " + folderPrefix;
        if (onSave)
            onSave(*this);
    }
    void Clear() override { calls << "clear"; }

private:
    qsizetype loads = 0;
};

struct WalkCase {
    const char *name;
    qsizetype start;
    std::function<void(FakePages &, qsizetype)> onLoad;
    std::function<void(FakePages &)> onSave;
    QStringList calls;
    TListRunSummary summary;
};

const QList<QByteArray> kPages{"a.si/", "https://b.si/", "HTTP://c.si/x"};

class ListWalk : public ::testing::TestWithParam<WalkCase> {};

TEST_P(ListWalk, LoadsSavesAndClearsEachPage)
{
    const WalkCase &c = GetParam();
    FakePages fake;
    fake.pages = kPages;
    fake.onLoad = c.onLoad;
    fake.onSave = c.onSave;
    const TListRunSummary summary = TListRunner(fake).Run(c.start);
    EXPECT_EQ(fake.calls, c.calls);
    EXPECT_EQ(summary.loaded, c.summary.loaded);
    EXPECT_EQ(summary.saved, c.summary.saved);
    EXPECT_EQ(summary.aborted, c.summary.aborted);
}

void PrintTo(const WalkCase &c, std::ostream *os)
{
    *os << c.name;
}

const QStringList kPage0{"load http:// a.si/ 3", "save 00-", "clear"};
const QStringList kPage1{"load https:// https://b.si/ 3", "save 01-", "clear"};
const QStringList kPage2{"load http:// HTTP://c.si/x 3", "save 02-", "clear"};

INSTANTIATE_TEST_SUITE_P(
    Runs, ListWalk,
    ::testing::Values(
        WalkCase{"Whole", 0, {}, {}, kPage0 + kPage1 + kPage2, {3, 3, false}},
        WalkCase{"BelowZeroIsTheFirst", -5, {}, {}, kPage0 + kPage1 + kPage2, {3, 3, false}},
        WalkCase{"FromTheSecond", 1, {}, {}, kPage1 + kPage2, {2, 2, false}},
        WalkCase{"PastTheEnd", 3, {}, {}, {}, {0, 0, false}},
        WalkCase{"AbortDuringTheSecondLoadSavesNothingOfIt", 0,
                 [](FakePages &f, qsizetype n) { f.abort = n == 2; }, {},
                 kPage0 + QStringList{"load https:// https://b.si/ 3", "clear"}, {2, 1, true}},
        WalkCase{"AbortWhileSavingEndsBeforeTheNextPage", 0, {}, [](FakePages &f) { f.abort = true; },
                 kPage0, {1, 1, true}},
        WalkCase{"ADeletedEntryShortensTheWalk", 0,
                 [](FakePages &f, qsizetype n) {
                     if (n == 1)
                         f.pages.removeLast();
                 },
                 {}, kPage0 + kPage1, {2, 2, false}},
        WalkCase{"AnAddedEntryIsNotWalked", 1,
                 [](FakePages &f, qsizetype) { f.pages << "d.si/"; }, {}, kPage1 + kPage2, {2, 2, false}},
        WalkCase{"TheFilterIsAskedForEachPage", 0,
                 [](FakePages &f, qsizetype) { f.filter = 7; }, {},
                 kPage0 + QStringList{"load https:// https://b.si/ 7", "save 01-", "clear",
                                      "load http:// HTTP://c.si/x 7", "save 02-", "clear"},
                 {3, 3, false}}),
    [](const ::testing::TestParamInfo<WalkCase> &info) { return std::string(info.param.name); });

TEST(ListWalk, AnAbortBeforeTheWalkLoadsNothing)
{
    FakePages fake;
    fake.pages = kPages;
    fake.abort = true;
    const TListRunSummary summary = TListRunner(fake).Run(0);
    EXPECT_TRUE(fake.calls.isEmpty());
    EXPECT_TRUE(summary.aborted);
}

TEST(ListWalk, TheTenthPageOnHasNoLeadingZero)
{
    FakePages fake;
    for (int i = 0; i < 11; ++i)
        fake.pages << "p" + QByteArray::number(i) + ".si/";
    TListRunner(fake).Run(9);
    EXPECT_EQ(fake.calls.filter("save"), (QStringList{"save 09-", "save 10-"}));
}

}  // namespace
