#include "chat/table_chat.h"

#include <algorithm>

#include "config/ini_file.h"
#include "model/loop_state.h"
#include "model/player_record.h"
#include "model/session_settings.h"
#include "net/records.h"
#include "platform/gbk.h"
#include "platform/ports.h"
#include "view/table_view.h"

namespace korvel {
namespace {

// Korvel filters no personal names; the rest of the list is the table's manners.
constexpr std::array<std::string_view, 12> kFilteredWords = {
    "法轮功", "他妈的", "她妈的", "它妈的", "婊子养的", "婊子",
    "淫",     "色情",   "黄色",   "shit",   "fuck",     ""};
constexpr size_t kHistoryWidth = 46;
constexpr size_t kHistoryLimit = 100;
constexpr const char* kTooFast = "（发送消息太快！）";
constexpr const char* kPhraseFile = "chat.ini";
constexpr double kHistoryWidthPx = 300, kHistoryHeightPx = 210;
constexpr double kPhraseWidthPx = 260, kPhraseRowPx = 22;
constexpr double kBalloonWidth = 170, kBalloonHeight = 90;
// The balloon's body is nearly oval: the text keeps to its middle.
constexpr Rect kBalloonText = {22, 12, kBalloonWidth - 44, 50};
constexpr int kBalloonTickMs = 16;
constexpr uint32_t kPanel = 0x1E4D2B;
constexpr uint32_t kText = 0xFFF3C8;
constexpr uint32_t kBalloonInk = 0xC0201A;

std::string TimerName(ViewPos v) { return "TimerSpeak" + std::to_string(v); }

std::string TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// Width units of a character: one for single-byte text, two for the rest.
size_t Units(std::string_view character) { return character.size() == 1 ? 1 : 2; }

}  // namespace

TableChat::TableChat(TableModel& table, LoopState& loop, SessionSettings& settings, TableView& view,
                     Records& records, Timers& timers, Files& files)
    : table_(table),
      loop_(loop),
      settings_(settings),
      view_(view),
      records_(records),
      timers_(timers),
      files_(files) {}

std::string TableChat::FilterChat(std::string_view text) {
  std::string out(text);
  for (std::string_view word : kFilteredWords) {
    if (word.empty()) continue;
    for (size_t at = out.find(word); at != std::string::npos; at = out.find(word, at)) {
      out.erase(at, word.size());
    }
  }
  return out;
}

std::string TableChat::ChatBox() const {
  const TableView& view = view_;
  if (!view.laidOut()) return {};
  const Element* box = view.main().Get(view.el.Chat);
  return box ? box->caption : std::string();
}

void TableChat::SetChatBox(const std::string& text) {
  lastEntry_ = text;
  TableView& view = view_;
  if (view.laidOut()) view.main().SetCaption(view.el.Chat, text);
}

std::string TableChat::Compose(const std::string& text, int& target) const {
  const std::string& nickname = table_.seatInfo[0].nickname;
  if (!WhisperPrefix.empty() && text.find(WhisperPrefix) != std::string::npos) {
    // "你对B说: hi" typed by A travels as "A对B说: hi".
    const std::string rest =
        text.size() > WhisperPrefix.size() ? text.substr(WhisperPrefix.size()) : std::string();
    target = WhisperTarget;
    return nickname + WhisperPrefix.substr(std::string("你").size()) + rest;
  }
  target = 0;
  return nickname + "说道: " + text;
}

void TableChat::Send(const std::string& message, int list, int entry, int target) {
  CommandInfo info;
  info.command = kCmdChat;
  info.seat = table_.players[0].seatMask;
  info.value[0] = static_cast<int16_t>(list);
  info.value[1] = static_cast<int16_t>(target);
  info.value[3] = static_cast<int16_t>(entry);
  records_.PendingChat = message;
  records_.SendCommand(info);
  WhisperPrefix.clear();
  WhisperTarget = 0;
}

void TableChat::OnEntryKey() {
  if (history_.size() > kHistoryLimit) ClearHistory();
}

void TableChat::SendTyped() {
  if (settings_.Spectator) return;
  OnEntryKey();
  const std::string text = ChatBox();
  if (!ChatAllowed) {
    if (!text.empty()) {
      AddHistory(kTooFast);
      SetChatBox("");
    }
    return;
  }
  ChatAllowed = false;
  timers_.Start("TimerChat", kChatThrottleMs, [this] {
    timers_.Stop("TimerChat");
    ChatAllowed = true;
  });
  SetChatBox("");
  // Blanks alone, or the private prefix with nothing after it, say nothing.
  const std::string trimmed = TrimBlanks(text);
  if (trimmed.empty() || (!WhisperPrefix.empty() && trimmed == TrimBlanks(WhisperPrefix))) return;
  int target = 0;
  const std::string message = Compose(text, target);
  Send(message, 0, 0, target);
}

void TableChat::OnEntryChanged() {
  const std::string text = ChatBox();
  // Only an edit of a box that showed the prefix can cut into it: once a send or a refusal
  // has emptied the box, what is typed next is the player's own.
  const bool hadPrefix = !WhisperPrefix.empty() && lastEntry_.rfind(WhisperPrefix, 0) == 0;
  lastEntry_ = text;
  if (!hadPrefix || text.rfind(WhisperPrefix, 0) == 0) return;
  const size_t at = text.find(WhisperPrefix);
  if (at != std::string::npos) {
    // Text typed in front of the prefix goes behind it: the prefix stays whole and first.
    SetChatBox(WhisperPrefix + text.substr(0, at) + text.substr(at + WhisperPrefix.size()));
    return;
  }
  // Deleting into the prefix takes the whole prefix away.
  const size_t prefixChars = Utf8Length(WhisperPrefix);
  const size_t keep = Utf8Length(text) >= prefixChars - 1 ? prefixChars - 1 : Utf8Length(text);
  const std::string after = text.substr(Utf8Prefix(text, keep).size());
  WhisperPrefix.clear();
  WhisperTarget = 0;
  SetChatBox(after);
}

void TableChat::Whisper(ViewPos v) {
  if (v < 1 || v >= kSeats || !loop_.TableActive) return;
  const std::string& nickname = table_.seatInfo[v].nickname;
  if (nickname.empty()) return;
  std::string text = ChatBox();
  if (!WhisperPrefix.empty() && text.rfind(WhisperPrefix, 0) == 0) {
    text = text.substr(WhisperPrefix.size());
  }
  WhisperPrefix = "你对" + nickname + "说: ";
  const PlayerRecord& player = table_.players[v];
  WhisperTarget = player.seatMask;
  SetChatBox(WhisperPrefix + text);
  // The click on the portrait took the keyboard to the table; what follows is the message.
  TableView& view = view_;
  if (view.laidOut()) view.main().RequestFocus(view.el.Chat);
}

void TableChat::BuildHistory() {
  TableView& view = view_;
  if (historyForm_ != kNoForm || !view.laidOut()) return;
  historyForm_ = view.scene().AddForm("Talk", kHistoryWidthPx, kHistoryHeightPx);
  Form& f = view.scene().form(historyForm_);
  f.SetTitle("聊天");
  f.frameless = true;  // its own label closes it
  f.windowOpacity = 200;
  const ElementId panel =
      f.Add("Panel", 0, ElementKind::Label, {0, 0, kHistoryWidthPx, kHistoryHeightPx});
  f.SetBackColor(panel, kPanel, true);
  historyList_ = f.Add("Text1", 0, ElementKind::List, {6, 26, kHistoryWidthPx - 12, 178});
  f.SetBackColor(historyList_, 0xFBF6E6, true);
  f.SetFontSize(historyList_, 10);
  const ElementId title = f.Add("Title", 0, ElementKind::Label, {8, 4, 120, 20});
  f.SetCaption(title, "聊天记录");
  f.SetColor(title, kText);
  historyClose_ = f.Add("Label1", 0, ElementKind::Label, {kHistoryWidthPx - 50, 4, 44, 20});
  f.SetCaption(historyClose_, "关闭");
  f.SetColor(historyClose_, kText);
  f.SetCursor(historyClose_, kCursorCustom);
  for (const std::string& line : history_) f.AddLine(historyList_, line);
  f.ScaleLayout(view.scale().sx);
  f.ScrollListToEnd(historyList_);
  PlaceHistory();
}

void TableChat::PlaceHistory() {
  TableView& view = view_;
  if (historyForm_ == kNoForm || !view.laidOut()) return;
  Form& f = view.scene().form(historyForm_);
  // Where it first opens; after that it stays where the player leaves it.
  constexpr double kLeftShare = 0.3, kTopShare = 0.66;
  const Form& main = view.main();
  f.PlaceOnScreen(main.screenLeft + kLeftShare * main.width(),
                  main.screenTop + kTopShare * main.height());
}

void TableChat::AddHistory(const std::string& line) {
  // Lines of at most 46 width units; every continuation starts with a blank.
  std::vector<std::string> wrapped;
  std::string current;
  size_t width = 0;
  for (size_t i = 0; i < line.size();) {
    const std::string_view ch = Utf8Prefix(std::string_view(line).substr(i), 1);
    const size_t units = Units(ch);
    if (width + units > kHistoryWidth && !current.empty()) {
      wrapped.push_back(current);
      current = " ";
      width = 1;
    }
    current += ch;
    width += units;
    i += ch.size();
  }
  if (!current.empty() || wrapped.empty()) wrapped.push_back(current);
  AddHistoryLines(wrapped);
}

void TableChat::AddHistoryLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    history_.push_back(line);
    if (historyForm_ != kNoForm) {
      view_.scene().form(historyForm_).AddLine(historyList_, line);
    }
  }
  // The newest line stays in view; scrolling back is the user's.
  if (historyForm_ != kNoForm) view_.scene().form(historyForm_).ScrollListToEnd(historyList_);
}

void TableChat::ClearHistory() {
  history_.clear();
  if (historyForm_ != kNoForm) view_.scene().form(historyForm_).ClearLines(historyList_);
}

void TableChat::ToggleHistory() {
  BuildHistory();
  if (historyForm_ == kNoForm) return;
  Form& f = view_.scene().form(historyForm_);
  f.SetFormVisible(!f.visible());
}

void TableChat::HideHistory() {
  if (historyForm_ != kNoForm) view_.scene().form(historyForm_).SetFormVisible(false);
}

void TableChat::LoadPhrases() {
  if (phrasesLoaded_) return;
  phrasesLoaded_ = true;
  // The player's own phrases first, then the set that comes with Korvel.
  classIniFile ini;
  const Files& files = files_;
  ini.SetPath(files.UserDir(UserFolder::kConfig), kPhraseFile);
  if (ini.GetIniKey("Phrase1", "num").empty() && ini.GetIniKey("Phrase2", "num").empty()) {
    ini.SetPath(files.DataDir(), kPhraseFile);
  }
  for (int list = 0; list < kPhraseLists; ++list) {
    const std::string section = "Phrase" + std::to_string(list + 1);
    const int n = std::clamp(std::atoi(ini.GetIniKey(section, "num").c_str()), 0, 100);
    for (int i = 1; i <= n; ++i)
      phrases_[list].push_back(ini.GetIniKey(section, std::to_string(i)));
  }
}

std::string TableChat::QuickPhrase(int list, int index) {
  LoadPhrases();
  if (list < 1 || list > kPhraseLists) return {};
  const auto& entries = phrases_[list - 1];
  if (index < 0 || index >= static_cast<int>(entries.size())) return {};
  return entries[index];
}

void TableChat::BuildPhrases() {
  TableView& view = view_;
  if (phraseForm_ != kNoForm || !view.laidOut()) return;
  LoadPhrases();
  size_t rows = std::max<size_t>({phrases_[0].size(), phrases_[1].size(), 1});
  const double height = 30 + kPhraseRowPx * rows + 8;
  phraseForm_ = view.scene().AddForm("huifu", kPhraseWidthPx, height);
  Form& f = view.scene().form(phraseForm_);
  f.SetTitle("短语");
  f.frameless = true;
  f.windowOpacity = 200;
  const ElementId panel = f.Add("Panel", 0, ElementKind::Label, {0, 0, kPhraseWidthPx, height});
  f.SetBackColor(panel, kPanel, true);
  const ElementId label = f.Add("Label1", 0, ElementKind::Label, {8, 4, kPhraseWidthPx - 16, 22});
  f.SetCaption(label, "双击短语发送");
  f.SetColor(label, kText);
  for (int list = 0; list < kPhraseLists; ++list) {
    const std::string name = "List" + std::to_string(list + 1);
    phraseLists_[list] =
        f.Add(name, 0, ElementKind::Label, {6, 28, kPhraseWidthPx - 12, kPhraseRowPx * rows + 4});
    f.SetBackColor(phraseLists_[list], 0xFBF6E6, true);
    for (size_t i = 0; i < phrases_[list].size(); ++i) {
      const ElementId item = f.Add(name + "Item", static_cast<int>(i), ElementKind::Label,
                                   {10, 30 + kPhraseRowPx * i, kPhraseWidthPx - 20, kPhraseRowPx});
      f.SetCaption(item, phrases_[list][i]);
      f.SetFontSize(item, 10);
      f.SetCursor(item, kCursorCustom);
      phraseItems_[list].push_back(item);
    }
  }
}

void TableChat::TogglePhrases(int list) {
  HideHistory();
  BuildPhrases();
  if (phraseForm_ == kNoForm || list < 1 || list > kPhraseLists) return;
  TableView& view = view_;
  Form& f = view.scene().form(phraseForm_);
  if (f.visible()) {
    f.SetFormVisible(false);
    return;
  }
  phraseListShown_ = list;
  for (int k = 0; k < kPhraseLists; ++k) {
    const bool shown = k == list - 1;
    f.SetVisible(phraseLists_[k], shown);
    for (ElementId item : phraseItems_[k]) f.SetVisible(item, shown);
  }
  // Above the phrase buttons.
  const Form& main = view.main();
  const ElementId button = list == 1 ? view.el.imgword1 : view.el.imgword2;
  if (view.scale().IsSmall()) {
    f.screenTop = main.screenTop + main.GetHeight(view.el.pic1) * 0.6;
    f.screenLeft = main.screenLeft + main.GetLeft(button);
  } else {
    f.screenTop = main.screenTop + main.GetHeight(view.el.pic1) * 0.66;
    f.screenLeft = main.screenLeft + main.width() * 0.3;
  }
  f.screenTop = std::min(f.screenTop, main.screenTop + main.GetTop(button) - f.height());
  f.SetFormVisible(true);
}

void TableChat::HidePhrases() {
  if (phraseForm_ != kNoForm) view_.scene().form(phraseForm_).SetFormVisible(false);
}

void TableChat::SendPhrase(int list, int index) {
  const std::string phrase = QuickPhrase(list, index);
  if (phrase.empty()) return;
  int target = 0;
  const std::string message =
      Compose(WhisperPrefix.empty() ? phrase : WhisperPrefix + phrase, target);
  Send(message, list, index + 1, target);
  HidePhrases();
  // The keyboard goes back to the chat box, where the player was typing.
  TableView& view = view_;
  if (view.laidOut()) view.main().RequestFocus(view.el.Chat);
}

FormId TableChat::balloonForm(ViewPos v) const {
  return v >= 0 && v < kSeats ? balloons_[v].form : kNoForm;
}

TableChat::Balloon& TableChat::PrepareBalloon(ViewPos v) {
  Balloon& b = balloons_[v];
  TableView& view = view_;
  if (b.form != kNoForm) return b;
  // One window per seat, known by its tag: forms of the same name would be one window.
  const std::string tag = std::to_string(v) + "speak";
  b.form = view.scene().AddForm("frmSpeakBox" + tag, kBalloonWidth, kBalloonHeight);
  Form& f = view.scene().form(b.form);
  f.SetTitle(tag);
  f.topmost = true;
  f.windowOpacity = 0;
  // Only the balloon itself shows, and it never takes the keyboard from the chat box.
  f.frameless = true;
  f.takesFocus = false;
  const ElementId picture =
      f.Add("picSplash", 0, ElementKind::Image, {0, 0, kBalloonWidth, kBalloonHeight});
  f.LoadSprite(picture, kPicSpeak);
  f.shapedBy = picture;
  // Inside the balloon's body, above its tail; a long phrase takes a second line.
  b.text = f.Add("labPhrase", 0, ElementKind::Label, kBalloonText);
  f.SetColor(b.text, kBalloonInk);
  f.SetFontSize(b.text, 11);
  f.SetBold(b.text, true);
  f.SetAlign(b.text, TextAlign::Center);
  f.SetWrap(b.text, true);
  f.ScaleLayout(view.scale().sx);
  f.SetFormVisible(true);
  return b;
}

void TableChat::HideBalloons() {
  for (const Balloon& b : balloons_) {
    if (b.form != kNoForm) view_.scene().form(b.form).SetFormVisible(false);
  }
}

void TableChat::ShowFadingBalloons() {
  for (const Balloon& b : balloons_) {
    if (b.form != kNoForm && b.fading) view_.scene().form(b.form).SetFormVisible(true);
  }
}

void TableChat::ShowBalloon(ViewPos v, const std::string& phrase, int opacity, int fadeIn,
                            int fadeOut, int hold) {
  TableView& view = view_;
  if (v < 0 || v >= kSeats || !view.laidOut()) return;
  Balloon& b = PrepareBalloon(v);
  Form& f = view.scene().form(b.form);
  const Form& main = view.main();
  const double sx = view.scale().sx, sy = view.scale().sy;
  // Beside the seat: below the local hand, or under the other portraits.
  constexpr double kTwip = 1.0 / 15;
  if (v == 0) {
    f.screenLeft = main.screenLeft + 1500 * kTwip * sx;
    f.screenTop = main.screenTop + 8550 * kTwip * sy;
  } else {
    f.screenLeft = main.screenLeft + ((v == 1 ? 1050 : 11175) - 400) * kTwip * sx;
    f.screenTop = main.screenTop + main.GetTop(view.el.pic1) + 0.11 * main.GetHeight(view.el.pic1) +
                  80 * kTwip * sy;
  }
  b.opacity = opacity;
  b.fadeIn = fadeIn;
  b.fadeOut = fadeOut;
  b.hold = hold;
  b.count = 0;
  b.fading = true;
  f.SetCaption(b.text, phrase);
  f.SetFormVisible(!view_.MainWindowMinimized);
  timers_.Start(TimerName(v), kBalloonTickMs, [this, v] { FadeStep(v); });
}

void TableChat::FadeStep(ViewPos v) {
  if (v < 0 || v >= kSeats) return;
  Balloon& b = balloons_[v];
  if (b.form == kNoForm) return;
  Form& f = view_.scene().form(b.form);
  b.count += b.fadeIn;
  if (b.count < b.opacity) {
    f.windowOpacity = static_cast<uint8_t>(std::clamp(b.count, 0, 255));
    f.MarkAllDirty();
  } else if (b.count > b.opacity + b.hold) {
    b.opacity -= b.fadeOut;
    f.windowOpacity = static_cast<uint8_t>(std::clamp(b.opacity, 0, 255));
    f.MarkAllDirty();
    if (b.opacity <= 1) {
      timers_.Stop(TimerName(v));
      b.fading = false;
      f.SetCaption(b.text, "");
      f.screenLeft = -2 * f.width();
      f.SetFormVisible(false);
    }
  }
}

bool TableChat::OnClick(FormId form, ElementId element) {
  if (form != kNoForm && form == historyForm_) {
    if (element == historyClose_) HideHistory();
    return true;
  }
  return form != kNoForm && form == phraseForm_;
}

bool TableChat::OnDoubleClick(FormId form, ElementId element) {
  if (form == kNoForm || form != phraseForm_) return false;
  for (int list = 0; list < kPhraseLists; ++list) {
    const auto& items = phraseItems_[list];
    const auto it = std::find(items.begin(), items.end(), element);
    if (it != items.end()) SendPhrase(list + 1, static_cast<int>(it - items.begin()));
  }
  return true;
}

void TableChat::HideWindows() {
  HideHistory();
  HidePhrases();
}

}  // namespace korvel
