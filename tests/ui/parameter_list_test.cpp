// The list control: cell texts, the current column and its keys, double-click editing, names and
// memos over several rows in single- and double-byte code pages, column widths, refill and
// refresh, and the row drawing.
#include "ui/code_page.h"
#include "ui/list_delegate.h"
#include "ui_fixture.h"

#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using CorvUiTest::Rows;

class ParameterListTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_settings;
    std::unique_ptr<CorvUiTest::World> m_world;
    Corv::CLumData* m_data = nullptr;
    std::unique_ptr<CParameterListCtrl> m_list;
    // The scripted edit dialog: what it was opened with and how it answers.
    int m_opened = 0;
    int m_field = -1;
    QString m_initial;
    bool m_accept = true;
    QString m_answer;

    CParameterListCtrl& MakeList(int kind) {
        m_list = std::make_unique<CParameterListCtrl>(kind);
        m_list->Bind(m_data);
        m_list->Refresh();
        m_list->resize(400, 300);
        m_list->show();
        m_list->setFocus();
        return *m_list;
    }
    QString Cell(int row, int column) const {
        return m_list->model()->index(row, column).data().toString();
    }

private slots:
    void initTestCase() { CorvUiTest::UseTestSettings(m_settings.path()); }

    void init() {
        CCodePage::Get().Select(QStringLiteral("windows-1252"));
        m_world = std::make_unique<CorvUiTest::World>();
        m_data = &m_world->OpenSong("Song").Data();
        m_opened = 0;
        m_accept = true;
        CUiChoosers::Get().editText = [this](QWidget*, int field, QString& text) {
            ++m_opened;
            m_field = field;
            m_initial = text;
            if (m_accept)
                text = m_answer;
            return m_accept;
        };
    }

    void cleanup() {
        m_list.reset();
        m_world.reset();
    }

    void cellTexts() {
        const struct {
            int kind, row, column;
            const char* text;
        } cases[] = {{1, 0, 0, "1"},     {2, 998, 0, "999"},   {2, 1, 1, "* Kick"},
                     {2, 5, 1, "* Hat"}, {2, 3, 1, "  Snare"}, {2, 0, 1, ""},
                     {1, 2, 1, "Saw"},   {1, 2, 2, "m1"},      {0, 0, 6, "m4"},
                     {0, 1, 2, "L/U"},   {0, 0, 2, "_/U"},     {0, 4, 2, "L/_"},
                     {0, 2, 2, ""}};
        for (const auto& c : cases) {
            MakeList(c.kind);
            QCOMPARE(Cell(c.row, c.column), QString::fromLatin1(c.text));
        }
    }

    void currentColumnKeys() {
        // Each key and the current column it leaves; '>' and '<' stand for the arrow keys.
        const struct {
            int kind;
            const char* keys;
            Rows columns;
        } cases[] = {{0, "lll", {0, 1, 2}},
                     {1, "$ll", {5, 5, 5}},
                     {2, "$hhhhhhh", {5, 4, 3, 2, 1, 0, 0, 0}},
                     {0, "$^$_$|", {6, 0, 6, 0, 6, 0}},
                     {1, "><<", {0, 0, 0}}};
        for (const auto& c : cases) {
            CParameterListCtrl& list = MakeList(c.kind);
            QCOMPARE(list.CurrentColumn(), -1);
            for (std::size_t i = 0; c.keys[i] != 0; ++i) {
                if (c.keys[i] == '>' || c.keys[i] == '<')
                    QTest::keyClick(&list, c.keys[i] == '>' ? Qt::Key_Right : Qt::Key_Left);
                else
                    QTest::keyClicks(&list, QString(QChar(c.keys[i])));
                QCOMPARE(list.CurrentColumn(), c.columns[i]);
            }
        }
    }

    void jAndKMoveTheFocusAndLink() {
        CParameterListCtrl& list = MakeList(0);
        list.SetFocusedRow(3);
        QSignalSpy links(&list, &CParameterListCtrl::SelectionLinkRequested);
        QTest::keyClicks(&list, QStringLiteral("jJk"));
        QCOMPARE(list.FocusedRow(), 4);
        QCOMPARE(links.count(), 3);
        QCOMPARE(list.SelectedRows(), Rows{4});
    }

    void enterCtrlROnToneSwitchAndRightButtonDoNothing() {
        CParameterListCtrl& list = MakeList(0);
        list.SelectRows({1});
        list.SetFocusedRow(1);
        list.SetCurrentColumn(2);
        QTest::keyClick(&list, Qt::Key_Return);
        QTest::keyClick(&list, Qt::Key_Enter);
        QTest::keyClick(&list, Qt::Key_R, Qt::ControlModifier);
        QTest::mouseClick(list.viewport(), Qt::RightButton, {}, CorvUiTest::CellCentre(list, 4, 1));
        QCOMPARE(m_opened, 0);
        QCOMPARE(list.SelectedRows(), Rows{1});
        QCOMPARE(list.FocusedRow(), 1);
        QCOMPARE(list.CurrentColumn(), 2);
    }

    void doubleClick() {
        const struct {
            int kind, row, column, field; // field -1: no dialog
            const char* initial;
            int currentColumn;
        } cases[] = {{1, 2, 1, 1, "Saw", 1}, {0, 0, 3, 2, "", 3},   {2, 1, 1, 1, "Kick", 1},
                     {0, 0, 2, -1, "", -1},  {1, 0, 1, -1, "", -1}, {1, 2, 0, -1, "", 0}};
        m_accept = false;
        for (const auto& c : cases) {
            CParameterListCtrl& list = MakeList(c.kind);
            m_opened = 0;
            const QPoint at = CorvUiTest::CellCentre(list, c.row, c.column);
            QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
            QCOMPARE(m_opened, c.field < 0 ? 0 : 1);
            if (c.field >= 0) {
                QCOMPARE(m_field, c.field);
                QCOMPARE(m_initial, QString::fromLatin1(c.initial));
            }
            QCOMPARE(list.CurrentColumn(), c.currentColumn);
        }
    }

    void renameThreeTonesAtOnce() {
        const struct {
            const char* codePage;
            QString typed;
            std::string stored;
        } cases[] = {{"windows-1252", QStringLiteral("a/b:c"), "abc"},
                     // A byte of the double-byte lead range is a letter here: it goes alone.
                     {"windows-1252", QString::fromUtf8("Caf\u00e9 X"), "Caf X"},
                     // A double-byte character goes whole.
                     {"Shift_JIS", QString::fromUtf8("\u3042X"), "X"}};
        CParameterListCtrl& list = MakeList(1);
        QSignalSpy edited(&list, &CParameterListCtrl::CellEdited);
        list.SelectRows({2, 4, 6});
        list.SetCurrentColumn(1);
        m_accept = false;
        QVERIFY(!list.EditCurrentColumn());
        QVERIFY(!Corv::CDomain::Get().CanUndo());
        m_accept = true;
        for (const auto& c : cases) {
            QVERIFY(CCodePage::Get().Select(QString::fromLatin1(c.codePage)));
            m_answer = c.typed;
            QTest::keyClick(&list, Qt::Key_R, Qt::ControlModifier);
            QCOMPARE(m_initial, QStringLiteral("Saw")); // the first selected row's name
            for (const int row : {2, 4, 6})
                QCOMPARE(m_data->Tones()[static_cast<std::size_t>(row)].Name(), c.stored);
            QCOMPARE(m_data->Tones()[8].Name(), std::string("Lonely"));
            // One undo step takes all three names back.
            Corv::CDomain::Get().Undo();
            QCOMPARE(m_data->Tones()[6].Name(), std::string("Sub"));
        }
        QCOMPARE(edited.count(), 3);
    }

    void memosKeepOneLineAndUneditedBytes() {
        CParameterListCtrl& list = MakeList(2);
        list.SelectRows({1, 3});
        list.SetCurrentColumn(5); // Memo4
        m_answer = QStringLiteral("one\r\ntwo\nthree");
        QVERIFY(list.EditCurrentColumn());
        QCOMPARE(m_field, 5);
        QCOMPARE(m_data->Waves()[1].Memo(4), std::string("one  two three"));
        QCOMPARE(m_data->Waves()[3].Memo(4), std::string("one  two three"));
        // A lone lead byte has no character in a double-byte code page: a memo confirmed
        // unchanged keeps it.
        QVERIFY(CCodePage::Get().Select(QStringLiteral("Shift_JIS")));
        const std::string odd("Memo \x81", 6);
        m_data->Waves()[1].SetMemo(4, odd);
        list.SelectRows({1});
        m_answer = CCodePage::Get().Decode(odd);
        list.EditCurrentColumn();
        QCOMPARE(m_data->Waves()[1].Memo(4), odd);
    }

    void columnWidthsFromTheSettings() {
        QSettings().setValue(QStringLiteral("ToneListCtrl/ColumnWidth"), QStringLiteral("70,,90"));
        QSettings().setValue(QStringLiteral("PatchListCtrl/ColumnWidth"),
                             QStringLiteral("x,-5,99999,60,61,62,63,64"));
        QCOMPARE(MakeList(1).ColumnWidths(), (Rows{70, 136, 90, 50, 50, 50}));
        m_list->setColumnWidth(1, 150);
        m_list.reset(); // a list writes its widths when it goes
        QCOMPARE(QSettings().value(QStringLiteral("ToneListCtrl/ColumnWidth")).toString(),
                 QStringLiteral("70,150,90,50,50,50"));
        QCOMPARE(MakeList(0).ColumnWidths(), (Rows{56, 136, 76, 60, 61, 62, 63}));
    }

    void refillAndRefreshKeepThePlace() {
        CParameterListCtrl& list = MakeList(2);
        list.SelectRows({1, 3, 500});
        list.SetFocusedRow(3);
        list.SetTopRow(100);
        list.SetCurrentColumn(2);
        const int top = list.TopRow();
        QVERIFY(top > 0);
        m_data->Waves()[3].SetName("Changed");
        list.Refill();
        QCOMPARE(list.SelectedRows(), (Rows{1, 3, 500}));
        QCOMPARE(list.FocusedRow(), 3);
        QCOMPARE(list.TopRow(), top);
        QCOMPARE(list.CurrentColumn(), 2);
        QCOMPARE(Cell(3, 1), QStringLiteral("  Changed"));
        // With a count the selection becomes as many rows from the first one, when they fit.
        list.Refill(true, 3);
        QCOMPARE(list.SelectedRows(), (Rows{1, 2, 3}));
        list.SelectRows({997});
        list.Refill(true, 5);
        QCOMPARE(list.SelectedRows(), Rows{997});
        // A refresh keeps the place too, but nothing stays selected.
        list.Refresh();
        QVERIFY(list.SelectedRows().empty());
        QCOMPARE(list.FocusedRow(), 3);
        QCOMPARE(list.TopRow(), top);
        QCOMPARE(list.CurrentColumn(), 2);
    }

    void rowDrawing() {
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
        QVERIFY(redPixels(2) > 0); // tone 3 is used by two patches
        QCOMPARE(redPixels(6), 0); // tone 7 is used by none
        QCOMPARE(redPixels(0), 0); // a free slot
        // After the used length (tone 9) the number cell is darkened by 4.
        const QColor base = list.palette().color(QPalette::Base);
        const QRect after = list.visualRect(list.model()->index(9, 0));
        QCOMPARE(image.pixelColor(after.right() - 1, after.top() + 1),
                 CListDelegate::Darkened(base));
        const QRect before = list.visualRect(list.model()->index(5, 0));
        QCOMPARE(image.pixelColor(before.right() - 1, before.top() + 1), base);
        QCOMPARE(CListDelegate::Darkened(QColor(2, 100, 4)), QColor(0, 96, 0));
    }
};

QTEST_MAIN(ParameterListTest)
#include "parameter_list_test.moc"
