// The list control: current column and keys, double-click editing, names and memos over
// several rows, column widths, refill and refresh, and the row drawing.
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "ui/code_page.h"
#include "ui/list_delegate.h"
#include "ui/parameter_list_model.h"
#include "ui_fixture.h"

using CorvTest::MakePatch;
using CorvTest::MakeTone;
using CorvTest::MakeWave;

namespace {

// Patches 1, 2, 5; tones 3, 5, 7 (7 unused), 9; waves 2 (.w00), 4 (.wav), 6 (.W00).
std::unique_ptr<Corv::CLumData> SmallProject() {
    auto data = std::make_unique<Corv::CLumData>();
    const auto patch = [&](int number, const std::string& name, int tone0, int tone1) {
        Corv::CPatch record = MakePatch(name, tone0, tone1);
        record.SetFilePath("Patch/" + name + ".d00");
        data->Patches().PlaceClone(static_cast<std::size_t>(number - 1), record);
    };
    const auto tone = [&](int number, const std::string& name, const std::vector<int>& waves) {
        Corv::CTone record = MakeTone(name, waves);
        record.SetFilePath("Tone/" + name + ".p00");
        data->Tones().PlaceClone(static_cast<std::size_t>(number - 1), record);
    };
    patch(1, "Lead", 3, 0);
    patch(2, "Pad", 3, 5);
    patch(5, "Bass", 0, 9);
    tone(3, "Saw", {2, 4});
    tone(5, "Str", {4});
    tone(7, "Sub", {});
    tone(9, "Lonely", {6});
    data->Waves().PlaceClone(1, MakeWave("Kick", "Wave/002 Kick.w00"));
    data->Waves().PlaceClone(3, MakeWave("Snare", "Wave/004 Snare.wav"));
    data->Waves().PlaceClone(5, MakeWave("Hat", "Wave/006 Hat.W00"));
    data->RebuildToneUsers();
    data->RebuildWaveUsers();
    return data;
}

// A scripted edit dialog: records what it was opened with and answers as told.
struct EditScript {
    int opened = 0;
    int field = -1;
    QString initial;
    bool accept = true;
    QString answer;
    void Install() {
        CUiChoosers::Get().editText = [this](QWidget*, int f, QString& text) {
            ++opened;
            field = f;
            initial = text;
            if (accept)
                text = answer;
            return accept;
        };
    }
};

} // namespace

class ParameterListTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void currentColumnKeys_data();
    void currentColumnKeys();
    void vimKeysMoveTheFocusAndLink();
    void enterDoesNothing();
    void doubleClick_data();
    void doubleClick();
    void renameSeveralRowsAtOnce_data();
    void renameSeveralRowsAtOnce();
    void cancelledEditChangesNothing();
    void memoKeepsOneLine();
    void singleByteNameKeepsNeighbours();
    void columnWidthsComeAndGo();
    void refillKeepsPlaceAndSelection();
    void refillSelectsCountFromFirst();
    void refreshClearsSelectionKeepsFocus();
    void selectAllTakesUsedRowsOnly();
    void rightButtonDoesNothing();
    void rowDrawing();

private:
    CParameterListCtrl& MakeList(int kind);

    QTemporaryDir m_settings;
    std::unique_ptr<CorvUiTest::World> m_world;
    std::unique_ptr<Corv::CLumData> m_data;
    std::unique_ptr<CParameterListCtrl> m_list;
    EditScript m_edit;
};

void ParameterListTest::initTestCase() {
    CorvUiTest::UseTestSettings(m_settings.path());
    CCodePage::Get().Select(QStringLiteral("windows-1252"));
}

void ParameterListTest::init() {
    m_world = std::make_unique<CorvUiTest::World>();
    m_data = SmallProject();
    m_edit = EditScript();
    m_edit.Install();
}

void ParameterListTest::cleanup() {
    m_list.reset();
    m_data.reset();
    m_world.reset();
}

CParameterListCtrl& ParameterListTest::MakeList(int kind) {
    m_list = std::make_unique<CParameterListCtrl>(kind);
    m_list->Bind(m_data.get());
    m_list->Refresh();
    m_list->resize(400, 300);
    m_list->show();
    m_list->setFocus();
    return *m_list;
}

void ParameterListTest::currentColumnKeys_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QList<int>>("columns");
    // Each key of `keys` followed by the current column it leaves.
    QTest::newRow("l walks right from none") << 0 << "lll" << QList<int>{0, 1, 2};
    QTest::newRow("l on the last column stays") << 1 << "$ll" << QList<int>{5, 5, 5};
    QTest::newRow("h walks left, stops at 0") << 2 << "$hhhhhhh" << QList<int>{5, 4, 3, 2, 1, 0, 0, 0};
    QTest::newRow("^ _ | go to column 0") << 0 << "$^$_$|" << QList<int>{6, 0, 6, 0, 6, 0};
    QTest::newRow("arrows act like h and l") << 1 << "><<" << QList<int>{0, 0, 0};
}

void ParameterListTest::currentColumnKeys() {
    QFETCH(int, kind);
    QFETCH(QString, keys);
    QFETCH(QList<int>, columns);
    CParameterListCtrl& list = MakeList(kind);
    QCOMPARE(list.CurrentColumn(), -1);
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (keys[i] == '>')
            QTest::keyClick(&list, Qt::Key_Right);
        else if (keys[i] == '<')
            QTest::keyClick(&list, Qt::Key_Left);
        else
            QTest::keyClicks(&list, QString(keys[i]));
        QCOMPARE(list.CurrentColumn(), columns[i]);
    }
}

void ParameterListTest::vimKeysMoveTheFocusAndLink() {
    CParameterListCtrl& list = MakeList(0);
    list.SetFocusedRow(3);
    QSignalSpy links(&list, &CParameterListCtrl::SelectionLinkRequested);
    QTest::keyClicks(&list, QStringLiteral("jj"));
    QCOMPARE(list.FocusedRow(), 5);
    QTest::keyClicks(&list, QStringLiteral("k"));
    QCOMPARE(list.FocusedRow(), 4);
    QCOMPARE(links.count(), 3);
    QCOMPARE(list.SelectedRows(), std::vector<int>{4});
}

void ParameterListTest::enterDoesNothing() {
    CParameterListCtrl& list = MakeList(1);
    list.SelectRows({2});
    list.SetFocusedRow(2);
    list.SetCurrentColumn(1);
    QTest::keyClick(&list, Qt::Key_Return);
    QTest::keyClick(&list, Qt::Key_Enter);
    QCOMPARE(m_edit.opened, 0);
    QCOMPARE(list.SelectedRows(), std::vector<int>{2});
    QCOMPARE(list.FocusedRow(), 2);
    QCOMPARE(list.CurrentColumn(), 1);
}

void ParameterListTest::doubleClick_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("field");       // -1: no dialog
    QTest::addColumn<QString>("initial");
    QTest::addColumn<int>("currentColumn");
    QTest::newRow("tone name") << 1 << 2 << 1 << 1 << "Saw" << 1;
    QTest::newRow("patch memo 1 is field 2") << 0 << 0 << 3 << 2 << "" << 3;
    QTest::newRow("wave name without its prefix") << 2 << 1 << 1 << 1 << "Kick" << 1;
    QTest::newRow("ToneSwitch opens nothing") << 0 << 0 << 2 << -1 << "" << -1;
    QTest::newRow("free slot opens nothing") << 1 << 0 << 1 << -1 << "" << -1;
    QTest::newRow("number column only becomes current") << 1 << 2 << 0 << -1 << "" << 0;
}

void ParameterListTest::doubleClick() {
    QFETCH(int, kind);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, field);
    QFETCH(QString, initial);
    QFETCH(int, currentColumn);
    CParameterListCtrl& list = MakeList(kind);
    m_edit.accept = false;
    const QPoint at = CorvUiTest::CellCentre(list, row, column);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(m_edit.opened, field < 0 ? 0 : 1);
    if (field >= 0) {
        QCOMPARE(m_edit.field, field);
        QCOMPARE(m_edit.initial, initial);
    }
    QCOMPARE(list.CurrentColumn(), currentColumn);
}

void ParameterListTest::renameSeveralRowsAtOnce_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("forbidden characters go") << "a/b:c" << QByteArray("abc");
    QTest::newRow("all nine forbidden") << "x\\/*?:\"<>|y" << QByteArray("xy");
    QTest::newRow("twenty characters keep twelve") << "ABCDEFGHIJKLMNOPQRST" << QByteArray("ABCDEFGHIJKL");
}

void ParameterListTest::renameSeveralRowsAtOnce() {
    QFETCH(QString, typed);
    QFETCH(QByteArray, stored);
    CParameterListCtrl& list = MakeList(1);
    QSignalSpy edited(&list, &CParameterListCtrl::CellEdited);
    list.SelectRows({2, 4, 6});
    list.SetCurrentColumn(1);
    m_edit.answer = typed;
    QTest::keyClick(&list, Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(m_edit.initial, QStringLiteral("Saw")); // the first selected row's name
    for (const int row : {2, 4, 6})
        QCOMPARE(QByteArray::fromStdString(m_data->Tones()[static_cast<std::size_t>(row)].Name()), stored);
    QCOMPARE(QByteArray::fromStdString(m_data->Tones()[8].Name()), QByteArray("Lonely"));
    QCOMPARE(edited.count(), 1);
    // One undo step takes all three names back.
    QVERIFY(Corv::CDomain::Get().CanUndo());
    Corv::CDomain::Get().Undo();
    QCOMPARE(m_data->Tones()[2].Name(), std::string("Saw"));
    QCOMPARE(m_data->Tones()[6].Name(), std::string("Sub"));
}

void ParameterListTest::cancelledEditChangesNothing() {
    CParameterListCtrl& list = MakeList(0);
    list.SelectRows({0, 1});
    list.SetCurrentColumn(3);
    m_edit.accept = false;
    QVERIFY(!list.EditCurrentColumn());
    QCOMPARE(m_edit.opened, 1);
    QVERIFY(!Corv::CDomain::Get().CanUndo());
    QCOMPARE(m_data->Patches()[0].Memo(1), std::string());
    // Ctrl+R on the ToneSwitch column opens nothing at all.
    list.SetCurrentColumn(2);
    QTest::keyClick(&list, Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(m_edit.opened, 1);
}

void ParameterListTest::memoKeepsOneLine() {
    CParameterListCtrl& list = MakeList(2);
    list.SelectRows({1, 3});
    list.SetCurrentColumn(5); // Memo4
    m_edit.answer = QStringLiteral("one\r\ntwo\nthree");
    QVERIFY(list.EditCurrentColumn());
    QCOMPARE(m_edit.field, 5);
    QCOMPARE(m_data->Waves()[1].Memo(4), std::string("one  two three"));
    QCOMPARE(m_data->Waves()[3].Memo(4), std::string("one  two three"));
}

void ParameterListTest::singleByteNameKeepsNeighbours() {
    CParameterListCtrl& list = MakeList(0);
    list.SelectRows({0});
    list.SetCurrentColumn(1);
    // In a single-byte code page 0xE9 is a letter: it goes, the blank after it stays.
    m_edit.answer = QString::fromUtf8("Caf\u00e9 X");
    QVERIFY(list.EditCurrentColumn());
    QCOMPARE(m_data->Patches()[0].Name(), std::string("Caf X"));
    // A name confirmed unchanged keeps its bytes.
    m_data->Patches()[1].SetName("Pad\x7F");
    list.SelectRows({1});
    m_edit.answer = CCodePage::Get().Decode("Pad\x7F");
    QVERIFY(list.EditCurrentColumn());
    QCOMPARE(m_data->Patches()[1].Name(), std::string("Pad\x7F"));
}

void ParameterListTest::columnWidthsComeAndGo() {
    QSettings().setValue(QStringLiteral("ToneListCtrl/ColumnWidth"), QStringLiteral("70,,90"));
    {
        CParameterListCtrl& list = MakeList(1);
        QCOMPARE(list.ColumnWidths(), (std::vector<int>{70, 136, 90, 50, 50, 50}));
        list.setColumnWidth(1, 150);
        m_list.reset(); // a list writes its widths when it goes
    }
    QCOMPARE(QSettings().value(QStringLiteral("ToneListCtrl/ColumnWidth")).toString(),
             QStringLiteral("70,150,90,50,50,50"));
    // The patch list, never stored, opens with its defaults.
    CParameterListCtrl& patches = MakeList(0);
    QCOMPARE(patches.ColumnWidths(), (std::vector<int>{56, 136, 76, 50, 50, 50, 50}));
}

void ParameterListTest::refillKeepsPlaceAndSelection() {
    CParameterListCtrl& list = MakeList(2);
    list.SelectRows({1, 3, 500});
    list.SetFocusedRow(3);
    list.SetTopRow(100);
    list.SetCurrentColumn(2);
    const int top = list.TopRow();
    QVERIFY(top > 0);
    m_data->Waves()[3].SetName("Changed");
    list.Refill();
    QCOMPARE(list.SelectedRows(), (std::vector<int>{1, 3, 500}));
    QCOMPARE(list.FocusedRow(), 3);
    QCOMPARE(list.TopRow(), top);
    QCOMPARE(list.CurrentColumn(), 2);
    QCOMPARE(list.model()->index(3, 1).data().toString(), QStringLiteral("  Changed"));
}

void ParameterListTest::refillSelectsCountFromFirst() {
    CParameterListCtrl& list = MakeList(0);
    list.SelectRows({10, 11});
    list.Refill(true, 3);
    QCOMPARE(list.SelectedRows(), (std::vector<int>{10, 11, 12}));
    // A block that would pass the end keeps the selection as it was.
    list.SelectRows({510});
    list.Refill(true, 5);
    QCOMPARE(list.SelectedRows(), std::vector<int>{510});
    // Without the flag the count is ignored.
    list.Refill(false, 4);
    QCOMPARE(list.SelectedRows(), std::vector<int>{510});
}

void ParameterListTest::refreshClearsSelectionKeepsFocus() {
    CParameterListCtrl& list = MakeList(1);
    list.SelectRows({2, 4});
    list.SetFocusedRow(4);
    list.SetCurrentColumn(3);
    list.Refresh();
    QVERIFY(list.SelectedRows().empty());
    QCOMPARE(list.FocusedRow(), 4);
    QCOMPARE(list.CurrentColumn(), 3);
}

void ParameterListTest::selectAllTakesUsedRowsOnly() {
    CParameterListCtrl& list = MakeList(1);
    QSignalSpy links(&list, &CParameterListCtrl::SelectionLinkRequested);
    QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(list.SelectedRows(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    QCOMPARE(links.count(), 1);
}

void ParameterListTest::rightButtonDoesNothing() {
    CParameterListCtrl& list = MakeList(0);
    list.SelectRows({1});
    QTest::mouseClick(list.viewport(), Qt::RightButton, {}, CorvUiTest::CellCentre(list, 4, 1));
    QCOMPARE(list.SelectedRows(), std::vector<int>{1});
}

void ParameterListTest::rowDrawing() {
    CParameterListCtrl& list = MakeList(1);
    list.clearFocus();
    QImage image(list.viewport()->size(), QImage::Format_ARGB32);
    list.viewport()->render(&image);
    const auto redPixels = [&](int row) {
        const QRect cell = list.visualRect(list.model()->index(row, 0));
        int count = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x < cell.left() + 10; ++x)
                count += image.pixelColor(x, y) == QColor(255, 0, 0) ? 1 : 0;
        return count;
    };
    QVERIFY(redPixels(2) > 0);  // tone 3 is used by two patches
    QCOMPARE(redPixels(6), 0);  // tone 7 is used by none
    QCOMPARE(redPixels(0), 0);  // a free slot
    // After the used length (tone 9) the number cell is darkened by 4.
    const QColor base = list.palette().color(QPalette::Base);
    const QRect after = list.visualRect(list.model()->index(9, 0));
    QCOMPARE(image.pixelColor(after.right() - 1, after.top() + 1), CListDelegate::Darkened(base));
    const QRect before = list.visualRect(list.model()->index(5, 0));
    QCOMPARE(image.pixelColor(before.right() - 1, before.top() + 1), base);
    QCOMPARE(CListDelegate::Darkened(QColor(2, 100, 4)), QColor(0, 96, 0));
}

QTEST_MAIN(ParameterListTest)
#include "parameter_list_test.moc"
