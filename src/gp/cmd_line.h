#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace GP {

// One item of a command line: a plain parameter or a switch ("/x..."), with its values.
struct CCmdLinePrm {
    bool isSwitch = false;
    // The switch letter; null for a plain parameter.
    QChar letter;
    QStringList values;

    bool operator==(const CCmdLinePrm& other) const = default;
};

// The items of a command line, plain parameters and switches each in command-line order.
struct CCmdLine {
    std::vector<CCmdLinePrm> params;
    std::vector<CCmdLinePrm> switches;
};

// Splits a command-line text into items and values. White space outside quotation marks
// separates items, a quotation mark switches quoting, a backslash before white space keeps it.
// An item beginning with "/" is a switch; one beginning with "\/" is a plain parameter that
// starts with "/". Values are split at commas outside quotation marks; quotation marks are
// dropped; "\"" and (outside quotes) "\," give the character itself.
CCmdLine ParseCommandLine(const QString& text);

// The command-line text of an argument list as the system hands it over (already split):
// every argument becomes one quoted plain parameter, so that file paths with blanks, commas or
// a leading "/" reach the program whole.
QString QuoteArguments(const QStringList& arguments);

} // namespace GP
