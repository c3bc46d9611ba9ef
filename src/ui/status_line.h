#pragma once

#include <QObject>
#include <QString>

namespace CorvDesktop {

// What the status bar says after each action ("Saved Live.prj: 3 files written (0.4 s)",
// "Undone: move of 3 patches", "2 of 512 patches selected"). The windows tell it; the main
// window shows it. The last text stays readable for those who ask (tests among them).
class CStatusLine : public QObject {
    Q_OBJECT
public:
    void Say(const QString& text);
    const QString& Last() const { return m_last; }

signals:
    void Said(const QString& text);

private:
    QString m_last;
};

} // namespace CorvDesktop
