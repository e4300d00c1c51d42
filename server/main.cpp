// korvel-server: the local referee. Its tables and computer players come next; until then it
// only explains itself.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  const bool help =
      argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
  std::fputs(
      "Usage: korvel-server --port PORT --bots N [--seed N] [--turn-seconds S]\n"
      "The Korvel game server with computer players. Not yet able to host a table.\n",
      help ? stdout : stderr);
  return help ? 0 : 1;
}
