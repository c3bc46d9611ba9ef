#include "ui/code_page.h"

#include "model/text_encoding.h"
#include "ui/text_codec.h"

#include <QSettings>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

namespace CorvDesktop {

namespace {

bool Known(const QString& name) {
    return QStringDecoder(name.toLatin1().constData()).isValid();
}

} // namespace

CCodePage::CCodePage() {
    const QString chosen = QSettings().value("Option/CodePage").toString();
    if (chosen.isEmpty() || !Select(chosen))
        Select(Name());
}

bool CCodePage::Select(const QString& name) {
    if (!Known(name))
        return false;
    m_name = name;
    if (const auto page = Corv::CodePageNamed(name.toStdString()))
        Corv::SetCodePage(*page);
    return true;
}

QString CCodePage::Name() const {
    return m_name.isEmpty() ? CTextCodec::SystemCodePage() : m_name;
}

bool CCodePage::IsDoubleByte() const {
    const QString lower = Name().toLower();
    return lower.contains(QLatin1String("jis")) || lower.contains(QLatin1String("932"));
}

QString CCodePage::Decode(const std::string& bytes) const {
    // The lists ask for every visible cell at every paint: plain ASCII in a code page that
    // keeps ASCII as it is needs no converter, and the converter is made once per code page.
    const QString name = Name();
    const bool asciiPage = name.compare(QLatin1String("windows-1252"), Qt::CaseInsensitive) == 0;
    if (asciiPage && std::all_of(bytes.begin(), bytes.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (m_decoderName != name) {
        m_decoder = QStringDecoder(name.toLatin1().constData());
        m_decoderName = name;
    }
    if (!m_decoder.isValid())
        return CTextCodec::Decode(bytes, name);
    m_decoder.resetState();
    return m_decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string CCodePage::Encode(const QString& text) const {
    // A code page the core knows is encoded by the core, so that a name typed here and a name
    // typed to the command-line tool come out as the same bytes.
    if (const auto page = Corv::CodePageNamed(Name().toStdString());
        page && *page == Corv::CurrentCodePage())
        return Corv::Utf8ToCodePage(text.toStdString());
    QStringEncoder encoder(Name().toLatin1().constData(), QStringConverter::Flag::Stateless);
    QStringDecoder decoder(Name().toLatin1().constData(), QStringConverter::Flag::Stateless);
    if (!encoder.isValid() || !decoder.isValid())
        return CTextCodec::Encode(text, Name());
    // One character at a time: a character is kept only when its bytes read back as that
    // character, which leaves out substitutes and best-fit replacements alike.
    std::string bytes;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QStringView character = QStringView(text).mid(i, length);
        i += length;
        // (The converters' error flags outlive resetState, so only the read-back can tell.)
        encoder.resetState();
        const QByteArray encoded = encoder.encode(character);
        decoder.resetState();
        if (encoded.isEmpty() || QString(decoder.decode(encoded)) != character)
            continue;
        bytes.append(encoded.constData(), static_cast<std::size_t>(encoded.size()));
    }
    return bytes;
}

std::string CCodePage::EncodeEdited(const QString& edited, const std::string& original) const {
    if (edited == Decode(original))
        return original;
    return Encode(edited);
}

} // namespace CorvDesktop
