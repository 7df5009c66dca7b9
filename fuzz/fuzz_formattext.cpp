// FormatText with any format and arguments: no crash, no unbounded output.
#include "FuzzSupport.h"
#include "foundation/storage/FormatText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString fmt = NextPart(data, size, false);
    QVariantList args;
    qsizetype argChars = 0;
    while (size > 0 && args.size() < 8) {
        const uint8_t kind = *data++;
        --size;
        const QString part = NextPart(data, size, true);
        argChars += part.size();
        if (kind % 3 == 0)
            args << part;
        else if (kind % 3 == 1)
            args << QVariant::fromValue(static_cast<qlonglong>(part.isEmpty() ? 0 : part[0].unicode() * 1000003LL - kind));
        else
            args << QVariant::fromValue(static_cast<qulonglong>(part.size()) * 0x9E3779B97F4A7C15ULL);
    }
    const QString out = FormatText(fmt, args);
    // Every placeholder yields at most the bounded width, a number or an argument.
    FUZZ_CHECK(out.size() <= fmt.size() * (kMaxFormatWidth + 24) + argChars + 24);
    if (!FormatTextWithinBounds(fmt))
        FUZZ_CHECK(out.size() <= fmt.size() * (kMaxFormatWidth + 24) + argChars);
    return 0;
}
