#include "lv2_head_tracking.h"

#include <chrono>
#include <cmath>
#include <string>

namespace lv2port {

namespace {

using oxel::headtrack::HeadTracker;
using oxel::headtrack::TrackerOptions;
using Clock = std::chrono::steady_clock;

constexpr int kLowestOscPort = 1024, kHighestOscPort = 65535;
constexpr auto kWatchInterval = std::chrono::milliseconds(10);
constexpr auto kRateWindow = std::chrono::milliseconds(500);
constexpr auto kRetryInUse = std::chrono::seconds(1);

// The request word: bit 0 on, bits 1-3 invert yaw, pitch, roll, bits 4-7 the
// preset, bits 8-23 the port. Off is 0 whatever the other ports say.
constexpr uint32_t kOn = 1;
uint32_t presetOf(uint32_t request) { return (request >> 4) & 15u; }
int portOf(uint32_t request) { return static_cast<int>((request >> 8) & 0xFFFFu); }

ControlPort toggle(const char* symbol, const char* name) {
  ControlPort port;
  port.symbol = symbol;
  port.name = name;
  port.toggled = true;
  port.integer = true;
  return port;
}

ControlPort output(const char* symbol, const char* name, double minimum, double maximum,
                   bool degrees) {
  ControlPort port;
  port.symbol = symbol;
  port.name = name;
  port.minimum = minimum;
  port.maximum = maximum;
  port.degrees = degrees;
  port.output = true;
  return port;
}

bool on(float value) { return std::isfinite(value) && value > 0.5f; }

}  // namespace

std::vector<ControlPort> trackingPorts() {
  std::vector<ControlPort> ports;
  ports.push_back(toggle("head_tracking", "Head Tracking"));
  ControlPort osc;
  osc.symbol = "osc_port";
  osc.name = "OSC Port";
  osc.minimum = kLowestOscPort;
  osc.maximum = kHighestOscPort;
  osc.defaultValue = Lv2HeadTracking::kDefaultOscPort;
  osc.integer = true;
  ports.push_back(osc);
  ControlPort preset;
  preset.symbol = "tracker_preset";
  preset.name = "Tracker Preset";
  preset.integer = true;
  size_t count = 0;
  const oxel::headtrack::TrackerPreset* presets = oxel::headtrack::trackerPresets(count);
  preset.maximum = static_cast<double>(count - 1);
  for (size_t i = 0; i < count; ++i)
    preset.scalePoints.push_back({presets[i].name, static_cast<double>(i)});
  ports.push_back(preset);
  ports.push_back(toggle("invert_yaw", "Invert Yaw"));
  ports.push_back(toggle("invert_pitch", "Invert Pitch"));
  ports.push_back(toggle("invert_roll", "Invert Roll"));
  ControlPort recentre = toggle("recentre", "Recentre");
  recentre.trigger = true;
  ports.push_back(recentre);
  ports.push_back(output("head_yaw", "Head Yaw", -180.0, 180.0, true));
  ports.push_back(output("head_pitch", "Head Pitch", -90.0, 90.0, true));
  ports.push_back(output("head_roll", "Head Roll", -180.0, 180.0, true));
  ports.push_back(output("message_rate", "Messages per Second", 0.0, 1000.0, false));
  ControlPort status = output("tracker_status", "Tracker Status", 0.0, 4.0, false);
  status.integer = true;
  status.scalePoints = {{"off", 0.0},
                        {"listening", 1.0},
                        {"port in use", 2.0},
                        {"receiving", 3.0},
                        {"cannot listen", 4.0}};
  ports.push_back(status);
  return ports;
}

Lv2HeadTracking::Lv2HeadTracking() {
  const std::vector<ControlPort> ports = trackingPorts();
  for (uint32_t i = 0; i <= kRecentre; ++i) {
    defaults_[i] = static_cast<float>(ports[i].defaultValue);
    inputs_[i] = &defaults_[i];
  }
  for (uint32_t i = 0; i < kTrackingPortCount - kHeadYaw; ++i) outputs_[i] = &discardedOutputs_[i];
}

Lv2HeadTracking::~Lv2HeadTracking() { deactivate(); }

void Lv2HeadTracking::connect(uint32_t port, void* data) {
  if (port <= kRecentre)
    inputs_[port] = data ? static_cast<const float*>(data) : &defaults_[port];
  else if (port < kTrackingPortCount)
    outputs_[port - kHeadYaw] =
        data ? static_cast<float*>(data) : &discardedOutputs_[port - kHeadYaw];
}

void Lv2HeadTracking::activate() {
  deactivate();
  quit_.store(false);
  watcher_ = std::thread{[this] { watch(); }};
}

void Lv2HeadTracking::deactivate() {
  if (watcher_.joinable()) {
    quit_.store(true);
    watcher_.join();
  }
  replaceReceiver(0);
}

float Lv2HeadTracking::input(TrackingPort port) const { return *inputs_[port]; }

bool Lv2HeadTracking::run(oxel::FieldRotationSettings& settings, bool& changed) {
  const bool tracking = on(input(kTrackingOn));
  const float oscPort = input(kOscPort);
  if (std::isfinite(oscPort))
    oscPort_ = static_cast<int>(
        std::lround(std::fmin(std::fmax(oscPort, static_cast<float>(kLowestOscPort)),
                              static_cast<float>(kHighestOscPort))));
  uint32_t request = 0;
  if (tracking) {
    const float presetValue = input(kTrackerPreset);
    const uint32_t preset = std::isfinite(presetValue) && presetValue > 0.0f
                                ? static_cast<uint32_t>(std::fmin(std::lround(presetValue), 15.0f))
                                : 0u;
    request = kOn | (on(input(kInvertYaw)) ? 2u : 0u) | (on(input(kInvertPitch)) ? 4u : 0u) |
              (on(input(kInvertRoll)) ? 8u : 0u) | (preset << 4) |
              (static_cast<uint32_t>(oscPort_) << 8);
  }
  if (request != lastRequest_) {
    lastRequest_ = request;
    request_.store(request, std::memory_order_release);
  }
  const bool recentre = on(input(kRecentre));
  const bool recentrePressed = recentre && !recentreHigh_;
  recentreHigh_ = recentre;

  changed = false;
  if (tracking) {
    if (!driving_) {
      head_ = {};  // straight ahead until the tracker says otherwise
      changed = true;
    }
    // The watcher frees a receiver only once it has seen this flag down after
    // taking the receiver away.
    audioReading_.store(true, std::memory_order_seq_cst);
    if (HeadTracker* receiver = live_.load(std::memory_order_seq_cst)) {
      if (recentrePressed) receiver->recentre();
      if (receiver->latest(head_)) changed = true;
    }
    audioReading_.store(false, std::memory_order_release);
  }
  driving_ = tracking;

  *outputs_[kHeadYaw - kHeadYaw] = tracking ? static_cast<float>(head_.angles.yaw) : 0.0f;
  *outputs_[kHeadPitch - kHeadYaw] = tracking ? static_cast<float>(head_.angles.pitch) : 0.0f;
  *outputs_[kHeadRoll - kHeadYaw] = tracking ? static_cast<float>(head_.angles.roll) : 0.0f;
  *outputs_[kMessageRate - kHeadYaw] = tracking ? rate_.load(std::memory_order_relaxed) : 0.0f;
  *outputs_[kTrackerStatus - kHeadYaw] =
      tracking ? static_cast<float>(status_.load(std::memory_order_relaxed)) : 0.0f;
  if (changed) settings = oxel::fieldRotationFor(head_.angles, oxel::TrajectoryMode::Head);
  return tracking;
}

void Lv2HeadTracking::replaceReceiver(uint32_t request) {
  // Take the receiver away from the audio thread, wait until it is not
  // reading it, then free it.
  live_.store(nullptr, std::memory_order_seq_cst);
  while (audioReading_.load(std::memory_order_seq_cst))
    std::this_thread::sleep_for(std::chrono::microseconds(50));
  receiver_.reset();
  rate_.store(0.0f, std::memory_order_relaxed);
  if ((request & kOn) == 0) {
    status_.store(static_cast<int>(TrackerStatus::Off), std::memory_order_relaxed);
    return;
  }
  size_t count = 0;
  const oxel::headtrack::TrackerPreset* presets = oxel::headtrack::trackerPresets(count);
  TrackerOptions options = presets[presetOf(request) < count ? presetOf(request) : 0].options;
  // The invert ports flip each axis on top of what the preset does.
  options.invert.yaw = options.invert.yaw != ((request & 2u) != 0);
  options.invert.pitch = options.invert.pitch != ((request & 4u) != 0);
  options.invert.roll = options.invert.roll != ((request & 8u) != 0);
  auto receiver = std::make_unique<HeadTracker>(options);
  std::string error;
  if (!receiver->start(kBindAddress, portOf(request), error)) {
    status_.store(
        static_cast<int>(receiver->lastStartError() == HeadTracker::StartError::AddressInUse
                             ? TrackerStatus::PortInUse
                             : TrackerStatus::CannotListen),
        std::memory_order_relaxed);
    return;
  }
  status_.store(static_cast<int>(TrackerStatus::Listening), std::memory_order_relaxed);
  receiver_ = std::move(receiver);
  live_.store(receiver_.get(), std::memory_order_seq_cst);
}

void Lv2HeadTracking::watch() {
  uint32_t applied = 0;
  Clock::time_point triedAt = Clock::now(), countedAt = Clock::now();
  uint64_t countedMessages = 0;
  while (!quit_.load(std::memory_order_relaxed)) {
    const uint32_t request = request_.load(std::memory_order_acquire);
    const Clock::time_point now = Clock::now();
    const bool retry =
        status_.load(std::memory_order_relaxed) == static_cast<int>(TrackerStatus::PortInUse) &&
        now - triedAt >= kRetryInUse;
    if (request != applied || retry) {
      try {
        replaceReceiver(request);
      } catch (...) {  // out of memory or threads: say so on the status port
        status_.store(static_cast<int>(TrackerStatus::CannotListen), std::memory_order_relaxed);
      }
      applied = request;
      triedAt = countedAt = now;
      countedMessages = 0;
    } else if (receiver_ && now - countedAt >= kRateWindow) {
      const uint64_t messages = receiver_->accepted();
      const double seconds = std::chrono::duration<double>(now - countedAt).count();
      const double rate = static_cast<double>(messages - countedMessages) / seconds;
      rate_.store(static_cast<float>(rate), std::memory_order_relaxed);
      status_.store(
          static_cast<int>(rate > 0.0 ? TrackerStatus::Receiving : TrackerStatus::Listening),
          std::memory_order_relaxed);
      countedMessages = messages;
      countedAt = now;
    }
    std::this_thread::sleep_for(kWatchInterval);
  }
}

}  // namespace lv2port
