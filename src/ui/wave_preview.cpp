#include "ui/wave_preview.h"

#include "edit/wave_import.h"
#include "model/lum_data.h"
#include "ui/desktop.h"
#include "ui/text_codec.h"
#include "ui/wave_detail.h"
#include "ui/wave_player.h"
#include "ui/wave_services.h"

#include <QAbstractItemView>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace CorvDesktop {

namespace {

QString Megabytes(double bytes) {
    return QString::number(bytes / 1048576.0, 'f', 1) + QStringLiteral(" MB");
}

} // namespace

QString ImportBudgetText(const Corv::CLumData& project, const QStringList& files) {
    std::vector<std::string> paths;
    for (const QString& file : files)
        if (QFileInfo(file).isFile() && Corv::IsImportableWave(CTextCodec::EncodePath(file)))
            paths.push_back(QFile::encodeName(file).toStdString());
    if (paths.empty())
        return {};
    const std::uint64_t total = Corv::WaveBytesAfterImport(project, paths);
    if (total > Corv::kWaveBytesLimit)
        return QString::fromStdString(Corv::WaveBytesOverText(total));
    const double limit = static_cast<double>(Corv::kWaveBytesLimit);
    return QObject::tr("The waves will total %1 of %2 (%3 %).")
        .arg(Megabytes(static_cast<double>(total)), Megabytes(limit),
             QString::number(100.0 * static_cast<double>(total) / limit, 'f', 1));
}

CWavePreview::CWavePreview(const Corv::CLumData* project, QWidget* parent)
    : QWidget(parent), m_project(project), m_detail(new CWaveDetail(this)),
      m_budget(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_detail, 1);
    auto* hint = new QLabel(tr("Space: listen to the current file"), this);
    hint->setEnabled(false);
    layout->addWidget(hint);
    m_budget->setWordWrap(true);
    layout->addWidget(m_budget);
    setMinimumWidth(260);
}

CWavePreview::~CWavePreview() {
    IWavePlayer& player = CDesktop::Get().Waves().Player();
    if (!m_current.isEmpty() && player.Path() == m_current)
        player.Stop();
}

void CWavePreview::Attach(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(this, 0, grid->columnCount(), grid->rowCount(), 1);
    connect(&dialog, &QFileDialog::currentChanged, this,
            [this, &dialog](const QString& path) { Show(path, dialog.selectedFiles()); });
    for (QAbstractItemView* view : dialog.findChildren<QAbstractItemView*>())
        view->installEventFilter(this);
}

void CWavePreview::Show(const QString& current, const QStringList& selected) {
    const bool file = QFileInfo(current).isFile();
    if (file && current != m_current) {
        IWavePlayer& player = CDesktop::Get().Waves().Player();
        if (player.Path() == m_current && !m_current.isEmpty())
            player.Stop();
    }
    m_current = file ? current : QString();
    m_detail->SetWave(m_current);
    QStringList files = selected;
    if (file && !files.contains(current))
        files << current;
    m_budget->setText(m_project != nullptr ? ImportBudgetText(*m_project, files) : QString());
}

QString CWavePreview::BudgetLine() const {
    return m_budget->text();
}

void CWavePreview::ToggleAudition() {
    IWavePlayer& player = CDesktop::Get().Waves().Player();
    if (player.IsPlaying() && player.Path() == m_current)
        player.Stop();
    else if (!m_current.isEmpty())
        player.Play(m_current);
}

bool CWavePreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            ToggleAudition();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace CorvDesktop
