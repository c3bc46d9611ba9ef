#include "ui/status_line.h"

namespace CorvDesktop {

void CStatusLine::Say(const QString& text) {
    m_last = text;
    emit Said(text);
}

} // namespace CorvDesktop
