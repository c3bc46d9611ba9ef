#include "ui/history_window.h"

#include "history/folder_state.h"
#include "history/recorder.h"
#include "history/version_access.h"
#include "ui/question_box.h"
#include "ui/text_codec.h"
#include "ui/wait_cursor.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace CorvDesktop {

namespace {

constexpr int kShownChanges = 30; // difference lines a restore's question lists

QStringList Lines(const std::vector<Corv::ProjectDifference>& differences) {
    QStringList lines;
    for (const Corv::ProjectDifference& difference : differences)
        lines << QString::fromStdString(Corv::DifferenceLine(difference));
    return lines;
}

bool AskToRestore(QWidget* parent, const QString& what, const QStringList& changes) {
    CQuestion question;
    question.text = what;
    QStringList shown = changes.mid(0, kShownChanges);
    if (changes.size() > kShownChanges)
        shown << QStringLiteral("and %1 more").arg(changes.size() - kShownChanges);
    question.informative = shown.join(u'\n');
    question.buttons = {{QStringLiteral("Restore"), QMessageBox::AcceptRole},
                        {QStringLiteral("Cancel"), QMessageBox::RejectRole}};
    question.defaultButton = 1;
    question.escapeButton = 1;
    return CQuestionBox::Ask(parent, question) == 0;
}

} // namespace

QString HistorySizeText(std::uint64_t bytes) {
    return QLocale::system().formattedDataSize(static_cast<qint64>(bytes), 1,
                                               QLocale::DataSizeTraditionalFormat);
}

CHistoryWindow::CHistoryWindow(Corv::History::CHistoryRecorder& recorder, std::string project,
                               std::string scratch, QWidget* parent)
    : QDialog(parent), m_recorder(recorder), m_project(std::move(project)),
      m_scratch(std::move(scratch)) {
    setWindowTitle(QStringLiteral("History of %1").arg(CTextCodec::DecodePath(m_project)));
    resize(760, 520);
    auto* layout = new QVBoxLayout(this);
    m_summary = new QLabel(this);
    m_summary->setWordWrap(true);
    m_versions = new QTreeWidget(this);
    m_versions->setRootIsDecorated(false);
    m_versions->setHeaderLabels({QStringLiteral("Version"), QStringLiteral("Saved"),
                                 QStringLiteral("Stored"),
                                 QStringLiteral("What the next save changed")});
    m_versions->header()->setStretchLastSection(true);
    m_differences = new QPlainTextEdit(this);
    m_differences->setReadOnly(true);
    m_differences->setPlaceholderText(
        QStringLiteral("Compare shows here what differs, one line per entry."));
    auto* buttons = new QHBoxLayout;
    const auto button = [&](const QString& text, auto slot) {
        auto* push = new QPushButton(text, this);
        connect(push, &QPushButton::clicked, this, slot);
        buttons->addWidget(push);
        return push;
    };
    const auto row = [this] { return m_versions->indexOfTopLevelItem(m_versions->currentItem()); };
    button(QStringLiteral("Compare with &Now"), [this, row] { CompareWithNow(row()); });
    button(QStringLiteral("Compare with Ne&xt"), [this, row] { CompareWithNext(row()); });
    button(QStringLiteral("&Restore This Version..."), [this, row] { RestoreRow(row()); });
    button(QStringLiteral("&Open Read-Only"), [this, row] { OpenReadOnlyRow(row()); });
    button(QStringLiteral("E&xport..."), [this, row] { Export(row()); });
    buttons->addStretch(1);
    button(QStringLiteral("Close"), [this] { close(); });
    layout->addWidget(m_summary);
    layout->addWidget(m_versions, 3);
    layout->addLayout(buttons);
    layout->addWidget(m_differences, 2);
    Refresh();
}

void CHistoryWindow::Refresh() {
    m_list = m_recorder.Store().List(m_project);
    m_versions->clear();
    std::uint64_t stored = 0;
    for (const Corv::History::VersionInfo& version : m_list) {
        QString saved = QString::fromStdString(version.time);
        if (const QDateTime time = QDateTime::fromString(saved, Qt::ISODate); time.isValid())
            saved = QLocale::system().toString(time.toLocalTime(), QLocale::ShortFormat);
        QString what = QString::fromStdString(version.summary);
        if (!version.note.empty())
            what = QStringLiteral("(%1) ").arg(QString::fromStdString(version.note)) + what;
        if (!version.problem.empty())
            what = QStringLiteral("DAMAGED: ") + QString::fromStdString(version.problem);
        auto* item = new QTreeWidgetItem(
            {QString::number(version.id), saved, HistorySizeText(version.storedBytes), what});
        item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        m_versions->addTopLevelItem(item);
        stored += version.storedBytes;
    }
    m_summary->setText(
        m_list.empty()
            ? QStringLiteral("No versions yet: every save that changes the project keeps one.")
            : QStringLiteral("%1 versions, newest first; they store %2.")
                  .arg(m_list.size())
                  .arg(HistorySizeText(stored)));
    if (!m_list.empty())
        m_versions->setCurrentItem(m_versions->topLevelItem(0));
    for (int column = 0; column < 3; ++column)
        m_versions->resizeColumnToContents(column);
}

int CHistoryWindow::VersionAt(int row) const {
    return row >= 0 && row < static_cast<int>(m_list.size())
               ? m_list[static_cast<std::size_t>(row)].id
               : 0;
}

QStringList CHistoryWindow::ShowDifferences(int id, int against, const QString& title) {
    if (id == 0)
        return {};
    CWaitCursor wait;
    std::vector<Corv::ProjectDifference> differences;
    std::string why;
    if (!Corv::History::VersionDifferences(m_recorder.Store(), m_project, id, against, m_scratch,
                                           differences, why)) {
        m_differences->setPlainText(QStringLiteral("Cannot compare: ") +
                                    QString::fromStdString(why));
        return {};
    }
    const QStringList lines = Lines(differences);
    m_differences->setPlainText(
        title + u'\n' + (lines.isEmpty() ? QStringLiteral("No differences.") : lines.join(u'\n')));
    return lines;
}

QStringList CHistoryWindow::CompareWithNow(int row) {
    return ShowDifferences(
        VersionAt(row), 0,
        QStringLiteral("Version %1 against the project now:").arg(VersionAt(row)));
}

QStringList CHistoryWindow::CompareWithNext(int row) {
    // The list is newest first: the next newer version is the row above.
    const int next = row > 0 ? VersionAt(row - 1) : 0;
    return ShowDifferences(
        VersionAt(row), next,
        next == 0 ? QStringLiteral("Version %1 against the project now:").arg(VersionAt(row))
                  : QStringLiteral("Version %1 against version %2:").arg(VersionAt(row)).arg(next));
}

bool CHistoryWindow::RestoreRow(int row) {
    const int id = VersionAt(row);
    if (id == 0)
        return false;
    std::vector<Corv::ProjectDifference> changes;
    std::string why;
    Corv::History::RestoreOutcome outcome;
    {
        CWaitCursor wait;
        outcome =
            Corv::History::RestoreVersion(m_recorder, m_project, id, m_scratch, true, changes, why);
    }
    if (outcome == Corv::History::RestoreOutcome::NothingToDo) {
        m_differences->setPlainText(
            QStringLiteral("The project holds version %1 already.").arg(id));
        return true;
    }
    if (outcome != Corv::History::RestoreOutcome::Previewed) {
        m_differences->setPlainText(QStringLiteral("Cannot restore: ") +
                                    QString::fromStdString(why));
        return false;
    }
    // Restoring takes the project from the version back to the version: a restore is a
    // difference the other way round.
    const QStringList lines = Lines(changes);
    const QString what =
        QStringLiteral("Restore %1 to version %2? The project as it is now is kept as a version "
                       "of its own, so that this can be taken back.")
            .arg(CTextCodec::DecodePath(m_project))
            .arg(id);
    if (!(confirm ? confirm(what, lines) : AskToRestore(this, what, lines)))
        return false;
    QString problem;
    if (restore) {
        problem = restore(id);
    } else {
        CWaitCursor wait;
        if (Corv::History::RestoreVersion(m_recorder, m_project, id, m_scratch, false, changes,
                                          why) == Corv::History::RestoreOutcome::Failed)
            problem = QString::fromStdString(why);
    }
    Refresh();
    m_differences->setPlainText(problem.isEmpty() ? QStringLiteral("Restored version %1.").arg(id)
                                                  : QStringLiteral("Cannot restore: ") + problem);
    return problem.isEmpty();
}

bool CHistoryWindow::OfferMovedHistory() {
    Corv::History::CHistoryStore& store = m_recorder.Store();
    if (!m_list.empty())
        return true;
    std::vector<Corv::History::FileEntry> files;
    std::string why;
    std::string from;
    {
        CWaitCursor wait;
        if (Corv::History::DescribeFiles(m_project, {}, files, why))
            from = store.FindMovedProject(m_project, files);
    }
    if (from.empty())
        return false;
    const QString question =
        QStringLiteral("This project holds what %1 held when it was last saved: it was moved or "
                       "copied. Take that history along (%2 versions)? The old folder keeps no "
                       "history then.")
            .arg(CTextCodec::DecodePath(from))
            .arg(store.List(from).size());
    bool agreed = false;
    if (attach) {
        agreed = attach(question);
    } else {
        CQuestion ask;
        ask.text = question;
        ask.buttons = {{QStringLiteral("Take the History Along"), QMessageBox::AcceptRole},
                       {QStringLiteral("Not Now"), QMessageBox::RejectRole}};
        ask.escapeButton = 1;
        agreed = CQuestionBox::Ask(this, ask) == 0;
    }
    const auto lock = store.Lock();
    if (!agreed || !lock || !store.Attach(from, m_project))
        return false;
    Refresh();
    return true;
}

bool CHistoryWindow::OpenReadOnlyRow(int row) {
    const int id = VersionAt(row);
    if (id == 0 || !openReadOnly)
        return false;
    const QString problem = openReadOnly(id);
    m_differences->setPlainText(
        problem.isEmpty()
            ? QStringLiteral("Version %1 is open read-only: drag what you need from it into the "
                             "project.")
                  .arg(id)
            : QStringLiteral("Cannot open version %1: ").arg(id) + problem);
    return problem.isEmpty();
}

void CHistoryWindow::Export(int row) {
    const int id = VersionAt(row);
    if (id == 0)
        return;
    const QString folder =
        QFileDialog::getSaveFileName(this, QStringLiteral("Export Version %1 as a Project").arg(id),
                                     QString(), QStringLiteral("Project folders (*.prj)"));
    if (folder.isEmpty())
        return;
    std::vector<std::string> missing;
    std::string why;
    CWaitCursor wait;
    const bool done = Corv::History::ExportVersion(m_recorder.Store(), m_project, id,
                                                   CTextCodec::EncodePath(folder), missing, why);
    m_differences->setPlainText(
        done ? QStringLiteral("Version %1 written to %2.").arg(id).arg(folder)
             : QStringLiteral("Cannot export: ") + QString::fromStdString(why));
}

} // namespace CorvDesktop
