#include "storage/account_rules.h"

namespace korvel::server {

namespace {
struct TitleStep {
  int64_t from;
  const char* title;
};
constexpr TitleStep kTitles[] = {
    {10000, "宗师"}, {2000, "大师"}, {500, "高手"}, {100, "熟手"}, {0, "新手"}};
}  // namespace

std::string TitleForPoints(int64_t points) {
  for (const TitleStep& step : kTitles)
    if (points >= step.from) return step.title;
  return kTitles[4].title;
}

std::string_view TitleSqlCase() {
  return "CASE WHEN points >= 10000 THEN '宗师' WHEN points >= 2000 THEN '大师' "
         "WHEN points >= 500 THEN '高手' WHEN points >= 100 THEN '熟手' ELSE '新手' END";
}

}  // namespace korvel::server
