#include "chat/table_chat.h"

#include "app/client.h"

namespace korvel {

std::string TableChat::FilterChat(std::string_view text) const { return std::string(text); }
void TableChat::AddHistory(const std::string&) {}
void TableChat::ClearHistory() {}
std::string TableChat::QuickPhrase(int, int) { return {}; }
void TableChat::ShowBalloon(ViewPos, const std::string&, int, int, int, int) {}

}  // namespace korvel
