#include "ui/list_export.h"

#include "model/lum_data.h"
#include "ui/choosers.h"
#include "ui/code_page.h"
#include "ui/desktop.h"
#include "ui/question_box.h"

#include <QDir>
#include <QFileDialog>
#include <QSaveFile>
#include <QStringList>
#include <algorithm>

namespace CorvDesktop {

namespace {

// The slots of a kind the lists show: no more than the kind has, even when an array is longer.
int ListedSlots(const Corv::CLumData& data, int kind) {
    return static_cast<int>(std::min<std::size_t>(data.Records(kind).Size(),
                                                  static_cast<std::size_t>(Corv::SlotCount(kind))));
}

bool IsUsed(const Corv::CLumData& data, int kind, int index) {
    return index >= 0 && index < ListedSlots(data, kind) &&
           !data.Records(kind).Item(Corv::At(index)).IsEmpty();
}

QString CsvField(const QString& text) {
    const bool plain = !text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
                       !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'));
    if (plain)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

void AppendCsvRow(QString& csv, const QStringList& fields) {
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            csv += QLatin1Char(',');
        csv += CsvField(fields[i]);
    }
    csv += QLatin1String("\r\n");
}

QString NumbersText(const std::vector<int>& numbers) {
    QStringList texts;
    for (const int number : numbers)
        texts << QString::number(number);
    return texts.join(QLatin1Char(' '));
}

// The row kind names of the all-lists CSV: one entry is a patch, a tone or a wave.
QString EntryKindName(int kind) {
    return kind == Corv::kPatchKind  ? QObject::tr("Patch")
           : kind == Corv::kToneKind ? QObject::tr("Tone")
                                     : QObject::tr("Wave");
}

std::optional<int> AskWhichLists(QWidget* parent, int activeKind) {
    CQuestion question;
    question.text = QObject::tr("Export which list?");
    question.buttons = {{QObject::tr("%1 Only").arg(ListTitle(activeKind))},
                        {QObject::tr("All Three Lists")},
                        {QObject::tr("Cancel"), QMessageBox::RejectRole}};
    question.escapeButton = 2;
    switch (CQuestionBox::Ask(parent, question)) {
    case 0:
        return activeKind;
    case 1:
        return kAllLists;
    default:
        return std::nullopt;
    }
}

QString AskCsvFileName(QWidget* parent, const QString& proposedPath) {
    QFileDialog dialog(parent, QObject::tr("Export List"), proposedPath,
                       QObject::tr("CSV files (*.csv)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without an ending gets ".csv", and the dialog asks before it replaces a file.
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString ListTitle(int kind) {
    return kind == Corv::kPatchKind  ? QObject::tr("Patches")
           : kind == Corv::kToneKind ? QObject::tr("Tones")
                                     : QObject::tr("Waves");
}

std::vector<int> UsedSlots(const Corv::CLumData& data, int kind) {
    std::vector<int> usedSlots;
    for (int index = 0; index < ListedSlots(data, kind); ++index)
        if (IsUsed(data, kind, index))
            usedSlots.push_back(index);
    return usedSlots;
}

std::vector<int> LinkedNumbers(const Corv::CLumData& data, int kind, int index) {
    std::vector<int> numbers;
    if (kind == Corv::kPatchKind) {
        for (const int tone : data.Patches()[Corv::At(index)].ToneNumbers())
            if (tone >= 1 && tone <= ListedSlots(data, Corv::kToneKind))
                numbers.push_back(tone);
    } else {
        // A tone's users are patches, a wave's are tones: the kind before it.
        const Corv::CReferencedParameter& record =
            kind == Corv::kToneKind
                ? static_cast<const Corv::CReferencedParameter&>(data.Tones()[Corv::At(index)])
                : data.Waves()[Corv::At(index)];
        for (const int user : record.Users())
            if (IsUsed(data, kind - 1, user))
                numbers.push_back(user + 1);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

QByteArray ListCsv(const Corv::CLumData& data, const CCodePage& page, int kind) {
    const bool all = !Corv::IsKind(kind);
    QStringList header = {QObject::tr("Number"), QObject::tr("Name")};
    for (int memo = 1; memo <= 4; ++memo)
        header << QObject::tr("Memo %1").arg(memo);
    header << QObject::tr("Users");
    if (all)
        header.prepend(QObject::tr("List"));
    QString csv;
    AppendCsvRow(csv, header);
    for (int k = 0; k < 3; ++k) {
        if (!all && k != kind)
            continue;
        for (const int index : UsedSlots(data, k)) {
            const Corv::CParameter& record = data.Records(k).Item(Corv::At(index));
            QStringList row = {QString::number(index + 1), page.Decode(record.Name())};
            for (int memo = 1; memo <= 4; ++memo)
                row << page.Decode(record.Memo(memo));
            row << NumbersText(LinkedNumbers(data, k, index));
            if (all)
                row.prepend(EntryKindName(k));
            AppendCsvRow(csv, row);
        }
    }
    // The byte order mark tells spreadsheet programs that the file is UTF-8.
    return QByteArrayLiteral("\xEF\xBB\xBF") + csv.toUtf8();
}

bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString& reason) {
    // The content goes to a temporary file beside the target that replaces it only when
    // everything is written and flushed.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        reason = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        reason = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        reason = file.errorString();
        return false;
    }
    return true;
}

QString SuggestedCsvPath(const QString& projectTitle, int kind) {
    QString name = projectTitle.trimmed();
    // A title names a folder, but whatever it holds must not lead the file elsewhere.
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (name.isEmpty())
        name = QObject::tr("Project");
    if (Corv::IsKind(kind))
        name += QLatin1Char(' ') + ListTitle(kind).toLower();
    return QDir::home().filePath(name + QStringLiteral(".csv"));
}

bool ExportListInteractively(QWidget* parent, const Corv::CLumData& data, int activeKind,
                             const QString& projectTitle, const CListExportChoosers& choosers) {
    std::optional<int> kind = kAllLists;
    if (Corv::IsKind(activeKind))
        kind =
            choosers.lists ? choosers.lists(parent, activeKind) : AskWhichLists(parent, activeKind);
    if (!kind)
        return false;
    const QString proposed = SuggestedCsvPath(projectTitle, *kind);
    const QString path =
        choosers.fileName ? choosers.fileName(parent, proposed) : AskCsvFileName(parent, proposed);
    if (path.isEmpty())
        return false;
    QString reason;
    if (WriteWholeFile(path, ListCsv(data, CDesktop::Get().CodePage(), *kind), reason))
        return true;
    CDesktop::Get().Choosers().Notice(parent,
                                      QObject::tr("The list could not be written to %1.\n\n%2")
                                          .arg(QDir::toNativeSeparators(path), reason));
    return false;
}

} // namespace CorvDesktop
