// The anchor layout engine: the code tables' arithmetic, layout from the template on every
// pass, dialog units, and a form view that scrolls instead of shrinking.
#include "gp/form_view_ex.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

// A 200 × 100 form with one button, control 7 of its template, laid out by a fixed code.
class OneButtonForm : public GP::CFormViewEx {
public:
    OneButtonForm(QRect control, int code)
        : GP::CFormViewEx(GP::CDlgTempl(QSize(200, 100), {{7, control}})), m_code(code) {}
    QPushButton* const m_button = new QPushButton(QStringLiteral("B"), Form());

protected:
    void Layout(int width, int height) override {
        BeginLayout(width, height).Add(7, m_button, m_code);
    }

private:
    const int m_code;
};

} // namespace

class AnchorLayoutTest : public QObject {
    Q_OBJECT
private slots:
    // A 200 × 100 template with one control at (50, 20) sized 40 × 10.
    void AnchorRect_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("expected");
        const QSize larger(300, 150), doubled(400, 200), smaller(150, 80);
        QTest::newRow("1|4 fixed") << (1 | 4) << larger << QRect(50, 20, 40, 10);
        QTest::newRow("2|8 follow") << (2 | 8) << larger << QRect(150, 70, 40, 10);
        QTest::newRow("3|12 stretch") << (3 | 12) << larger << QRect(50, 20, 140, 60);
        QTest::newRow("17|36 far edges scaled") << (17 | 36) << doubled << QRect(50, 20, 130, 40);
        QTest::newRow("18|40 near edges scaled") << (18 | 40) << doubled << QRect(100, 40, 190, 90);
        QTest::newRow("19|44 all scaled") << (19 | 44) << doubled << QRect(100, 40, 80, 20);
        QTest::newRow("2|8 shrinking") << (2 | 8) << smaller << QRect(0, 0, 40, 10);
        QTest::newRow("3|12 shrinking") << (3 | 12) << smaller << QRect(50, 20, -10, -10);
        QTest::newRow("19|44 shrinking") << (19 | 44) << QSize(100, 50) << QRect(25, 10, 20, 5);
    }

    void AnchorRect() {
        QFETCH(int, code);
        QFETCH(QSize, size);
        const QRect control(50, 20, 40, 10);
        QTEST(GP::AnchorRect(control, QSize(200, 100), size, code), "expected");
        QCOMPARE(GP::AnchorRect(control, QSize(200, 100), QSize(200, 100), code), control);
    }

    void LayoutStartsFromTheTemplate() {
        QWidget window;
        auto* control = new QPushButton(&window);
        const GP::CDlgTempl templ(QSize(100, 50), {{7, QRect(25, 10, 20, 10)}});
        const GP::CDialogUnits units{4, 8}; // one dialog unit is one pixel
        for (const QSize size : {QSize(333, 77), QSize(101, 51), QSize(517, 203), QSize(100, 50)})
            GP::CAnchorLayout(window, templ, units, size).Add(7, control, 19 | 44);
        QCOMPARE(control->geometry(), QRect(25, 10, 20, 10));
        // An unknown control stays where it is; offsets of a scrolled form move every control.
        GP::CAnchorLayout layout(window, templ, units, QSize(100, 50), QPoint(3, 4));
        layout.Add(8, control, 0);
        QCOMPARE(control->geometry(), QRect(25, 10, 20, 10));
        QCOMPARE(layout.Rect(7, 0), QRect(22, 6, 20, 10));
        // Dialog units: x × character width ÷ 4, y × character height ÷ 8.
        QCOMPARE((GP::CDialogUnits{6, 13}.ToPixels(QRect(4, 8, 8, 16))), QRect(6, 13, 12, 26));
    }

    void FormViewScrollsInsteadOfShrinkingAndFitsItsFrame() {
        QMdiArea area;
        area.resize(1200, 900);
        auto* form = new OneButtonForm(QRect(150, 80, 40, 12), 2 | 8);
        QMdiSubWindow* frame = area.addSubWindow(form);
        area.show();
        frame->resize(1000, 800);
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        // A double click on the background fits the frame around the template.
        QTest::mouseDClick(form->Form(), Qt::LeftButton, {}, QPoint(2, 2));
        QTRY_COMPARE(form->viewport()->size(), form->TemplateSize());
        const QRect atTemplate = form->m_button->geometry();
        frame->resize(frame->size() + QSize(100, 60));
        QTRY_COMPARE(form->m_button->pos(), atTemplate.topLeft() + QPoint(100, 60));
        frame->resize(form->TemplateSize() / 2);
        QTRY_COMPARE(form->m_button->geometry(), atTemplate);
        QVERIFY(form->horizontalScrollBar()->maximum() > 0 &&
                form->verticalScrollBar()->maximum() > 0);
        // Not on a control, nor while the frame is maximized.
        const QSize small = frame->size();
        QTest::mouseDClick(form->m_button, Qt::LeftButton);
        QCOMPARE(frame->size(), small);
        frame->showMaximized();
        const QSize maximized = frame->size();
        QTest::mouseDClick(form->Form(), Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(frame->size(), maximized);
    }
};

QTEST_MAIN(AnchorLayoutTest)
#include "anchor_layout_test.moc"
