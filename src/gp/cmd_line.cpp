#include "gp/cmd_line.h"

namespace GP {

namespace {

// Splits the text into raw items; quotation marks (and escaped ones) stay in the item for the
// value split, a backslash that protects white space is dropped.
QStringList SplitItems(const QString& text) {
    QStringList items;
    QString item;
    bool inItem = false;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (c == u'\\' && next.isSpace()) {
            item += next;
            inItem = true;
            ++i;
        } else if (c == u'\\' && next == u'"') {
            item += c;
            item += next;
            inItem = true;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
            item += c;
            inItem = true;
        } else if (c.isSpace() && !quoted) {
            if (inItem)
                items << item;
            item.clear();
            inItem = false;
        } else {
            item += c;
            inItem = true;
        }
    }
    if (inItem)
        items << item;
    return items;
}

// Splits the value part of an item at commas outside quotation marks.
QStringList SplitValues(const QString& text) {
    QStringList values;
    QString value;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (c == u'\\' && (next == u'"' || (next == u',' && !quoted))) {
            value += next;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (c == u',' && !quoted) {
            values << value;
            value.clear();
        } else {
            value += c;
        }
    }
    values << value;
    return values;
}

} // namespace

CCmdLine ParseCommandLine(const QString& text) {
    CCmdLine result;
    for (const QString& item : SplitItems(text)) {
        CCmdLinePrm prm;
        if (item.startsWith(u'/')) {
            prm.isSwitch = true;
            if (item.size() > 1)
                prm.letter = item[1];
            const QString rest = item.mid(2);
            if (!rest.isEmpty())
                prm.values = SplitValues(rest);
            result.switches.push_back(prm);
        } else {
            prm.values = SplitValues(item.startsWith(QStringLiteral("\\/")) ? item.mid(1) : item);
            result.params.push_back(prm);
        }
    }
    return result;
}

QString QuoteArguments(const QStringList& arguments) {
    QStringList quoted;
    for (QString argument : arguments) {
        // A trailing backslash would escape the closing quotation mark; the program reads
        // backslashes in paths as folder separators, so a trailing one carries nothing.
        while (argument.endsWith(u'\\'))
            argument.chop(1);
        argument.replace(u'"', QStringLiteral("\\\""));
        quoted << u'"' + argument + u'"';
    }
    return quoted.join(u' ');
}

} // namespace GP
