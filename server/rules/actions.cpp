#include "rules/actions.h"

namespace korvel::server {

const char* ActionName(ActionKind kind) {
  switch (kind) {
    case ActionKind::Pass:
      return "pass";
    case ActionKind::Discard:
      return "discard";
    case ActionKind::DeclareReady:
      return "declare ready";
    case ActionKind::Peng:
      return "peng";
    case ActionKind::Gang:
      return "gang";
    case ActionKind::ConcealedGang:
      return "concealed gang";
    case ActionKind::AddedGang:
      return "added gang";
    case ActionKind::Win:
      return "win";
  }
  return "?";
}

}  // namespace korvel::server
