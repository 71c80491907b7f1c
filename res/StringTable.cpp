#include "res/StringTable.h"

#include "res/ResourceIds.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace {

struct StringResource {
    int id;
    std::string_view text; // UTF-8
};

constexpr StringResource kStrings[] = {
    {IDS_ABOUTBOX, "Tandrelについて(&A)..."},
};

} // namespace

QString LoadString(int nID) {
    const auto* pFound = std::find_if(std::begin(kStrings), std::end(kStrings),
                                      [nID](const StringResource& s) { return s.id == nID; });
    if (pFound == std::end(kStrings))
        return {};
    return QString::fromUtf8(pFound->text.data(), qsizetype(pFound->text.size()));
}
