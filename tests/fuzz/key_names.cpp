// Key names and key codes in both directions.

#include "FuzzCheck.h"

#include "config/KeyNames.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace qv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // Text -> code -> text -> code: a name that was understood is written so that it is understood
    // again as the same key.
    const KeyCode code = TextToKeyCode(text);
    if (code != 0) {
        const std::string written = KeyCodeToText(code);
        QV_FUZZ_CHECK(!written.empty());
        QV_FUZZ_CHECK(TextToKeyCode(written) == code);
    }

    // The first two bytes as a code: its text, when the key has a name, reads back as a code of the
    // same modifiers and the same text. (Keys may share a name, such as "1" on the main row and on
    // the number block; the text then stands for the lowest of them.)
    if (size >= 2) {
        const auto raw = static_cast<KeyCode>(data[0] | data[1] << 8);
        const std::string written = KeyCodeToText(raw);
        QV_FUZZ_CHECK(written == KeyCodeToText(static_cast<KeyCode>(raw & 0xE0FF)));
        QV_FUZZ_CHECK(written.empty() == KeyNameOf(static_cast<std::uint8_t>(raw & 0xFF)).empty());
        if (!written.empty()) {
            const KeyCode read = TextToKeyCode(written);
            QV_FUZZ_CHECK((read & 0xE000) == (raw & 0xE000));
            QV_FUZZ_CHECK((read & 0xFF) <= (raw & 0xFF));
            QV_FUZZ_CHECK(KeyCodeToText(read) == written);
        }
    }
    return 0;
}
