#include "base/CodePage.h"

#include <cerrno>
#include <clocale>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <vector>

namespace
{

QByteArray LocaleCharset()
{
    locale_t locale = newlocale(LC_CTYPE_MASK, "", locale_t{});
    QByteArray name;
    if (locale) {
        name = nl_langinfo_l(CODESET, locale);
        freelocale(locale);
    }
    // The C and POSIX locales report plain ASCII, which would turn every
    // non-English path into "#"; file names on Linux are UTF-8 in practice.
    if (name.isEmpty() || name == "ANSI_X3.4-1968" || name == "ASCII")
        return QByteArrayLiteral("UTF-8");
    return name;
}

// RAII wrapper around one iconv conversion descriptor.
class CIconv
{
public:
    CIconv(const QByteArray &to, const QByteArray &from) : m_cd(iconv_open(to.constData(), from.constData())) {}
    ~CIconv()
    {
        if (IsOpen())
            iconv_close(m_cd);
    }
    CIconv(const CIconv &) = delete;
    CIconv &operator=(const CIconv &) = delete;

    bool IsOpen() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as possible; returns the errno of the stop, 0 when all
    // input was taken.
    int Convert(const char *&in, size_t &inLeft, std::vector<char> &out)
    {
        char buffer[4096];
        while (inLeft > 0) {
            char *outPtr = buffer;
            size_t outLeft = sizeof buffer;
            auto *inPtr = const_cast<char *>(in);
            const size_t result = iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft);
            in = inPtr;
            out.insert(out.end(), buffer, outPtr);
            if (result == static_cast<size_t>(-1) && errno != E2BIG)
                return errno;
        }
        char *outPtr = buffer;
        size_t outLeft = sizeof buffer;
        iconv(m_cd, nullptr, nullptr, &outPtr, &outLeft); // flush shift state
        out.insert(out.end(), buffer, outPtr);
        return 0;
    }

private:
    iconv_t m_cd;
};

QString FromUtf16Bytes(const std::vector<char> &bytes)
{
    return QString(reinterpret_cast<const QChar *>(bytes.data()), static_cast<qsizetype>(bytes.size() / 2));
}

} // namespace

QByteArray CodePageName(int codePage)
{
    switch (codePage) {
    case CP_CURRENT_ANSI: {
        static const QByteArray charset = LocaleCharset();
        return charset;
    }
    case CP_UTF8_NUMBER: return QByteArrayLiteral("UTF-8");
    case 936: return QByteArrayLiteral("GBK");
    case 54936: return QByteArrayLiteral("GB18030");
    case 20127: return QByteArrayLiteral("ASCII");
    case 28591: return QByteArrayLiteral("ISO-8859-1");
    case 10000: return QByteArrayLiteral("MACINTOSH");
    case 1200: return QByteArrayLiteral("UTF-16LE");
    case 437:
    case 850:
    case 852:
    case 866:
    case 874:
    case 932:
    case 949:
    case 950:
    case 1361:
    case 1250:
    case 1251:
    case 1252:
    case 1253:
    case 1254:
    case 1255:
    case 1256:
    case 1257:
    case 1258: return "CP" + QByteArray::number(codePage);
    default: return {};
    }
}

bool IsValidUtf8(QByteArrayView bytes)
{
    CIconv check("UTF-16LE", "UTF-8");
    const char *in = bytes.data();
    size_t left = static_cast<size_t>(bytes.size());
    std::vector<char> out;
    return check.IsOpen() && check.Convert(in, left, out) == 0;
}

QString DecodeCodePage(QByteArrayView bytes, int codePage)
{
    const QByteArray name = CodePageName(codePage);
    CIconv decoder("UTF-16LE", name);
    if (name.isEmpty() || !decoder.IsOpen())
        return QString::fromLatin1(bytes);

    const char *in = bytes.data();
    size_t left = static_cast<size_t>(bytes.size());
    std::vector<char> out;
    out.reserve(left * 2);
    while (decoder.Convert(in, left, out) != 0) {
        // A byte that starts no character of the code page: mark it and go on.
        const char16_t replacement = 0xFFFD;
        const auto *mark = reinterpret_cast<const char *>(&replacement);
        out.insert(out.end(), mark, mark + 2);
        ++in;
        --left;
    }
    QString text = FromUtf16Bytes(out);
    return name == "UTF-8" ? text : text.normalized(QString::NormalizationForm_C);
}

QByteArray EncodeCodePage(QStringView text, int codePage)
{
    const QByteArray name = CodePageName(codePage);
    const bool utf8 = name == "UTF-8";
    if (utf8)
        return text.toUtf8();
    const QString composed = text.toString().normalized(QString::NormalizationForm_C);
    CIconv encoder(name.isEmpty() ? QByteArrayLiteral("ASCII") : name, "UTF-16LE");
    if (!encoder.IsOpen())
        return QByteArray(composed.size(), '#');

    const char *in = reinterpret_cast<const char *>(composed.utf16());
    size_t left = static_cast<size_t>(composed.size()) * 2;
    std::vector<char> out;
    out.reserve(left);
    while (encoder.Convert(in, left, out) != 0) {
        // A character the code page cannot hold: one "#" for the whole
        // character, both halves of a surrogate pair included.
        out.push_back('#');
        const char16_t unit =
            static_cast<char16_t>(static_cast<unsigned char>(in[0]) | (static_cast<unsigned char>(in[1]) << 8));
        const size_t width = QChar::isHighSurrogate(unit) && left >= 4 ? 4 : 2;
        in += width;
        left -= width;
    }
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

QString DecodeLearnerText(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return DecodeCodePage(bytes, 54936);
}
