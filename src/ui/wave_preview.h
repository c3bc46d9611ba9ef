#pragma once

#include <QStringList>
#include <QWidget>

class QFileDialog;
class QLabel;
namespace Corv {
class CLumData;
}

namespace CorvDesktop {

class CWaveDetail;

// The Import Wave dialog's look before the import: the current file's picture and format line,
// Space to listen to it, and whether the selected files fit the project's wave limit.
class CWavePreview : public QWidget {
    Q_OBJECT
public:
    // `project` null: no line about the limit.
    CWavePreview(const Corv::CLumData* project, QWidget* parent = nullptr);
    ~CWavePreview() override;

    // Puts the preview beside the file list of a (non-native) file dialog and follows it.
    void Attach(QFileDialog& dialog);
    // Shows a file and the files selected with it.
    void Show(const QString& current, const QStringList& selected);
    CWaveDetail* Detail() const { return m_detail; }
    QString BudgetLine() const;
    // Plays the current file, or stops it when it plays.
    void ToggleAudition();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const Corv::CLumData* m_project;
    CWaveDetail* m_detail;
    QLabel* m_budget;
    QString m_current;
};

// Whether importing these files keeps the project's waves within the limit, in the words the
// import itself uses: "The waves will total 12.3 MB of 64.0 MB (19.2 %)." or, when they would
// not fit, the import's refusal ("The waves would total ... over the limit of ... bytes.").
// Empty when no file would be imported.
QString ImportBudgetText(const Corv::CLumData& project, const QStringList& files);

} // namespace CorvDesktop
