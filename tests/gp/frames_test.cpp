// The window library: frames and their settings (placement, bar state, the font), the window
// list, the anchor layout and its scrolling form, and the texts it reads (command line, numbers,
// version numbers).
#include "gp/cmd_line.h"
#include "gp/font_ex.h"
#include "gp/form_view_ex.h"
#include "gp/mdi_child_ex.h"
#include "gp/mdi_frame_ex.h"
#include "gp/number_format.h"
#include "gp/profile.h"
#include "gp/version_info.h"

#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <climits>

namespace {

std::unique_ptr<GP::CMDIFrameWndEx> ShownFrame() {
    auto frame = std::make_unique<GP::CMDIFrameWndEx>();
    frame->resize(1000, 800);
    frame->show();
    static_cast<void>(QTest::qWaitForWindowExposed(frame.get()));
    return frame;
}

GP::CMDIChildWndEx* AddChild(GP::CMDIFrameWndEx& frame, const QString& title = "C") {
    auto* child = new GP::CMDIChildWndEx(4107);
    child->setWidget(new QWidget);
    child->setWindowTitle(title);
    frame.MdiArea()->addSubWindow(child);
    child->show();
    return child;
}

// A frame with its tool bar in `area` saves its state, or loads it: (loaded?, the bar's area).
std::pair<bool, Qt::ToolBarArea> BarState(Qt::ToolBarArea area, bool save) {
    GP::CMDIFrameWndEx frame;
    auto* bar = new QToolBar("Tool Bar", &frame);
    bar->setObjectName("ToolBar");
    frame.addToolBar(area, bar);
    if (save)
        frame.SaveStateOnClose();
    const bool loaded = !save && frame.LoadBarState();
    return {loaded, frame.toolBarArea(bar)};
}

// A 200 × 100 form whose one button (control 7) is laid out by a fixed code.
class OneButtonForm : public GP::CFormViewEx {
public:
    explicit OneButtonForm(QRect control)
        : GP::CFormViewEx(GP::CDlgTempl(QSize(200, 100), {{7, control}})) {}
    QPushButton* const m_button = new QPushButton(QStringLiteral("B"), Form());

protected:
    void Layout(int width, int height) override {
        BeginLayout(width, height).Add(7, m_button, 2 | 8);
    }
};

// A command line's items: "p[v1|v2]" for a plain parameter, "/x[v1|v2]" for switch x, plain
// parameters first.
QString Describe(const GP::CCmdLine& line) {
    QStringList parts;
    for (const auto* list : {&line.params, &line.switches})
        for (const GP::CCmdLinePrm& item : *list) {
            const QString head = item.isSwitch ? u'/' + QString(item.letter) : QStringLiteral("p");
            parts << (item.values.isEmpty() ? head : head + u'[' + item.values.join(u'|') + u']');
        }
    return parts.join(u' ');
}

} // namespace

class FramesTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QCoreApplication::setOrganizationName(QStringLiteral("Brisko"));
        QCoreApplication::setApplicationName(QStringLiteral("Corvane Librarian"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
        QSettings().clear();
    }

    void MainWindowPlacementIsStoredAndRead() {
        // Stored as left, top, right, bottom; anything unreadable gives the default.
        const QRect fallback(0, 0, 800, 600);
        for (const auto& [stored, expected] :
             {std::pair{QString("10,20,650,500"), QRect(10, 20, 640, 480)},
              {"10,20,650", fallback},
              {"50,50,10,10", fallback}}) {
            GP::WriteProfileString("Window", "Position", stored);
            GP::CMDIFrameWndEx frame;
            QVERIFY(!frame.LoadPlacement(fallback));
            QCOMPARE(QRect(frame.pos(), frame.size()), expected);
        }
        GP::WriteProfileInt("Window", "Maximized", 1);
        QVERIFY(GP::CMDIFrameWndEx().LoadPlacement(fallback));
        {
            auto frame = ShownFrame();
            frame->resize(700, 500);
            frame->move(30, 40);
            frame->SaveStateOnClose();
        }
        QCOMPARE(GP::GetProfileString("Window", "Position"), QStringLiteral("30,40,730,540"));
        QCOMPARE(GP::GetProfileInt("Window", "Maximized", -1), 0);
        // The bars' docking comes back only from the same program version.
        BarState(Qt::LeftToolBarArea, true);
        QCOMPARE(BarState(Qt::TopToolBarArea, false), std::pair(true, Qt::LeftToolBarArea));
        GP::WriteProfileString("Version", "FileVersion", "0.0.0-older");
        QCOMPARE(BarState(Qt::TopToolBarArea, false), std::pair(false, Qt::TopToolBarArea));
    }

    // At most 36 entries, numbered 0-9 and A-Z, in title order; choosing one restores it.
    void WindowListShowsThirtySixAndActivates() {
        auto frame = ShownFrame();
        for (int i = 39; i >= 0; --i)
            AddChild(*frame, QStringLiteral("Song%1").arg(i, 2, 10, QChar(u'0')));
        frame->MdiArea()->setActiveSubWindow(frame->MdiArea()->subWindowList()[32]); // Song07
        frame->RebuildWindowList();
        const QList<QAction*> entries = frame->WindowListMenu()->actions();
        QCOMPARE(entries.size(), 36);
        QVERIFY(entries[7]->isChecked());
        QCOMPARE(entries[7]->text() + entries[10]->text() + entries[35]->text(),
                 "&7\tSong07&A\tSong10&Z\tSong35");
        QMdiSubWindow* song01 = frame->MdiArea()->subWindowList()[38];
        song01->showMinimized();
        frame->WindowListMenu()->actions().at(1)->trigger();
        QVERIFY(!song01->isMinimized());
        QCOMPARE(frame->MdiArea()->activeSubWindow(), song01);
    }

    void FontKeepsItselfInTheSettings() {
        QFont chosen(QStringLiteral("DejaVu Sans"), -1, QFont::Bold, true);
        chosen.setPixelSize(17);
        chosen.setStrikeOut(true);
        GP::CFontEx font;
        font.SetFont(chosen);
        font.SetColor(QColor(10, 20, 30));
        font.Save("Option", "Font");
        // Height in pixels (negative), 3 × 0, weight, italic, underline, strike-out, character set
        QCOMPARE(GP::GetProfileString("Option", "FontAttribute"),
                 QStringLiteral("-17,0,0,0,700,1,0,1,1,0,0,0,0"));
        GP::CFontEx loaded;
        QVERIFY(loaded.Load("Option", "Font"));
        QCOMPARE(std::pair(loaded.Font(), loaded.Color()), std::pair(chosen, QColor(10, 20, 30)));
        // Without attributes there is no stored font.
        GP::WriteProfileString("Option", "FontAttribute", "");
        QVERIFY(!loaded.Load("Option", "Font"));
        QCOMPARE(loaded.Color(), QColor(Qt::black));
    }

    // The template's control at (50, 20) sized 40 × 10 in a 200 × 100 form, laid out by code.
    void AnchorRect() {
        const QRect control(50, 20, 40, 10);
        const QSize larger(300, 150), doubled(400, 200);
        const std::tuple<int, QSize, QRect> cases[] = {
            {1 | 4, larger, control},                        // fixed
            {2 | 8, larger, QRect(150, 70, 40, 10)},         // follows the far edges
            {3 | 12, larger, QRect(50, 20, 140, 60)},        // stretches
            {17 | 36, doubled, QRect(50, 20, 130, 40)},      // far edges scaled
            {18 | 40, doubled, QRect(100, 40, 190, 90)},     // near edges scaled
            {19 | 44, QSize(100, 50), QRect(25, 10, 20, 5)}, // all scaled, shrinking
            {2 | 8, QSize(150, 80), QRect(0, 0, 40, 10)}};   // never left of the origin
        for (const auto& [code, size, expected] : cases) {
            QCOMPARE(GP::AnchorRect(control, QSize(200, 100), size, code), expected);
            QCOMPARE(GP::AnchorRect(control, QSize(200, 100), QSize(200, 100), code), control);
        }
        // Each pass starts from the template, never from the last pass's result.
        QWidget window;
        auto* button = new QPushButton(&window);
        const GP::CDlgTempl templ(QSize(100, 50), {{7, QRect(25, 10, 20, 10)}});
        for (const QSize size : {QSize(333, 77), QSize(101, 51), QSize(100, 50)})
            GP::CAnchorLayout(window, templ, GP::CDialogUnits{4, 8}, size).Add(7, button, 19 | 44);
        QCOMPARE(button->geometry(), QRect(25, 10, 20, 10));
        // Dialog units: x × character width ÷ 4, y × character height ÷ 8.
        QCOMPARE((GP::CDialogUnits{6, 13}.ToPixels(QRect(4, 8, 8, 16))), QRect(6, 13, 12, 26));
    }

    // Below its template size a form scrolls and keeps the template's layout.
    void FormScrollsInsteadOfShrinking() {
        QMdiArea area;
        area.resize(1200, 900);
        auto* form = new OneButtonForm(QRect(150, 80, 40, 12));
        QMdiSubWindow* frame = area.addSubWindow(form);
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        frame->resize(form->TemplateSize() / 2);
        const QRect atTemplate =
            GP::CDialogUnits::ForFont(form->Form()->font()).ToPixels(QRect(150, 80, 40, 12));
        QTRY_COMPARE(form->m_button->geometry(), atTemplate);
        QVERIFY(form->horizontalScrollBar()->maximum() > 0 &&
                form->verticalScrollBar()->maximum() > 0);
    }

    void Tokenizes() {
        const std::pair<const char*, const char*> cases[] = {
            {"\"Song Other\"", "p[Song Other]"},
            {"My\" Song\".prj", "p[My Song.prj]"},
            {"/x1,\"2,3\"", "/x[1|2,3]"},
            {"\\/path/to", "p[/path/to]"},
            {"a,b,,c", "p[a|b||c]"},
            {"\"a \\\" b\"", "p[a \" b]"},
            {"C:\\Songs\\A.prj", "p[C:\\Songs\\A.prj]"},
            {"\"a b", "p[a b]"},
            {"one /a1 two /b \"three four\"", "p[one] p[two] p[three four] /a[1] /b"}};
        for (const auto& [line, items] : cases)
            QCOMPARE(Describe(GP::ParseCommandLine(line)), QString(items));
        // A second start hands its arguments over as one quoted text; each comes back whole.
        const QStringList arguments{"/a b/Live, 2024.prj", "My \"Best\".prj", "Dir.prj\\"};
        QCOMPARE(Describe(GP::ParseCommandLine(GP::QuoteArguments(arguments))),
                 "p[/a b/Live, 2024.prj] p[My \"Best\".prj] p[Dir.prj]");
    }

    void FormatsNumbersAndReadsVersionNumbers() {
        const std::tuple<int, int, QString> cases[] = {
            {-1234, 0, "-1234"}, {-1, 1, "0xFFFFFFFF"},       {4096, 2, "0x1000"},
            {-255, 2, "-0xFF"},  {INT_MIN, 2, "-0x80000000"}, {42, 9, "42"}};
        for (const auto& [value, mode, text] : cases)
            QCOMPARE(GP::FormatNumber(value, mode), text);
        int n[4];
        GP::VersionNumbers("7,8", n);
        QCOMPARE(QList<int>({n[0], n[1], n[2], n[3]}), QList<int>({7, 8, 0, 0}));
    }

private:
    QTemporaryDir m_settings;
};

QTEST_MAIN(FramesTest)
#include "frames_test.moc"
