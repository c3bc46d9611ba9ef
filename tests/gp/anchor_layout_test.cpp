// The anchor layout engine: the code tables' arithmetic, layout from the template on every
// pass, dialog units, and a form view that scrolls instead of shrinking.
#include "gp/anchor_layout.h"
#include "gp/form_view_ex.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

// A template 200 × 100 pixels with one control at (50, 20) sized 40 × 10 (right 90, bottom 30).
const QRect kControl(50, 20, 40, 10);
const QSize kTemplate(200, 100);

// A form with one button laid out by a fixed code.
class OneButtonForm : public GP::CFormViewEx {
public:
    OneButtonForm(const GP::CDlgTempl& templ, int code) : GP::CFormViewEx(templ), m_code(code) {
        m_button = new QPushButton(QStringLiteral("B"), Form());
    }
    QPushButton* Button() const { return m_button; }

protected:
    void Layout(int width, int height) override {
        BeginLayout(width, height).Add(7, m_button, m_code);
    }

private:
    QPushButton* m_button;
    int m_code;
};

} // namespace

class AnchorLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void AnchorRect_data();
    void AnchorRect();
    void UnchangedSizeKeepsTemplateForEveryCode();
    void RepeatedResizingDoesNotDrift();
    void DialogUnitsScaleByFont();
    void LayoutPlacesOnlyOwnChildren();
    void FormViewScrollsInsteadOfShrinking();
    void FormViewStretchesWhenLarger();
    void DoubleClickOnBackgroundFitsFrame();
};

void AnchorLayoutTest::AnchorRect_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>(
        "expected"); // left, top, right (exclusive), bottom (exclusive) as a rect
    auto edges = [](int l, int t, int r, int b) {
        return QRect(QPoint(l, t), QSize(r - l, b - t));
    };
    const QSize wider(300, 100);  // +100 wide
    const QSize taller(200, 150); // +50 high
    const QSize double_(400, 200);
    const QSize narrower(150, 80);
    QTest::newRow("0 fixed, wider") << 0 << wider << edges(50, 20, 90, 30);
    QTest::newRow("1 fixed, wider") << 1 << wider << edges(50, 20, 90, 30);
    QTest::newRow("2 moves by 100") << 2 << wider << edges(150, 20, 190, 30);
    QTest::newRow("3 widens by 100") << 3 << wider << edges(50, 20, 190, 30);
    QTest::newRow("17 right scaled") << 17 << double_ << edges(50, 20, 180, 30);
    QTest::newRow("18 left scaled, right follows") << 18 << double_ << edges(100, 20, 290, 30);
    QTest::newRow("19 left 50 of 200 lands at 100 in 400")
        << 19 << double_ << edges(100, 20, 180, 30);
    QTest::newRow("4 fixed, taller") << 4 << taller << edges(50, 20, 90, 30);
    QTest::newRow("8 moves down by 50") << 8 << taller << edges(50, 70, 90, 80);
    QTest::newRow("12 stretches down by 50") << 12 << taller << edges(50, 20, 90, 80);
    QTest::newRow("36 bottom scaled") << 36 << double_ << edges(50, 20, 90, 60);
    QTest::newRow("40 top scaled, bottom follows") << 40 << double_ << edges(50, 40, 90, 130);
    QTest::newRow("44 both scaled") << 44 << double_ << edges(50, 40, 90, 60);
    QTest::newRow("3|12 stretches both ways")
        << (3 | 12) << QSize(300, 150) << edges(50, 20, 190, 80);
    QTest::newRow("19|44 scales everything") << (19 | 44) << double_ << edges(100, 40, 180, 60);
    QTest::newRow("2|8 follows the corner")
        << (2 | 8) << QSize(250, 130) << edges(100, 50, 140, 60);
    QTest::newRow("2 shrinking moves left") << 2 << narrower << edges(0, 20, 40, 30);
    QTest::newRow("3 shrinking narrows") << 3 << narrower << edges(50, 20, 40, 30);
    QTest::newRow("12 shrinking shortens") << 12 << narrower << edges(50, 20, 90, 10);
    QTest::newRow("19 shrinking scales down") << 19 << QSize(100, 100) << edges(25, 20, 45, 30);
    QTest::newRow("scale bit alone changes nothing") << 16 << double_ << edges(50, 20, 90, 30);
}

void AnchorLayoutTest::AnchorRect() {
    QFETCH(int, code);
    QFETCH(QSize, size);
    QFETCH(QRect, expected);
    const QRect rect = GP::AnchorRect(kControl, kTemplate, size, code);
    QCOMPARE(rect.left(), expected.left());
    QCOMPARE(rect.top(), expected.top());
    QCOMPARE(rect.x() + rect.width(), expected.x() + expected.width());
    QCOMPARE(rect.y() + rect.height(), expected.y() + expected.height());
}

void AnchorLayoutTest::UnchangedSizeKeepsTemplateForEveryCode() {
    for (int code = 0; code < 64; ++code)
        QCOMPARE(GP::AnchorRect(kControl, kTemplate, kTemplate, code), kControl);
}

void AnchorLayoutTest::RepeatedResizingDoesNotDrift() {
    QWidget window;
    auto* control = new QPushButton(&window);
    const GP::CDlgTempl templ(QSize(100, 50), {{7, QRect(25, 10, 20, 10)}});
    const GP::CDialogUnits units{4, 8}; // one dialog unit is one pixel
    for (int round = 0; round < 3; ++round)
        for (const QSize size : {QSize(333, 77), QSize(101, 51), QSize(517, 203), QSize(100, 50)}) {
            GP::CAnchorLayout(window, templ, units, size).Add(7, control, 19 | 44);
        }
    QCOMPARE(control->geometry(), QRect(25, 10, 20, 10));
}

void AnchorLayoutTest::DialogUnitsScaleByFont() {
    GP::CDialogUnits units{6, 13};
    QCOMPARE(units.ToPixels(QRect(4, 8, 8, 16)), QRect(6, 13, 12, 26));
    QCOMPARE(units.ToPixels(QSize(402, 45)), QSize(603, 73));
    QFont small = QApplication::font();
    small.setPixelSize(10);
    QFont large = small;
    large.setPixelSize(30);
    const GP::CDialogUnits a = GP::CDialogUnits::ForFont(small);
    const GP::CDialogUnits b = GP::CDialogUnits::ForFont(large);
    QVERIFY(b.baseX > a.baseX);
    QVERIFY(b.baseY > a.baseY);
}

void AnchorLayoutTest::LayoutPlacesOnlyOwnChildren() {
    QWidget window;
    QWidget stranger;
    auto* own = new QPushButton(&window);
    own->setGeometry(1, 2, 3, 4);
    stranger.setGeometry(5, 6, 7, 8);
    const GP::CDlgTempl templ(QSize(100, 50), {{7, QRect(10, 10, 20, 10)}});
    GP::CAnchorLayout layout(window, templ, GP::CDialogUnits{4, 8}, QSize(100, 50));
    layout.Add(8, own, 0); // no such control in the template
    QCOMPARE(own->geometry(), QRect(1, 2, 3, 4));
    layout.Add(7, &stranger, 0); // not a child of the window
    QCOMPARE(stranger.geometry(), QRect(5, 6, 7, 8));
    layout.Add(7, own, 0);
    QCOMPARE(own->geometry(), QRect(10, 10, 20, 10));
    QCOMPARE(GP::CAnchorLayout(window, templ, GP::CDialogUnits{4, 8}, QSize(100, 50), QPoint(3, 4))
                 .Rect(7, 0),
             QRect(7, 6, 20, 10));
}

void AnchorLayoutTest::FormViewScrollsInsteadOfShrinking() {
    const GP::CDlgTempl templ(QSize(200, 100), {{7, QRect(150, 80, 40, 12)}});
    OneButtonForm form(templ, 2 | 8);
    const QSize full = form.TemplateSize();
    form.resize(full + QSize(100, 100));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QRect atTemplate =
        GP::CDialogUnits::ForFont(form.Form()->font()).ToPixels(QRect(150, 80, 40, 12));
    form.resize(full / 2);
    QTRY_COMPARE(form.Button()->geometry(), atTemplate);
    QVERIFY(form.Form()->width() >= full.width());
    QVERIFY(form.Form()->height() >= full.height());
    QVERIFY(form.horizontalScrollBar()->maximum() > 0);
    QVERIFY(form.verticalScrollBar()->maximum() > 0);
}

void AnchorLayoutTest::FormViewStretchesWhenLarger() {
    const GP::CDlgTempl templ(QSize(200, 100), {{7, QRect(10, 10, 40, 12)}});
    OneButtonForm form(templ, 3);
    form.resize(form.TemplateSize() + QSize(120, 40));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const int templateWidth =
        GP::CDialogUnits::ForFont(form.Form()->font()).ToPixels(QRect(10, 10, 40, 12)).width();
    QTRY_COMPARE(form.Button()->width(),
                 templateWidth + form.viewport()->width() - form.TemplateSize().width());
    QVERIFY(form.Button()->width() > templateWidth);
}

void AnchorLayoutTest::DoubleClickOnBackgroundFitsFrame() {
    QMainWindow main;
    auto* area = new QMdiArea(&main);
    main.setCentralWidget(area);
    main.resize(1200, 900);
    const GP::CDlgTempl templ(QSize(200, 100), {{7, QRect(10, 10, 40, 12)}});
    auto* form = new OneButtonForm(templ, 0);
    QMdiSubWindow* frame = area->addSubWindow(form);
    main.show();
    frame->resize(700, 600);
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QTest::mouseDClick(form->Form(), Qt::LeftButton, {}, QPoint(2, 2));
    QTRY_COMPARE(form->viewport()->size(), form->TemplateSize());
    // A double click on a control does not fit the frame.
    frame->resize(650, 500);
    QTRY_COMPARE(frame->size(), QSize(650, 500));
    QTest::mouseDClick(form->Button(), Qt::LeftButton);
    QCOMPARE(frame->size(), QSize(650, 500));
    // Nor does one while the frame is maximized.
    frame->showMaximized();
    const QSize maximized = frame->size();
    QTest::mouseDClick(form->Form(), Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(frame->size(), maximized);
}

QTEST_MAIN(AnchorLayoutTest)
#include "anchor_layout_test.moc"
