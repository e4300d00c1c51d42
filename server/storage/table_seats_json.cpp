#include "storage/table_seats_json.h"

#include <nlohmann/json.hpp>

namespace korvel::server {

std::string SeatsToJson(const std::array<TableSeatRow, 3>& seats) {
  nlohmann::json out = nlohmann::json::array();
  for (const TableSeatRow& s : seats) {
    out.push_back(
        {{"name", s.name}, {"nickname", s.nickname}, {"coins", s.coins}, {"reserved", s.reserved}});
  }
  return out.dump();
}

std::array<TableSeatRow, 3> SeatsFromJson(std::string_view text) {
  std::array<TableSeatRow, 3> seats{};
  const nlohmann::json in = nlohmann::json::parse(text, nullptr, false);
  if (!in.is_array()) return seats;
  for (size_t i = 0; i < seats.size() && i < in.size(); ++i) {
    const nlohmann::json& s = in[i];
    if (!s.is_object()) continue;
    try {
      seats[i].name = s.value("name", "");
      seats[i].nickname = s.value("nickname", "");
      seats[i].coins = s.value("coins", int64_t{0});
      seats[i].reserved = s.value("reserved", false);
    } catch (const nlohmann::json::exception&) {
      seats[i] = TableSeatRow{};
    }
  }
  return seats;
}

}  // namespace korvel::server
