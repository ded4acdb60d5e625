#include "config/fixedtables.h"

namespace {

// Codes are at most two digits; a longer run of digits (even "0000008") is accepted as long as
// its value is in range, but a value is never built past the point where it must be too big.
template <typename Char> int ParseLineSpeedCode(const Char* data, qsizetype size)
{
    qsizetype begin = 0;
    qsizetype end = size;
    while (begin < end && data[begin] == Char(' '))
        ++begin;
    while (end > begin && data[end - 1] == Char(' '))
        --end;
    if (begin == end)
        return -1;
    int value = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const auto c = data[i];
        if (c < Char('0') || c > Char('9'))
            return -1;
        value = value * 10 + int(c - Char('0'));
        if (value >= LineSpeedCount)
            return -1;
    }
    return value;
}

} // namespace

QString LineSpeedName(int code)
{
    if (code < 0 || code >= LineSpeedCount)
        return UnknownLineSpeedName.toString();
    return LineSpeedNames[size_t(code)].toString();
}

int LineSpeedCodeFromText(QStringView text)
{
    return ParseLineSpeedCode(text.utf16(), text.size());
}

int LineSpeedCodeFromText(QByteArrayView text)
{
    return ParseLineSpeedCode(text.data(), text.size());
}

QString LineSpeedNameFromText(QStringView text)
{
    return LineSpeedName(LineSpeedCodeFromText(text));
}

QString LineSpeedNameFromText(QByteArrayView text)
{
    return LineSpeedName(LineSpeedCodeFromText(text));
}

int MpegBitrate(int version, int layer, int bitrateIndex)
{
    if (version < 1 || version > 3 || layer < 1 || layer > 3 || bitrateIndex < 0 ||
        bitrateIndex > 15)
        return 0;
    // MPEG-2.5 uses the MPEG-2 tables.
    const int table = version == 1 ? 0 : 1;
    return MpegBitrateTable[table][layer - 1][bitrateIndex];
}

int MpegSampleRate(int version, int sampleRateIndex)
{
    if (version < 1 || version > 3 || sampleRateIndex < 0 || sampleRateIndex > 3)
        return 0;
    return MpegSampleRateTable[version - 1][sampleRateIndex];
}
