// The reader of the parameter form on arbitrary bytes, and its round trip: any values the writer
// puts on the command line (and into runme.bat) read back as they were written.

#include "FuzzCheck.h"

#include "config/ConfigWriter.h"
#include "config/ParameterReader.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace qv;

namespace {

// What the writer keeps of a value: it drops double quotes. A line break would end the command, so
// the form cannot hold one; an empty value is not written at all.
std::string Written(std::string value)
{
    std::erase(value, '"');
    return value;
}

bool FormHolds(const std::string& value)
{
    return !value.empty() && value.find('\n') == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Arbitrary bytes as a line and as a batch file: read without fault, loaded as settings.
    const ParameterList line = ParameterList::FromLine(bytes);
    const ParameterList batch = ParameterList::FromBatchBytes(bytes);
    (void)LoadParameters(line, "", {});
    (void)LoadParameters(batch, "C:\\disc\\runme.bat", {});
    for (const Parameter& p : line.Items())
        QV_FUZZ_CHECK(!p.key.empty());

    // The round trip of values the writer emits.
    FuzzedDataProvider in(data, size);
    std::vector<std::string> values;
    ConfigEmitter emitter(2);
    const std::size_t count = in.ConsumeIntegralInRange<std::size_t>(0, 8);
    for (std::size_t i = 0; i < count; ++i) {
        std::string value = Written(in.ConsumeRandomLengthString(300));
        if (!FormHolds(value))
            continue;
        emitter.AppendSetting("k" + std::to_string(values.size()), value);
        values.push_back(value);
    }
    const ConfigText text = emitter.Take();
    QV_FUZZ_CHECK(text.size() == 1);
    const ParameterList fromLine = ParameterList::FromLine(text.front());
    const ParameterList fromBatch = ParameterList::FromBatchBytes(ConfigFileBytes(text, 2));
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::string key = "k" + std::to_string(i);
        QV_FUZZ_CHECK(fromLine.Find(key) == values[i]);
        QV_FUZZ_CHECK(fromBatch.Find(key) == values[i]);
    }
    return 0;
}
