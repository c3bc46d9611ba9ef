#include "ui/code_page.h"

#include <QSettings>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

#include "model/text_encoding.h"
#include "ui/text_codec.h"

namespace {

bool Known(const QString& name) { return QStringDecoder(name.toLatin1().constData()).isValid(); }

// The core turns names into file names and back with the code page of the lists. It asks for it
// when it first needs one (loading the first project), once the settings can be read.
const bool kCoreAsks = (Corv::SetCodePageSource([] { CCodePage::Get(); }), true);

} // namespace

CCodePage::CCodePage() {
    const QString chosen = QSettings().value("Option/CodePage").toString();
    if (chosen.isEmpty() || !Select(chosen))
        Select(Name());
}

CCodePage& CCodePage::Get() {
    static CCodePage page;
    return page;
}

bool CCodePage::Select(const QString& name) {
    if (!Known(name))
        return false;
    CTextCodec::SetCodePage(name);
    if (const auto page = Corv::CodePageNamed(name.toStdString()))
        Corv::SetCodePage(*page);
    return true;
}

QString CCodePage::Name() const { return CTextCodec::CodePage(); }

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
    static QString decoderName;
    static QStringDecoder decoder;
    if (decoderName != name) {
        decoder = QStringDecoder(name.toLatin1().constData());
        decoderName = name;
    }
    if (!decoder.isValid())
        return CTextCodec::Decode(bytes);
    decoder.resetState();
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string CCodePage::Encode(const QString& text) const {
    QStringEncoder encoder(Name().toLatin1().constData(), QStringConverter::Flag::Stateless);
    QStringDecoder decoder(Name().toLatin1().constData(), QStringConverter::Flag::Stateless);
    if (!encoder.isValid() || !decoder.isValid())
        return CTextCodec::Encode(text);
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
