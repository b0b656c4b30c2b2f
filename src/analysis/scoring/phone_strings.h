#pragma once
// Phone strings for the acoustic judge: a word's phones from a pronouncing
// dictionary in the CMU format, and the SAMPA codes the course's sound
// models, limits and segment markers use for them.
//
// The acoustic model's phones are ARPAbet without stress (39 phones). The
// course writes its sounds in SAMPA (British values: "sock" has [Q], "zebra"
// ends in [@]). ARPAbet -> SAMPA gives the first code of a row; a SAMPA code
// finds its phone through any code of the row ("also"), so a course's
// trained sound ("s", "S", "i:", "tS", "Q") names the phone it is said with.
//
//   ARPAbet SAMPA also  as in        ARPAbet SAMPA also  as in
//   AA      Q     A:    sock, spa    L       l           leaf
//   AE      {           cat          M       m           moon
//   AH      V     @     sun, zebra   N       n           nose
//   AO      O:          fork         NG      N           sing
//   AW      aU          house        OW      @U          soap
//   AY      aI          eyes         OY      OI          boy
//   B       b           bus          P       p           pig
//   CH      tS          chair        R       r           rose
//   D       d           duck         S       s           sea
//   DH      D           this         SH      S           ship
//   EH      e     e@    shell, chair T       t           cat
//   ER      3:          bird         TH      T           thin
//   EY      eI          Kay          UH      U           foot
//   F       f           fish         UW      u:          moon
//   G       g           pig          V       v           leave
//   HH      h           house        W       w           watch
//   IH      I           fish         Y       j           yes
//   IY      i:    i     sea, cherry  Z       z           zoo
//   JH      dZ          jam          ZH      Z           vision
//   K       k           key
//
// [e@] (chair) is EH followed by R in the US model; [i] (happy, cherry) is
// unstressed IY; [@] is unstressed AH. Like the sound limits, a SAMPA code
// is also found in its other length form (":" added or taken off).
//
// No state; any thread.

#include <string>
#include <string_view>
#include <vector>

// The SAMPA code of an ARPAbet phone; empty for a phone the table lacks.
std::string SampaOfPhone(std::string_view arpabet);

// Whether the SAMPA code (or its other length form) names the phone.
bool PhoneSaysSampa(std::string_view arpabet, std::string_view sampa);

// The phones of a text such as "F IH SH" or "f ih1 sh": separated by blanks,
// upper-cased, stress digits dropped.
std::vector<std::string> ParsePhones(std::string_view text);
// The phones blank-separated, as ParsePhones reads them.
std::string JoinPhones(const std::vector<std::string>& phones);

// The phones of a word or an exercise's name from a pronouncing dictionary
// of lines "word PH PH ..." (its first pronunciation; others are "word(2)
// ..."), found without regard to case. A name the dictionary lacks is said
// as its words one after another, runs of letters and apostrophes that
// digits, blanks and other signs part ("Fish 2" as "fish", "red_fish" as
// "red fish"), when the dictionary has every one; else empty. A dictionary
// that cannot be read throws vTextException_c.
std::vector<std::string> DictionaryPhones(const std::string& dictionary, std::string_view name);
