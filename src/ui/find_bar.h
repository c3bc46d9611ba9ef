#pragma once

#include "edit/find.h"
#include "model/parameter.h"

#include <QPointer>
#include <QToolBar>
#include <optional>
#include <vector>

class QComboBox;
class QLineEdit;

namespace CorvDesktop {

class CFileView;

// Edit > Find: a bar below the project windows that looks for a text in the names and memos
// of the active project or of every open project, in one list or all three. Next and Previous
// (Enter and Shift+Enter in the text, F3 and Shift+F3 anywhere, also while the bar is closed)
// select the hit in its list, scroll it into view and activate its window; the status line
// says "hit 3 of 17".
class CFindBar : public QToolBar {
    Q_OBJECT
public:
    enum Scope { kActiveProject, kEveryProject };

    explicit CFindBar(QWidget* parent = nullptr);

    // Shows the bar with the text field focused and its text selected.
    void Open();
    // Sets what to look for (the tests; the user types it).
    void SetSearch(const QString& text, Scope scope, Corv::KindSet kinds);
    QString Text() const;

    // Goes to the next (or previous) hit from the entry focused in the active list; opens the
    // bar instead when there is no text to look for yet. False when there is no hit.
    bool Step(bool forward);
    // What the status line was last told.
    QString LastMessage() const { return m_lastMessage; }

signals:
    void StatusMessage(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Where the last step went: the next one goes on from there while that row is still
    // focused in its list.
    struct LastHit {
        QPointer<CFileView> view;
        int kind = 0;
        int slot = 0;
    };

    std::vector<CFileView*> SearchedViews() const;
    std::optional<Corv::FindHit> StartOf(const std::vector<CFileView*>& views) const;
    // Selects the hit alone, where the step before it leaves no selection behind.
    void GoTo(CFileView& view, int kind, int slot);
    void Say(const QString& text);

    QLineEdit* m_text = nullptr;
    QComboBox* m_scope = nullptr;
    QComboBox* m_kind = nullptr;
    QString m_lastMessage;
    LastHit m_lastHit;
};

} // namespace CorvDesktop
