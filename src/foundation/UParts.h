// UParts: the business application's article groups, each with a
// price-calculation formula written with the placeholders VK (sales price)
// and VKEK (sales price minus purchase price), and the picture formats of
// article pictures by file extension.
//
// The groups are rebuilt from five rows of setup.OAT by the settings
// loader (names 650, factors 651, formulas 660, line blocks 663, plus the
// default text 964, the mode 219 and the percentage 661).
//
// Thread safety: main thread only.
#pragma once

#include <memory>
#include <vector>

#include "platform/rtl/persistent.h"
#include "platform/rtl/strings.h"

class TSetupRows;

// One article group.
class TPartGroup : public TPersistent {
  RTL_DECLARE_CLASS(TPartGroup)
 public:
  TPartGroup();
  String Name = "Alle";
  String Factor = "2";
  String Formula;
  Integer Index = 0;
  // The group's lines (a TAB of the stored block is a line break).
  TStringList Lines;
};

class TPartsGroup : public TObject {
 public:
  TPartsGroup() = default;
  // Number of groups and the group at Index (owned by the list).
  Integer Count() const { return Integer(FGroups.size()); }
  TPartGroup* Items(Integer Index) const { return FGroups.at(std::size_t(Index)).get(); }
  // Frees every group.
  void Clear() { FGroups.clear(); }
  // Appends a new group and returns it (owned by the list).
  TPartGroup* Add();
  // Rebuilds the groups from the settings rows; a missing row gives its
  // built-in value and no rows at all give one group "Alle" with factor
  // "2". Raises only what the rows' dataset raises.
  void LoadFromSettings(TSetupRows& Rows);

  String DefaultText = "2";  // Ident 964
  Byte Mode = 0;             // Ident 219: 0..2
  Integer Percentage = 100;  // Ident 661: 0..100

 private:
  std::vector<std::unique_ptr<TPartGroup>> FGroups;
};

// Display texts of the calculation modes.
extern const char* const PartsCalcModeTexts[3];  // "Aus", "VK/Fak berech.", "EK berechnen"

// A factor text normalised: trimmed, '.' and ',' as the decimal separator,
// only digits and the first separator kept, with "-", "+" or "*" in front
// ("-" when the text held '-', else "+" for '+', else "*" when anything is
// left; empty when nothing is).
String NormalizePartFactor(const String& Text);

// A formula text normalised. Mode 0 (storing): upper-cased, only digits,
// '/', blank, '(', ')', '*', '+', '-', the decimal separator and the
// placeholders kept; "VKEK" put in front when it names no placeholder.
// Mode 1 (evaluating): VKEK replaced by VK - EK and VK by VK, formatted with
// the amount display format.
String NormalizePartFormula(const String& Text, Integer Mode, double EK, double VK);

// Picture formats of article pictures (index 0 empty).
struct TPictureFormatInfo {
  const char* ClassName;
  const char* Extensions;        // accepted, separated by '|'
  const char* DefaultExtension;
};
extern const TPictureFormatInfo PartPictureFormats[5];
