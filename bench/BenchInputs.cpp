#include "bench/BenchInputs.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iconv.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tandrel::bench {

namespace {

// Words of both scripts; all of them are in JIS X 0208, so code page 932 writes them exactly.
constexpr std::array<std::string_view, 48> kWords = {
    "東京",     "大阪",   "会議",     "資料",     "報告書", "のお知らせ", "について",   "株式会社",
    "山田",     "佐藤",   "鈴木",     "高橋",     "請求書", "見積もり",   "ありがとう", "確認",
    "カタログ", "データ", "サーバー", "ファイル", "設定",   "変更",       "第二版",     "一覧",
    "order",    "item",   "version",  "release",  "client", "total",      "status",     "invoice",
    "draft",    "final",  "update",   "backup",   "note",   "report",     "shipping",   "ready",
    "Tokyo",    "Osaka",  "ID",       "No.",      "(copy)", "-",          "#",          "OK",
};

// splitmix64: small, fast and fully specified, so the text is the same everywhere.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    std::size_t Below(std::size_t bound) { return static_cast<std::size_t>(Next() % bound); }

private:
    std::uint64_t state_;
};

// A line nobody has seen before: a few words and a serial number that makes it unique.
std::string NewLine(Random& random, std::uint64_t serial) {
    std::string line;
    const std::size_t words = 3 + random.Below(5);
    for (std::size_t w = 0; w < words; ++w) {
        if (w == words / 2) {
            line += std::to_string(serial);
            line += ' ';
        }
        line += kWords[random.Below(kWords.size())];
        if (random.Below(3) != 0)
            line += ' ';
    }
    return line;
}

std::string GenerateUtf8Text(int lineCount) {
    Random random(0x74616e6472656cULL);
    std::vector<std::uint32_t> distinctStarts; // byte offsets of first occurrences in text
    std::vector<std::uint32_t> distinctLengths;
    std::string text;
    text.reserve(static_cast<std::size_t>(lineCount) * 46 + 64);
    // A title that never repeats, so that a tool which keeps the byte-order mark as part of
    // the first line still agrees with the program on which lines are repeats.
    text += "タンドレル 性能測定用データ (Tandrel benchmark input)\r\n";
    for (int i = 1; i < lineCount; ++i) {
        const std::size_t roll = random.Below(100);
        if (roll < 2) {
            // Empty line.
        } else if (roll < 51 && !distinctStarts.empty()) {
            const std::size_t pick = random.Below(distinctStarts.size());
            text.append(text, distinctStarts[pick], distinctLengths[pick]);
        } else {
            distinctStarts.push_back(static_cast<std::uint32_t>(text.size()));
            const std::string line = NewLine(random, distinctStarts.size());
            distinctLengths.push_back(static_cast<std::uint32_t>(line.size()));
            text += line;
        }
        text += "\r\n";
    }
    return text;
}

std::string Convert(const std::string& utf8, const char* toCode) {
    iconv_t cd = iconv_open(toCode, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("iconv cannot write ") + toCode);
    std::string out(utf8.size() * 2, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* outAt = out.data();
    std::size_t outLeft = out.size();
    const std::size_t done = iconv(cd, &in, &inLeft, &outAt, &outLeft);
    const int error = errno;
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1))
        throw std::runtime_error(std::string("converting to ") + toCode + ": " +
                                 std::strerror(error));
    out.resize(out.size() - outLeft);
    return out;
}

void WriteFile(const std::filesystem::path& path, std::string_view mark, const std::string& body) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(mark.data(), static_cast<std::streamsize>(mark.size()));
    file.write(body.data(), static_cast<std::streamsize>(body.size()));
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + path.string());
}

} // namespace

BenchInputFiles WriteBenchInputs(const std::filesystem::path& folder, int lineCount,
                                 bool utf8Only) {
    std::filesystem::create_directories(folder);
    std::string size; // spelt out step by step: GCC 12 warns wrongly about "-" + string
    if (lineCount != kBenchLineCount)
        size.append("-").append(std::to_string(lineCount));
    BenchInputFiles files{folder / ("bench-ansi" + size + ".txt"),
                          folder / ("bench-utf8" + size + ".txt"),
                          folder / ("bench-utf16le" + size + ".txt")};
    const std::string utf8 = GenerateUtf8Text(lineCount);
    WriteFile(files.utf8, "\xEF\xBB\xBF", utf8);
    if (utf8Only) {
        files.ansi.clear();
        files.utf16le.clear();
        return files;
    }
    WriteFile(files.utf16le, "\xFF\xFE", Convert(utf8, "UTF-16LE"));
    WriteFile(files.ansi, "", Convert(utf8, "CP932"));
    return files;
}

} // namespace tandrel::bench
