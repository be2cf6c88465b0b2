// The reader of the update list on arbitrary answers of a server.

#include "FuzzCheck.h"

#include "update/UpdateList.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

using namespace qv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const UpdateResult result = ParseUpdateList(bytes);
    for (const QString* value : {&result.message, &result.messagelink, &result.currentversion, &result.updatelink}) {
        QV_FUZZ_CHECK(value->size() <= 2047);
        if (IsWebAddress(*value))
            QV_FUZZ_CHECK(value->startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
                          || value->startsWith(QLatin1String("https://"), Qt::CaseInsensitive));
    }

    // Every line ends with CR LF, and no CR or LF stands alone.
    const QByteArray crlf = WithCrLfLineEnds(bytes);
    QV_FUZZ_CHECK(crlf.isEmpty() == bytes.isEmpty());
    QV_FUZZ_CHECK(crlf.isEmpty() || crlf.endsWith("\r\n"));
    for (qsizetype i = 0; i < crlf.size(); ++i) {
        if (crlf[i] == '\r')
            QV_FUZZ_CHECK(i + 1 < crlf.size() && crlf[i + 1] == '\n');
        if (crlf[i] == '\n')
            QV_FUZZ_CHECK(i > 0 && crlf[i - 1] == '\r');
    }
    QV_FUZZ_CHECK(WithCrLfLineEnds(crlf) == crlf);
    return 0;
}
