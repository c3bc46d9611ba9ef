// Cell texts, column tables, stored column widths and the code page of names and memos.
#include <QTest>

#include "model/parameter.h"
#include "support/project_builder.h"
#include "ui/code_page.h"
#include "ui/list_columns.h"

using CorvTest::MakePatch;
using CorvTest::MakeWave;

class ListColumnsTest : public QObject {
    Q_OBJECT
private slots:
    void cellTexts_data();
    void cellTexts();
    void toneSwitchTexts_data();
    void toneSwitchTexts();
    void storedWidths_data();
    void storedWidths();
    void editFieldsSkipToneSwitch();
    void validation();
    void codePageKeepsUneditedBytes();
    void codePageEncodesEditedText();
};

namespace {

Corv::CWave UsedWave(const std::string& name, const std::string& path) { return MakeWave(name, path); }

} // namespace

void ListColumnsTest::cellTexts_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("columnId");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("number counts from 1") << 1 << "T/x.p00" << 0 << 0 << QByteArray("1");
    QTest::newRow("number of the last wave") << 2 << "" << 998 << 0 << QByteArray("999");
    QTest::newRow("instrument wave") << 2 << "W/002 Kick.w00" << 1 << 1 << QByteArray("* Kick");
    QTest::newRow("upper-case W00") << 2 << "W/002 Kick.W00" << 1 << 1 << QByteArray("* Kick");
    QTest::newRow("imported wav lines up") << 2 << "W/002 Kick.wav" << 1 << 1 << QByteArray("  Kick");
    QTest::newRow("w00 only in the extension") << 2 << "W/a.w00/Kick.aif" << 1 << 1 << QByteArray("  Kick");
    QTest::newRow("free wave slot has no prefix") << 2 << "" << 1 << 1 << QByteArray("Kick");
    QTest::newRow("tone name unprefixed") << 1 << "T/003 Kick.p00" << 2 << 1 << QByteArray("Kick");
    QTest::newRow("memo 1") << 2 << "W/x.wav" << 0 << 2 << QByteArray("m1");
    QTest::newRow("memo 4") << 0 << "P/x.d00" << 0 << 5 << QByteArray("m4");
}

void ListColumnsTest::cellTexts() {
    QFETCH(int, kind);
    QFETCH(QString, path);
    QFETCH(int, index);
    QFETCH(int, columnId);
    QFETCH(QByteArray, expected);
    Corv::CWave wave = UsedWave("Kick", path.toStdString());
    Corv::CPatch patch = MakePatch("Kick", 0);
    patch.SetFilePath(path.toStdString());
    Corv::CParameter& record = kind == 0 ? static_cast<Corv::CParameter&>(patch) : wave;
    for (int memo = 1; memo <= 4; ++memo)
        record.SetMemo(memo, "m" + std::to_string(memo));
    QCOMPARE(QByteArray::fromStdString(CellText(kind, record, index, columnId)), expected);
}

void ListColumnsTest::toneSwitchTexts_data() {
    QTest::addColumn<int>("tone0");
    QTest::addColumn<int>("tone1");
    QTest::addColumn<bool>("used");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("both") << 3 << 4 << true << QByteArray("L/U");
    QTest::newRow("only the second switch") << 0 << 4 << true << QByteArray("L/_");
    QTest::newRow("only the first switch") << 3 << 0 << true << QByteArray("_/U");
    QTest::newRow("none") << 0 << 0 << true << QByteArray("_/_");
    QTest::newRow("free slot is blank") << 3 << 4 << false << QByteArray("");
}

void ListColumnsTest::toneSwitchTexts() {
    QFETCH(int, tone0);
    QFETCH(int, tone1);
    QFETCH(bool, used);
    QFETCH(QByteArray, expected);
    Corv::CPatch patch = MakePatch("P", tone0, tone1);
    if (used)
        patch.SetFilePath("Patch/001 P.d00");
    QCOMPARE(QByteArray::fromStdString(CellText(0, patch, 0, kColToneSwitch)), expected);
}

void ListColumnsTest::storedWidths_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");
    QTest::newRow("patch defaults") << 0 << "" << "56,136,76,50,50,50,50";
    QTest::newRow("tone defaults") << 1 << "" << "56,136,50,50,50,50";
    QTest::newRow("wave defaults") << 2 << "" << "56,136,50,50,50,50";
    QTest::newRow("all given") << 1 << "10,20,30,40,50,60" << "10,20,30,40,50,60";
    QTest::newRow("fewer fields") << 0 << "70,200" << "70,200,76,50,50,50,50";
    QTest::newRow("empty field between commas") << 0 << "70,,90" << "70,136,90,50,50,50,50";
    QTest::newRow("extra fields ignored") << 2 << "1,2,3,4,5,6,7,8" << "1,2,3,4,5,6";
    QTest::newRow("garbage takes the default") << 1 << "x,-5,99999" << "56,136,50,50,50,50";
}

void ListColumnsTest::storedWidths() {
    QFETCH(int, kind);
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    QCOMPARE(FormatColumnWidths(ParseColumnWidths(kind, stored)), expected);
}

void ListColumnsTest::editFieldsSkipToneSwitch() {
    // Patch list: name at 1, ToneSwitch at 2 has no field, Memo1..4 at 3..6 are fields 2..5.
    const int patchFields[] = {0, 1, 0, 2, 3, 4, 5};
    for (int column = 0; column < 7; ++column)
        QCOMPARE(EditFieldNumber(0, column), patchFields[column]);
    for (int column = 1; column < 6; ++column)
        QCOMPARE(EditFieldNumber(1, column), column);
    QCOMPARE(EditFieldNumber(2, 6), 0);
}

void ListColumnsTest::validation() {
    const SELVColumn number = ColumnTable(0)[0].column;
    const SELVColumn text = ColumnTable(0)[1].column;
    QVERIFY(ValidateCellValue(text, QStringLiteral("anything at all")));
    QVERIFY(ValidateCellValue(number, QStringLiteral("127")));
    QVERIFY(ValidateCellValue(number, QStringLiteral("0")));
    QVERIFY(!ValidateCellValue(number, QStringLiteral("128")));
    QVERIFY(!ValidateCellValue(number, QStringLiteral("-1")));
    QVERIFY(!ValidateCellValue(number, QStringLiteral("abc")));
    SELVColumn other;
    other.flags = 0x10000;
    QVERIFY(!ValidateCellValue(other, QStringLiteral("x")));
}

void ListColumnsTest::codePageKeepsUneditedBytes() {
    CCodePage& page = CCodePage::Get();
    QVERIFY(page.Select(QStringLiteral("windows-1252")));
    // 0x81 and 0x8D have no character in this code page; unedited they come back as they were.
    const std::string original("Caf\xE9\x81\x8D", 6);
    const QString shown = page.Decode(original);
    QCOMPARE(shown.left(4), QString::fromUtf8("Caf\u00e9"));
    QCOMPARE(page.EncodeEdited(shown, original), original);
}

void ListColumnsTest::codePageEncodesEditedText() {
    CCodePage& page = CCodePage::Get();
    QVERIFY(page.Select(QStringLiteral("windows-1252")));
    QCOMPARE(page.EncodeEdited(QString::fromUtf8("Caf\u00e9 \u20ac"), "old"), std::string("Caf\xE9 \x80"));
    QVERIFY(!page.IsDoubleByte());
    QVERIFY(page.Select(QStringLiteral("Shift_JIS")));
    QVERIFY(page.IsDoubleByte());
    QCOMPARE(page.Encode(QString::fromUtf8("\u3042")), std::string("\x82\xA0"));
    QVERIFY(!page.Select(QStringLiteral("no-such-code-page")));
    QCOMPARE(page.Name(), QStringLiteral("Shift_JIS"));
    page.Select(QStringLiteral("windows-1252"));
}

QTEST_MAIN(ListColumnsTest)
#include "list_columns_test.moc"
