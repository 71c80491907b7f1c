#include "app/cli/Messages.h"

#include "core/encoding/TextCodecs.h"

#include <climits>
#include <clocale>
#include <cstdlib>
#include <libintl.h>
#include <string>

namespace {
constexpr char kDomain[] = "tandrel";
} // namespace

void UseMessageCatalogue() {
    // Only the language is taken from the locale: the job's bytes do not depend on the rest.
    std::setlocale(LC_MESSAGES, "");
    std::string folder = "/usr/share/locale";
    if (char* program = realpath("/proc/self/exe", nullptr)) {
        const std::string path = program;
        std::free(program);
        folder = path.substr(0, path.rfind('/')) + "/../share/locale";
    }
    bindtextdomain(kDomain, folder.c_str());
    // Whatever the locale's character set, the command line reads and writes UTF-8.
    bind_textdomain_codeset(kDomain, "UTF-8");
}

const char* Tr(const char* english) {
    return dgettext(kDomain, english);
}

std::string Fill(std::string_view text, std::initializer_list<std::string_view> values) {
    std::string filled;
    const std::string_view* value = values.begin();
    for (std::size_t at = 0;;) {
        const std::size_t mark = text.find("%s", at);
        if (mark == std::string_view::npos || value == values.end()) {
            filled += text.substr(at);
            return filled;
        }
        filled += text.substr(at, mark - at);
        filled += *value++;
        at = mark + 2;
    }
}

std::string Utf8(std::u16string_view text) {
    std::string bytes(text.size() * kMaxEncodedBytesPerUnit, '\0');
    const char* end = EncodeUtf8(text, bytes.data());
    return end ? bytes.substr(0, static_cast<std::size_t>(end - bytes.data())) : std::string();
}
