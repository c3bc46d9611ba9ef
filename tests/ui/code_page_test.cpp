// The lists show names with Qt's decoders; file names are made from names by the core. Both must
// read every name alike, and the core must use the code page the lists use.
#include "model/text_encoding.h"
#include "ui/code_page.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <string>

namespace {

// The bytes as hexadecimal, for messages.
QByteArray Hex(const std::string& bytes) {
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toHex(' ');
}

QByteArray Utf8(const std::string& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// Every byte from 0x80 to 0x9F, each a character of its own in Windows-1252.
std::string HighControlRange() {
    std::string bytes;
    for (int b = 0x80; b <= 0x9F; ++b)
        bytes += static_cast<char>(b);
    return bytes;
}

} // namespace

class CodePageTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_settings;

    // The core reads `bytes` as the lists show them, and turns the shown text back into them.
    void ExpectAgreement(const std::string& bytes) {
        const QString shown = CCodePage::Get().Decode(bytes);
        const std::string fileName = Corv::CodePageToUtf8(bytes);
        QVERIFY2(Utf8(fileName) == shown.toUtf8(), Hex(bytes).constData());
        const std::string typed = CCodePage::Get().Encode(shown);
        QVERIFY2(Corv::Utf8ToCodePage(fileName) == typed, Hex(bytes).constData());
    }

private slots:
    void initTestCase() {
        QCoreApplication::setOrganizationName(QStringLiteral("CorvaneTest"));
        QCoreApplication::setApplicationName(QStringLiteral("CodePageTests"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
    }

    // First of all: nothing has asked for the lists' code page yet. The core, needing one,
    // gets the one the settings choose.
    void theCoreAsksForTheListsCodePageWhenItFirstNeedsOne() {
        QSettings().setValue("Option/CodePage", QStringLiteral("Shift_JIS"));
        QCOMPARE(Corv::CurrentCodePage(), Corv::CodePage::ShiftJis);
        QCOMPARE(CCodePage::Get().Name(), QStringLiteral("Shift_JIS"));
        QSettings().remove("Option/CodePage");
    }

    void choosingACodePageChoosesTheCoresToo() {
        QVERIFY(CCodePage::Get().Select(QStringLiteral("windows-1252")));
        QCOMPARE(Corv::CurrentCodePage(), Corv::CodePage::Windows1252);
        QVERIFY(CCodePage::Get().Select(QStringLiteral("Shift_JIS")));
        QCOMPARE(Corv::CurrentCodePage(), Corv::CodePage::ShiftJis);
        QVERIFY(!CCodePage::Get().Select(QStringLiteral("no such code page")));
        QCOMPARE(Corv::CurrentCodePage(), Corv::CodePage::ShiftJis);
    }

    void namesReadAlike_data() {
        QTest::addColumn<QString>("codePage");
        QTest::addColumn<QByteArray>("name");
        const QString western = QStringLiteral("windows-1252");
        const QString japanese = QStringLiteral("Shift_JIS");
        const auto row = [](const char* label, const QString& page, const std::string& name) {
            QTest::newRow(label) << page << Utf8(name);
        };
        row("plain, western", western, "Lead 01 ~\\");
        row("accented letters", western, "Cr\xE8me br\xFBl\xE9\x65 \xC4\xD6\xDC\xDF\xF1");
        row("0x80-0x9F", western, HighControlRange());
        row("0xA0-0xFF", western, "\xA0\xA5\xAA\xB5\xBF\xC0\xD7\xF7\xFF");
        row("plain, Japanese", japanese, "Lead 01 ~");
        row("yen sign byte", japanese, "\\100");
        row("katakana", japanese, "\x83\x65\x83\x58\x83\x67");
        row("kanji", japanese, "\x89\xB9\x90\x46\x8A\xBF\x8E\x9A");
        row("half-width katakana", japanese, "\xB1\xB2\xB3 \xC3\xBD\xC4\xDF");
        row("second bytes 0x5C and 0x7E", japanese, "\x83\x5C\x95\x5C\x81\x7E");
        row("lead bytes 0x80-0x9F", japanese, "\x81\x40\x88\x9F\x93\xFA\x9F\xFC");
        row("vendor rows", japanese, "\x87\x40\x87\x90\xED\x40\xFA\x40\xFC\x4B");
    }

    void namesReadAlike() {
        QFETCH(QString, codePage);
        QFETCH(QByteArray, name);
        QVERIFY(CCodePage::Get().Select(codePage));
        ExpectAgreement(name.toStdString());
    }

    // Beyond the table: every byte of Windows-1252 from 0x80 on, and every single- and
    // double-byte character of Shift_JIS that the lists can show.
    void everyCharacterReadsAlike() {
        QVERIFY(CCodePage::Get().Select(QStringLiteral("windows-1252")));
        for (int b = 0x80; b <= 0xFF; ++b)
            ExpectAgreement(std::string(1, static_cast<char>(b)));
        QVERIFY(CCodePage::Get().Select(QStringLiteral("Shift_JIS")));
        int characters = 0;
        for (int lead = 0xA1; lead <= 0xDF; ++lead)
            ExpectAgreement(std::string(1, static_cast<char>(lead)));
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            for (int trail = 0x40; trail <= 0xFC && (lead <= 0x9F || lead >= 0xE0); ++trail) {
                const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
                const QString shown = CCodePage::Get().Decode(pair);
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
};

QTEST_MAIN(CodePageTest)
#include "code_page_test.moc"
