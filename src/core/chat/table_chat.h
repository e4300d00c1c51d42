// Chat at the table: the entry box and its throttle, private messages, the word filter, the
// history window, the quick phrases and the speech balloons.
#pragma once

#include <string>
#include <string_view>

#include "table/tiles.h"

namespace korvel {

class Client;

class TableChat {
 public:
  explicit TableChat(Client& client) : client_(client) {}

  // Removes the words no table should read.
  std::string FilterChat(std::string_view text) const;
  // Appends a received line to the history window, wrapped, and scrolls to it.
  void AddHistory(const std::string& line);
  void ClearHistory();
  // Entry `index` (0-based) of quick-phrase list 1 or 2; empty when there is none.
  std::string QuickPhrase(int list, int index);
  // Shows a phrase in the speech balloon beside the seat at `view`, fading in and out.
  void ShowBalloon(ViewPos view, const std::string& phrase, int opacity, int fadeIn, int fadeOut,
                   int hold);

 private:
  [[maybe_unused]] Client& client_;
};

}  // namespace korvel
