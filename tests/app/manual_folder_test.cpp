// Where the Manual command looks: "Manual" beside the program in a build tree, the
// documentation folder of an installation around the program (PREFIX/bin ->
// PREFIX/share/doc/corvane-librarian) otherwise.
#include "app/app.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class ManualFolderTest : public QObject {
    Q_OBJECT
private slots:
    void FindsTheManualBesideTheProgramOrInTheInstalledDocumentation_data() {
        QTest::addColumn<bool>("beside");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("found");
        QTest::newRow("build tree") << true << false << "bin/Manual";
        QTest::newRow("installed") << false << true << "share/doc/corvane-librarian";
        QTest::newRow("both: beside first") << true << true << "bin/Manual";
        // Without a manual anywhere the message names the place beside the program.
        QTest::newRow("neither") << false << false << "bin/Manual";
    }
    void FindsTheManualBesideTheProgramOrInTheInstalledDocumentation() {
        QFETCH(bool, beside);
        QFETCH(bool, installed);
        QFETCH(QString, found);
        QTemporaryDir prefix;
        QVERIFY(prefix.isValid());
        const QDir root(prefix.path());
        QVERIFY(root.mkpath(QStringLiteral("bin/Manual")));
        QVERIFY(root.mkpath(QStringLiteral("share/doc/corvane-librarian")));
        const auto put = [&](const QString& folder) {
            QFile manual(root.filePath(folder + QStringLiteral("/CorvaneLibrarianManualE.html")));
            QVERIFY(manual.open(QIODevice::WriteOnly));
        };
        if (beside)
            put(QStringLiteral("bin/Manual"));
        if (installed)
            put(QStringLiteral("share/doc/corvane-librarian"));
        QCOMPARE(ManualFolderFor(root.filePath(QStringLiteral("bin"))), root.filePath(found));
    }
};

QTEST_MAIN(ManualFolderTest)
#include "manual_folder_test.moc"
