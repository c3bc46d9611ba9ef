#include "ui/code_page.h"

#include <QLocale>
#include <QSettings>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

bool Known(const QString& name) { return QStringDecoder(name.toLatin1().constData()).isValid(); }

QString SystemDefault() {
    return QLocale::system().language() == QLocale::Japanese ? QStringLiteral("Shift_JIS")
                                                             : QStringLiteral("windows-1252");
}

} // namespace

CCodePage::CCodePage() {
    Select(SystemDefault());
    const QString chosen = QSettings().value("Option/CodePage").toString();
    if (!chosen.isEmpty())
        Select(chosen);
}

CCodePage& CCodePage::Get() {
    static CCodePage page;
    return page;
}

bool CCodePage::Select(const QString& name) {
    if (!Known(name))
        return false;
    m_name = name;
    const QString lower = name.toLower();
    m_doubleByte = lower.contains("jis") || lower == "cp932" || lower.contains("932");
    return true;
}

QString CCodePage::Decode(const std::string& bytes) const {
    QStringDecoder decoder(m_name.toLatin1().constData());
    return decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string CCodePage::Encode(const QString& text) const {
    QStringEncoder encoder(m_name.toLatin1().constData());
    const QByteArray bytes = encoder(text);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::string CCodePage::EncodeEdited(const QString& edited, const std::string& original) const {
    if (edited == Decode(original))
        return original;
    return Encode(edited);
}
