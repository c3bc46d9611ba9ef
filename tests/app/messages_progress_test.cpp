// The message boxes behind the core's message sink, the progress window with its nesting,
// the About box texts and Set Up Font's effect on the open projects.
#include "app/file_doc.h"
#include "app_fixture.h"
#include "gp/version_info.h"
#include "ui/about_dialog.h"
#include "ui/child_frame.h"
#include "ui/file_view.h"
#include "ui/font_setup.h"
#include "ui/message_box_sink.h"
#include "ui/parameter_list.h"
#include "ui/progress_dialog.h"

#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class MessagesProgressTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void BoxTexts_data();
    void BoxTexts();
    void ProgressShowsOnlyOutermostAndDisablesMainWindow();
    void NestedOperationDoesNotMoveOuterBar();
    void CancelOnlyWhenCancellable();
    void EndWithoutBeginIsHarmless();
    void AboutTexts();
    void FontChangeReachesEveryProject();

private:
    QTemporaryDir m_settings;
};

void MessagesProgressTest::init() {
    AppTest::ResetProcessState(m_settings);
}

void MessagesProgressTest::BoxTexts_data() {
    QTest::addColumn<bool>("question");
    QTest::addColumn<int>("set");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("load error") << false << 0 << 1 << "This project could not be loaded.";
    QTest::newRow("delete question") << true << 1 << 9 << "OK to delete?";
    QTest::newRow("replace question")
        << true << 3 << 7 << "Project already exists. Do you want to replace it?";
    QTest::newRow("unknown error") << false << 0 << 42 << "Undefined error.";
    QTest::newRow("unknown question") << true << 1 << 42 << "";
}

void MessagesProgressTest::BoxTexts() {
    QFETCH(bool, question);
    QFETCH(int, set);
    QFETCH(int, code);
    QFETCH(QString, text);
    std::unique_ptr<QMessageBox> box(CMessageBoxSink::CreateBox(nullptr, question, set, code));
    QCOMPARE(box->windowTitle(), QStringLiteral("Corvane Librarian"));
    QCOMPARE(box->text(), text);
    const QMessageBox::StandardButtons buttons[] = {
        QMessageBox::Ok, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Yes | QMessageBox::No,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel};
    QCOMPARE(box->standardButtons(),
             question ? buttons[set] : QMessageBox::StandardButtons(QMessageBox::Ok));
    // Every way of closing a question other than its buttons counts as Cancel.
    QCOMPARE(CMessageBoxSink::AnswerFor(QMessageBox::NoButton), int(Corv::kAnswerCancel));
}

void MessagesProgressTest::ProgressShowsOnlyOutermostAndDisablesMainWindow() {
    QMainWindow main;
    main.show();
    CProgressBar progress(&main);
    progress.Begin(10, "Saving", false);
    QDialog* window = progress.Window();
    QVERIFY(window != nullptr);
    QVERIFY(window->isVisible());
    QVERIFY(window->isEnabled());
    QVERIFY(!main.isEnabled());
    QCOMPARE(progress.Label()->text(), QStringLiteral("Saving"));
    QVERIFY(!progress.CancelButton()->isVisible());
    progress.Begin(5, "Copying", true);
    QCOMPARE(progress.Window(), window);
    QCOMPARE(progress.Label()->text(), QStringLiteral("Saving"));
    progress.End();
    QVERIFY(progress.Window() != nullptr);
    QVERIFY(!main.isEnabled());
    progress.End();
    QVERIFY(progress.Window() == nullptr);
    QVERIFY(main.isEnabled());
}

void MessagesProgressTest::NestedOperationDoesNotMoveOuterBar() {
    CProgressBar progress;
    progress.Begin(100, "Outer", false);
    progress.SetPosition(40);
    progress.SetText("step");
    QCOMPARE(progress.Bar()->value(), 40);
    progress.Begin(10, "Inner", false);
    progress.SetPosition(9);
    progress.SetText("inner step");
    QCOMPARE(progress.Bar()->value(), 40);
    QCOMPARE(progress.Label()->text(), QStringLiteral("step"));
    QCOMPARE(progress.Position(), 40);
    progress.End();
    progress.SetPosition(60);
    QCOMPARE(progress.Bar()->value(), 60);
    QCOMPARE(progress.Bar()->maximum(), 100);
    progress.End();
}

void MessagesProgressTest::CancelOnlyWhenCancellable() {
    CProgressBar progress;
    progress.Begin(10, "Fixed", false);
    progress.CancelButton()->click();
    QVERIFY(!progress.IsCancelled());
    QVERIFY(progress.Window()->isVisible()); // the window never closes itself
    progress.End();
    progress.Begin(10, "Stoppable", true);
    QVERIFY(!progress.IsCancelled());
    progress.CancelButton()->click();
    QVERIFY(progress.IsCancelled());
    progress.End();
    progress.Begin(10, "Again", true);
    QVERIFY(!progress.IsCancelled()); // a new operation starts uncancelled
    progress.End();
}

void MessagesProgressTest::EndWithoutBeginIsHarmless() {
    QMainWindow main;
    CProgressBar progress(&main);
    progress.End();
    QCOMPARE(progress.Nesting(), 0);
    QVERIFY(main.isEnabled());
    progress.SetPosition(3);
    QCOMPARE(progress.Position(), 0);
}

void MessagesProgressTest::AboutTexts() {
    CAboutDlg plain(nullptr, false);
    const QString description = GP::VersionString("FileDescription");
    QCOMPARE(plain.windowTitle(), QStringLiteral("About ") + description);
    QCOMPARE(plain.Description()->text(), description);
    QCOMPARE(plain.Version()->text(),
             QStringLiteral("Version ") + GP::VersionString("FileVersion"));
    QCOMPARE(plain.Legal()->text(), GP::VersionString("LegalCopyright"));
    int numbers[4];
    GP::VersionNumbers(GP::VersionString("ProductVersion"), numbers);
    CAboutDlg withCtrl(nullptr, true);
    QCOMPARE(withCtrl.Version()->text(), QStringLiteral("Version %1 (%2%3%4%5)")
                                             .arg(GP::VersionString("FileVersion"))
                                             .arg(numbers[0])
                                             .arg(numbers[1])
                                             .arg(numbers[2])
                                             .arg(numbers[3]));
}

void MessagesProgressTest::FontChangeReachesEveryProject() {
    AppTest::Script script;
    QTemporaryDir data;
    CApp app(AppTest::ScriptedEnvironment(script, data.path(), AppTest::InstanceName("font")));
    QVERIFY(app.InitInstance({}));
    app.OnFileNew();
    app.OnFileNew();
    QSignalSpy changed(&CListFont::Get(), &CListFont::Changed);
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(21);
    ApplyListFont(font, QColor(1, 2, 3));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(CListFont::Get().Font().pixelSize(), 21);
    QCOMPARE(CListFont::Get().Color(), QColor(1, 2, 3));
    for (CFileDoc* document : app.Documents().Documents())
        for (int kind = 0; kind < 3; ++kind)
            QCOMPARE(app.Documents().FrameOf(*document)->View()->List(kind)->font().pixelSize(),
                     21);
    CFontSetupDialog dialog(font, QColor(1, 2, 3));
    QCOMPARE(dialog.SelectedFont().family(), font.family());
    QCOMPARE(dialog.SelectedColor(), QColor(1, 2, 3));
    app.ExitInstance();
    QCOMPARE(QSettings().value("Option/FontFaceName").toString(), QStringLiteral("DejaVu Serif"));
}

QTEST_MAIN(MessagesProgressTest)
#include "messages_progress_test.moc"
