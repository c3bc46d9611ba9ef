// The list control: cell texts, the current column and its keys, editing names and memos over
// several rows in single- and double-byte code pages, column widths, refill, the row drawing.
#include "ui/code_page.h"
#include "ui/list_delegate.h"
#include "ui_fixture.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>

using CorvUiTest::Rows;

class ParameterListTest : public QObject {
    Q_OBJECT
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
    void init() {
        m_world = std::make_unique<CorvUiTest::World>();
        CCodePage::Get().Select(QStringLiteral("windows-1252"));
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
        for (const auto& [kind, row, column, text] : {std::tuple{1, 0, 0, "1"},
                                                      {2, 998, 0, "999"},
                                                      {2, 1, 1, "* Kick"},
                                                      {2, 5, 1, "* Hat"},
                                                      {2, 3, 1, "  Snare"},
                                                      {2, 0, 1, ""},
                                                      {1, 2, 1, "Saw"},
                                                      {1, 2, 2, "m1"},
                                                      {0, 0, 6, "m4"},
                                                      {0, 1, 2, "L/U"},
                                                      {0, 0, 2, "_/U"},
                                                      {0, 4, 2, "L/_"},
                                                      {0, 2, 2, ""}}) {
            MakeList(kind);
            QCOMPARE(Cell(row, column), QString::fromLatin1(text));
        }
    }

    void currentColumnKeys() {
        // Each key and the current column it leaves; '>' and '<' stand for the arrow keys.
        for (const auto& [kind, keys, columns] : {std::tuple{0, "lll", Rows{0, 1, 2}},
                                                  {1, "$ll", Rows{5, 5, 5}},
                                                  {2, "$hhhhhhh", Rows{5, 4, 3, 2, 1, 0, 0, 0}},
                                                  {0, "$^$_$|", Rows{6, 0, 6, 0, 6, 0}},
                                                  {1, "><<", Rows{0, 0, 0}}}) {
            CParameterListCtrl& list = MakeList(kind);
            for (std::size_t i = 0; keys[i] != 0; ++i) {
                if (keys[i] == '>' || keys[i] == '<')
                    QTest::keyClick(&list, keys[i] == '>' ? Qt::Key_Right : Qt::Key_Left);
                else
                    QTest::keyClicks(&list, QString(QChar(keys[i])));
                QCOMPARE(list.CurrentColumn(), columns[i]);
            }
        }
    }

    void rowKeysAndKeysThatDoNothing() {
        CParameterListCtrl& list = MakeList(0);
        list.SelectRows({1});
        list.SetFocusedRow(1);
        list.SetCurrentColumn(2);
        QSignalSpy links(&list, &CParameterListCtrl::SelectionLinkRequested);
        // Enter, Ctrl+R on ToneSwitch and the right button do nothing at all.
        QTest::keyClick(&list, Qt::Key_Return);
        QTest::keyClick(&list, Qt::Key_Enter);
        QTest::keyClick(&list, Qt::Key_R, Qt::ControlModifier);
        QTest::mouseClick(list.viewport(), Qt::RightButton, {}, CorvUiTest::CellCentre(list, 4, 1));
        QCOMPARE(std::tuple(m_opened, list.SelectedRows(), list.FocusedRow(), list.CurrentColumn()),
                 std::tuple(0, Rows{1}, 1, 2));
        // j and J move down, k up, selecting the row and linking the other lists.
        QTest::keyClicks(&list, QStringLiteral("jJjk"));
        QCOMPARE(std::tuple(list.FocusedRow(), list.SelectedRows(), links.count()),
                 std::tuple(3, Rows{3}, 4));
    }

    void doubleClick() {
        // Kind, row, column; the field of the dialog (-1: none), its text and the current column.
        const std::tuple<int, int, int, int, const char*, int> cases[] = {
            {1, 2, 1, 1, "Saw", 1}, {0, 0, 3, 2, "", 3},   {2, 1, 1, 1, "Kick", 1},
            {0, 0, 2, -1, "", -1},  {1, 0, 1, -1, "", -1}, {1, 2, 0, -1, "", 0}};
        m_accept = false;
        for (const auto& [kind, row, column, field, initial, current] : cases) {
            CParameterListCtrl& list = MakeList(kind);
            m_opened = 0;
            m_field = -1;
            m_initial.clear();
            const QPoint at = CorvUiTest::CellCentre(list, row, column);
            QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
            QCOMPARE(std::tuple(m_opened, m_field, m_initial, list.CurrentColumn()),
                     std::tuple(field < 0 ? 0 : 1, field, QString(initial), current));
        }
    }

    void renameThreeTonesAtOnce() {
        // In a single-byte code page a byte of the double-byte lead range is a letter and goes
        // alone; a double-byte character goes whole.
        const std::tuple<const char*, QString, std::string> cases[] = {
            {"windows-1252", QStringLiteral("a/b:c"), "abc"},
            {"windows-1252", QString::fromUtf8("Caf\u00e9 X"), "Caf X"},
            {"Shift_JIS", QString::fromUtf8("\u3042X"), "X"}};
        CParameterListCtrl& list = MakeList(1);
        QSignalSpy edited(&list, &CParameterListCtrl::CellEdited);
        list.SelectRows({2, 4, 6});
        list.SetCurrentColumn(1);
        m_accept = false;
        QVERIFY(!list.EditCurrentColumn());
        QVERIFY(!Corv::CDomain::Get().CanUndo());
        m_accept = true;
        for (const auto& [codePage, typed, stored] : cases) {
            QVERIFY(CCodePage::Get().Select(QString::fromLatin1(codePage)));
            m_answer = typed;
            QTest::keyClick(&list, Qt::Key_R, Qt::ControlModifier);
            QCOMPARE(m_initial, QStringLiteral("Saw")); // the first selected row's name
            for (const int row : {2, 4, 6})
                QCOMPARE(m_data->Tones()[static_cast<std::size_t>(row)].Name(), stored);
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
        const auto place = [&] {
            return std::tuple(list.SelectedRows(), list.FocusedRow(), list.TopRow(),
                              list.CurrentColumn());
        };
        list.Refill();
        QCOMPARE(place(), std::tuple(Rows{1, 3, 500}, 3, top, 2));
        QCOMPARE(Cell(3, 1), QStringLiteral("  Changed"));
        // With a count the selection becomes as many rows from the first one, when they fit.
        list.Refill(true, 3);
        QCOMPARE(list.SelectedRows(), (Rows{1, 2, 3}));
        list.SelectRows({997});
        list.Refill(true, 5);
        QCOMPARE(list.SelectedRows(), Rows{997});
        // A refresh keeps the place too, but nothing stays selected.
        list.Refresh();
        QCOMPARE(place(), std::tuple(Rows{}, 3, top, 2));
    }

    void rowDrawing() {
        CParameterListCtrl& list = MakeList(1);
        list.clearFocus();
        QImage image(list.viewport()->size(), QImage::Format_ARGB32);
        list.viewport()->render(&image);
        const auto marked = [&](int row) {
            const QRect cell = list.visualRect(list.model()->index(row, 0));
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x < cell.left() + 10; ++x)
                    if (image.pixelColor(x, y) == QColor(255, 0, 0))
                        return true;
            return false;
        };
        // Tone 3 is used by two patches, tone 7 by none; row 0 is a free slot.
        QCOMPARE((std::array{marked(2), marked(6), marked(0)}), (std::array{true, false, false}));
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
