// The command-line tokenizer: items, switches, values, quoting and escapes.
#include "gp/cmd_line.h"

#include <QTest>

using GP::CCmdLinePrm;

namespace {

CCmdLinePrm Plain(const QStringList& values) {
    return {false, QChar(), values};
}
CCmdLinePrm Switch(QChar letter, const QStringList& values) {
    return {true, letter, values};
}

QString Describe(const std::vector<CCmdLinePrm>& items) {
    QStringList parts;
    for (const CCmdLinePrm& item : items)
        parts << (item.isSwitch ? QStringLiteral("/") + QString(item.letter)
                                : QStringLiteral("plain")) +
                     QStringLiteral("[") + item.values.join(QStringLiteral("|")) +
                     QStringLiteral("]");
    return parts.join(u' ');
}

} // namespace

Q_DECLARE_METATYPE(std::vector<GP::CCmdLinePrm>)

class CmdLineTest : public QObject {
    Q_OBJECT
private slots:
    void Tokenizes_data();
    void Tokenizes();
    void QuotedArgumentsComeBackWhole_data();
    void QuotedArgumentsComeBackWhole();
};

void CmdLineTest::Tokenizes_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<std::vector<CCmdLinePrm>>("params");
    QTest::addColumn<std::vector<CCmdLinePrm>>("switches");
    using V = std::vector<CCmdLinePrm>;
    QTest::newRow("empty") << "" << V{} << V{};
    QTest::newRow("only blanks") << "  \t " << V{} << V{};
    QTest::newRow("two words") << "Song Other" << V{Plain({"Song"}), Plain({"Other"})} << V{};
    QTest::newRow("runs of white space") << "  a \t  b  " << V{Plain({"a"}), Plain({"b"})} << V{};
    QTest::newRow("one quoted pair") << "\"Song Other\"" << V{Plain({"Song Other"})} << V{};
    QTest::newRow("quote in mid item") << "My\" Song\".prj" << V{Plain({"My Song.prj"})} << V{};
    QTest::newRow("backslash keeps blank") << "My\\ Song" << V{Plain({"My Song"})} << V{};
    QTest::newRow("switch with quoted comma value")
        << "/x1,\"2,3\"" << V{} << V{Switch(u'x', {"1", "2,3"})};
    QTest::newRow("switch without values") << "/q" << V{} << V{Switch(u'q', {})};
    QTest::newRow("escaped slash is plain") << "\\/path/to" << V{Plain({"/path/to"})} << V{};
    QTest::newRow("plain splits at commas") << "a,b,,c" << V{Plain({"a", "b", "", "c"})} << V{};
    QTest::newRow("escaped comma") << "a\\,b" << V{Plain({"a,b"})} << V{};
    QTest::newRow("escaped quote") << "say\\\"hi\\\"" << V{Plain({"say\"hi\""})} << V{};
    QTest::newRow("escaped quote inside quotes") << "\"a \\\" b\"" << V{Plain({"a \" b"})} << V{};
    QTest::newRow("comma inside quotes") << "\"a,b\",c" << V{Plain({"a,b", "c"})} << V{};
    QTest::newRow("other backslashes stay")
        << "C:\\Songs\\A.prj" << V{Plain({"C:\\Songs\\A.prj"})} << V{};
    QTest::newRow("empty quoted item") << "\"\"" << V{Plain({""})} << V{};
    QTest::newRow("mixed order kept per list")
        << "one /a1 two /b \"three four\""
        << V{Plain({"one"}), Plain({"two"}), Plain({"three four"})}
        << V{Switch(u'a', {"1"}), Switch(u'b', {})};
    QTest::newRow("unclosed quote runs to the end") << "\"a b" << V{Plain({"a b"})} << V{};
}

void CmdLineTest::Tokenizes() {
    QFETCH(QString, line);
    QFETCH(std::vector<CCmdLinePrm>, params);
    QFETCH(std::vector<CCmdLinePrm>, switches);
    const GP::CCmdLine parsed = GP::ParseCommandLine(line);
    QCOMPARE(Describe(parsed.params), Describe(params));
    QCOMPARE(Describe(parsed.switches), Describe(switches));
    QVERIFY(parsed.params == params);
    QVERIFY(parsed.switches == switches);
}

void CmdLineTest::QuotedArgumentsComeBackWhole_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("absolute path is no switch")
        << QStringList{"/home/me/Song.prj"} << QStringList{"/home/me/Song.prj"};
    QTest::newRow("blanks and commas")
        << QStringList{"/a b/Live, 2024.prj"} << QStringList{"/a b/Live, 2024.prj"};
    QTest::newRow("quotation mark")
        << QStringList{"My \"Best\".prj"} << QStringList{"My \"Best\".prj"};
    QTest::newRow("trailing backslash dropped")
        << QStringList{"Song.prj\\"} << QStringList{"Song.prj"};
    QTest::newRow("two arguments") << QStringList{"a", "b c"} << QStringList{"a", "b c"};
}

void CmdLineTest::QuotedArgumentsComeBackWhole() {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);
    const GP::CCmdLine parsed = GP::ParseCommandLine(GP::QuoteArguments(arguments));
    QVERIFY(parsed.switches.empty());
    QStringList firstValues;
    for (const CCmdLinePrm& item : parsed.params) {
        QCOMPARE(item.values.size(), 1);
        firstValues << item.values.front();
    }
    QCOMPARE(firstValues, expected);
}

QTEST_GUILESS_MAIN(CmdLineTest)
#include "cmd_line_test.moc"
