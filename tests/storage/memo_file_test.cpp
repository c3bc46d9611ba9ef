#include "storage/domain.h"
#include "storage/memo_file.h"
#include "storage/slot_file_name.h"
#include "support/faulty_file_system.h"
#include "support/project_builder.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace {

using namespace Corv;
using namespace CorvTest;

class MemoFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        CDomain::Reset();
        m_data.SetProjectFolder(m_dir.Path() + "/");
    }
    std::string MemoPath(int kind) const { return m_dir / MemoFileName(kind); }
    void WriteRaw(int kind, const std::string& text) {
        WriteBytes(MemoPath(kind), Bytes(text.begin(), text.end()));
    }

    TempDir m_dir;
    CLumData m_data;
};

TEST_F(MemoFileTest, LinesFillMemosFourPerSlot) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"a\nb\nc\nd\ne", {"a", "b", "c", "d", "", "", "", ""}}, // no final line end
        {"a\nb\nc\nd\ne\n", {"a", "b", "c", "d", "e", "", "", ""}},
        {"a\r\nb\r\n\r\nd\r\ne\r\n", {"a", "b", "", "d", "e", "", "", ""}},
        {"a\rb\n", {"a b", "", "", "", "", "", "", ""}}, // a lone CR becomes a blank
        {"\n\n\n\nx\n", {"", "", "", "", "x", "", "", ""}},
        {std::string(5000, 'x') + "\nb\n", {std::string(1023, 'x'), "b", "", "", "", "", "", ""}},
    };
    for (int kind = 0; kind < 3; ++kind)
        for (const auto& [text, expected] : cases) {
            CLumData data;
            data.SetProjectFolder(m_dir.Path() + "/");
            WriteRaw(kind, text);
            ReadMemoFile(data, kind);
            std::vector<std::string> memos; // slots 1 and 2
            for (std::size_t s = 0; s < 2; ++s)
                for (int n = 1; n <= 4; ++n)
                    memos.push_back(data.Records(kind).Item(s).Memo(n));
            EXPECT_EQ(memos, expected) << text.substr(0, 20) << ", kind " << kind;
        }
}

// A memo file is refused unread when it cannot be one; the memos stay as they were. The largest
// file the writer can make (1023 characters on every line) is read.
TEST_F(MemoFileTest, WhatCannotBeAMemoFileIsRefusedUnread) {
    const std::string path = MemoPath(kToneKind);
    const std::vector<std::pair<std::function<void()>, MemoRead>> cases = {
        {[&] {
             WriteRaw(kToneKind, "x\n");
             std::filesystem::resize_file(path, MaxMemoFileBytes(kToneKind) + 1);
         },
         MemoRead::TooLarge},
        {[&] { MakeFifo(path); }, MemoRead::NotRegular},
        {[&] { std::filesystem::create_symlink("/dev/zero", path); }, MemoRead::NotRegular},
        {[] {}, MemoRead::Absent}};
    Deadline deadline(20);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        std::filesystem::remove_all(path);
        cases[i].first();
        m_data.Tones()[0].SetMemo(1, "kept");
        InstalledFaultyFileSystem fs;
        EXPECT_EQ(ReadMemoFile(m_data, kToneKind), cases[i].second) << "case " << i;
        EXPECT_EQ(fs.Count(FsOp::Read), 0) << "case " << i;
        EXPECT_EQ(m_data.Tones()[0].Memo(1), "kept") << "case " << i;
    }
    std::filesystem::remove_all(path);
    std::string full;
    for (int line = 0; line < 4 * kToneSlots; ++line)
        full += std::string(1023, static_cast<char>('a' + line % 26)) + "\r\n";
    ASSERT_EQ(full.size(), MaxMemoFileBytes(kToneKind));
    WriteRaw(kToneKind, full);
    EXPECT_EQ(ReadMemoFile(m_data, kToneKind), MemoRead::Read);
    EXPECT_EQ(m_data.Tones()[kToneSlots - 1].Memo(4),
              std::string(1023, 'a' + (4 * kToneSlots - 1) % 26));
}

TEST_F(MemoFileTest, WriteGivesFourCrLfLinesPerSlotForEverySlot) {
    m_data.Patches()[0].SetMemo(1, "first");
    m_data.Patches()[0].SetMemo(4, "fourth");
    m_data.Patches()[511].SetMemo(3, "\xE9t\xE9"); // 8-bit texts stay byte for byte
    ASSERT_TRUE(WriteMemoFile(m_data, kPatchKind));
    std::string expected = "first\r\n\r\n\r\nfourth\r\n";
    for (int s = 1; s < 511; ++s)
        expected += "\r\n\r\n\r\n\r\n";
    expected += "\r\n\r\n\xE9t\xE9\r\n\r\n";
    EXPECT_EQ(ReadBytes(MemoPath(kPatchKind)), Bytes(expected.begin(), expected.end()));
}

} // namespace
