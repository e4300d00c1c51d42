// The table's play records from a server that cannot be trusted: deal starts, tiles, discards,
// offers, operation results and reveals with any seat, values and payload, mixed with the
// player's clicks on buttons, marks and tiles and with time-outs of the turn clock.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "app/client.h"
#include "platform/virtual_platform.h"

namespace {

// The commands whose handlers the table owns.
constexpr int kCommands[] = {1, 2, 4, 5, 6, 7, 15};
constexpr size_t kPieceBytes = 24;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvel;
  VirtualPlatform vp;
  vp.lobby.windows.insert("Tesk山庄");
  Client client(vp.platform());
  try {
    client.Startup("a$k$h$6000$Room$3$$0$$$0$$$0$0$");
  } catch (const ClientEnded&) {
    return 0;
  }
  client.loop().TableActive = true;
  client.tablePlay().SetRandomSource([](int) { return 0; });
  auto& players = client.table().players;
  players[0].seatMask = 1;
  players[1].seatMask = 4;
  players[2].seatMask = 2;
  client.view().ResetTable();
  TablePlay& play = client.tablePlay();
  const MainElements& el = client.view().el;

  // Each piece: a selector, then either a record (header and the payload bytes the handlers
  // read) or an input event.
  for (size_t at = 0; at + kPieceBytes <= size; at += kPieceBytes) {
    const uint8_t* p = data + at;
    try {
      switch (p[0] % 8) {
        case 0:
        case 1:
        case 2:
        case 3: {
          RecordBytes& r = client.records().ReceivedRecord;
          r.fill(0);
          std::memcpy(r.data() + 8, p + 4, 8);    // the four values
          std::memcpy(r.data() + 16, p + 12, 4);  // declaration, winning tile, winners
          std::memcpy(r.data() + 36, p + 16, 2);  // gang candidate counts
          r[46] = p[18];
          std::memcpy(r.data() + 47, p + 19, 3);
          r[100] = p[22];
          CommandInfo info = DecodeHeader(r);
          info.command = static_cast<int16_t>(kCommands[p[1] % std::size(kCommands)]);
          info.seat = static_cast<uint8_t>(p[2] & 0x0F);
          client.records().Rinfo = info;
          client.dispatcher().Dispatch(info);
          break;
        }
        case 4:
          play.OnOperationClick(p[1] % 6);
          break;
        case 5:
          play.OnGangChoiceClick(p[1] % 6);
          break;
        case 6: {
          ElementEvent ev;
          ev.form = client.view().mainForm();
          ev.element = p[1] < 72 ? el.MJ_Image[p[1]] : el.pic1;
          ev.button = p[2] & 1 ? kRightButton : kLeftButton;
          client.input().OnMouseDown(ev);
          client.input().OnMouseUp(ev);
          break;
        }
        default:
          client.autoPlay().OnLocalTimeout();
          break;
      }
    } catch (const ClientEnded&) {
      return 0;
    }
  }
  return 0;
}
