// Paper and spreadsheet lists of a project: the CSV of one list or all three, writing it all or
// nothing, the Export List command's questions, and the printout's pages (printed to PDF).
#include "model/lum_data.h"
#include "support/project_builder.h"
#include "ui/choosers.h"
#include "ui/code_page.h"
#include "ui/desktop.h"
#include "ui/list_export.h"
#include "ui/list_print.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <tuple>

using namespace CorvDesktop;

namespace {

using Corv::kPatchKind;
using Corv::kToneKind;
using Corv::kWaveKind;

// Marks a record used (a record with a file path is a used slot) and puts it in its slot.
template <class Array, class Record>
void Place(Array& array, int number, Record record, const std::string& memo1 = {}) {
    if (record.IsEmpty())
        record.SetFilePath("slot" + std::to_string(number));
    record.SetMemo(1, memo1);
    array.PlaceClone(Corv::At(number - 1), record);
}

// Three patches (one empty slot referring to tone 1), two tones and three waves; users rebuilt
// from the references as loading does.
void FillSmallProject(Corv::CLumData& data) {
    using CorvTest::MakePatch;
    using CorvTest::MakeTone;
    Place(data.Patches(), 1, MakePatch("Grand Piano", 1, 2), "live, set 1");
    Place(data.Patches(), 3, MakePatch("Strings", 2, 2));
    data.Patches().PlaceClone(4, MakePatch("", 1)); // patch 5: empty, yet refers to tone 1
    Place(data.Tones(), 1, MakeTone("Piano L", {1, 2}), "say \"warm\"");
    Place(data.Tones(), 2, MakeTone("Pad", {2, 0, 2}));
    Place(data.Waves(), 1, CorvTest::MakeWave("Hammer", "Wave/Hammer.w00"));
    Place(data.Waves(), 2, CorvTest::MakeWave("Air", "Wave/Air.wav"));
    Place(data.Waves(), 3, CorvTest::MakeWave("Spare", "Wave/Spare.wav"));
    data.RebuildToneUsers();
    data.RebuildWaveUsers();
}

// Every slot of every list used, some with memos far wider than a printed column.
void FillFullProject(Corv::CLumData& data) {
    for (int p = 1; p <= Corv::kPatchSlots; ++p)
        Place(data.Patches(), p, CorvTest::MakePatch("P" + std::to_string(p), p, p + 1),
              std::string(p % 7 == 0 ? 1023 : 10, 'm'));
    for (int t = 1; t <= Corv::kToneSlots; ++t)
        Place(data.Tones(), t, CorvTest::MakeTone("T" + std::to_string(t), {t}));
    for (int w = 1; w <= Corv::kWaveSlots; ++w)
        Place(data.Waves(), w, CorvTest::MakeWave("W" + std::to_string(w), "Wave/w.wav"));
    data.RebuildToneUsers();
    data.RebuildWaveUsers();
}

QByteArray Lines(const QStringList& lines) {
    return QByteArrayLiteral("\xEF\xBB\xBF") + (lines.join("\r\n") + "\r\n").toUtf8();
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Pages of a PDF file: its page objects, not the page tree ("/Type /Pages").
int PdfPageCount(const QByteArray& pdf) {
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    int count = 0;
    for (auto it = page.globalMatch(QString::fromLatin1(pdf)); it.hasNext(); it.next())
        ++count;
    return count;
}

CPrintedPage Page(int kind, int first, int count) {
    return {kind, first, count};
}

} // namespace

class ListExportTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_settings;
    QStringList m_notices;

    static const CCodePage& Page1252() {
        CDesktop::Get().CodePage().Select(QStringLiteral("windows-1252"));
        return CDesktop::Get().CodePage();
    }

private slots:
    void initTestCase() {
        QCoreApplication::setOrganizationName(QStringLiteral("CorvaneTest"));
        QCoreApplication::setApplicationName(QStringLiteral("ListExportTests"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
    }
    void init() {
        m_notices.clear();
        CDesktop::Get().Choosers() = CUiChoosers();
        CDesktop::Get().Choosers().notice = [this](QWidget*, const QString& text) {
            m_notices << text;
        };
    }

    // Used entries only, in slot order; users are used entries, ascending, each once.
    void csvOfEachListAndOfAll() {
        Corv::CLumData data;
        FillSmallProject(data);
        const QString header = "Number,Name,Memo 1,Memo 2,Memo 3,Memo 4,Users";
        const std::tuple<int, QStringList> cases[] = {
            {kPatchKind, {header, "1,Grand Piano,\"live, set 1\",,,,1 2", "3,Strings,,,,,2"}},
            {kToneKind, {header, "1,Piano L,\"say \"\"warm\"\"\",,,,1", "2,Pad,,,,,1 3"}},
            {kWaveKind, {header, "1,Hammer,,,,,1", "2,Air,,,,,1 2", "3,Spare,,,,,"}},
            {kAllLists,
             {"List," + header, "Patch,1,Grand Piano,\"live, set 1\",,,,1 2",
              "Patch,3,Strings,,,,,2", "Tone,1,Piano L,\"say \"\"warm\"\"\",,,,1",
              "Tone,2,Pad,,,,,1 3", "Wave,1,Hammer,,,,,1", "Wave,2,Air,,,,,1 2",
              "Wave,3,Spare,,,,,"}}};
        for (const auto& [kind, lines] : cases)
            QCOMPARE(ListCsv(data, Page1252(), kind), Lines(lines));
    }

    // Stale or repeated user entries and references beyond the lists do not reach the paper.
    void linkedNumbersLeaveOutWhatIsNotThere() {
        Corv::CLumData data;
        FillSmallProject(data);
        data.Tones()[1].Users().push_back(2);   // patch 3 a second time
        data.Tones()[1].Users().push_back(600); // beyond the patches
        data.Waves()[0].Users().push_back(-1);
        data.Patches()[2].Slot(1).SetToneNumber(0x3FF); // the file may hold any number
        const std::tuple<int, int, std::vector<int>> cases[] = {
            {kPatchKind, 0, {1, 2}}, {kPatchKind, 2, {2}}, {kToneKind, 0, {1}},
            {kToneKind, 1, {1, 3}},  {kWaveKind, 0, {1}},  {kWaveKind, 1, {1, 2}},
            {kWaveKind, 2, {}}};
        for (const auto& [kind, index, numbers] : cases)
            QCOMPARE(LinkedNumbers(data, kind, index), numbers);
    }

    // A field with a comma, quote or line break is quoted, quotes doubled; others stay as they are.
    void awkwardTextsAreQuoted() {
        const std::tuple<std::string, std::string, QString> cases[] = {
            {"a,b", "x", "1,\"a,b\",x,,,,"},
            {"say \"hi\"", "\"", "1,\"say \"\"hi\"\"\",\"\"\"\",,,,"},
            {"two\nlines", "", "1,\"two\nlines\",,,,,"},
            {"cr\rhere", "", "1,\"cr\rhere\",,,,,"},
            {" lead ", "=1+2", "1, lead ,=1+2,,,,"},
            {"", "a;b\tc", "1,,a;b\tc,,,,"}};
        for (const auto& [name, memo, row] : cases) {
            Corv::CLumData data;
            Corv::CWave wave = CorvTest::MakeWave("", "Wave/x.wav");
            wave.SetName(name);
            Place(data.Waves(), 1, wave, memo);
            const QByteArray csv = ListCsv(data, Page1252(), kWaveKind);
            QCOMPARE(csv, Lines({"Number,Name,Memo 1,Memo 2,Memo 3,Memo 4,Users", row}));
        }
    }

    // Names and memos are code-page bytes; the file holds them as UTF-8.
    void codePageTextsBecomeUtf8() {
        const std::tuple<QString, std::string, std::string, QString> cases[] = {
            {"windows-1252", "Caf\xE9 \x80", "\x93x\x94", "1,Café €,“x”,,,,"},
            {"windows-1252", "\xC4\xD6\xDC\xDF", "", "1,ÄÖÜß,,,,,"},
            {"Shift_JIS", "\x83\x73\x83\x41\x83\x6D", "\xB1\xB2", "1,ピアノ,ｱｲ,,,,"}};
        for (const auto& [codePage, name, memo, row] : cases) {
            QVERIFY(CDesktop::Get().CodePage().Select(codePage));
            Corv::CLumData data;
            Corv::CWave wave = CorvTest::MakeWave(name, "Wave/x.wav");
            Place(data.Waves(), 1, wave, memo);
            const QByteArray csv = ListCsv(data, CDesktop::Get().CodePage(), kWaveKind);
            QCOMPARE(csv, Lines({"Number,Name,Memo 1,Memo 2,Memo 3,Memo 4,Users", row}));
        }
        CDesktop::Get().CodePage().Select(QStringLiteral("windows-1252"));
    }

    void writingReplacesTheFileWhole() {
        QTemporaryDir folder;
        const QString path = folder.filePath("list.csv");
        QString reason;
        QVERIFY(WriteWholeFile(path, "old content that is longer", reason));
        QVERIFY(WriteWholeFile(path, "new", reason));
        QCOMPARE(ReadAll(path), QByteArray("new"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"list.csv"});
    }

    // A file that cannot be written gives the reason and leaves nothing behind.
    void unwritablePathsFailWithAReason() {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir("sub"));
        const QString paths[] = {folder.filePath("missing/list.csv"), folder.filePath("sub"),
                                 folder.filePath("sub/")};
        for (const QString& path : paths) {
            QString reason;
            QVERIFY2(!WriteWholeFile(path, "data", reason), qPrintable(path));
            QVERIFY2(!reason.isEmpty(), qPrintable(path));
            const QStringList left =
                QDir(folder.path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
            QCOMPARE(left, QStringList{"sub"});
            QVERIFY(QDir(folder.filePath("sub"))
                        .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        }
    }

    void proposedFileNames() {
        const std::tuple<QString, int, QString> cases[] = {
            {"Set A", kPatchKind, "Set A patches.csv"}, {"Set A", kToneKind, "Set A tones.csv"},
            {"Set A", kWaveKind, "Set A waves.csv"},    {"Set A", kAllLists, "Set A.csv"},
            {" ", kWaveKind, "Project waves.csv"},      {"a/b", kAllLists, "a_b.csv"}};
        for (const auto& [title, kind, name] : cases)
            QCOMPARE(SuggestedCsvPath(title, kind), QDir::home().filePath(name));
    }

    // The command asks which lists only when one is active, proposes a name for what was chosen,
    // writes exactly the CSV, and says why when it cannot.
    void exportCommandAsksThenWrites() {
        Corv::CLumData data;
        FillSmallProject(data);
        QTemporaryDir folder;
        struct Case {
            int activeKind;
            std::optional<int> answer; // of the lists question; not asked for -1
            QString fileName;          // empty: cancelled
            bool written;
            QString proposed;
            int notices;
        };
        const Case cases[] = {{kToneKind, kToneKind, "tones.csv", true, "Set tones.csv", 0},
                              {kToneKind, kAllLists, "all.csv", true, "Set.csv", 0},
                              {-1, std::nullopt, "all2.csv", true, "Set.csv", 0},
                              {kPatchKind, std::nullopt, "never.csv", false, QString(), 0},
                              {kWaveKind, kWaveKind, QString(), false, "Set waves.csv", 0},
                              {kWaveKind, kWaveKind, "missing/w.csv", false, "Set waves.csv", 1}};
        for (const Case& c : cases) {
            m_notices.clear();
            int asked = 0;
            QString proposed;
            CListExportChoosers choosers;
            choosers.lists = [&](QWidget*, int active) {
                ++asked;
                return active == c.activeKind ? c.answer : std::optional<int>(99);
            };
            choosers.fileName = [&](QWidget*, const QString& path) {
                proposed = path;
                return c.fileName.isEmpty() ? QString() : folder.filePath(c.fileName);
            };
            const bool written =
                ExportListInteractively(nullptr, data, c.activeKind, "Set", choosers);
            QCOMPARE(written, c.written);
            QCOMPARE(asked, c.activeKind == -1 ? 0 : 1);
            QCOMPARE(proposed,
                     c.proposed.isEmpty() ? QString() : QDir::home().filePath(c.proposed));
            QCOMPARE(m_notices.size(), c.notices);
            const QString path = folder.filePath(c.fileName);
            QCOMPARE(QFile::exists(path) && !c.fileName.isEmpty(), c.written);
            if (c.written)
                QCOMPARE(ReadAll(path), ListCsv(data, Page1252(), c.answer.value_or(kAllLists)));
            if (c.notices > 0)
                QVERIFY(m_notices[0].contains(QDir::toNativeSeparators(path)));
        }
    }

    // Each list with entries starts a page and fills 64 rows a page; empty lists get none.
    void pagesOfTheLists() {
        const std::tuple<int, int, int, std::vector<CPrintedPage>> cases[] = {
            {0, 0, 0, {}},
            {1, 0, 0, {Page(kPatchKind, 0, 1)}},
            {64, 0, 0, {Page(kPatchKind, 0, 64)}},
            {65, 0, 1, {Page(kPatchKind, 0, 64), Page(kPatchKind, 64, 1), Page(kWaveKind, 0, 1)}},
            {0,
             129,
             0,
             {Page(kToneKind, 0, 64), Page(kToneKind, 64, 64), Page(kToneKind, 128, 1)}}};
        for (const auto& [patches, tones, waves, pages] : cases) {
            Corv::CLumData data;
            // Every second slot, so that rows and slot numbers differ.
            for (int p = 0; p < patches; ++p)
                Place(data.Patches(), 2 * p + 1, CorvTest::MakePatch("p", 0));
            for (int t = 0; t < tones; ++t)
                Place(data.Tones(), 2 * t + 1, CorvTest::MakeTone("t", {}));
            for (int w = 0; w < waves; ++w)
                Place(data.Waves(), 2 * w + 1, CorvTest::MakeWave("w", "Wave/w.wav"));
            QVERIFY(PrintedPages(data) == pages);
        }
    }

    // A full project on A4 and on Letter: 8 + 14 + 16 pages, whatever the paper.
    void fullProjectPrintsToPdf() {
        Corv::CLumData data;
        FillFullProject(data);
        const int expected = (512 + 63) / 64 + (896 + 63) / 64 + (999 + 63) / 64;
        QCOMPARE(static_cast<int>(PrintedPages(data).size()), expected);
        QTemporaryDir folder;
        for (const QPageSize::PageSizeId size : {QPageSize::A4, QPageSize::Letter}) {
            const QString path = folder.filePath(QString::number(size) + ".pdf");
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            printer.setPageSize(QPageSize(size));
            QString reason;
            QVERIFY2(PrintLists(printer, data, Page1252(), "Full Set", reason), qPrintable(reason));
            const QByteArray pdf = ReadAll(path);
            QVERIFY(pdf.startsWith("%PDF"));
            QCOMPARE(PdfPageCount(pdf), expected);
        }
    }

    // The pages asked for only, counted as in the whole printout; an empty project still prints
    // a page that says so.
    void pageRangesAndEmptyProjects() {
        Corv::CLumData full;
        FillFullProject(full);
        const Corv::CLumData empty;
        const std::tuple<const Corv::CLumData*, int, int, bool, int> cases[] = {
            {&full, 3, 5, true, 3},   {&full, 37, 0, true, 2}, {&full, 38, 99, true, 1},
            {&full, 39, 0, false, 0}, {&empty, 1, 0, true, 1}, {&empty, 2, 2, false, 0}};
        QTemporaryDir folder;
        int n = 0;
        for (const auto& [data, first, last, printed, pages] : cases) {
            const QString path = folder.filePath(QString::number(++n) + ".pdf");
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            QString reason;
            QCOMPARE(PrintLists(printer, *data, Page1252(), "Set", reason, first, last), printed);
            QCOMPARE(reason.isEmpty(), printed);
            QCOMPARE(PdfPageCount(ReadAll(path)), pages);
        }
    }

    // The Print command prints what the print dialog set up, and says when it cannot.
    void printCommand() {
        Corv::CLumData data;
        FillSmallProject(data);
        QTemporaryDir folder;
        const std::tuple<QString, bool, bool> cases[] = {{"lists.pdf", true, true},
                                                         {"cancelled.pdf", false, false},
                                                         {"missing/x.pdf", true, false}};
        for (const auto& [name, accept, printed] : cases) {
            m_notices.clear();
            const QString path = folder.filePath(name);
            int offeredPages = 0;
            CListPrintChoosers choosers;
            choosers.printer = [&](QWidget*, QPrinter& printer, int pageCount) {
                offeredPages = pageCount;
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(path);
                return accept;
            };
            QCOMPARE(PrintInteractively(nullptr, data, "Set", choosers), printed);
            QCOMPARE(offeredPages, 3);
            QCOMPARE(PdfPageCount(ReadAll(path)), printed ? 3 : 0);
            QCOMPARE(m_notices.size(), accept && !printed ? 1 : 0);
        }
    }
};

QTEST_MAIN(ListExportTest)
#include "list_export_test.moc"
