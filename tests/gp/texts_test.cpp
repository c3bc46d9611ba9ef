// Texts the window library reads and writes: the command line (items, switches, values,
// quoting and escapes), numbers in their three formats and version numbers.
#include "gp/cmd_line.h"
#include "gp/number_format.h"
#include "gp/version_info.h"

#include <QTest>
#include <climits>

namespace {

// Each command line and its items: "p[v1|v2]" for a plain parameter, "/x[v1|v2]" for switch x,
// plain parameters first, each list in command-line order.
const std::pair<const char*, const char*> kCases[] = {
    {"", ""},
    {"Song Other", "p[Song] p[Other]"},
    {"  a \t  b  ", "p[a] p[b]"},
    {"\"Song Other\"", "p[Song Other]"},
    {"My\" Song\".prj", "p[My Song.prj]"},
    {"My\\ Song", "p[My Song]"},
    {"/x1,\"2,3\"", "/x[1|2,3]"},
    {"/q", "/q"},
    {"\\/path/to", "p[/path/to]"},
    {"a,b,,c", "p[a|b||c]"},
    {"a\\,b", "p[a,b]"},
    {"say\\\"hi\\\"", "p[say\"hi\"]"},
    {"\"a \\\" b\"", "p[a \" b]"},
    {"\"a,b\",c", "p[a,b|c]"},
    {"C:\\Songs\\A.prj", "p[C:\\Songs\\A.prj]"},
    {"\"\"", "p[]"},
    {"one /a1 two /b \"three four\"", "p[one] p[two] p[three four] /a[1] /b"},
    {"\"a b", "p[a b]"},
};

QString Describe(const GP::CCmdLine& line) {
    QStringList parts;
    for (const auto* list : {&line.params, &line.switches})
        for (const GP::CCmdLinePrm& item : *list) {
            const QString head = item.isSwitch ? u'/' + QString(item.letter) : QStringLiteral("p");
            parts << (item.values.isEmpty() ? head : head + u'[' + item.values.join(u'|') + u']');
        }
    return parts.join(u' ');
}

} // namespace

class TextsTest : public QObject {
    Q_OBJECT
private slots:
    void Tokenizes_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("items");
        for (const auto& [line, items] : kCases)
            QTest::newRow(line) << QString(line) << QString(items);
    }

    void Tokenizes() {
        QFETCH(QString, line);
        QTEST(Describe(GP::ParseCommandLine(line)), "items");
    }

    // A second start hands its arguments over as one quoted text; each comes back whole.
    void QuotedArgumentsComeBackWhole() {
        const QStringList arguments{"/home/me/Song.prj", "/a b/Live, 2024.prj", "My \"Best\".prj",
                                    "Dir.prj\\"};
        QCOMPARE(Describe(GP::ParseCommandLine(GP::QuoteArguments(arguments))),
                 "p[/home/me/Song.prj] p[/a b/Live, 2024.prj] p[My \"Best\".prj] p[Dir.prj]");
    }

    void FormatsNumbersAndReadsVersionNumbers() {
        const std::tuple<int, int, QString> cases[] = {
            {-1234, 0, "-1234"}, {255, 1, "0xFF"},   {-1, 1, "0xFFFFFFFF"},
            {4096, 2, "0x1000"}, {-255, 2, "-0xFF"}, {INT_MIN, 2, "-0x80000000"},
            {42, 9, "42"}};
        for (const auto& [value, mode, text] : cases)
            QCOMPARE(GP::FormatNumber(value, mode), text);
        int n[4];
        GP::VersionNumbers("7,8", n);
        QCOMPARE(QList<int>({n[0], n[1], n[2], n[3]}), QList<int>({7, 8, 0, 0}));
    }
};

QTEST_GUILESS_MAIN(TextsTest)
#include "texts_test.moc"
