#include "ui/list_print.h"

#include "model/lum_data.h"
#include "ui/choosers.h"
#include "ui/code_page.h"
#include "ui/desktop.h"
#include "ui/list_export.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QStringList>
#include <algorithm>
#include <array>

namespace CorvDesktop {

namespace {

// A page's lines: the title takes two, the column header and the page number one each.
constexpr int kLinesPerPage = kPrintRowsPerPage + 4;
// Column widths as parts of the page width: Number, Name, Memo 1-4. A name has at most twelve
// characters; memos get the rest.
constexpr std::array<double, 6> kColumnShares = {0.07, 0.17, 0.19, 0.19, 0.19, 0.19};

// A text on one line: a line break or tab in a memo would otherwise spill into other rows.
QString OneLine(QString text) {
    for (QChar& c : text)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    return text;
}

// Draws the parts of a page, everything measured in lines of the page's printable area (the
// device's size: a printer's painter starts at the printable area's corner).
class CPageLayout {
public:
    CPageLayout(QPainter& painter, const QPagedPaintDevice& device)
        : m_painter(painter), m_area(0, 0, device.width(), device.height()),
          m_line(m_area.height() / kLinesPerPage) {
        m_font.setPixelSize(std::max(1, static_cast<int>(m_line * 0.62)));
        m_bold = m_font;
        m_bold.setBold(true);
        m_title = m_bold;
        m_title.setPixelSize(std::max(1, static_cast<int>(m_line * 0.95)));
    }

    void DrawTitle(const QString& text) {
        m_painter.setFont(m_title);
        DrawText(QRectF(0, 0, m_area.width(), 1.6 * m_line), text, Qt::AlignLeft);
    }

    void DrawHeader() {
        QStringList cells = {QObject::tr("Number"), QObject::tr("Name")};
        for (int memo = 1; memo <= 4; ++memo)
            cells << QObject::tr("Memo %1").arg(memo);
        m_painter.setFont(m_bold);
        DrawCells(2, cells);
        const double bottom = 3 * m_line;
        m_painter.drawLine(QPointF(0, bottom), QPointF(m_area.width(), bottom));
    }

    // Row 0 is the first under the header; every other row is shaded to guide the eye.
    void DrawRow(int row, const QStringList& cells) {
        const int line = 3 + row;
        if (row % 2 == 1)
            m_painter.fillRect(QRectF(0, line * m_line, m_area.width(), m_line),
                               QColor(236, 236, 236));
        m_painter.setFont(m_font);
        DrawCells(line, cells);
    }

    void DrawNote(const QString& text) {
        m_painter.setFont(m_font);
        DrawText(QRectF(0, 2 * m_line, m_area.width(), m_line), text, Qt::AlignLeft);
    }

    void DrawPageNumber(int number, int count) {
        m_painter.setFont(m_font);
        DrawText(QRectF(0, (kLinesPerPage - 1) * m_line, m_area.width(), m_line),
                 QObject::tr("Page %1 of %2").arg(number).arg(count), Qt::AlignRight);
    }

private:
    void DrawCells(int line, const QStringList& cells) {
        double left = 0;
        for (qsizetype i = 0; i < cells.size() && i < qsizetype(kColumnShares.size()); ++i) {
            const double width = kColumnShares[static_cast<std::size_t>(i)] * m_area.width();
            DrawText(QRectF(left, line * m_line, width, m_line), cells[i], Qt::AlignLeft);
            left += width;
        }
    }

    // The text cut to the box with an ellipsis, a little padding on the right.
    void DrawText(const QRectF& box, const QString& text, Qt::Alignment alignment) {
        const QFontMetricsF metrics(m_painter.font(), m_painter.device());
        const double room = std::max(0.0, box.width() - 0.3 * m_line);
        const QString shown = metrics.elidedText(OneLine(text), Qt::ElideRight, room);
        m_painter.drawText(box, static_cast<int>(alignment | Qt::AlignVCenter), shown);
    }

    QPainter& m_painter;
    QRectF m_area;
    double m_line;
    QFont m_font{QStringLiteral("Sans Serif")};
    QFont m_bold;
    QFont m_title;
};

void DrawListPage(CPageLayout& layout, const Corv::CLumData& data, const CCodePage& page,
                  const QString& projectTitle, const CPrintedPage& printed,
                  const std::vector<int>& usedSlots) {
    layout.DrawTitle(QStringLiteral("%1 \u2014 %2").arg(projectTitle, ListTitle(printed.kind)));
    layout.DrawHeader();
    for (int row = 0; row < printed.rowCount; ++row) {
        const int index = usedSlots[static_cast<std::size_t>(printed.firstRow + row)];
        const Corv::CParameter& record = data.Records(printed.kind).Item(Corv::At(index));
        QStringList cells = {QString::number(index + 1), page.Decode(record.Name())};
        for (int memo = 1; memo <= 4; ++memo)
            cells << page.Decode(record.Memo(memo));
        layout.DrawRow(row, cells);
    }
}

bool AskPrinter(QWidget* parent, QPrinter& printer, int pageCount) {
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QObject::tr("Print"));
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintShowPageSize |
                      QAbstractPrintDialog::PrintCollateCopies);
    dialog.setMinMax(1, pageCount);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

std::vector<CPrintedPage> PrintedPages(const Corv::CLumData& data) {
    std::vector<CPrintedPage> pages;
    for (int kind = 0; kind < 3; ++kind) {
        const int rows = static_cast<int>(UsedSlots(data, kind).size());
        for (int first = 0; first < rows; first += kPrintRowsPerPage)
            pages.push_back({kind, first, std::min(kPrintRowsPerPage, rows - first)});
    }
    return pages;
}

bool PrintLists(QPagedPaintDevice& device, const Corv::CLumData& data, const CCodePage& page,
                const QString& projectTitle, QString& reason, int firstPage, int lastPage) {
    const std::vector<CPrintedPage> pages = PrintedPages(data);
    const int count = std::max(1, static_cast<int>(pages.size()));
    const int first = std::max(1, firstPage);
    const int last = lastPage <= 0 ? count : std::min(lastPage, count);
    if (first > last) {
        reason = QObject::tr("The printout has pages 1 to %1 only.").arg(count);
        return false;
    }
    QPainter painter;
    if (!painter.begin(&device)) {
        reason = QObject::tr("The printer or the PDF file could not be opened.");
        return false;
    }
    CPageLayout layout(painter, device);
    const std::array<std::vector<int>, 3> usedSlots = {UsedSlots(data, 0), UsedSlots(data, 1),
                                                       UsedSlots(data, 2)};
    for (int number = first; number <= last; ++number) {
        if (number > first && !device.newPage()) {
            reason = QObject::tr("The printer did not take page %1.").arg(number);
            painter.end();
            return false;
        }
        if (pages.empty()) {
            layout.DrawTitle(projectTitle);
            layout.DrawNote(QObject::tr("This project has no used patches, tones or waves."));
        } else {
            const CPrintedPage& printed = pages[static_cast<std::size_t>(number - 1)];
            DrawListPage(layout, data, page, projectTitle, printed,
                         usedSlots[static_cast<std::size_t>(printed.kind)]);
        }
        layout.DrawPageNumber(number, count);
    }
    if (!painter.end()) {
        reason = QObject::tr("The printout could not be finished.");
        return false;
    }
    return true;
}

bool PrintInteractively(QWidget* parent, const Corv::CLumData& data, const QString& projectTitle,
                        const CListPrintChoosers& choosers) {
    const int pageCount = std::max(1, static_cast<int>(PrintedPages(data).size()));
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(projectTitle);
    const bool chosen = choosers.printer ? choosers.printer(parent, printer, pageCount)
                                         : AskPrinter(parent, printer, pageCount);
    if (!chosen)
        return false;
    int first = 1;
    int last = 0;
    if (printer.printRange() == QPrinter::PageRange) {
        first = printer.fromPage();
        last = printer.toPage();
    }
    QString reason;
    if (PrintLists(printer, data, CDesktop::Get().CodePage(), projectTitle, reason, first, last)) {
        if (printer.printerState() != QPrinter::Error)
            return true;
        reason = QObject::tr("The printer reported an error.");
    }
    CDesktop::Get().Choosers().Notice(
        parent, QObject::tr("The lists could not be printed.\n\n%1").arg(reason));
    return false;
}

} // namespace CorvDesktop
