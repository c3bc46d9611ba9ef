#include "library/sqlite.h"
#include "support/project_builder.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

using Corv::Library::CDatabase;
using Corv::Library::CStatement;

// How a value is bound: copied or read where it is, as text or as a blob.
struct BindCase {
    const char* what;
    std::function<void(CStatement&, std::string_view)> bind;
    const char* type; // typeof() of what was stored
};

// Values bound and read back: empty ones (a view without bytes too), a NUL inside, bytes of
// a code page that are not UTF-8, a long one.
const std::string_view kValues[] = {std::string_view(), "", std::string_view("a\0b", 3),
                                    "\x93\xfa\x96\x7b", "Warm Pad"};

class Binding : public ::testing::TestWithParam<BindCase> {};

TEST_P(Binding, StoresTheBytesAsGiven) {
    const BindCase& c = GetParam();
    CorvTest::TempDir dir;
    CDatabase db;
    ASSERT_TRUE(db.Open(dir / "t.sqlite3"));
    ASSERT_TRUE(db.Execute("CREATE TABLE t(n INTEGER, v NOT NULL)"));
    const std::string longValue(5000, 'x');
    std::vector<std::string_view> values(std::begin(kValues), std::end(kValues));
    values.push_back(longValue);
    {
        // One statement run for every value, as the scan inserts its rows.
        CStatement insert(db, "INSERT INTO t(n, v) VALUES (?, ?)");
        for (std::size_t i = 0; i < values.size(); ++i) {
            insert.Reset();
            insert.Bind(1, static_cast<std::int64_t>(i));
            c.bind(insert, values[i]);
            ASSERT_TRUE(insert.Run()) << c.what << " " << i << ": " << db.Error();
        }
    }
    CStatement read(db, "SELECT v, typeof(v) FROM t ORDER BY n");
    for (const std::string_view value : values) {
        ASSERT_TRUE(read.Step()) << c.what;
        EXPECT_EQ(read.Text(0), value) << c.what;
        EXPECT_EQ(read.Text(1), c.type) << c.what;
    }
    EXPECT_FALSE(read.Step());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Binding,
    ::testing::Values(
        BindCase{"copied_text", [](CStatement& s, std::string_view v) { s.Bind(2, v); }, "text"},
        BindCase{"kept_text", [](CStatement& s, std::string_view v) { s.BindKept(2, v); }, "text"},
        BindCase{"copied_blob", [](CStatement& s, std::string_view v) { s.BindBlob(2, v); },
                 "blob"},
        BindCase{"kept_blob", [](CStatement& s, std::string_view v) { s.BindBlobKept(2, v); },
                 "blob"}),
    [](const ::testing::TestParamInfo<BindCase>& test) { return std::string(test.param.what); });

// A copied value is the one bound; a kept one is read when the statement runs.
TEST(Binding, CopiedValueIsTakenWhenBoundKeptOneWhenRun) {
    CorvTest::TempDir dir;
    CDatabase db;
    ASSERT_TRUE(db.Open(dir / "t.sqlite3"));
    std::string copied = "before";
    std::string kept = "before";
    CStatement select(db, "SELECT ?, ?");
    select.Bind(1, copied).BindKept(2, kept);
    copied[0] = 'B';
    kept[0] = 'B';
    ASSERT_TRUE(select.Step());
    EXPECT_EQ(select.Text(0), "before");
    EXPECT_EQ(select.Text(1), "Before");
}

} // namespace
