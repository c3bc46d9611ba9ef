#include "ui/code_page.h"

#include <QSettings>
#include <QStringDecoder>

#include "app/text_codec.h"

namespace {

bool Known(const QString& name) { return QStringDecoder(name.toLatin1().constData()).isValid(); }

} // namespace

CCodePage::CCodePage() {
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
    CTextCodec::SetCodePage(name);
    return true;
}

QString CCodePage::Name() const { return CTextCodec::CodePage(); }

bool CCodePage::IsDoubleByte() const {
    const QString lower = Name().toLower();
    return lower.contains(QLatin1String("jis")) || lower.contains(QLatin1String("932"));
}

QString CCodePage::Decode(const std::string& bytes) const { return CTextCodec::Decode(bytes); }

std::string CCodePage::Encode(const QString& text) const { return CTextCodec::Encode(text); }

std::string CCodePage::EncodeEdited(const QString& edited, const std::string& original) const {
    if (edited == Decode(original))
        return original;
    return Encode(edited);
}
