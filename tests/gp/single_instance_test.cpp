// The single-instance guard: the first start listens, a second one hands its arguments over
// and is told to end; the first brings its window forward.
#include "gp/single_instance.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

namespace {

QString TestName(const char* tag) {
    return QStringLiteral("corv-test-%1-%2")
        .arg(QCoreApplication::applicationPid())
        .arg(QString::fromLatin1(tag));
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void SecondStartHandsArgumentsOver();
    void FirstInstanceRestoresItsWindow();
    void NameAfterApplicationAndUser();
    void ANewFirstInstanceAfterTheOldOneEnded();
};

void SingleInstanceTest::SecondStartHandsArgumentsOver() {
    GP::CMMF first(TestName("handover"));
    QVERIFY(first.Create({}));
    QVERIFY(first.IsFirstInstance());
    QSignalSpy received(&first, &GP::CMMF::ArgumentsReceived);

    GP::CMMF second(TestName("handover"));
    const QStringList arguments{"/home/me/My Song.prj", "two, three"};
    QVERIFY(!second.Create(arguments));
    QVERIFY(!second.IsFirstInstance());
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received.front().front().toStringList(), arguments);

    GP::CMMF third(TestName("handover"));
    QVERIFY(!third.Create({}));
    QTRY_COMPARE(received.size(), 2);
    QVERIFY(received.back().front().toStringList().isEmpty());
}

void SingleInstanceTest::FirstInstanceRestoresItsWindow() {
    QWidget window;
    window.resize(300, 200);
    window.showMinimized();
    GP::CMMF first(TestName("restore"));
    QVERIFY(first.Create({}));
    first.SetMainWindow(&window);
    QSignalSpy received(&first, &GP::CMMF::ArgumentsReceived);
    GP::CMMF second(TestName("restore"));
    QVERIFY(!second.Create({"x"}));
    QTRY_COMPARE(received.size(), 1);
    QVERIFY(!window.isMinimized());
    QVERIFY(window.isVisible());
}

void SingleInstanceTest::NameAfterApplicationAndUser() {
    const QString name = GP::CMMF::DefaultName("Corvane Librarian");
    QVERIFY(name.startsWith("Corvane_Librarian-"));
    QVERIFY(!name.contains(u' '));
    QVERIFY(!name.contains(u'/'));
}

void SingleInstanceTest::ANewFirstInstanceAfterTheOldOneEnded() {
    {
        GP::CMMF first(TestName("again"));
        QVERIFY(first.Create({}));
    }
    GP::CMMF next(TestName("again"));
    QVERIFY(next.Create({}));
    QVERIFY(next.IsFirstInstance());
}

QTEST_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
