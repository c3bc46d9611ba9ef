// Names and memos typed in the program: the code page leaves out what it cannot hold, and the
// edit dialog says before OK what will be stored when that differs from what was typed.
#include "ui/code_page.h"
#include "ui/replace_string_dlg.h"

#include <QLineEdit>
#include <QTest>

class EditDialogTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { CCodePage::Get().Select(QStringLiteral("windows-1252")); }

    void encodingLeavesOutWhatTheCodePageCannotHold() {
        // Code page, text typed, bytes stored.
        const std::tuple<const char*, QString, std::string> cases[] = {
            {"windows-1252", QString::fromUtf8("ピアノ音色"), ""},
            {"windows-1252", QString::fromUtf8("Crème ピ"), "Cr\xE8me "},
            {"windows-1252", QString::fromUtf8("€5 \u0100x"),
             "\x80"
             "5 x"},                                                   // no best fit for Ā
            {"windows-1252", QString::fromUtf8("a\U0001F3B9b"), "ab"}, // a surrogate pair
            {"Shift_JIS", QString::fromUtf8("ピアノ"), "\x83\x73\x83\x41\x83\x6D"},
            {"Shift_JIS", QString::fromUtf8("ﾋﾟｱﾉ"),
             "\xCB\xDF\xB1\xC9"}, // half-width: one byte each
            {"Shift_JIS", QString::fromUtf8("Café"), "Caf"},
        };
        for (const auto& [codePage, typed, bytes] : cases) {
            QVERIFY(CCodePage::Get().Select(QString::fromLatin1(codePage)));
            QCOMPARE(CCodePage::Get().Encode(typed), bytes);
        }
    }

    void dialogSaysWhatWillBeStored() {
        // Code page, field, text typed; the text stored and words of each reason given.
        const std::tuple<const char*, int, QString, QString, QStringList> cases[] = {
            {"windows-1252", 1, "Warm Pad", "Warm Pad", {}},
            {"windows-1252", 1, QString::fromUtf8("ピアノ音色"), "", {"code page"}},
            {"windows-1252", 1, "a/b:c", "abc", {"cannot contain"}},
            {"windows-1252", 1, "Warm Strings Layer", "Warm Strings", {"first 12"}},
            {"windows-1252",
             1,
             QString::fromUtf8("Pianoピ/Grand Layer"),
             "PianoGrand L",
             {"code page", "cannot contain", "first 12"}},
            {"windows-1252", 3, "a/b:c", "a/b:c", {}}, // a memo is no file name
            {"windows-1252", 2, "one\ttwo", "one two", {"blanks"}},
            {"windows-1252", 5, QString(1030, 'm'), QString(1023, 'm'), {"first 1023"}},
            {"Shift_JIS", 1, QString::fromUtf8("ピアノ Lead"), " Lead", {"double-byte"}},
        };
        for (const auto& [codePage, field, typed, stored, reasons] : cases) {
            QVERIFY(CCodePage::Get().Select(QString::fromLatin1(codePage)));
            const CReplaceStringDlg::Stored result = CReplaceStringDlg::StoredText(field, typed);
            QCOMPARE(result.text, stored);
            QCOMPARE(result.reasons.size(), reasons.size());
            for (int i = 0; i < reasons.size(); ++i)
                QVERIFY2(result.reasons[i].contains(reasons[i]), qPrintable(result.reasons[i]));
        }
    }

    void noteFollowsTheTyping() {
        CReplaceStringDlg dialog(1, QStringLiteral("Crème"));
        QVERIFY(dialog.Note().contains(QStringLiteral("\u201cCrme\u201d"))); // è is a lead byte
        auto* edit = dialog.findChild<QLineEdit*>();
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("Bass"));
        QCOMPARE(std::tuple(dialog.Text(), dialog.Note()),
                 std::tuple(QStringLiteral("Bass"), QString()));
        QTest::keyClicks(edit, QStringLiteral(" and Drums"));
        QVERIFY(dialog.Note().startsWith(
            QStringLiteral("Will be stored as: \u201cBass and Dru\u201d\n")));
    }
};

QTEST_MAIN(EditDialogTest)
#include "edit_dialog_test.moc"
