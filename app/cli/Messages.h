// The command line's texts in the user's language, the way programs on the system find theirs:
// through gettext, from the "tandrel" message catalogue for the language the locale names
// (LANGUAGE, LC_ALL, LC_MESSAGES, LANG). The texts in the code are English, which is also what
// is shown where no catalogue matches. The window does not use these: it stays Japanese.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// Reads the locale's language and finds the catalogues, in ../share/locale beside the program,
// installed or in the build tree alike. Before the first Tr.
void UseMessageCatalogue();

// The text in the user's language, UTF-8.
const char* Tr(const char* english);

// Marks a text kept for Tr later, so that the catalogues' tools find it (gettext_noop).
constexpr const char* N_(const char* english) {
    return english;
}

// UTF-8 for the window's UTF-16 texts (encoding names, the words of FailureText.h).
std::string Utf8(std::u16string_view text);

// text with each %s replaced by the next of values, in order: the catalogue's translation keeps
// the %s of its English text.
std::string Fill(std::string_view text, std::initializer_list<std::string_view> values);
