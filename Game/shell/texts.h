// The UI string table: 169 numbered texts, built-in English by default,
// replaced entry by entry from a language file "lang/<name>.lng".
// Texts that follow a number hold "singular|plural".
#pragma once
#include <cstddef>
#include <string>

constexpr int kTextCount = 169;

extern std::string Texts[kTextCount];                 // current texts, always fully filled
extern const char* const kDefaultTexts[kTextCount];   // built-in English texts in id order

// Fills Texts from "lang/<name>.lng" in the program directory; 0 when the file
// was read, -1 when it could not be opened (then every text is the built-in one).
int LoadLanguage(const std::string& name);
// Fills texts[] from a language file's contents; entries without a valid
// marker keep their built-in text. Used by LoadLanguage.
void ParseLanguage(const char* buffer, size_t length, std::string texts[kTextCount]);
// Finds the entry "#dddd#" for id in buffer and returns its quoted text.
bool FindText(const char* buffer, size_t length, int id, std::string& text);
// Resets every text to its built-in default.
void ResetTexts();
