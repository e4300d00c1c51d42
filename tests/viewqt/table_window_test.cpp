// The table as a person plays it: the client's real windows (offscreen) driven with Qt mouse
// events, at both layouts. korvel-server's table and computer players run in the same process
// on the client's virtual clock, so a whole deal is played by pointing and clicking, and the
// records the client sends, the windows' places and the countdown's seconds are checked.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBrowser>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "picture_library.h"
#include "qt_app.h"
#include "qt_platform.h"
#include "scene_renderer.h"
#include "scene_window.h"
#include "support/in_process_table.h"
#include "support/scratch_folder.h"
#include "table/hall.h"
#include "table/offer_records.h"
#include "table/server_records.h"
#include "table/table.h"

namespace korvel {
namespace {

namespace srv = korvel::server;

constexpr int kStepMs = 50;
constexpr int kLocalSeat = 2;  // two computer players sit first

using testing::ClientLink;
using Listener = testing::DealListener;

// One record the client sent: its command and value(3), and when.
struct Sent {
  int command;
  int value3;
  int64_t atMs;
};

PictureLibrary& Pictures() {
  static PictureLibrary* pictures = [] {
    auto* p = new PictureLibrary;
    p->LoadFolder(QString(KORVEL_SHARE_DIR) + "/pictures");
    return p;
  }();
  return *pictures;
}

int Difference(const QImage& a, const QImage& b) {
  int64_t sum = 0;
  for (int y = 0; y < a.height() && y < b.height(); ++y) {
    for (int x = 0; x < a.width() && x < b.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
             std::abs(qBlue(p) - qBlue(q));
    }
  }
  return static_cast<int>(sum / std::max(1, a.width() * a.height()));
}

// The client in its windows. `small` chooses the 800 x 600 layout through the screen size.
class WindowFixture : public testing::TableFixture, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    TestApp();
    ASSERT_EQ(Pictures().Missing(), 0) << "the picture set is not built";
    vp.screen.width = small() ? 800 : 1280;
    vp.screen.height = small() ? 600 : 1024;
    vp.files.appDir = std::string(KORVEL_BIN_DIR);
    vp.files.userDir = userFiles.path();
    client.view().scene().SetPictureStore(&Pictures());
  }
  void TearDown() override { front.reset(); }
  bool small() const { return GetParam(); }

  // The windows, once the client has laid out its table.
  void OpenWindows() {
    front = std::make_unique<SceneFrontEnd>(client.view().scene(), Pictures());
    front->SetEvents(&client.input());
    Sync();
    MainWindow()->move(0, 0);
    Sync();
  }
  void Sync() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }
  SceneWindow* MainWindow() { return front->Window(view().mainForm()); }
  SceneWindow* WindowOf(FormId form) { return form == kNoForm ? nullptr : front->Window(form); }

  // ---- the pointer ----------------------------------------------------------------------
  void Send(SceneWindow* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
            Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
  }
  void MoveTo(SceneWindow* w, QPoint at) {
    Send(w, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    Sync();
  }
  void ClickAt(SceneWindow* w, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    MoveTo(w, at);
    Send(w, QEvent::MouseButtonPress, at, button, button);
    Send(w, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
    Sync();
  }
  QPoint CentreOf(FormId form, ElementId e) {
    return SceneRenderer::PixelRect(*client.view().scene().form(form).Get(e)).center();
  }
  void Click(ElementId e) { ClickAt(MainWindow(), CentreOf(view().mainForm(), e)); }
  void Hover(ElementId e) { MoveTo(MainWindow(), CentreOf(view().mainForm(), e)); }
  // A spot of bare table in the middle of the window.
  QPoint TableSpot() { return QPoint(static_cast<int>(view().X(512)), view().Y(300)); }

  // ---- what the windows show and where ----------------------------------------------------
  QRect OnScreen(ElementId e) {
    const QRect r = SceneRenderer::PixelRect(*main().Get(e));
    return QRect(MainWindow()->mapToGlobal(r.topLeft()), r.size());
  }
  QRect ButtonRow() {
    QRect all;
    for (ElementId b : el().AnNiu) all = all.united(OnScreen(b));
    return all;
  }
  // The local hand as laid out: its row, fourteen tiles wide.
  QRect HandArea() {
    const PlayerRecord& p = player(0);
    const QRect row(static_cast<int>(p.rowX), static_cast<int>(p.rowY) - 10,
                    static_cast<int>(view().X(48) * 14), static_cast<int>(view().Y(78)) + 10);
    return QRect(MainWindow()->mapToGlobal(row.topLeft()), row.size());
  }
  QRect Screen() { return QRect(0, 0, vp.screen.width, vp.screen.height); }
  void ExpectClearOfTheTable(FormId form, const char* what) {
    ExpectAboveTheTable(form, what);
    SceneWindow* w = WindowOf(form);
    if (!w) return;
    const QRect frame = w->frameGeometry();
    EXPECT_FALSE(frame.intersects(ButtonRow())) << what << " covers the main buttons";
    EXPECT_FALSE(frame.intersects(HandArea())) << what << " covers the hand";
  }
  // Open on the screen and owned by the table, so it cannot fall behind it.
  void ExpectAboveTheTable(FormId form, const char* what) {
    SceneWindow* w = WindowOf(form);
    ASSERT_NE(w, nullptr) << what;
    ASSERT_TRUE(w->isVisible()) << what;
    EXPECT_TRUE(Screen().contains(w->frameGeometry())) << what << " leaves the screen";
    EXPECT_EQ(w->parentWidget(), MainWindow()) << what << " can fall behind the table";
  }

  // With KORVEL_SCREENSHOT_DIR set: the table with its open windows where they stand, as a
  // person sees them (`crop` limits it to part of the table).
  void SaveScreenshot(const QString& name, QRect crop = QRect()) {
    const char* dir = std::getenv("KORVEL_SCREENSHOT_DIR");
    if (!dir) return;
    Sync();
    QImage shot = MainWindow()->grab().toImage();
    {
      QPainter p(&shot);
      for (FormId f = 0; f < client.view().scene().FormCount(); ++f) {
        SceneWindow* w = front->Window(f);
        if (!w || w == MainWindow() || !w->isVisible()) continue;
        p.setOpacity(w->windowOpacity());
        const QPoint at = w->geometry().topLeft() - MainWindow()->geometry().topLeft();
        // A shaped window shows only inside its shape.
        p.setClipping(!w->mask().isEmpty());
        if (!w->mask().isEmpty()) p.setClipRegion(w->mask().translated(at));
        p.drawImage(at, w->grab().toImage());
      }
    }
    QDir().mkpath(dir);
    if (!crop.isNull()) shot = shot.copy(crop);
    shot.save(QString(dir) + "/" + name + (small() ? "-800.png" : "-1024.png"));
  }

  // The painted picture of an element, and the button picture nearest to it.
  QImage Painted(ElementId e) {
    Sync();
    return MainWindow()->grab(SceneRenderer::PixelRect(*main().Get(e))).toImage();
  }
  int NearestButtonEntry(ElementId e) {
    const QImage shown = Painted(e);
    int best = -1, bestDifference = 1 << 30;
    for (int k = 0; k < 20; ++k) {
      const QImage& expected =
          Pictures().Scaled(view().sprites().ButtonSprites[k], shown.width(), shown.height());
      // Only pictures of the element's size compete (the send pair is smaller).
      if (expected.isNull()) continue;
      const int d = Difference(shown, expected);
      if (d < bestDifference) {
        bestDifference = d;
        best = k;
      }
    }
    return best;
  }

  std::unique_ptr<SceneFrontEnd> front;
  testing::ScratchFolder userFiles;
};

// ---- at a real table ------------------------------------------------------------------------

class TableWindowTest : public WindowFixture {
 protected:
  void SeatAtTable(uint64_t seed = 3) {
    table.emplace(1, config, clock, seed, shanten, listener);
    table->Seat(srv::Hall::BotProfile(1, 0), nullptr);
    table->Seat(srv::Hall::BotProfile(1, 1), nullptr);
    ASSERT_TRUE(Start());
    OpenWindows();
    ASSERT_EQ(Run(200), -1);
    vp.socket.sent.clear();
    srv::PlayerProfile me;
    me.account = "a";
    me.nickname = "a";
    ASSERT_EQ(table->Seat(me, &link), kLocalSeat);
    play().SetRandomSource([](int) { return 0; });
    for (int i = 0; i < 80; ++i) Step();
  }

  void Step() {
    for (const RecordBytes& r : link.pending) Deliver(r);
    link.pending.clear();
    ASSERT_EQ(Run(kStepMs), -1) << "the client ended";
    Sync();
    clock.Set(std::max(clock.NowMs(), vp.timers.NowMs()));
    table->Tick();
    for (const auto& bytes : vp.socket.sent) {
      RecordBytes r{};
      std::copy_n(bytes.begin(), std::min(bytes.size(), r.size()), r.begin());
      sent.push_back({r[3], r[15], vp.timers.NowMs()});
      table->OnRecord(kLocalSeat, r);
    }
    vp.socket.sent.clear();
  }
  void Steps(int n) {
    for (int i = 0; i < n && !HasFatalFailure(); ++i) Step();
  }
  bool Quiet() {
    return link.pending.empty() && !client.records().RecordWaiting() &&
           client.records().QueuedBytes() == 0 && vp.socket.sent.empty();
  }
  int Continues() const {
    return static_cast<int>(std::count_if(
        sent.begin(), sent.end(), [](const Sent& s) { return s.command == 16 && s.value3 == 1; }));
  }
  bool Clickable(ElementId e) { return main().Visible(e) && main().Enabled(e); }

  // A key pressed on the table window, as the keyboard delivers it.
  void Press(int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(MainWindow(), &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(MainWindow(), &release);
    Sync();
  }
  // An operation button, by pointer or by its key.
  void Answer(int i) {
    ++clicked;
    if (!byKeys) return Click(el().Operation[i]);
    static const int kKeys[6] = {0, Qt::Key_P, Qt::Key_G, Qt::Key_R, Qt::Key_H, Qt::Key_N};
    Press(kKeys[i]);
  }

  // A player with a pointer (or the keyboard): takes a win or a gang, passes on claims,
  // discards the drawn tile.
  void Act() {
    const TableState& st = state();
    if (st.ClickState >= 2) return;
    for (int c = 0; c < 5; ++c) {
      if (!Clickable(el().Gang[c])) continue;
      if (byKeys) return Press(Qt::Key_1 + c);
      return Click(el().Gang[c]);
    }
    if (st.ClickState == 0) {
      for (int i : {4, 2, 1}) {
        if (st.OperationState[i] == 2 && Clickable(el().Operation[i])) return Answer(i);
      }
      if (st.OperationState[5] == 2 && Clickable(el().Operation[5]) && !st.MustDiscard) {
        return Answer(5);
      }
    }
    if (!st.MustDiscard || st.ClickState == 3) return;
    const PlayerRecord& p = player(0);
    for (int k = p.handStart + p.handCount - 1; k >= p.handStart; --k) {
      const ElementId e = Tile(p.slots[k].element);
      if (!main().Enabled(e)) continue;
      if (byKeys) {
        // Right walks to the last tile; Enter discards it.
        for (int i = 0; i < 20 && main().Get(e)->geometry.top >= p.rowY; ++i) Press(Qt::Key_Right);
        Press(Qt::Key_Return);
        ++discards;
        return;
      }
      // Over the tile it rises; one press discards it.
      const QPoint at = CentreOf(view().mainForm(), e);
      MoveTo(MainWindow(), at);
      Send(MainWindow(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
      Send(MainWindow(), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
      Sync();
      ++discards;
      return;
    }
  }

  // Plays until the server has finished `deals` deals in all, then lets the board come.
  void PlayDeals(int deals, int maxSteps = 30000) {
    for (int i = 0; i < maxSteps && listener.deals < deals; ++i) {
      Step();
      if (HasFatalFailure()) return;
      if (operationBeforeDealEnd.empty()) CheckOperationRow();
      if (Quiet()) Act();
    }
    ASSERT_GE(listener.deals, deals) << "the deals did not finish";
    Steps(60);
  }

  // Whenever the operation buttons show, they lie in their row over the bottom wall and above
  // every tile there, so a click on one never lands on a tile.
  void CheckOperationRow() {
    for (int i = 1; i < 6; ++i) {
      if (!main().Visible(el().Operation[i])) continue;
      ++rowChecks;
      const Element& op = *main().Get(el().Operation[i]);
      if (op.geometry.left != view().X(358 + 50 * i) || op.geometry.top != view().Y(461)) {
        operationBeforeDealEnd = "operation button " + std::to_string(i) + " out of its row";
        return;
      }
      const QRect button = SceneRenderer::PixelRect(op);
      for (int t = 0; t < kTileElements; ++t) {
        const Element& tile = *main().Get(Tile(t));
        if (!tile.visible || !button.intersects(SceneRenderer::PixelRect(tile))) continue;
        if (main().ZIndex(Tile(t)) > main().ZIndex(el().Operation[i])) {
          operationBeforeDealEnd =
              "tile " + std::to_string(t) + " covers operation button " + std::to_string(i);
          return;
        }
      }
    }
  }

  srv::TableConfig config{.turnSeconds = 8};
  srv::ManualClock clock;
  srv::ShantenCalculator shanten;
  Listener listener;
  ClientLink link;
  std::optional<srv::Table> table;
  std::vector<Sent> sent;
  int clicked = 0;
  int discards = 0;
  bool byKeys = false;
  int rowChecks = 0;
  std::string operationBeforeDealEnd;
};

TEST_P(TableWindowTest, EveryMainButtonShowsItsOwnPictureAndDoesWhatItSays) {
  SeatAtTable();
  if (HasFatalFailure()) return;
  // Normal, then under the pointer, across the row and back off it.
  for (int i = 0; i < kMainButtons; ++i) {
    if (i == 2) continue;  // start or continue, below
    EXPECT_EQ(NearestButtonEntry(el().AnNiu[i]), MainButtonSprite(i, false)) << "button " << i;
  }
  for (int i = 3; i < kMainButtons; ++i) {
    Hover(el().AnNiu[i]);
    EXPECT_EQ(NearestButtonEntry(el().AnNiu[i]), MainButtonSprite(i, true)) << "button " << i;
  }
  Hover(el().AnNiu[6]);
  SaveScreenshot("buttons", ButtonRow().adjusted(-8, -8, 8, 8));
  MoveTo(MainWindow(), TableSpot());
  for (int i = 0; i < kMainButtons; ++i) {
    if (i == 2) continue;
    EXPECT_EQ(NearestButtonEntry(el().AnNiu[i]), MainButtonSprite(i, false)) << "button " << i;
  }
  // Start before the first deal: its own pair, normal and under the pointer, pressed too.
  EXPECT_EQ(NearestButtonEntry(el().AnNiu[2]), 4);
  Hover(el().AnNiu[2]);
  EXPECT_EQ(NearestButtonEntry(el().AnNiu[2]), 5);
  Send(MainWindow(), QEvent::MouseButtonPress, CentreOf(view().mainForm(), el().AnNiu[2]),
       Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(NearestButtonEntry(el().AnNiu[2]), 5);
  Send(MainWindow(), QEvent::MouseButtonRelease, CentreOf(view().mainForm(), el().AnNiu[2]),
       Qt::LeftButton, Qt::NoButton);
  Sync();
  // Once pressed it reads continue, and stays locked until the deal has ended.
  MoveTo(MainWindow(), TableSpot());
  EXPECT_EQ(NearestButtonEntry(el().AnNiu[2]), 6);
  EXPECT_TRUE(view().ButtonLocked[2]);

  // Each click does what its label says.
  Click(el().AnNiu[7]);
  ASSERT_FALSE(vp.dialogs.pages.empty()) << "规则";
  EXPECT_NE(vp.dialogs.pages.back().find("rules.html"), std::string::npos);
  EXPECT_EQ(client.leaving().exitForm() == kNoForm ||
                !client.view().scene().form(client.leaving().exitForm()).visible(),
            true)
      << "规则 opened the exit dialog";
  Click(el().AnNiu[8]);
  ASSERT_NE(client.leaving().exitForm(), kNoForm);
  EXPECT_TRUE(WindowOf(client.leaving().exitForm())->isVisible()) << "退出";
  Click(el().AnNiu[8]);
  EXPECT_FALSE(WindowOf(client.leaving().exitForm())->isVisible());
  Click(el().AnNiu[3]);
  EXPECT_TRUE(WindowOf(client.vosSetForm().form())->isVisible()) << "设置";
  Click(el().AnNiu[3]);
  EXPECT_FALSE(WindowOf(client.vosSetForm().form())->isVisible());
  Click(el().AnNiu[1]);
  EXPECT_TRUE(WindowOf(client.chat().historyForm())->isVisible()) << "聊天";
  Click(el().AnNiu[1]);
  Click(el().AnNiu[6]);
  EXPECT_TRUE(WindowOf(client.settlement().history().form)->isVisible()) << "历史";
  Click(el().AnNiu[6]);
  Click(el().AnNiu[5]);
  EXPECT_TRUE(WindowOf(client.settlement().board().form)->isVisible()) << "战绩";
  Click(el().AnNiu[5]);
  EXPECT_FALSE(WindowOf(client.settlement().board().form)->isVisible());
  Click(el().AnNiu[4]);
  EXPECT_TRUE(main().minimised()) << "隐藏";
}

TEST_P(TableWindowTest, ADealPlayedWithThePointerEndsOnABoardAndContinueSendsOnce) {
  config.startSeconds = 30;  // a person's pause between deals, longer than the countdown
  SeatAtTable();
  if (HasFatalFailure()) return;
  EXPECT_EQ(main().Get(el().Nid[0])->caption, "a") << "no brackets without a name tag";
  Click(el().AnNiu[2]);
  Steps(2);
  ASSERT_EQ(Continues(), 1) << "the start click";
  PlayDeals(1);
  if (HasFatalFailure()) return;
  EXPECT_GT(discards, 0);
  EXPECT_EQ(operationBeforeDealEnd, "");
  EXPECT_GT(rowChecks, 0) << "the operation buttons never showed";
  // The board is up, above the table, clear of the buttons and the hand.
  const FormId board = client.settlement().board().form;
  ExpectClearOfTheTable(board, "the score board");
  SaveScreenshot("board");
  Click(el().AnNiu[6]);
  SaveScreenshot("history");
  Click(el().AnNiu[6]);
  // A click on the table leaves it in front; its close picture closes it, 战绩 brings it back.
  ClickAt(MainWindow(), TableSpot());
  EXPECT_TRUE(WindowOf(board)->isVisible());
  ClickAt(WindowOf(board), CentreOf(board, client.settlement().board().Image1));
  EXPECT_FALSE(WindowOf(board)->isVisible());
  Click(el().AnNiu[5]);
  EXPECT_TRUE(WindowOf(board)->isVisible()) << "one click brings the board back";

  // Continue goes at once, and only once.
  const int before = Continues();
  Click(el().AnNiu[2]);
  Steps(2);
  EXPECT_EQ(Continues(), before + 1) << "继续 after the deal";
  EXPECT_FALSE(WindowOf(board)->isVisible());
  Click(el().AnNiu[2]);
  Steps(400);  // past the end of the countdown
  EXPECT_EQ(Continues(), before + 1) << "a second click or the countdown sent another";
}

TEST_P(TableWindowTest, ADealPlayedByKeyboardEndsOnABoard) {
  SeatAtTable(5);
  if (HasFatalFailure()) return;
  Click(el().AnNiu[2]);
  // A click on the table takes the keyboard from the chat box.
  ClickAt(MainWindow(), TableSpot());
  ASSERT_EQ(qobject_cast<QLineEdit*>(MainWindow()->focusWidget()), nullptr);
  byKeys = true;
  PlayDeals(1);
  if (HasFatalFailure()) return;
  EXPECT_GT(discards, 0);
  EXPECT_GT(clicked, 0) << "no offer was answered by key";
  EXPECT_TRUE(WindowOf(client.settlement().board().form)->isVisible());
  EXPECT_EQ(client.table().progress.TimeoutRun, 0) << "the clock never had to play";
}

TEST_P(TableWindowTest, TheNextDealClosesTheBoardClearsTheMarksAndIgnoresContinue) {
  config.startSeconds = 4;  // a server that starts the next deal under the open board
  config.continueGraceMs = 0;
  SeatAtTable();
  if (HasFatalFailure()) return;
  Click(el().AnNiu[2]);
  PlayDeals(1);
  if (HasFatalFailure()) return;
  ASSERT_TRUE(WindowOf(client.settlement().board().form)->isVisible());
  const int dealsStarted = client.table().progress.DealCount;
  for (int i = 0; i < 400 && client.table().progress.DealCount == dealsStarted; ++i) Step();
  ASSERT_EQ(client.table().progress.DealCount, dealsStarted + 1)
      << "the server started the next deal";
  Steps(2);
  EXPECT_FALSE(WindowOf(client.settlement().board().form)->isVisible());
  for (ElementId ok : el().OK) EXPECT_FALSE(main().Visible(ok));
  for (int list = 0; list < 2; ++list) {
    for (const std::string& line : client.messages().Lines(list)) {
      EXPECT_EQ(line.find("继续"), std::string::npos) << line;
      EXPECT_EQ(line.find("秒内开始"), std::string::npos) << line;
    }
  }
  const int before = Continues();
  Click(el().AnNiu[2]);
  Steps(400);
  EXPECT_EQ(Continues(), before) << "continue clicked during a deal";
}

TEST_P(TableWindowTest, SecondaryWindowsStayAboveTheTable) {
  SeatAtTable();
  if (HasFatalFailure()) return;
  Click(el().AnNiu[5]);
  ExpectClearOfTheTable(client.settlement().board().form, "the score board");
  Click(el().AnNiu[5]);
  Click(el().AnNiu[6]);
  ExpectClearOfTheTable(client.settlement().history().form, "the history");
  Click(el().AnNiu[6]);
  Click(el().AnNiu[3]);
  // The settings open over the lower right corner of the table.
  ExpectAboveTheTable(client.vosSetForm().form(), "the settings");
  Click(el().AnNiu[3]);
  Click(el().AnNiu[8]);
  ExpectClearOfTheTable(client.leaving().exitForm(), "the exit dialog");
  Click(el().AnNiu[8]);
  for (int v : {0, 1, 2}) {
    Hover(el().Tou[v]);
    const FormId info = client.seating().infoForm();
    if (info == kNoForm || !client.view().scene().form(info).visible()) continue;
    ExpectClearOfTheTable(info, "the player information");
    // The top bar, clear of the labels and pictures on it, closes it again.
    MoveTo(MainWindow(), QPoint(static_cast<int>(view().X(250)), static_cast<int>(view().Y(90))));
    EXPECT_FALSE(WindowOf(info)->isVisible());
  }

  // The chat history opens over the lower middle of the table, and 关闭 closes it.
  Click(el().AnNiu[1]);
  const FormId talk = client.chat().historyForm();
  ExpectAboveTheTable(talk, "the chat history");
  SaveScreenshot("chat-history");
  const ElementId close = client.view().scene().form(talk).Find("Label1");
  ClickAt(WindowOf(talk), CentreOf(talk, close));
  EXPECT_FALSE(WindowOf(talk)->isVisible()) << "关闭";
  EXPECT_FALSE(client.view().scene().form(talk).visible());
}

INSTANTIATE_TEST_SUITE_P(Layouts, TableWindowTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("Small") : std::string("Full");
                         });

// ---- deal ends set up record by record ------------------------------------------------------

class DealEndWindowTest : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    if (HasFatalFailure()) return;
    StartPlaying(1);
    OpenWindows();
    view().ResetTable();
  }
  // Three deal results and the deal end, the local seat (seat 0) winning.
  void EndDeal() {
    Feed(srv::DealResultRecord(0, 200, "玩家"), 100);
    Feed(srv::DealResultRecord(1, -100, "玩家"), 100);
    Feed(srv::DealResultRecord(2, -100, "玩家"), 100);
    Deliver(srv::DealEndRecord());
    ASSERT_EQ(Run(100), -1);
    Sync();
  }
  int ContinuesSent() {
    int n = 0;
    for (const auto& r : vp.socket.sent) n += r.size() > 15 && r[3] == 16 && r[15] == 1 ? 1 : 0;
    return n;
  }
};

TEST_P(DealEndWindowTest, TheCountdownRunsOnceASecondWhateverTurnClockWasRunning) {
  for (int seat : {2, 1}) {  // another seat's clock, then the winner's own
    // A turn starts, the deal ends two seconds into it.
    Feed(testing::OptionRecord(seat, seat == 1 ? OpHu : 0, 8), 2000);
    EndDeal();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(main().Visible(el().Number));
    EXPECT_EQ(main().Get(el().Number)->caption, "15");
    EXPECT_EQ(client.messages().Lines(1).back(), "游戏将在15秒内开始");
    std::vector<std::string> seen;
    for (int second = 1; second <= 16; ++second) {
      ASSERT_EQ(Run(1000), -1);
      if (main().Visible(el().Number)) seen.push_back(main().Get(el().Number)->caption);
      if (second < 15) {
        EXPECT_EQ(ContinuesSent(), 0) << "at " << second << " s";
      }
    }
    const std::vector<std::string> expected = {"14", "13", "12", "11", "10", "9", "8",
                                               "7",  "6",  "5",  "4",  "3",  "2", "1"};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), seen.begin(),
                           seen.begin() + std::min(seen.size(), expected.size())))
        << "seat " << seat << ": " << ::testing::PrintToString(seen);
    ASSERT_EQ(Run(100), -1);  // the record leaves on the next tick
    EXPECT_EQ(ContinuesSent(), 1) << "seat " << seat;
    ASSERT_EQ(Run(5000), -1);
    EXPECT_EQ(ContinuesSent(), 1) << "seat " << seat;
    vp.socket.sent.clear();
    Feed(DealStartRecord(1, 3), 3000);
  }
}

TEST_P(DealEndWindowTest, ContinueTakesOneClickAfterEveryDealAndNoneDuringOne) {
  for (int deal = 0; deal < 3; ++deal) {
    EndDeal();
    if (HasFatalFailure()) return;
    vp.socket.sent.clear();
    Click(el().AnNiu[2]);
    ASSERT_EQ(Run(100), -1);
    EXPECT_EQ(ContinuesSent(), 1) << "deal " << deal;
    EXPECT_TRUE(main().Visible(el().OK[0]));
    Click(el().AnNiu[2]);
    ASSERT_EQ(Run(20000), -1);
    EXPECT_EQ(ContinuesSent(), 1) << "deal " << deal;
    Feed(DealStartRecord(1, 3), 3000);
    Sync();
    EXPECT_FALSE(main().Visible(el().OK[0]));
    vp.socket.sent.clear();
    Click(el().AnNiu[2]);
    ASSERT_EQ(Run(1000), -1);
    EXPECT_EQ(ContinuesSent(), 0) << "a click during deal " << deal;
  }
}

TEST_P(DealEndWindowTest, TheDealerPlateHoldsItsNameAndForgetsAnEarlierTable) {
  client.table().seating.SeatFace[0].nickname = "庄家的名字";
  Feed(DealStartRecord(1, 3), 3000);
  Sync();
  const Element& plate = *main().Get(el().img_zhuang);
  const Element& name = *main().Get(el().lbZhuang);
  ASSERT_TRUE(name.visible);
  EXPECT_EQ(name.caption, "庄家的名字");
  // The server started the deal without a click: the button reads continue from now on.
  EXPECT_EQ(main().GetPicture(el().AnNiu[2]), view().sprites().ButtonSprites[6]);
  const QRect plateRect = SceneRenderer::PixelRect(plate);
  const QRect nameRect = SceneRenderer::PixelRect(name);
  EXPECT_TRUE(plateRect.contains(nameRect));
  const QFontMetrics metrics(front->renderer().FontFor(name));
  EXPECT_LE(metrics.height(), nameRect.height()) << "the name is drawn below its box";
  EXPECT_LE(metrics.horizontalAdvance(QString::fromStdString(name.caption)), nameRect.width());
  // The deal end keeps the size of this layout.
  EndDeal();
  Deliver(srv::NextDealerRecord(0, 0x1234));
  ASSERT_EQ(Run(100), -1);
  EXPECT_LE(QFontMetrics(front->renderer().FontFor(name)).height(), nameRect.height());
  // A new login at another table starts with no dealer named.
  Feed(testing::ServerRecord(kCmdLogin, 0, {5, 8, 0, 1}), 200);
  client.view().ResetTable();
  EXPECT_EQ(main().Get(el().lbZhuang)->caption, "");
}

// A side seat's ready balloon and ready mark stand where that seat's clock stands. The balloon
// comes with the seat's discard, which ends its turn: the next turn's clock is elsewhere and in
// sight while the balloon still shows.
TEST_P(DealEndWindowTest, BalloonsAndReadyMarksHideNoRunningClock) {
  for (int v : {1, 2}) {
    const int mask = v == 1 ? 4 : 2, next = v == 1 ? 2 : 4;
    Feed(testing::OptionRecord(mask, 0, 8), 200);
    ASSERT_TRUE(main().Visible(el().Time_Img));
    Feed(DiscardRecord(mask, 0x21, 1), 200);
    const ElementId balloon = el().tsSpeak[v - 1];
    EXPECT_TRUE(main().Visible(balloon)) << "seat " << v;
    EXPECT_EQ(main().GetTop(balloon), view().Y(280)) << v;
    EXPECT_EQ(main().GetTop(el().OK[v]), view().Y(280)) << v;
    EXPECT_EQ(main().GetLeft(el().OK[v]), view().X(v == 1 ? 60 : 900)) << v;
    Feed(testing::OptionRecord(next, 0, 8), 200);
    ASSERT_TRUE(main().Visible(balloon)) << "the balloon shows for two seconds";
    const QRect clock = SceneRenderer::PixelRect(*main().Get(el().Time_Img));
    EXPECT_TRUE(main().Visible(el().Time_Img));
    EXPECT_FALSE(SceneRenderer::PixelRect(*main().Get(balloon)).intersects(clock)) << v;
    EXPECT_FALSE(SceneRenderer::PixelRect(*main().Get(el().OK[v])).intersects(clock)) << v;
  }
}

TEST_P(DealEndWindowTest, QuickTablesAnnounceTheirOwnCountdown) {
  client.settings().QuickMode = true;
  EndDeal();
  EXPECT_EQ(client.messages().Lines(1).back(), "游戏将在3秒内开始");
  EXPECT_EQ(main().Get(el().Number)->caption, "3");
}

INSTANTIATE_TEST_SUITE_P(Layouts, DealEndWindowTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("Small") : std::string("Full");
                         });

// ---- the rules ------------------------------------------------------------------------------

TEST(RulesWindow, TheRulesPageOpensInTheClientsOwnWindow) {
  TestApp();
  QtDialogs dialogs(true);
  const std::string rules = std::string(KORVEL_SHARE_DIR) + "/rules.html";
  ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(rules)));
  dialogs.OpenPage(rules);
  QTextBrowser* viewer = dialogs.pages().window();
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_TRUE(viewer->toPlainText().contains(QStringLiteral("碰")));
  // A second click shows the same window again.
  viewer->hide();
  dialogs.OpenPage(rules);
  EXPECT_EQ(dialogs.pages().window(), viewer);
  EXPECT_TRUE(viewer->isVisible());
}

// ---- the history of a long game, and the balloons --------------------------------------

class LongGameWindowTest : public DealEndWindowTest {
 protected:
  void Wheel(SceneWindow* w, QPoint at, int degrees8) {
    QWheelEvent event(QPointF(at), QPointF(w->mapToGlobal(at)), QPoint(), QPoint(0, degrees8),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &event);
    Sync();
  }
  void DoubleClickAt(SceneWindow* w, QPoint at) {
    MoveTo(w, at);
    Send(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    Send(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    Send(w, QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
    Send(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    Sync();
  }
  // The middle of line `line` of the list as the window shows it now.
  QPoint LineAt(FormId form, ElementId list, int line) {
    const Form& f = client.view().scene().form(form);
    const Element& el = *f.Get(list);
    const double y =
        el.geometry.top + f.ListTextTop(list) + (line - el.topLine + 0.5) * f.ListLineHeight(list);
    return QPoint(static_cast<int>(el.geometry.left + el.geometry.width / 3), static_cast<int>(y));
  }
};

TEST_P(LongGameWindowTest, DealOneOfATwentyDealGameOpensFromTheScrolledHistory) {
  for (int deal = 1; deal <= 20; ++deal) {
    Feed(DealStartRecord(1, 3), 3000);
    EndDeal();
    if (HasFatalFailure()) return;
  }
  const HistoryElements& h = client.settlement().history();
  Form& hero = client.view().scene().form(h.form);
  ASSERT_EQ(hero.Get(h.Num)->lines.size(), 20u);
  Click(el().AnNiu[6]);
  SceneWindow* w = WindowOf(h.form);
  ASSERT_TRUE(w->isVisible());
  EXPECT_GT(hero.Get(h.Num)->topLine, 0) << "the newest deals in view";

  // The wheel over the deal list takes it and the seat columns back to deal 1.
  for (int i = 0; i < 5; ++i) Wheel(w, CentreOf(h.form, h.Num), 120);
  EXPECT_EQ(hero.Get(h.Num)->topLine, 0);
  for (ElementId g : h.Grade) EXPECT_EQ(hero.Get(g)->topLine, 0);
  // One line down by the wheel on a seat column: everything follows.
  Wheel(w, CentreOf(h.form, h.Grade[1]), -120);
  EXPECT_EQ(hero.Get(h.Num)->topLine, 3);
  Wheel(w, CentreOf(h.form, h.Grade[1]), 120);

  // A click chooses deal 2 in every column; the screenshot shows it.
  ClickAt(w, LineAt(h.form, h.Num, 1));
  for (ElementId e : {h.Num, h.Grade[0], h.Grade[1], h.Grade[2]}) {
    EXPECT_EQ(hero.Get(e)->selectedLine, 1);
  }
  SaveScreenshot("history-scrolled");

  // A double-click on deal 1 shows its board again.
  client.settlement().HideScoreBoard();
  DoubleClickAt(w, LineAt(h.form, h.Num, 0));
  const FormId board = client.settlement().board().form;
  EXPECT_TRUE(WindowOf(board)->isVisible());
  const auto& final0 =
      client.view().scene().form(board).Get(client.settlement().board().State[4])->lines;
  ASSERT_EQ(final0.size(), 1u);
  EXPECT_EQ(final0[0].rfind("最终分：200", 0), 0u) << final0[0];
}

TEST_P(LongGameWindowTest, TheBoardsColumnsStayAlignedWhenOneIsScrolled) {
  // The prop component's lines make the right column long.
  client.settlement().propScore.ExtraLines[2] =
      "一00000000|二00000000|三00000000|四00000000|五00000000|六00000000|七00000000";
  EndDeal();
  if (HasFatalFailure()) return;
  const ScoreBoardElements& b = client.settlement().board();
  Form& board = client.view().scene().form(b.form);
  SceneWindow* w = WindowOf(b.form);
  ASSERT_TRUE(w->isVisible());
  ASSERT_TRUE(board.ListOverflows(b.State[2])) << "the test needs a column that overflows";
  Wheel(w, CentreOf(b.form, b.State[2]), -360);
  const int top = board.Get(b.State[2])->topLine;
  EXPECT_GT(top, 0);
  for (int v = 0; v < 3; ++v) EXPECT_EQ(board.Get(b.State[v])->topLine, top) << v;
}

INSTANTIATE_TEST_SUITE_P(Layouts, LongGameWindowTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("Small") : std::string("Full");
                         });

class BalloonWindowTest : public DealEndWindowTest {
 protected:
  // Quick phrase `entry` (1-based) of list 1 from the seat with `mask`.
  void Phrase(int mask, int entry) {
    RecordBytes r = testing::ServerRecord(19, mask, {1, 0, 0, static_cast<uint8_t>(entry)});
    Deliver(r);
    ASSERT_EQ(Run(600), -1);  // faded in
    Sync();
  }
  SceneWindow* BalloonWindow(ViewPos v) { return WindowOf(client.chat().balloonForm(v)); }
};

TEST_P(BalloonWindowTest, EveryShippedPhraseFitsItsBalloon) {
  client.table().progress.GameRunning = true;
  Phrase(4, 1);
  const Form& f = client.view().scene().form(client.chat().balloonForm(1));
  const Element& label = *f.Get(f.Find("labPhrase"));
  const QRect box = SceneRenderer::PixelRect(label);
  const QFont& font = front->renderer().FontFor(label);
  const QFontMetrics metrics(font);
  const QRegion shape = BalloonWindow(1)->mask();
  ASSERT_FALSE(shape.isEmpty());
  int phrases = 0;
  for (int list = 1; list <= 2; ++list) {
    for (int i = 0;; ++i) {
      const std::string phrase = client.chat().QuickPhrase(list, i);
      if (phrase.empty()) break;
      ++phrases;
      const QString text = QString::fromStdString(phrase);
      const QRect used =
          metrics.boundingRect(box, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextWordWrap, text);
      EXPECT_TRUE(box.contains(used))
          << phrase << ": needs " << used.width() << "x" << used.height() << " in " << box.width()
          << "x" << box.height();
      // The text lies on the balloon itself, not on the see-through part around it.
      for (QPoint corner :
           {used.topLeft(), used.topRight(), used.bottomLeft(), used.bottomRight()}) {
        EXPECT_TRUE(shape.contains(corner)) << phrase << " at " << corner.x() << "," << corner.y();
      }
    }
  }
  EXPECT_GE(phrases, 14) << "the shipped phrase file";
}

TEST_P(BalloonWindowTest, ABalloonIsShapedFramelessAndLeavesTheKeyboardInTheChatBox) {
  client.table().progress.GameRunning = true;
  main().RequestFocus(el().Chat);
  QWidget* chatBox = MainWindow()->focusWidget();
  ASSERT_NE(chatBox, nullptr);
  Phrase(4, 6);  // the longest phrase
  SceneWindow* w = BalloonWindow(1);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->isVisible());
  EXPECT_TRUE(w->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
  EXPECT_TRUE(w->testAttribute(Qt::WA_ShowWithoutActivating));
  const QRegion shape = w->mask();
  EXPECT_FALSE(shape.contains(QPoint(0, 0))) << "no rectangle around the balloon";
  EXPECT_FALSE(shape.contains(QPoint(w->width() - 1, w->height() - 1)));
  EXPECT_TRUE(shape.contains(QPoint(w->width() / 2, w->height() / 3)));
  EXPECT_EQ(MainWindow()->focusWidget(), chatBox);
  EXPECT_EQ(client.chat().QuickPhrase(1, 5), "又断线了，网络怎么这么差啊！");
  Phrase(2, 6);
  ASSERT_NE(BalloonWindow(2), w) << "each seat has its own balloon";
  EXPECT_TRUE(w->isVisible());
  EXPECT_TRUE(BalloonWindow(2)->isVisible());
  EXPECT_LT(w->x() + w->width(), BalloonWindow(2)->x()) << "the left seat's balloon on the left";
  SaveScreenshot("balloons");
}

TEST_P(BalloonWindowTest, MinimisingHidesTheBalloonsAndRestoringBringsThemBack) {
  client.table().progress.GameRunning = true;
  Phrase(4, 2);
  SceneWindow* w = BalloonWindow(1);
  ASSERT_TRUE(w->isVisible());
  MainWindow()->showMinimized();
  Sync();
  EXPECT_FALSE(w->isVisible());
  MainWindow()->showNormal();
  Sync();
  EXPECT_TRUE(w->isVisible()) << "still fading: back with the table";
  QWidget* focus = MainWindow()->focusWidget();
  EXPECT_NE(qobject_cast<QLineEdit*>(focus), nullptr) << "the chat box has the keyboard";
  // The boss key hides them too; a balloon that fades out meanwhile stays away.
  client.input().OnKeyDown(view().mainForm(), kNoElement, kKeyF1, 0);
  Sync();
  EXPECT_FALSE(w->isVisible());
  ASSERT_EQ(Run(10000), -1);
  MainWindow()->showNormal();
  Sync();
  EXPECT_FALSE(w->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Layouts, BalloonWindowTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("Small") : std::string("Full");
                         });

}  // namespace
}  // namespace korvel
