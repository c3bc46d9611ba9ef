#include "model/parameter.h"
#include "ui/desktop.h"
#include "ui/list_columns.h"
#include "ui/parameter_list.h"
#include "ui/parameter_list_model.h"
#include "ui/status_line.h"
#include "ui/wave_pictures.h"
#include "ui/wave_player.h"
#include "ui/wave_services.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>

namespace CorvDesktop {

CWaveListCtrl::CWaveListCtrl(QWidget* parent) : CParameterListCtrl(Corv::kWaveKind, parent) {
    m_wantTimer.setSingleShot(true);
    m_wantTimer.setInterval(0);
    connect(&m_wantTimer, &QTimer::timeout, this, &CWaveListCtrl::WantVisiblePictures);
    const auto later = [this] { m_wantTimer.start(); };
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, later);
    connect(Model(), &QAbstractItemModel::modelReset, this, later);
    CWaveServices& waves = CDesktop::Get().Waves();
    connect(&waves.Pictures(), &CWavePictures::Ready, this, &CWaveListCtrl::OnPictureReady);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &CWaveListCtrl::OnFocusedRowChanged);
    connect(this, &CParameterListCtrl::SelectionLinkRequested, this,
            &CWaveListCtrl::OnUserSelection);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int newWidth) { OnSectionResized(column, newWidth); });
}

CWaveListCtrl::~CWaveListCtrl() {
    CWaveServices& waves = CDesktop::Get().Waves();
    waves.Pictures().Forget(this);
    // Closing the window ends what it plays.
    if (PlaysOwnAudition())
        waves.Player().Stop();
}

std::vector<int> CWaveListCtrl::VisibleRows() const {
    std::vector<int> rows;
    const int rowCount = Model()->rowCount();
    const int first = rowAt(0);
    if (first < 0)
        return rows;
    int last = rowAt(viewport()->height() - 1);
    if (last < 0)
        last = rowCount - 1;
    for (int row = first; row <= last; ++row)
        rows.push_back(row);
    return rows;
}

void CWaveListCtrl::WantVisiblePictures() {
    QStringList paths;
    if (isVisible())
        for (const int row : VisibleRows())
            if (const QString path = Model()->FilePath(row); !path.isEmpty())
                paths << path;
    CDesktop::Get().Waves().Pictures().Want(this, paths);
}

void CWaveListCtrl::OnPictureReady(const QString& path) {
    // Only the rows of that wave are drawn again, and only those in view.
    for (const int row : VisibleRows())
        if (Model()->FilePath(row) == path)
            viewport()->update(
                visualRect(Model()->index(row, 0))
                    .united(visualRect(Model()->index(row, Model()->columnCount() - 1))));
}

QString CWaveListCtrl::FocusedWave() const {
    return Model()->FilePath(FocusedRow());
}

namespace {

// The narrowest the picture column gets to make room for the Length column.
constexpr int kNarrowestPicture = 40;

int ColumnOf(int columnId) {
    const std::vector<ParameterColumn>& columns = ColumnTable(Corv::kWaveKind);
    for (std::size_t column = 0; column < columns.size(); ++column)
        if (columns[column].columnId == columnId)
            return static_cast<int>(column);
    return -1;
}

} // namespace

int CWaveListCtrl::PictureColumnsWidth() const {
    int width = 0;
    for (int column = 0, length = ColumnOf(kColLength); column <= length; ++column)
        width += KeptColumnWidth(column);
    return width + 2 * frameWidth() +
           style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

int CWaveListCtrl::KeptColumnWidth(int column) const {
    return column == ColumnOf(kColWaveform) && m_pictureWidth >= 0 ? m_pictureWidth
                                                                   : columnWidth(column);
}

void CWaveListCtrl::OnSectionResized(int column, int newWidth) {
    if (m_fitting)
        return;
    if (column == ColumnOf(kColWaveform))
        m_pictureWidth = newWidth; // the user's (or the settings') width
    FitPictureColumn();
}

void CWaveListCtrl::FitPictureColumn() {
    const int picture = ColumnOf(kColWaveform);
    const int length = ColumnOf(kColLength);
    if (picture < 0 || length < picture || m_pictureWidth < 0)
        return;
    int others = 0;
    for (int column = 0; column <= length; ++column)
        others += column == picture ? 0 : columnWidth(column);
    const int room = viewport()->width() - others;
    const int width =
        std::min(m_pictureWidth, std::max(room, std::min(kNarrowestPicture, m_pictureWidth)));
    if (width == columnWidth(picture))
        return;
    m_fitting = true;
    setColumnWidth(picture, width);
    m_fitting = false;
}

bool CWaveListCtrl::PlaysOwnAudition() const {
    const IWavePlayer& player = CDesktop::Get().Waves().Player();
    return !m_auditioned.isEmpty() && player.IsPlaying() && player.Path() == m_auditioned;
}

bool CWaveListCtrl::ToggleAudition() {
    IWavePlayer& player = CDesktop::Get().Waves().Player();
    if (PlaysOwnAudition()) {
        player.Stop();
        m_auditioned.clear();
        return false;
    }
    const QString path = FocusedWave();
    if (path.isEmpty())
        return false;
    m_auditioned = path;
    return player.Play(path);
}

void CWaveListCtrl::OnFocusedRowChanged() {
    const QString wave = FocusedWave();
    if (wave == m_focusedWave)
        return;
    m_focusedWave = wave;
    // Another wave: what played stops.
    if (PlaysOwnAudition())
        CDesktop::Get().Waves().Player().Stop();
    emit CurrentWaveChanged(wave);
}

void CWaveListCtrl::OnUserSelection() {
    const int row = FocusedRow();
    if (row == m_userRow)
        return;
    m_userRow = row;
    if (!CDesktop::Get().Waves().AutoPlay() || FocusedWave().isEmpty())
        return;
    m_auditioned = FocusedWave();
    CDesktop::Get().Waves().Player().Play(m_auditioned);
}

void CWaveListCtrl::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == 0;
    if (event->key() == Qt::Key_Space && plain) {
        ToggleAudition();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && PlaysOwnAudition()) {
        CDesktop::Get().Waves().Player().Stop();
        event->accept();
        return;
    }
    CParameterListCtrl::keyPressEvent(event);
}

void CWaveListCtrl::resizeEvent(QResizeEvent* event) {
    CParameterListCtrl::resizeEvent(event);
    FitPictureColumn();
    m_wantTimer.start();
}

void CWaveListCtrl::focusInEvent(QFocusEvent* event) {
    CParameterListCtrl::focusInEvent(event);
    // A file changed outside while the user was elsewhere gets its new picture.
    m_wantTimer.start();
}

} // namespace CorvDesktop
