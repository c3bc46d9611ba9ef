// The persistent font, the number formatter, version numbers and the "%d,%d,%d,%d" texts.
#include "gp/font_ex.h"
#include "gp/number_format.h"
#include "gp/profile.h"
#include "gp/version_info.h"
#include "gp_test_support.h"

#include <QApplication>
#include <QFontDatabase>
#include <QTemporaryDir>
#include <QTest>
#include <climits>

class FontNumberTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void FontRoundTripsThroughSettings();
    void AttributeHoldsThirteenNumbers();
    void MissingOrEmptyEntriesGiveDefaultFont_data();
    void MissingOrEmptyEntriesGiveDefaultFont();
    void ShortAttributeCountsMissingNumbersAsZero();
    void ColorIsStoredRedInLowByte();
    void FormatsNumbers_data();
    void FormatsNumbers();
    void ReadsVersionNumbers();
    void ParsesFourIntegers();

private:
    QTemporaryDir m_settings;
};

void FontNumberTest::init() {
    UseTemporarySettings(m_settings);
}

void FontNumberTest::FontRoundTripsThroughSettings() {
    GP::CFontEx font;
    QFont chosen(QStringLiteral("DejaVu Sans"));
    chosen.setPixelSize(17);
    chosen.setWeight(QFont::Bold);
    chosen.setItalic(true);
    chosen.setUnderline(true);
    font.SetFont(chosen);
    font.SetColor(QColor(10, 20, 30));
    font.Save("Option", "Font");

    GP::CFontEx loaded;
    QVERIFY(loaded.Load("Option", "Font"));
    QCOMPARE(loaded.Font().family(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(loaded.Font().pixelSize(), 17);
    QCOMPARE(loaded.Font().weight(), QFont::Bold);
    QVERIFY(loaded.Font().italic());
    QVERIFY(loaded.Font().underline());
    QVERIFY(!loaded.Font().strikeOut());
    QCOMPARE(loaded.Color(), QColor(10, 20, 30));
}

void FontNumberTest::AttributeHoldsThirteenNumbers() {
    GP::CFontEx font;
    QFont chosen(QStringLiteral("DejaVu Sans"));
    chosen.setPixelSize(12);
    chosen.setStrikeOut(true);
    font.SetFont(chosen);
    font.Save("Option", "Font");
    const QStringList numbers = GP::GetProfileString("Option", "FontAttribute").split(u',');
    QCOMPARE(numbers.size(), 13);
    QCOMPARE(numbers[0], QStringLiteral("-12")); // character height in pixels, negative
    QCOMPARE(numbers[4], QStringLiteral("400")); // normal weight
    QCOMPARE(numbers[7], QStringLiteral("1"));   // strike-out
    QCOMPARE(GP::GetProfileString("Option", "FontFaceName"), QStringLiteral("DejaVu Sans"));
    QVERIFY(GP::HasProfileEntry("Option", "FontColor"));
}

void FontNumberTest::MissingOrEmptyEntriesGiveDefaultFont_data() {
    QTest::addColumn<QString>("face");
    QTest::addColumn<QString>("attribute");
    QTest::newRow("nothing stored") << QString() << QString();
    QTest::newRow("empty face") << ""
                                << "-12,0,0,0,700,0,0,0,1,0,0,0,0";
    QTest::newRow("empty attribute") << "Serif"
                                     << "";
}

void FontNumberTest::MissingOrEmptyEntriesGiveDefaultFont() {
    QFETCH(QString, face);
    QFETCH(QString, attribute);
    if (!face.isNull())
        GP::WriteProfileString("Option", "FontFaceName", face);
    if (!attribute.isNull())
        GP::WriteProfileString("Option", "FontAttribute", attribute);
    GP::WriteProfileInt("Option", "FontColor", 255);
    GP::CFontEx font;
    font.SetFont(QFont(QStringLiteral("Something Else"), 30));
    QVERIFY(!font.Load("Option", "Font"));
    QCOMPARE(font.Font(), QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    QCOMPARE(font.Color(), QColor(Qt::black));
}

void FontNumberTest::ShortAttributeCountsMissingNumbersAsZero() {
    GP::WriteProfileString("Option", "FontFaceName", "DejaVu Serif");
    GP::WriteProfileString("Option", "FontAttribute", "-15,0,0,0,700");
    GP::CFontEx font;
    QVERIFY(font.Load("Option", "Font"));
    QCOMPARE(font.Font().pixelSize(), 15);
    QCOMPARE(font.Font().weight(), QFont::Bold);
    QVERIFY(!font.Font().italic());
    QVERIFY(!font.Font().underline());
    GP::WriteProfileString("Option", "FontAttribute", "0");
    QVERIFY(font.Load("Option", "Font"));
    QCOMPARE(font.Font().weight(), QFont::Normal); // weight 0 means normal
}

void FontNumberTest::ColorIsStoredRedInLowByte() {
    QCOMPARE(GP::CFontEx::ColorToInt(QColor(0x12, 0x34, 0x56)), 0x563412);
    QCOMPARE(GP::CFontEx::ColorFromInt(0x563412), QColor(0x12, 0x34, 0x56));
    QCOMPARE(GP::CFontEx::ColorFromInt(0), QColor(Qt::black));
}

void FontNumberTest::FormatsNumbers_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("text");
    QTest::newRow("decimal") << 1234 << 0 << "1234";
    QTest::newRow("decimal negative") << -5 << 0 << "-5";
    QTest::newRow("unsigned hex") << 255 << 1 << "0xFF";
    QTest::newRow("unsigned hex of negative") << -1 << 1 << "0xFFFFFFFF";
    QTest::newRow("signed hex positive") << 4096 << 2 << "0x1000";
    QTest::newRow("signed hex negative") << -255 << 2 << "-0xFF";
    QTest::newRow("signed hex most negative") << INT_MIN << 2 << "-0x80000000";
    QTest::newRow("zero") << 0 << 2 << "0x0";
    QTest::newRow("unknown mode is decimal") << 42 << 9 << "42";
}

void FontNumberTest::FormatsNumbers() {
    QFETCH(int, value);
    QFETCH(int, mode);
    QFETCH(QString, text);
    QCOMPARE(GP::FormatNumber(value, mode), text);
}

void FontNumberTest::ReadsVersionNumbers() {
    int numbers[4];
    GP::VersionNumbers("1,2,3,4", numbers);
    QCOMPARE(QList<int>({numbers[0], numbers[1], numbers[2], numbers[3]}),
             QList<int>({1, 2, 3, 4}));
    GP::VersionNumbers("7,8", numbers);
    QCOMPARE(QList<int>({numbers[0], numbers[1], numbers[2], numbers[3]}),
             QList<int>({7, 8, 0, 0}));
    GP::VersionNumbers(GP::VersionString("ProductVersion"), numbers);
    QCOMPARE(QStringLiteral("%1.%2.%3").arg(numbers[0]).arg(numbers[1]).arg(numbers[2]),
             GP::VersionString("FileVersion"));
    QVERIFY(!GP::VersionString("FileDescription").isEmpty());
    QVERIFY(GP::VersionString("NoSuchName").isEmpty());
}

void FontNumberTest::ParsesFourIntegers() {
    int a = 9, b = 9, c = 9, d = 9;
    QVERIFY(GP::ParseFourInts("-2147483648,-2147483648,0,0", a, b, c, d));
    QCOMPARE(a, INT_MIN);
    QCOMPARE(d, 0);
    QVERIFY(!GP::ParseFourInts("1,2,3", a, b, c, d));
    QVERIFY(!GP::ParseFourInts("1,2,3,x", a, b, c, d));
    QVERIFY(!GP::ParseFourInts("1,2,3,4,5", a, b, c, d));
    QCOMPARE(GP::FormatFourInts(1, -2, 3, 4), QStringLiteral("1,-2,3,4"));
}

QTEST_MAIN(FontNumberTest)
#include "font_number_test.moc"
