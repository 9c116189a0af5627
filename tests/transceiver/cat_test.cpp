#include "transceiver/cat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "adapter/link_state.h"
#include "adapter/pacing.h"
#include "console/console_handlers.h"
#include "settings/station_settings.h"
#include "support/console_fixture.h"
#include "support/pty_device.h"
#include "support/rigctld_process.h"
#include "support/rigctld_stand_in.h"
#include "support/station_fixture.h"
#include "support/wait_until.h"
#include "transceiver/finished_by.h"
#include "transceiver/rigctld_link.h"
#include "transceiver/rigctld_tuning.h"
#include "transceiver/transceiver_models.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes hex(std::initializer_list<int> values) {
  Bytes out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

// Frequency and offset commands: BCD digits, then the command code.
Bytes freq(int a, int b, int c, int d) { return hex({a, b, c, d, 0x01}); }
Bytes offset(int a, int b, int c, int d) { return hex({a, b, c, d, 0xF9}); }
const Bytes k5MHz = offset(0x00, 0x50, 0x00, 0x00);

const Bytes kPktMode = hex({0x0C, 0x6D, 0x6D, 0x6D, 0x07});
const Bytes kMinus = hex({0x09, 0x00, 0x00, 0x00, 0x09});
const Bytes kPlus = hex({0x49, 0x00, 0x00, 0x00, 0x09});
const Bytes kSimplex = hex({0x89, 0x00, 0x00, 0x00, 0x09});
const Bytes kNoOffset = offset(0x00, 0x00, 0x00, 0x00);
const Bytes k439310 = freq(0x43, 0x93, 0x10, 0x00);
const Bytes kNothing;

const RecordedBox k460Box{"More than 460MHz can not handle by the Tranceiver.",
                          "Error : ", BoxOwner::window};
std::vector<RecordedBox> boxes_if_460(bool shown) {
  return shown ? std::vector<RecordedBox>{k460Box} : std::vector<RecordedBox>{};
}

// Waits for the tuning through rigctld to end, then says whether STOP would
// save the transceiver file.
bool tuning_kept() {
  EXPECT_TRUE(await_rigctld_tunings({}, std::chrono::seconds(20)));
  const std::optional<RigctldTuned> tuned = end_rigctld_tunings();
  return tuned ? tuned->reached : transceiver_active;
}

class CatTest : public StationTest {
 protected:
  void SetUp() override {
    open_transceiver_port(view, "8");
    ASSERT_TRUE(transceiver_active);
  }
  PtyDevice radio{8};

  // One command given each text: the bytes the radio gets and whether the
  // transceiver stays active.
  struct Sent {
    std::string text;
    Bytes bytes;
    bool active;
  };
  void expect_sent(TuneStep (*send)(std::string_view), const std::vector<Sent>& cases) {
    for (const auto& c : cases) {
      transceiver_active = send(c.text) == TuneStep::sent;
      EXPECT_EQ(radio.read_all(), c.bytes) << c.text;
      EXPECT_EQ(transceiver_active, c.active) << c.text;
    }
  }
  // Tunes through rigctld at `address`; whether STOP would save.
  bool tune_through(const std::string& address) {
    set_text(station.transceiver_model, "rigctld");
    set_text(station.transceiver_address, address);
    view.clear_boxes();
    tune_and_keep_transceiver(view);
    return tuning_kept();
  }
  std::string box_texts() {
    std::string texts;
    for (const RecordedBox& box : view.boxes()) texts += (texts.empty() ? "" : " | ") + box.text;
    return texts;
  }
};

TEST_F(CatTest, RepeaterTuningSendsFrequencyOffsetShiftAndPacketModeInOrder) {
  tune_and_keep_transceiver(view);
  EXPECT_EQ(radio.read_all(), k439310 + k5MHz + kMinus + kPktMode);
  EXPECT_TRUE(transceiver_active);
  EXPECT_TRUE(view.boxes().empty());
}

TEST_F(CatTest, TuningFollowsTheChosenRepeaterAndRecordsRefusals) {
  struct Case {
    const char* situation;
    std::string call_area, model, frequency, shift;
    Bytes sent;
    bool active;
    bool box_460;
  } cases[] = {
      // A refused frequency keeps the radio's whole previous repeater setting.
      {"1200 MHz repeater", "JP1", "FT-817", "1291570", "-20000", kPktMode, false, true},
      {"simplex on 430 MHz", "Simplex", "FT-817", "439310", "-5000",
       k439310 + kNoOffset + kSimplex + kPktMode, true, false},
      {"simplex on 1200 MHz", "Simplex", "FT-897", "1291570", "-20000",
       kNoOffset + kSimplex + kPktMode, true, true},
      {"model None", "JP1", "None", "439310", "-5000", kNothing, false, false},
      {"model name with a trailing space", "JP1", "FT-817 ", "439310", "-5000", kNothing, false,
       false},
      {"plus shift", "JP1", "FT-897", "439310", "+600",
       k439310 + offset(0x00, 0x06, 0x00, 0x00) + kPlus + kPktMode, true, false},
      {"unsigned shift is a plus shift", "JP1", "FT-817", "439310", "600",
       k439310 + offset(0x00, 0x06, 0x00, 0x00) + kPlus + kPktMode, true, false},
      {"unsigned zero shift is simplex", "JP1", "FT-817", "439310", "000000",
       k439310 + kNoOffset + kSimplex + kPktMode, true, false},
      {"shift that holds no number", "JP1", "FT-817", "439310", "none", k439310 + kPktMode, false,
       false},
      {"tens of kHz of the offset reach the radio", "JP1", "FT-817", "439310", "-650",
       k439310 + offset(0x00, 0x06, 0x50, 0x00) + kMinus + kPktMode, true, false},
      {"largest offset", "JP1", "FT-817", "439310", "-5000", k439310 + k5MHz + kMinus + kPktMode,
       true, false},
      // Offsets in 10 Hz steps, as the radio's manual gives them.
      {"70 cm shift in Germany", "JP1", "FT-817", "439310", "-7600",
       k439310 + offset(0x00, 0x76, 0x00, 0x00) + kMinus + kPktMode, true, false},
      {"70 cm shift in the United Kingdom", "JP1", "FT-817", "439310", "-9000",
       k439310 + offset(0x00, 0x90, 0x00, 0x00) + kMinus + kPktMode, true, false},
      {"offset beyond the command", "JP1", "FT-817", "439310", "-100000", k439310 + kPktMode, false,
       false},
      {"shift without a number", "JP1", "FT-817", "439310", "", k439310 + kPktMode, false, false},
      {"shift after white space", "JP1", "FT-817", "439310", " -5000",
       k439310 + k5MHz + kMinus + kPktMode, true, false},
      // 459.999 MHz: digits 45, 99, 99 in the 10 MHz, 100 kHz and 1 kHz places.
      {"highest frequency", "JP1", "FT-817", "459999", "-5000",
       freq(0x45, 0x99, 0x99, 0x00) + k5MHz + kMinus + kPktMode, true, false},
      {"460 MHz", "JP1", "FT-817", "460000", "-5000", kPktMode, false, true},
      {"fraction of a kHz", "JP1", "FT-817", "439310.9", "-5000",
       freq(0x43, 0x93, 0x10, 0x90) + k5MHz + kMinus + kPktMode, true, false},
      {"frequency after white space", "JP1", "FT-817", " \t439310", "-5000",
       k439310 + k5MHz + kMinus + kPktMode, true, false},
      {"frequency with a unit", "JP1", "FT-817", "145000kHz", "-600",
       freq(0x14, 0x50, 0x00, 0x00) + offset(0x00, 0x06, 0x00, 0x00) + kMinus + kPktMode, true,
       false},
      {"frequency in exponent form", "JP1", "FT-817", "4.3931e5", "-5000",
       k439310 + k5MHz + kMinus + kPktMode, true, false},
      {"negative frequency", "JP1", "FT-817", "-439310", "-5000", kPktMode, false, false},
      {"frequency without a number", "JP1", "FT-817", "*****", "-5000", kPktMode, false, false},
      {"infinite frequency", "JP1", "FT-817", "inf", "-5000", kPktMode, false, false},
      {"frequency beyond any number", "JP1", "FT-817", "1e400", "-5000", kPktMode, false, true},
      {"frequency too small for any number", "JP1", "FT-817", "1e-400", "-5000",
       freq(0x00, 0x00, 0x00, 0x00) + k5MHz + kMinus + kPktMode, true, false},
      {"offset beyond any number", "JP1", "FT-817", "439310", "-1e400", k439310 + kPktMode, false,
       false},
      {"offset not a number", "JP1", "FT-817", "439310", "-nan", k439310 + kPktMode, false, false},
  };
  for (const auto& c : cases) {
    set_text(station.call_area, c.call_area);
    set_text(station.transceiver_model, c.model);
    set_text(station.frequency_khz, c.frequency);
    set_text(station.shift_khz, c.shift);
    transceiver_active = true;
    view.clear_boxes();
    tune_and_keep_transceiver(view);
    EXPECT_EQ(radio.read_all(), c.sent) << c.situation;
    EXPECT_EQ(transceiver_active, c.active) << c.situation;
    EXPECT_EQ(view.boxes(), boxes_if_460(c.box_460)) << c.situation;
  }
}

TEST_F(CatTest, SimplexLeavesTheTransceiverActiveEvenWhenItsPortDidNotOpen) {
  close_transceiver_link();
  open_transceiver_port(view, "9");
  ASSERT_FALSE(transceiver_active);
  set_text(station.call_area, "Simplex");
  tune_and_keep_transceiver(view);
  EXPECT_TRUE(transceiver_active);
  EXPECT_EQ(radio.read_all(), kNothing);
}

TEST_F(CatTest, EveryModelInTheListTunesARepeaterAndASimplexChannelItsOwnWay) {
  RigctldProcess rigctld;
  ASSERT_TRUE(rigctld.ready());
  set_text(station.transceiver_address, rigctld.address());
  // Hilltop430 at 439.310 MHz, 5 MHz below; a simplex channel at 439.5375 MHz.
  const Bytes cat_repeater = k439310 + k5MHz + kMinus + kPktMode;
  const Bytes cat_simplex = freq(0x43, 0x95, 0x37, 0x50) + kNoOffset + kSimplex + kPktMode;
  struct Case {
    std::string model;
    Bytes repeater, simplex;
    // rigctl's f, o, r and m; hamlib 4.5 names packet FM "FM-D" and its
    // default width 15 kHz.
    std::string rig_repeater, rig_simplex;
  } cases[] = {
      {"None", kNothing, kNothing, "", ""},
      {"FT-817", cat_repeater, cat_simplex, "", ""},
      {"FT-897", cat_repeater, cat_simplex, "", ""},
      {"FT-857", cat_repeater, cat_simplex, "", ""},
      {"FT-818", cat_repeater, cat_simplex, "", ""},
      {"rigctld", kNothing, kNothing, "439310000 5000000 - FM-D 15000",
       "439537500 0 None FM-D 15000"},
  };
  std::vector<std::string> listed;
  for (const TransceiverModel& model : transceiver_models()) listed.push_back(model.name);
  std::vector<std::string> names;
  for (const Case& c : cases) names.push_back(c.model);
  EXPECT_EQ(listed, names);
  for (const Case& c : cases) {
    set_text(station.transceiver_model, c.model);
    set_text(station.call_area, "JP1");
    set_text(station.frequency_khz, "439310");
    set_text(station.shift_khz, "-5000");
    tune_and_keep_transceiver(view);
    EXPECT_EQ(tuning_kept(), c.model != "None") << c.model;
    EXPECT_EQ(radio.read_all(), c.repeater) << c.model;
    if (!c.rig_repeater.empty()) {
      EXPECT_EQ(rigctld.query("f o r m"), c.rig_repeater);
    }
    set_text(station.call_area, "Simplex");
    set_text(station.frequency_khz, "439537.5");
    tune_and_keep_transceiver(view);
    tuning_kept();
    EXPECT_EQ(radio.read_all(), c.simplex) << c.model;
    if (!c.rig_simplex.empty()) {
      EXPECT_EQ(rigctld.query("f o r m"), c.rig_simplex);
    }
  }
  // A host name is looked up, the connection made again to where it leads.
  std::string by_name = rigctld.address();
  by_name.replace(0, by_name.find(':'), "localhost");
  set_text(station.transceiver_address, by_name);
  set_text(station.call_area, "JP1");
  set_text(station.frequency_khz, "439310");
  tune_and_keep_transceiver(view);
  EXPECT_TRUE(tuning_kept());
  EXPECT_EQ(rigctld.query("f o r m"), "439310000 5000000 - FM-D 15000");
  EXPECT_TRUE(view.boxes().empty());

  // Restarted between two tunings (its radio switched off and on): the held
  // connection has hung up, and the next tuning connects again.
  const int port = free_loopback_port();
  std::optional<RigctldProcess> restarted(std::in_place, std::vector<std::string>{"-m", "1"}, port);
  ASSERT_TRUE(restarted->ready());
  set_text(station.transceiver_address, restarted->address());
  tune_and_keep_transceiver(view);  // the connection is held, as between picks
  ASSERT_TRUE(await_rigctld_tunings({}, std::chrono::seconds(20)));
  restarted.emplace(std::vector<std::string>{"-m", "1"}, port);
  set_text(station.frequency_khz, "439550");
  EXPECT_TRUE(restarted->ready() && tune_through(restarted->address()));
  EXPECT_EQ(restarted->query("f o r m") + box_texts(), "439550000 5000000 - FM-D 15000");

  // Shared between programs with --vfo: every command names the VFO.
  RigctldProcess with_vfo({"-m", "1", "--vfo"});
  EXPECT_TRUE(with_vfo.ready() && tune_through(with_vfo.address()));
  EXPECT_EQ(box_texts() + with_vfo.query("--vfo f currVFO o currVFO r currVFO m currVFO"),
            "439550000 5000000 - FM-D 15000");
}

// rigctld as operators meet it: radios without packet FM, servers that say
// more or other than rigctld would, silent radios. "@" is the address.
TEST_F(CatTest, EachRigctldAnswerIsReadForItsOwnCommand) {
  RigctldProcess rigctld;
  ASSERT_TRUE(rigctld.ready());
  const std::string old = "\nThe radio stays on its old channel.", f = "set_freq: 439310000\n";
  const std::string no_pktfm = "set_mode: PKTFM 0\nRPRT -1\n";
  struct Case {
    std::vector<StandInRule> rules;
    std::string box{};
    bool kept = false;
  } cases[] = {
      {{{"+M PKTFM", no_pktfm}}, "", true},  // a radio without packet FM
      // ... nor FM, behind a stray RPRT 0 that would shift every answer by one
      {{{"\\chk_vfo", "RPRT 0\n0\n"},
        {"+M PKTFM", no_pktfm},
        {"+M FM", "set_mode: FM 0\nRPRT -1\n"}},
       "rigctld refused M FM 0: invalid parameter (RPRT -1)"},
      {{{"+F", f + "RPRT 0\nRPRT -9\n"}}, "", true},  // a line after RPRT
      {{{"+F", f + "RPRT -99999999999\n"}},
       "rigctld refused F 439310000: an error hamlib does not name (RPRT -99999999999)" + old},
      {{{"+F", f + "RPRT zero\n"}},
       "A malformed RPRT line came from rigctld at @: RPRT zero" + old},
      {{{"+F", f + std::string(5000, 'x')}},
       "An answer too long to be rigctld's came from @" + old},
      {{{"\\chk_vfo", "HTTP/1.1 400 Bad Request\r\n\r\n"}},
       "What answers is not rigctld, at @" + old},
      {{{"+F"}}, "No answer from rigctld at @" + old},
      {{{"+O"}},
       "No answer from rigctld at @\nThe radio has the new frequency but keeps its old shift."},
  };
  for (const Case& c : cases) {
    RigctldStandIn server(rigctld.address(), c.rules);
    std::string box = c.box;
    if (const auto at = box.find('@'); at != box.npos) box.replace(at, 1, server.address());
    EXPECT_EQ(tune_through(server.address()), c.kept) << box;
    EXPECT_EQ(box_texts(), box);
    if (&c == &cases[0]) {
      EXPECT_EQ(rigctld.query("m"), "FM 15000");  // FM, its own width
    }
  }
  for (const std::string address :
       {"127.0.0.1", "127.0.0.1:", "127.0.0.1:99999", "127.0.0.1:110976", "127.0.0.1:0", ":4532"}) {
    EXPECT_FALSE(tune_through(address));
    EXPECT_EQ(box_texts(),
              "The rigctld address is not HOST:PORT (a port from 1 to 65535): " + address + old);
  }
}

// A slow radio: the window's thread never waits, the repeater picked last is
// tuned, STOP ends a tuning at once and saves the channel last tuned, and a
// box waiting long for OK costs no later command its wait.
TEST_F(CatTest, TuningThroughRigctldNeverHoldsTheWindow) {
  RigctldProcess rigctld;
  ASSERT_TRUE(rigctld.ready());
  RigctldStandIn slow(rigctld.address(), {}, std::chrono::milliseconds(300));
  set_text(station.transceiver_model, "rigctld");
  set_text(station.transceiver_address, slow.address());
  tune_and_keep_transceiver(view);
  set_text(station.frequency_khz, "439550");
  tune_and_keep_transceiver(view);
  EXPECT_TRUE(rigctld_tuning_under_way());
  ASSERT_TRUE(await_rigctld_tunings({}, std::chrono::seconds(20)));
  EXPECT_EQ(rigctld.query("f"), "439550000");

  RigctldStandIn stuck(rigctld.address(), {{"+F"}});
  set_text(station.transceiver_address, stuck.address());
  set_text(station.frequency_khz, "439700");
  tune_and_keep_transceiver(view);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  stop_transceiver_side(view);
  EXPECT_TRUE(await_rigctld_tunings({}, std::chrono::milliseconds(500)));
  EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"),
            "rigctld,8,439550,-5000,PKT," + stuck.address());

  set_rigctld_wait_for_tests(std::chrono::milliseconds(300));
  RigctldStandIn refusing(rigctld.address(), {{"+F", "set_freq: 439700000\nRPRT -9\n"}});
  set_text(station.transceiver_address, refusing.address());
  view.act_as_window_thread();
  tune_and_keep_transceiver(view);
  ASSERT_TRUE(wait_until([&] { return view.request_waiting(); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_TRUE(await_rigctld_tunings([&] { view.pump(); }, std::chrono::seconds(5)));
  EXPECT_EQ(box_texts(),
            "rigctld refused F 439700000: command rejected by the rig (RPRT -9)\nThe "
            "radio stays on its old channel.");
}

// A lookup that has not answered by its deadline no longer holds the caller.
TEST(FinishedBy, WorkStillRunningAtTheDeadlineGivesNothing) {
  const auto slow = [] {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    return 7;
  };
  const auto soon = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
  EXPECT_EQ(finished_by<int>(soon, slow), std::nullopt);
}

// hamlib's own FT-817 backend, told to give up at once on a radio that
// never answers, still writes each command: its frequency, offset and
// shift bytes must be ours. (Its mode command fills with other bytes.)
TEST_F(CatTest, HamlibsFt817BackendSendsOurFrequencyOffsetAndShiftBytes) {
  PtyDevice hamlib_side;
  RigctldProcess ft817(
      {"-m", "1020", "-r", hamlib_side.near_path(), "-s", "9600", "-C", "timeout=100,retry=0"});
  ASSERT_TRUE(ft817.ready());
  hamlib_side.read_all();           // what it asks the radio at start-up
  tune_and_keep_transceiver(view);  // Hilltop430: 439.310 MHz, 5 MHz below
  const Bytes ours = radio.read_all();
  ASSERT_EQ(ours.size(), 20u);
  ft817.query("F 439310000 O 5000000 R -");
  const Bytes theirs = hamlib_side.read_all();
  // Ours are frequency, offset, shift and mode, five bytes each.
  for (std::size_t at : {0, 5, 10}) {
    const auto first = ours.begin() + static_cast<std::ptrdiff_t>(at);
    EXPECT_NE(std::search(theirs.begin(), theirs.end(), first, first + 5), theirs.end()) << at;
  }
}

TEST_F(CatTest, ModeCommandFillsItsUnusedPlacesWithLetterM) {
  const std::vector<Sent> modes = {
      {"FM", hex({0x08, 0x6D, 0x6D, 0x6D, 0x07}), true},
      {"PKT", hex({0x0C, 0x6D, 0x6D, 0x6D, 0x07}), true},
      {"pkt", kNothing, false},
      {"FM ", kNothing, false},
      {"", kNothing, false},
  };
  expect_sent(send_cat_mode, modes);
}

TEST_F(CatTest, ShiftDirectionIsReadFromTheSignOrTheNumber) {
  const std::vector<Sent> shifts = {
      {"SIMPLEX", kSimplex, true}, {"SIMPLEXX", kSimplex, true},
      {"SIMPLE", kNothing, false}, {"+600", kPlus, true},
      {"", kPlus, true},           {"*", kPlus, true},
      {"-5000", kMinus, true},     {",", kMinus, true},
      {" -5000", kMinus, true},    {"600", kPlus, true},
      {"  600", kPlus, true},      {"650kHz", kPlus, true},
      {"0", kSimplex, true},       {"000000", kSimplex, true},
      {"0.0", kSimplex, true},     {"\xB0", kNothing, false},
      {"  +600", kPlus, true},     {"none", kNothing, false},
  };
  expect_sent(send_cat_direction, shifts);
}

TEST_F(CatTest, RepeatersOffAWholeKilohertzAreTunedTo10HzAndSoAreTheirOffsets) {
  struct Case {
    std::string text;
    Bytes sent;
    bool box_460;
  };
  const Case frequencies[] = {
      {"430437.5", freq(0x43, 0x04, 0x37, 0x50), false},
      {"145612.5", freq(0x14, 0x56, 0x12, 0x50), false},
      {"430437.499999", freq(0x43, 0x04, 0x37, 0x50), false},
      {"430437.494", freq(0x43, 0x04, 0x37, 0x49), false},
      {"145612.005", freq(0x14, 0x56, 0x12, 0x01), false},
      {"4304375e-1", freq(0x43, 0x04, 0x37, 0x50), false},
      {"439310", k439310, false},
      {"459999.99", freq(0x45, 0x99, 0x99, 0x99), false},
      // Rounded up to 460.000 MHz, which the radio cannot take.
      {"459999.995", kNothing, true},
  };
  const Case offsets[] = {
      {"650", offset(0x00, 0x06, 0x50, 0x00), false},
      {"-1600", offset(0x00, 0x16, 0x00, 0x00), false},
      {"+7.6", offset(0x00, 0x00, 0x07, 0x60), false},
      {"-5000", k5MHz, false},
      {"4999.99", offset(0x00, 0x49, 0x99, 0x99), false},
      {"99999.99", offset(0x09, 0x99, 0x99, 0x99),
       false},  // more than the shift field's 7 characters
      {"100000", kNothing, false},
  };
  for (const auto& c : frequencies) {
    view.clear_boxes();
    send_cat_frequency(view, c.text);
    EXPECT_EQ(radio.read_all(), c.sent) << c.text;
    EXPECT_EQ(view.boxes(), boxes_if_460(c.box_460)) << c.text;
  }
  for (const auto& c : offsets) {
    send_cat_offset(c.text);
    EXPECT_EQ(radio.read_all(), c.sent) << c.text;
  }
}

TEST_F(CatTest, ShiftDirectionWaitsForTheRadioEvenWhenNothingIsSent) {
  // A pause of 1000000000 counts becomes 50 ms here.
  set_pacing_divisor_for_tests(20);
  const auto start = std::chrono::steady_clock::now();
  send_cat_direction("none");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

// The window sets the operator's locale; a German one writes "," as the decimal point.
bool use_german_numbers(const std::string& scratch_dir) {
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr) return true;
  const std::string command =
      "localedef -i de_DE -f UTF-8 '" + scratch_dir + "/de_DE.UTF-8' >/dev/null 2>&1";
  if (std::system(command.c_str()) == -1) return false;
  setenv("LOCPATH", scratch_dir.c_str(), 1);
  return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

TEST_F(CatTest, FrequencyReadsAPointAsTheDecimalPointInAnyLocale) {
  const bool german = use_german_numbers(dir.path());
  if (german) send_cat_frequency(view, "439.31e3");
  std::setlocale(LC_ALL, "C");
  unsetenv("LOCPATH");
  if (!german) GTEST_SKIP() << "no German locale on this machine";
  EXPECT_EQ(radio.read_all(), k439310);
  EXPECT_TRUE(transceiver_active);
}

class CatStartTest : public ConsoleTest {};

TEST_F(CatStartTest, StartTunesA12_5kHzChannelRepeaterWithItsOffsetToTheKilohertz) {
  write_station_files("QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7", "FT-817,8,430437.5,650,PKT,Dummy ");
  open_window();
  view.set_text(ctl::adapter_port, "7");
  view.set_text(ctl::transceiver_port, "8");
  press(ctl::start_stop);
  const Bytes tuning =
      freq(0x43, 0x04, 0x37, 0x50) + offset(0x00, 0x06, 0x50, 0x00) + kPlus + kPktMode;
  EXPECT_EQ(radio.read_count(tuning.size()), tuning);
  EXPECT_TRUE(transceiver_active);
}

TEST(ToBcd, PutsTensInTheHighNibbleAndUnitsInTheLow) {
  struct Case {
    int value;
    std::uint8_t bcd;
  } cases[] = {{0, 0x00}, {7, 0x07}, {10, 0x10}, {43, 0x43}, {59, 0x59}, {99, 0x99}};
  for (const auto& c : cases) EXPECT_EQ(to_bcd(c.value), c.bcd) << c.value;
}

}  // namespace
