// The quick-phrase file beside the client (an INI file of two phrase lists) with any content,
// shown, chosen and sent; and any text through the word filter.
#include <memory>

#include "client_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvel;
  fuzz::WriteClientFile("chat.ini", data, size);
  auto started = std::make_unique<fuzz::StartedClient>();
  if (!started->Start()) return 0;
  TableChat& chat = started->client.chat();
  try {
    for (int list = 0; list < kPhraseLists; ++list) {
      chat.TogglePhrases(list);
      for (int index : {-1, 0, 1, 2, 5, 99, 100, 101}) {
        chat.QuickPhrase(list, index);
        chat.SendPhrase(list, index);
      }
      chat.HidePhrases();
    }
    started->vp.timers.Advance(5000);
  } catch (const ClientEnded&) {
  }
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TableChat::FilterChat(text);
  return 0;
}
