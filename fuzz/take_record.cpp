// Arbitrary bytes from the server, in arbitrary pieces, through the receive ring and the decoder.
#include <cstddef>
#include <cstdint>

#include "net/records.h"
#include "platform/virtual_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvel::VirtualPlatform vp;
  korvel::LoopState loop;
  korvel::TableModel table;
  korvel::Records records(loop, table, vp.socket, vp.log);
  size_t at = 0;
  while (at < size) {
    // The first byte of each piece says how long the piece is.
    const size_t piece = std::min<size_t>(size - at, 1 + data[at] * 3);
    if (!records.AppendReceived(std::span(data + at, piece))) break;
    at += piece;
    while (records.RecordWaiting()) {
      records.TakeRecord();
      records.FollowServerTag();
      records.SetReconnectKeyFromReceived();
    }
  }
  return 0;
}
