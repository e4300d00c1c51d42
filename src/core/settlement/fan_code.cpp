#include "settlement/fan_code.h"

namespace korvel {
namespace {

struct Words {
  const char* oneSuitPlain;
  const char* oneSuitPungs;
  const char* oneSuitPairs;
  const char* oneSuitRootPairs;
  const char* plain;
  const char* pungs;
  const char* pairs;
  const char* rootPairs;
};

// The spellings of each place, spaces included: the board's columns line up on them.
constexpr Words kDiscardWin = {"清一色", "清  对", "清暗七对", "清豪暗",
                               "平  胡", "大对子", "暗七对 ",  "豪  暗 "};
constexpr Words kSelfDrawn = {"清一色", "清对",    "清暗七对", "清豪暗",
                              "平  胡", "大对子 ", "暗七对 ",  "豪  暗 "};
constexpr Words kCheckFirst = {"   清一色", "   清  对  ", "清暗七对  ", "清豪暗  ",
                               "平  胡",    "大对子",      "暗七对",     "豪暗"};
constexpr Words kCheckSecond = {"清一色", "清对  ", "清暗七对  ", "清豪暗  ",
                                "平  胡", "大对子", "暗七对",     "豪暗"};

const Words& WordsOf(ShapeWords where) {
  switch (where) {
    case ShapeWords::DiscardWin:
      return kDiscardWin;
    case ShapeWords::SelfDrawn:
      return kSelfDrawn;
    case ShapeWords::CheckFirst:
      return kCheckFirst;
    case ShapeWords::CheckSecond:
      return kCheckSecond;
  }
  return kDiscardWin;
}

}  // namespace

std::string ShapeText(const FanCode& f, ShapeWords where) {
  const Words& w = WordsOf(where);
  const bool rooted = RootCount(f) >= 1;
  const bool oneSuit = OneSuit(f);
  switch (ShapeOf(f)) {
    case kShapePlain:
      return oneSuit ? w.oneSuitPlain : w.plain;
    case kShapeAllPungs:
      return oneSuit ? w.oneSuitPungs : w.pungs;
    case kShapeSevenPairs:
      if (oneSuit) return rooted ? w.oneSuitRootPairs : w.oneSuitPairs;
      return rooted ? w.rootPairs : w.pairs;
    default:
      return {};
  }
}

std::string RootSuffix(const FanCode& f, ShapeWords where) {
  const int roots = RootCount(f);
  const int shown = ShapeOf(f) == kShapeSevenPairs ? roots - 1 : roots;
  // Seven pairs shows only what is left after "豪"; other shapes any count but 0.
  const bool show = ShapeOf(f) == kShapeSevenPairs ? shown > 0 : shown != 0;
  if (!show) return {};
  const bool check = where == ShapeWords::CheckFirst || where == ShapeWords::CheckSecond;
  return "(" + std::to_string(shown) + " 归)" + (check ? "  " : "");
}

}  // namespace korvel
