#include "storage/domain.h"
#include "storage/memo_file.h"
#include "storage/slot_file_name.h"
#include "support/faulty_file_system.h"
#include "support/project_builder.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Corv::CLumData;

class MemoFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        Corv::CDomain::Reset();
        m_data.SetProjectFolder(m_dir.Path() + "/");
    }

    std::string MemoPath(int kind) const { return m_dir / Corv::MemoFileName(kind); }

    void WriteRaw(int kind, const std::string& text) {
        CorvTest::WriteBytes(MemoPath(kind), CorvTest::Bytes(text.begin(), text.end()));
    }

    std::string ReadRaw(int kind) const {
        const CorvTest::Bytes bytes = CorvTest::ReadBytes(MemoPath(kind));
        return std::string(bytes.begin(), bytes.end());
    }
    const Corv::CParameter& Record(int kind, int index) const {
        return m_data.Records(kind).Item(static_cast<std::size_t>(index));
    }

    // All memos of the first n slots of a kind, in file order.
    static std::vector<std::string> Memos(const CLumData& data, int kind, int slots) {
        std::vector<std::string> memos;
        for (int s = 0; s < slots; ++s)
            for (int n = 1; n <= 4; ++n)
                memos.push_back(data.Records(kind).Item(static_cast<std::size_t>(s)).Memo(n));
        return memos;
    }

    CorvTest::TempDir m_dir;
    CLumData m_data;
};

TEST_F(MemoFileTest, LinesFillMemosFourPerSlot) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> expected; // memos of slots 1 and 2
    };
    const std::vector<Case> cases = {
        {"three lines", "a\nb\nc\n", {"a", "b", "c", "", "", "", "", ""}},
        {"no final line end", "a\nb\nc\nd\ne", {"a", "b", "c", "d", "", "", "", ""}},
        {"final line end", "a\nb\nc\nd\ne\n", {"a", "b", "c", "d", "e", "", "", ""}},
        {"CR LF", "a\r\nb\r\n\r\nd\r\ne\r\n", {"a", "b", "", "d", "e", "", "", ""}},
        {"lone CR becomes a blank", "a\rb\n", {"a b", "", "", "", "", "", "", ""}},
        {"blank lines", "\n\n\n\nx\n", {"", "", "", "", "x", "", "", ""}},
        {"over-long line keeps its start",
         std::string(5000, 'x') + "\nb\n",
         {std::string(1023, 'x'), "b", "", "", "", "", "", ""}},
    };
    for (int kind = 0; kind < 3; ++kind)
        for (const Case& c : cases) {
            CLumData data;
            data.SetProjectFolder(m_dir.Path() + "/");
            WriteRaw(kind, c.text);
            Corv::ReadMemoFile(data, kind);
            EXPECT_EQ(Memos(data, kind, 2), c.expected) << c.what << ", kind " << kind;
        }
}

// A memo file is refused unread when it cannot be one; the memos stay as they were.
TEST_F(MemoFileTest, WhatCannotBeAMemoFileIsRefusedUnread) {
    using Corv::MemoRead;
    const int kind = Corv::kToneKind;
    const std::string path = MemoPath(kind);
    const std::vector<std::pair<std::function<void()>, MemoRead>> cases = {
        {[&] {
             WriteRaw(kind, "x\n");
             std::filesystem::resize_file(path, Corv::MaxMemoFileBytes(kind) + 1);
         },
         MemoRead::TooLarge},
        {[&] { CorvTest::MakeFifo(path); }, MemoRead::NotRegular},
        {[&] { std::filesystem::create_directory(path); }, MemoRead::NotRegular},
        {[&] { std::filesystem::create_symlink("/dev/zero", path); }, MemoRead::NotRegular},
        {[&] { std::filesystem::create_symlink(m_dir / "gone.txt", path); }, MemoRead::Absent},
        {[] {}, MemoRead::Absent}};
    CorvTest::Deadline deadline(20);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        std::filesystem::remove_all(path);
        cases[i].first();
        m_data.Tones()[0].SetMemo(1, "kept");
        CorvTest::InstalledFaultyFileSystem fs;
        EXPECT_EQ(Corv::ReadMemoFile(m_data, kind), cases[i].second) << "case " << i;
        EXPECT_EQ(fs.Count(CorvTest::FsOp::Read), 0) << "case " << i;
        EXPECT_EQ(Record(kind, 0).Memo(1), "kept") << "case " << i;
    }
    // The largest file the writer can make is read: 1023 characters on every line.
    std::filesystem::remove_all(path);
    std::string full;
    for (int line = 0; line < 4 * Corv::SlotCount(kind); ++line)
        full += std::string(1023, static_cast<char>('a' + line % 26)) + "\r\n";
    ASSERT_EQ(full.size(), Corv::MaxMemoFileBytes(kind));
    WriteRaw(kind, full);
    EXPECT_EQ(Corv::ReadMemoFile(m_data, kind), MemoRead::Read);
    EXPECT_EQ(Record(kind, Corv::kToneSlots - 1).Memo(4),
              std::string(1023, 'a' + (4 * Corv::kToneSlots - 1) % 26));
}

TEST_F(MemoFileTest, WriteGivesFourCrLfLinesPerSlotForEverySlot) {
    m_data.Patches()[0].SetMemo(1, "first");
    m_data.Patches()[0].SetMemo(4, "fourth");
    m_data.Patches()[511].SetMemo(3, "\xE9t\xE9"); // 8-bit texts stay byte for byte
    ASSERT_TRUE(Corv::WriteMemoFile(m_data, Corv::kPatchKind));
    const std::string text = ReadRaw(Corv::kPatchKind);
    std::string expected = "first\r\n\r\n\r\nfourth\r\n";
    for (int s = 1; s < 511; ++s)
        expected += "\r\n\r\n\r\n\r\n";
    expected += "\r\n\r\n\xE9t\xE9\r\n\r\n";
    EXPECT_EQ(text, expected);

    for (int kind = 1; kind < 3; ++kind) {
        ASSERT_TRUE(Corv::WriteMemoFile(m_data, kind));
        const std::string t = ReadRaw(kind);
        EXPECT_EQ(static_cast<int>(std::count(t.begin(), t.end(), '\n')),
                  4 * Corv::SlotCount(kind));
    }
    EXPECT_FALSE(Corv::WriteMemoFile(m_data, 3));
    EXPECT_FALSE(Corv::WriteMemoFile(m_data, -1));
}

} // namespace
