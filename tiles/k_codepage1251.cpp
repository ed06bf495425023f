#include "k_codepage1251.h"

#include <QStringEncoder>

namespace {

// Bytes 0x80 to 0xBF of the Windows Cyrillic code page; 0xC0 to 0xFF are U+0410 to U+044F. 0x98,
// which Windows leaves unused, stands for U+0098 as in the toolkit's converter.
constexpr char16_t upperHalf[64] = {
        0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
        0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
        0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
        0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
        0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

constexpr char Substitute = 0x1a;

// Characters that the toolkit's converter drops instead of substituting when the code page lacks
// them: the default-ignorable code points.
bool isIgnorable(char32_t c)
{
    return c == 0x034F || c == 0x061C || c == 0x115F || c == 0x1160 || (c >= 0x17B4 && c <= 0x17B5)
           || (c >= 0x180B && c <= 0x180F) || (c >= 0x200B && c <= 0x200F)
           || (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || c == 0x3164
           || (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF || c == 0xFFA0
           || (c >= 0xFFF0 && c <= 0xFFF8) || (c >= 0x1BCA0 && c <= 0x1BCA3)
           || (c >= 0x1D173 && c <= 0x1D17A) || (c >= 0xE0000 && c <= 0xE0FFF);
}

char encodedByte(char32_t c, bool *dropped)
{
    *dropped = false;
    if (c < 0x80)
        return char(c);
    if (c >= 0x0410 && c <= 0x044F)
        return char(0xC0 + (c - 0x0410));
    for (int i = 0; i < 64; ++i) {
        if (upperHalf[i] == c)
            return char(0x80 + i);
    }
    *dropped = isIgnorable(c);
    return Substitute;
}

// Calls `use` with each character of `text` and the code units it takes, a surrogate pair as one.
// A high surrogate that ends the text waits for a partner that never comes, and is left out.
template<typename Use> void forEachCharacter(const QString &text, Use use)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = text.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 == size)
            break;
        if (QChar::isHighSurrogate(unit) && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            use(QChar::surrogateToUcs4(unit, text.at(i + 1).unicode()),
                QStringView(text).mid(i, 2));
            ++i;
        } else {
            use(char32_t(unit), QStringView(text).mid(i, 1));
        }
    }
}

} // namespace

namespace K_CodePage1251 {

QByteArray encode(const QString &text)
{
    QStringEncoder encoder("Windows-1251");
    return encoder.isValid() ? QByteArray(encoder.encode(text)) : encodeByTable(text);
}

QByteArray encodeByTable(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    forEachCharacter(text, [&bytes](char32_t c, QStringView) {
        bool dropped = false;
        const char byte = encodedByte(c, &dropped);
        if (!dropped)
            bytes += byte;
    });
    return bytes;
}

QString missing(const QString &text)
{
    QString lacked;
    forEachCharacter(text, [&lacked](char32_t c, QStringView character) {
        bool dropped = false;
        if ((encodedByte(c, &dropped) == Substitute && c != char32_t(Substitute))
            && !lacked.contains(character))
            lacked += character;
    });
    return lacked;
}

} // namespace K_CodePage1251
