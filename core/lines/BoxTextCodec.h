// How the text boxes keep UTF-16 text in their editor's UTF-8 buffer without changing a single
// code unit. Plain UTF-8 cannot hold everything a file may bring:
//   - a carriage return that no line feed follows would end a line in the editor, so the box
//     would show a line break the text does not have (and Enter would then look the same);
//   - an unpaired surrogate has no UTF-8 form at all.
// Both are therefore written as byte sequences that well-formed UTF-8 never contains, so that
// nothing typed or pasted can be taken for them:
//   - a lone carriage return is the single byte 0xFE (the box shows it as "CR");
//   - an unpaired surrogate is its three-byte generalized UTF-8 form, ED A0..BF 80..BF (the box
//     shows the three bytes as hex blobs).
// Everything else, NUL, U+2028 and U+2029 included, is plain UTF-8. A carriage return followed
// by a line feed stays CR LF, the editor's own line end.
//
// The editor measures a whole line before it draws any of it, so a line of tens of megabytes
// would freeze the window for a minute. A line longer than kBoxRowUnits is therefore shown in
// rows of that many code units, with a row break between them: exactly the three bytes mark,
// line feed, mark (each mark shown as "…"). The rule cannot be fooled by what stands beside a
// break: every other line feed is the text's own, and a mark outside an intact break is dropped.
// The box keeps its buffer in that form (BoxFormFault) through every edit, so that what it shows
// as a line end is a line feed of the text exactly when it is not a row break.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class LineList;
class OperationProgress;

inline constexpr char kBoxLoneCarriageReturn = '\xFE';
inline constexpr char kBoxRowMark = '\xFF';
// Every key typed or caret moved in a row measures that row again through Qt's text layout, on
// the window's thread. On the shared two-core build machine (tandrel_row_key_bench) a key costs
// about 12 ms beside a row of 1,000 Japanese characters, 20-30 ms at 2,000 and 65-90 ms at
// 10,000; ASCII costs half as much. A thousand keeps a key well below the 50 ms a user starts to
// feel, and is still wider than any screen; the three bytes a row break adds leave loading and
// splitting as fast as before.
inline constexpr std::size_t kBoxRowUnits = 1'000;

// The buffer bytes for text. Decoding them gives text back unchanged.
std::string EncodeBoxText(std::u16string_view text);

// The text the buffer bytes hold. Bytes that neither UTF-8 nor the forms above explain (which
// only appear when an edit cuts one of those forms apart) become U+FFFD, one per byte; row
// marks never become text.
std::u16string DecodeBoxText(std::string_view bytes);

inline constexpr std::size_t kBoxRowBreakSize = 3;
// Whether a row break starts at bytes[at].
constexpr bool IsBoxRowBreak(std::string_view bytes, std::size_t at) {
    return at + kBoxRowBreakSize <= bytes.size() && bytes[at] == kBoxRowMark &&
           bytes[at + 1] == '\n' && bytes[at + 2] == kBoxRowMark;
}
// The start of the row break that the position between bytes[position - 1] and bytes[position]
// falls inside, or npos. Looks at two bytes either side, which in the buffer form is enough.
std::size_t BoxRowBreakAround(std::string_view bytes, std::size_t position);
// The first byte that leaves the buffer form, or npos: a mark outside an intact row break (row
// breaks taken from the start, as decoding takes them), or a carriage return byte that no line
// feed follows (the editor would end a line there, which the text does not).
std::size_t BoxFormFault(std::string_view bytes);
// Whether a buffer that EncodeBoxText made, unchanged since, is the text's UTF-8 byte for byte:
// whether none of the forms above appears in it, since those are all that such a buffer holds
// besides UTF-8. A carriage return in it is then always that of a CR LF.
bool IsUtf8BoxText(std::string_view bytes);

// The most buffer bytes text of units code units takes: three a unit (a surrogate pair takes
// four for its two), and three for each row break.
constexpr std::size_t MaxBoxTextSize(std::size_t units) {
    return units * 3 + units / kBoxRowUnits * 3;
}

// At least the number of buffer bytes for text, and at most a few more (two for each surrogate
// pair, three for a line that fills its last row exactly); quick enough to size a buffer for
// millions of lines.
std::size_t BoxTextSizeBound(std::u16string_view text);
// Writes the bytes for text to out (room for BoxTextSizeBound(text) bytes) and returns the end
// of what was written. Text cut into pieces at line ends gives the same bytes piece by piece as
// whole.
char* EncodeBoxTextTo(std::u16string_view text, char* out);

// Run's split of the text that the buffer bytes hold, read straight from the buffer: appends
// to lines every piece ended by a line feed, and a last piece without one, each without the
// carriage returns at its end. The same lines as splitting DecodeBoxText(bytes). Reports the
// lines done to progress and stops (OperationCancelled) when it asks.
void SplitBoxText(std::string_view bytes, LineList& lines, OperationProgress* progress);
// Whether SplitBoxText of the buffer that holds lines, each followed by CR LF (what a box loaded
// with them holds), gives the lines themselves, so that a box just loaded need not be split: it
// does unless a line ends in a carriage return, which the split drops. The lines hold no line
// feed, as no reader's lines do.
bool SplitGivesLoadedLines(const LineList& lines);
