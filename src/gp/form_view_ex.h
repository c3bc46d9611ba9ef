#pragma once

#include "gp/anchor_layout.h"

#include <QScrollArea>

namespace GP {

// A form laid out from its template by anchor codes. The form never shrinks below its template
// size: the view scrolls instead. A double click on the form's background fits the frame around
// it to the template size.
class CFormViewEx : public QScrollArea {
    Q_OBJECT
public:
    explicit CFormViewEx(const CDlgTempl& templ, QWidget* parent = nullptr);

    const CDlgTempl& Template() const { return m_templ; }
    // The template size in pixels of the form's font.
    QSize TemplateSize() const;
    // Runs the layout for the current viewport size (the form never smaller than its template).
    void RunLayout();
    // Resizes the surrounding frame so that the form shows at its template size; nothing when
    // the frame is maximized.
    void FitFrame();

protected:
    // Places the controls for a form of this size; derived forms add their controls with
    // their anchor codes to BeginLayout's layout here.
    virtual void Layout(int width, int height) = 0;
    CAnchorLayout BeginLayout(int width, int height) const;

    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CDlgTempl m_templ;
    QWidget* m_form = nullptr;
};

} // namespace GP
