// The settlement's windows and the state the table reset and a new login clear.
#include "settlement/settlement.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/ports.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr uint32_t kPaper = 0xFFF6DC;
constexpr uint32_t kInk = kNameInk;
constexpr uint32_t kHeading = 0x8A5A12;
constexpr uint32_t kGreen = 0x00FF00;
constexpr int kBoardAlpha = 200;
constexpr int kScoreButton = 5;
constexpr int kHistoryButton = 6;

// The score board: three columns of portrait, name, breakdown and final score. Sized so that,
// with a title bar, it fits between the top bar and the local hand (full layout pixels; the
// small layout scales it).
constexpr double kBoardWidth = 600;
constexpr double kBoardHeight = 416;
constexpr double kColumnLeft = 12;
constexpr double kColumnStep = 196;
constexpr double kColumnWidth = 188;
constexpr double kBoardFaceTop = 6;
constexpr double kBoardFaceWidth = 56;
constexpr double kBoardFaceHeight = 50;
constexpr double kBoardNameTop = 58;
constexpr double kBoardListTop = 80;
constexpr double kBoardListHeight = 300;
constexpr double kFinalTop = 386;

// The history window: the deal list beside one column per seat.
constexpr double kHistoryWidth = 520;
constexpr double kHistoryHeight = 400;
constexpr double kGradeLeft = 120;
constexpr double kGradeStep = 130;
constexpr double kGradeWidth = 126;
constexpr double kHistoryListTop = 100;
constexpr double kHistoryListHeight = 240;
constexpr double kHistoryTotalTop = 346;
constexpr double kHistoryHintTop = 374;

// Result windows open just below the top bar of the table.
constexpr double kResultWindowTop = 100;

ElementId AddLabel(Form& f, std::string_view name, int index, const Rect& r, uint32_t colour,
                   double points, TextAlign align = TextAlign::Center) {
  const ElementId e = f.Add(name, index, ElementKind::Label, r);
  f.SetColor(e, colour);
  f.SetFontSize(e, points);
  f.SetAlign(e, align);
  return e;
}

ElementId AddList(Form& f, std::string_view name, int index, const Rect& r) {
  const ElementId e = f.Add(name, index, ElementKind::List, r);
  f.SetBackColor(e, kPaper, true);
  f.SetColor(e, 0x000000);
  f.SetFontSize(e, 9);
  return e;
}

ElementId AddPaper(Form& f, double width, double height) {
  const ElementId e = f.Add("Paper", 0, ElementKind::Label, Rect{0, 0, width, height});
  f.SetBackColor(e, kPaper, true);
  return e;
}

ElementId AddClose(Form& f, double formWidth) {
  const ElementId e = f.Add("Image1", 0, ElementKind::Image, Rect{formWidth - 28, 6, 22, 20});
  f.LoadSprite(e, kPicClose);
  f.SetToolTip(e, "关闭");
  return e;
}

}  // namespace

Settlement::Settlement(TableModel& table, LoopState& loop, SessionSettings& settings,
                       TableView& view, MessageLines& messages, Records& records,
                       Connection& connection, Reconnection& reconnection, TableExit& exit,
                       DealEndProps& props, Timers& timers, Dialogs& dialogs, Files& files,
                       Log& log, Process& process)
    : table_(table),
      loop_(loop),
      settings_(settings),
      view_(view),
      messages_(messages),
      records_(records),
      connection_(connection),
      reconnection_(reconnection),
      exit_(exit),
      props_(props),
      timers_(timers),
      dialogs_(dialogs),
      files_(files),
      log_(log),
      process_(process) {}

void Settlement::BuildBoard() {
  if (board_.form != kNoForm) return;
  Scene& scene = view_.scene();
  board_.form = scene.AddForm(kScoreFormName, kBoardWidth, kBoardHeight);
  Form& f = scene.form(board_.form);
  f.SetTitle("战绩板");
  f.frameless = true;  // its own button closes it
  f.windowOpacity = kBoardAlpha;
  AddPaper(f, kBoardWidth, kBoardHeight);
  board_.State.fill(kNoElement);
  for (int v = 0; v < kSeats; ++v) {
    const double left = kColumnLeft + kColumnStep * v;
    board_.Tou[v] = f.Add("Tou", v, ElementKind::Image,
                          Rect{left + (kColumnWidth - kBoardFaceWidth) / 2, kBoardFaceTop,
                               kBoardFaceWidth, kBoardFaceHeight});
    board_.ID[v] = AddLabel(f, "ID", v, Rect{left, kBoardNameTop, kColumnWidth, 20}, kInk, 10);
    f.SetBold(board_.ID[v], true);
    board_.State[v] =
        AddList(f, "State", v, Rect{left, kBoardListTop, kColumnWidth, kBoardListHeight});
    board_.State[kFinalScoreList + v] =
        AddList(f, "State", kFinalScoreList + v, Rect{left, kFinalTop, kColumnWidth, 24});
    f.SetBold(board_.State[kFinalScoreList + v], true);
  }
  // The breakdown columns line up line by line, so they scroll as one.
  f.LinkLists({board_.State[0], board_.State[1], board_.State[2]});
  board_.Image1 = AddClose(f, kBoardWidth);
  f.ScaleLayout(view_.scale().sx);
}

void Settlement::BuildHistory() {
  if (history_.form != kNoForm) return;
  Scene& scene = view_.scene();
  history_.form = scene.AddForm(kHistoryFormName, kHistoryWidth, kHistoryHeight);
  Form& f = scene.form(history_.form);
  f.SetTitle("历史战绩");
  f.frameless = true;
  AddPaper(f, kHistoryWidth, kHistoryHeight);
  const ElementId deals = AddLabel(f, "lblDeals", 0, Rect{10, 76, 104, 20}, kHeading, 10);
  f.SetCaption(deals, "局数");
  history_.Num = AddList(f, "Num", 0, Rect{10, kHistoryListTop, 104, kHistoryListHeight});
  for (int v = 0; v < kSeats; ++v) {
    const double left = kGradeLeft + kGradeStep * v;
    history_.Tou[v] = f.Add("Tou", v, ElementKind::Image, Rect{left + 28, 10, 70, 62});
    history_.ID[v] = AddLabel(f, "ID", v, Rect{left, 76, kGradeWidth, 20}, kInk, 10);
    history_.Grade[v] =
        AddList(f, "Grade", v, Rect{left, kHistoryListTop, kGradeWidth, kHistoryListHeight});
    history_.sumScore[v] = AddLabel(f, "sumScore", v, Rect{left, kHistoryTotalTop, kGradeWidth, 20},
                                    kInk, 10, TextAlign::Right);
    f.SetBold(history_.sumScore[v], true);
  }
  f.LinkLists({history_.Num, history_.Grade[0], history_.Grade[1], history_.Grade[2]});
  history_.Total = AddLabel(f, "lblTotal", 0, Rect{10, kHistoryTotalTop, 104, 20}, kHeading, 10);
  f.SetCaption(history_.Total, "输赢总分：");
  history_.Hint =
      AddLabel(f, "lblHint", 0, Rect{10, kHistoryHintTop, 200, 18}, kHeading, 9, TextAlign::Left);
  f.SetCaption(history_.Hint, "点击查看明细");
  history_.Image1 = AddClose(f, kHistoryWidth);
  f.ScaleLayout(view_.scale().sx);
}

void Settlement::PlaceResultWindow(Form& f) const {
  const TableView& view = view_;
  if (!view.laidOut()) return;
  // Centred over the table, under its top bar: above the hand and the main buttons.
  const Form& main = view.main();
  f.screenLeft =
      main.screenLeft + main.GetLeft(view.el.pic1) + (main.GetWidth(view.el.pic1) - f.width()) / 2;
  f.screenTop = main.screenTop + main.GetTop(view.el.pic1) + view.Y(kResultWindowTop);
}

void Settlement::PlaceBoard() { PlaceResultWindow(view_.scene().form(board().form)); }

const ScoreBoardElements& Settlement::board() {
  BuildBoard();
  return board_;
}

const HistoryElements& Settlement::history() {
  BuildHistory();
  return history_;
}

void Settlement::ToggleScoreBoard() {
  Form& f = view_.scene().form(board().form);
  if (f.visible()) {
    f.SetFormVisible(false);
  } else {
    PlaceBoard();
    f.SetFormVisible(true);
  }
}

void Settlement::ToggleHistory() {
  Form& f = view_.scene().form(history().form);
  if (f.visible()) {
    f.SetFormVisible(false);
    return;
  }
  PlaceResultWindow(f);
  f.SetFormVisible(true);
}

void Settlement::HideScoreBoard() {
  if (board_.form != kNoForm) view_.scene().form(board_.form).SetFormVisible(false);
}

void Settlement::HideHistory() {
  if (history_.form != kNoForm) view_.scene().form(history_.form).SetFormVisible(false);
}

void Settlement::MarkWinOnBoard() {
  // The names of this deal turn green; the board still shows the last deal's lines until this
  // deal ends, so its labels keep that deal's colours, as the history shows them.
  nameColour = {kGreen, kGreen, kGreen};
}

void Settlement::SetNameColours(const std::array<uint32_t, kSeats>& colours) {
  nameColour = colours;
  Form& f = view_.scene().form(board().form);
  for (int v = 0; v < kSeats; ++v) f.SetColor(board_.ID[v], colours[v]);
}

bool Settlement::OnClick(const ElementEvent& event) {
  if (board_.form != kNoForm && event.form == board_.form) {
    if (event.element == board_.Image1) HideScoreBoard();
    return true;
  }
  if (history_.form == kNoForm || event.form != history_.form) return false;
  if (event.element == history_.Image1) {
    HideHistory();
  } else if (event.element == history_.Num) {
    OnHistoryLineClick(HistoryLineAt(event.element, event.y));
  }
  return true;
}

bool Settlement::OnDoubleClick(const ElementEvent& event) {
  if (history_.form == kNoForm || event.form != history_.form) return false;
  const bool list = event.element == history_.Num ||
                    std::find(history_.Grade.begin(), history_.Grade.end(), event.element) !=
                        history_.Grade.end();
  if (list) OnHistoryLineOpen(HistoryLineAt(event.element, event.y));
  return true;
}

bool Settlement::OnMainButton(ElementId element) {
  const TableView& view = view_;
  if (!view.laidOut()) return false;
  if (element == view.el.AnNiu[kScoreButton]) {
    ToggleScoreBoard();
    return true;
  }
  if (element == view.el.AnNiu[kHistoryButton]) {
    ToggleHistory();
    return true;
  }
  return false;
}

bool Settlement::OnFormClose(FormId form) {
  if (board_.form != kNoForm && form == board_.form) {
    HideScoreBoard();
    return true;
  }
  if (history_.form != kNoForm && form == history_.form) {
    HideHistory();
    return true;
  }
  return false;
}

void Settlement::ResetRunningTotals() { RunningTotal.fill(0); }

void Settlement::OnResetSeats() {
  Subtotal.fill(0);
  stores.dealAmount.fill(0);
  for (int v = 0; v < kSeats; ++v) stores.items[kItemTableReset][v] = 0;
  stores.WinReportArrivals = 0;
}

void Settlement::ClearForLobby() {
  Scene& scene = view_.scene();
  Form& h = scene.form(history().form);
  Form& b = scene.form(board().form);
  h.ClearLines(history_.Num);
  for (int i = 0; i < kSeats; ++i) {
    h.ClearPicture(history_.Tou[i]);
    h.SetCaption(history_.ID[i], "");
    h.ClearLines(history_.Grade[i]);
    h.SetCaption(history_.sumScore[i], "");
    b.ClearPicture(board_.Tou[i]);
    b.SetCaption(board_.ID[i], "");
    ClearBoardList(i);
    ClearBoardList(kFinalScoreList + i);
  }
  h.SetFormVisible(false);
  b.SetFormVisible(false);
  HistorySelected = -1;
  HistoryTopLine = 0;
  dealNameColours.clear();
  DeleteGameRecord();
}

void Settlement::DeleteGameRecord() {
  if (std::remove(GameRecordPath().c_str()) != 0 && errno != ENOENT) {
    log_.Write("cannot delete the game record " + GameRecordPath());
  }
}

}  // namespace korvel
