// Where the Manual command looks: "Manual" beside the program (a build tree), else the
// documentation folder of an installation around it (PREFIX/bin -> PREFIX/share/doc/...).
#include "app/app.h"

#include <QTemporaryDir>
#include <QTest>

class ManualFolderTest : public QObject {
    Q_OBJECT
private slots:
    void FindsTheManualBesideTheProgramOrInstalled() {
        const QString beside = "bin/Manual", installed = "share/doc/corvane-librarian";
        // The folders that hold a manual, and the one found (with none: the place beside).
        for (const auto& [holding, found] : {std::pair{QStringList{beside}, beside},
                                             {QStringList{installed}, installed},
                                             {QStringList{beside, installed}, beside},
                                             {QStringList{}, beside}}) {
            QTemporaryDir prefix;
            const QDir root(prefix.path());
            QVERIFY(root.mkpath(beside) && root.mkpath(installed));
            for (const QString& folder : holding) {
                QFile manual(root.filePath(folder + "/CorvaneLibrarianManualE.html"));
                QVERIFY(manual.open(QIODevice::WriteOnly));
            }
            QCOMPARE(ManualFolderFor(root.filePath("bin")), root.filePath(found));
        }
    }
};

QTEST_MAIN(ManualFolderTest)
#include "manual_folder_test.moc"
