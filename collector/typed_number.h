#pragma once

#include <string>
#include <string_view>

namespace zelmo::collector {

// An inventory number as people type it, reduced to what they mean: Unicode
// NFKC (full-width digits and letters, half-width katakana), no surrounding
// spaces, letters upper-cased; an all-digit number also loses its leading
// zeros, which spreadsheets drop.
struct TypedNumber {
    std::string key;
    bool zerosDropped = false;  // the key lost leading zeros
};
TypedNumber NumberKey(std::string_view typed);

// Free text (a user's name, a place) reduced the same way, without touching
// digits: for telling whether two spellings say the same.
std::string TextKey(std::string_view typed);

}  // namespace zelmo::collector
