#include "ui/text_codec.h"

#include <QFile>
#include <QLocale>
#include <QStringDecoder>
#include <QStringEncoder>

namespace CorvDesktop {

QString CTextCodec::SystemCodePage() {
    return QLocale::system().language() == QLocale::Japanese ? QStringLiteral("Shift_JIS")
                                                             : QStringLiteral("Windows-1252");
}

QString CTextCodec::Decode(const std::string& bytes, const QString& codePage) {
    QStringDecoder decoder(codePage.toLatin1().constData());
    const QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (!decoder.isValid())
        return QString::fromLatin1(data);
    return decoder.decode(data);
}

std::string CTextCodec::Encode(const QString& text, const QString& codePage) {
    QStringEncoder encoder(codePage.toLatin1().constData());
    const QByteArray data = encoder.isValid() ? QByteArray(encoder.encode(text)) : text.toLatin1();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

QString CTextCodec::DecodePath(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string CTextCodec::EncodePath(const QString& path) {
    const QByteArray data = QFile::encodeName(path);
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

} // namespace CorvDesktop
