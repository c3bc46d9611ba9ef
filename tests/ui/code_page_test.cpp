// Names in the code page: the lists (with Qt) and the core (for file names) must read every name
// alike; the edit dialog says before OK what of the typed text will be stored.
#include "model/text_encoding.h"
#include "ui/code_page.h"
#include "ui/desktop.h"
#include "ui/replace_string_dlg.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace CorvDesktop;

class CodePageTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_settings;

    // The core reads `bytes` as the lists show them, and turns the shown text back into them.
    static void ExpectAgreement(const std::string& bytes) {
        const QString shown = CDesktop::Get().CodePage().Decode(bytes);
        const std::string fileName = Corv::CodePageToUtf8(bytes);
        const QByteArray hex = QByteArray::fromStdString(bytes).toHex(' ');
        QVERIFY2(QByteArray::fromStdString(fileName) == shown.toUtf8(), hex.constData());
        QVERIFY2(Corv::Utf8ToCodePage(fileName) == CDesktop::Get().CodePage().Encode(shown),
                 hex.constData());
    }

private slots:
    void initTestCase() {
        QCoreApplication::setOrganizationName(QStringLiteral("CorvaneTest"));
        QCoreApplication::setApplicationName(QStringLiteral("CodePageTests"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
    }
    void cleanup() { CDesktop::Get().CodePage().Select(QStringLiteral("windows-1252")); }

    // First of all: nothing has asked for the lists' code page yet. The core, needing one,
    // gets the one the settings choose; choosing one later chooses the core's too.
    void theCoreUsesTheListsCodePage() {
        QSettings().setValue("Option/CodePage", QStringLiteral("Shift_JIS"));
        QCOMPARE(Corv::CurrentCodePage(), Corv::CodePage::ShiftJis);
        QVERIFY(CDesktop::Get().CodePage().Select(QStringLiteral("windows-1252")));
        QCOMPARE(Corv::CurrentCodePage(), Corv::CodePage::Windows1252);
    }

    // Every high byte of Windows-1252 and every Shift_JIS character that the lists can show.
    void everyCharacterReadsAlike() {
        for (int b = 0x80; b <= 0xFF; ++b)
            ExpectAgreement(std::string(1, static_cast<char>(b)));
        QVERIFY(CDesktop::Get().CodePage().Select(QStringLiteral("Shift_JIS")));
        int characters = 0;
        for (int lead = 0xA1; lead <= 0xDF; ++lead)
            ExpectAgreement(std::string(1, static_cast<char>(lead)));
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            for (int trail = 0x40; trail <= 0xFC && (lead <= 0x9F || lead >= 0xE0); ++trail) {
                const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
                const QString shown = CDesktop::Get().CodePage().Decode(pair);
                if (trail == 0x7F || shown.size() != 1 || shown[0] == QChar::ReplacementCharacter)
                    continue; // not one character the lists can show
                ++characters;
                ExpectAgreement(pair);
                if (QTest::currentTestFailed())
                    return;
            }
        }
        QVERIFY(characters > 7000);
    }

    void dialogSaysWhatWillBeStored() {
        // Shift_JIS (or Windows-1252), field, text typed; the text stored and words of each reason.
        const std::tuple<bool, int, QString, QString, QStringList> cases[] = {
            {false, 1, "\u20ac5 \u0100x\U0001F3B9", "\u20ac5 x", {"code page"}},
            {false, 1, "ピ/Warm Pad Layer", "Warm Pad Lay", {"code page", "contain", "first 12"}},
            {false, 3, "a/b:c", "a/b:c", {}}, // a memo is no file name
            {false, 2, "one\ttwo", "one two", {"blanks"}},
            {false, 5, QString(1030, 'm'), QString(1023, 'm'), {"first 1023"}},
            {true, 1, "ﾋﾟｱﾉ Café", "ﾋﾟｱﾉ Caf", {"code page"}},
            {true, 1, "ピアノ Lead", " Lead", {"double-byte"}}};
        for (const auto& [japanese, field, typed, stored, reasons] : cases) {
            QVERIFY(CDesktop::Get().CodePage().Select(japanese ? "Shift_JIS" : "windows-1252"));
            const CReplaceStringDlg::Stored result =
                CReplaceStringDlg::StoredText(field, typed, CDesktop::Get().CodePage());
            QCOMPARE(result.text, stored);
            QCOMPARE(result.reasons.size(), reasons.size());
            for (int i = 0; i < reasons.size(); ++i)
                QVERIFY2(result.reasons[i].contains(reasons[i]), qPrintable(result.reasons[i]));
        }
    }

    void noteFollowsTheTyping() {
        CReplaceStringDlg dialog(1, QStringLiteral("Crème"), CDesktop::Get().CodePage());
        QVERIFY(dialog.Note().contains(QStringLiteral("\u201cCrme\u201d"))); // è is a lead byte
        auto* edit = dialog.findChild<QLineEdit*>();
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("Bass"));
        QCOMPARE(std::pair(dialog.Text(), dialog.Note()),
                 std::pair(QStringLiteral("Bass"), QString()));
        QTest::keyClicks(edit, QStringLiteral(" and Drums"));
        QVERIFY(dialog.Note().startsWith("Will be stored as: \u201cBass and Dru\u201d\n"));
    }
};

QTEST_MAIN(CodePageTest)
#include "code_page_test.moc"
