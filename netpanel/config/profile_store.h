// The configuration profiles in the utility's key: the link values that list them, each
// profile's own key, and the rules a new profile's name must keep.
//
// Layout under the utility key:
//   "ProfileLinkNumber"   the number of profiles, decimal text
//   "ProfileLink n"       the name of the profile with link number n (one blank before n)
//   "DefaultProfileLink"  the link number of the active profile
//   "Profile\<name>\"     the profile's values, in the order writeProfile() gives
// Numbers are written with a leading blank by some writers and without by others; readers skip
// leading blanks and read a missing or empty value as 0.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/adapter_settings.h"

namespace netpanel {

// The leading number of a stored text, as the utility has always read it: leading blanks
// skipped, an optional sign, then decimal digits; 0 without digits. Held to the 32-bit range.
int32_t numberOf(std::string_view text);
// A number in the leading-blank form: " 2" (negative numbers carry their sign instead).
std::string blankNumber(int32_t value);

// "ProfileLink " followed by the link number.
std::string profileLinkName(int32_t link);
// The full path of a value directly in the utility key.
std::string utilityValuePath(std::string_view name);
// The utility key's value read as a number.
int32_t readUtilityNumber(std::string_view name);
// The full path of a value in a profile's key; the name is used exactly as given.
std::string profileValuePath(std::string_view profile, std::string_view value);
// The key of a profile relative to HKEY_CURRENT_USER (for the handle-based helpers).
std::string profileKeyRelative(std::string_view profile);

std::string readProfileText(std::string_view profile, std::string_view value);
int32_t readProfileNumber(std::string_view profile, std::string_view value);
// Stores a 32-bit profile value. The store takes signed 16-bit numbers: a value outside that
// range is not written (the stored one stays) and false is returned.
bool writeProfileNumber(std::string_view profile, std::string_view value, int32_t number);
void writeProfileText(std::string_view profile, std::string_view value, std::string_view text);

// Writes every value of a profile from `settings`, in the order of the profile's key.
void writeProfile(std::string_view profile, const AdapterSettings& settings);

// Why `name` cannot be stored as a new profile beside `listed` (a message for the user), or
// nothing when it can. The store ignores case in key names and reads "\" as a key separator, so
// a name with "\", a blank name and a name that differs from a listed one only in case would
// reach another profile's key.
std::optional<std::string> profileNameProblem(std::string_view name,
                                              const std::vector<std::string>& listed);
// True when another entry of `listed` than position `position` names the same key as it does.
bool keySharedWithAnother(const std::vector<std::string>& listed, int position);

}  // namespace netpanel
