#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <string>

namespace CorvDesktop {

// The lists' side of the legacy code page of names and memos (the application's CTextCodec
// chooses it): the core keeps the texts as bytes, the lists decode them only for display and
// encode only what the user typed.
class CCodePage {
public:
    // The system's code page; the settings entry "Option"/"CodePage" overrides it when it names
    // a code page this system knows.
    CCodePage();
    // Chooses the code page by name (an unknown name keeps the current one); false when unknown.
    bool Select(const QString& name);
    QString Name() const;
    // True for a code page in which bytes 0x81-0x9F and 0xE0-0xFC start double-byte characters.
    bool IsDoubleByte() const;

    QString Decode(const std::string& bytes) const;
    // The code page's bytes for a text. A character the code page cannot hold is left out: no
    // substitute byte (0x1A, '?') and no look-alike stands in for it.
    std::string Encode(const QString& text) const;
    // The bytes that stand for `edited`: the original bytes when the text shown for them was
    // left as it was, so that bytes the user did not change never pass through a conversion.
    std::string EncodeEdited(const QString& edited, const std::string& original) const;

private:
    QString m_name; // empty: the system's choice
    // The converter of the last code page decoded with (the lists decode every visible cell at
    // every paint).
    mutable QString m_decoderName;
    mutable QStringDecoder m_decoder;
};

} // namespace CorvDesktop
