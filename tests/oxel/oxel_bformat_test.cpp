// AmbiX in and out: oxel converts on the way into and out of the plug-ins, so
// an AmbiX file renders as its FuMa twin does. The twin is built here from the
// conventions themselves: ACN order W, Y, Z, X; SN3D W = FuMa W x sqrt(2).
#include <gtest/gtest.h>

#include <cmath>

#include "oxel_test_support.h"

namespace oxel_test {
namespace {

Audio ambixFromFuma(const Audio& fuma) {
  Audio ambix = fuma;
  for (size_t f = 0; f < fuma.frames(); ++f) {
    ambix.samples[f * 4 + 0] = static_cast<float>(fuma.at(f, 0) * std::sqrt(2.0));
    ambix.samples[f * 4 + 1] = fuma.at(f, 2);  // Y
    ambix.samples[f * 4 + 2] = fuma.at(f, 3);  // Z
    ambix.samples[f * 4 + 3] = fuma.at(f, 1);  // X
  }
  return ambix;
}

TEST(OxelBFormat, AmbiXInputRendersAsItsFuMaTwin) {
  ScratchDir dir;
  const Audio fuma = noise(4, 6000);
  writeAudio(dir / "fuma.wav", fuma);
  writeAudio(dir / "ambix.wav", ambixFromFuma(fuma));
  const std::vector<std::string> settings{"--set", "Azimuth=0.2", "--set", "Elevation=0.3",
                                          "--set", "Mic Pattern=0.7"};
  auto render = [&](const std::string& in, const std::string& out, std::vector<std::string> extra) {
    std::vector<std::string> args{"render", kPelrin, dir / in, dir / out};
    args.insert(args.end(), settings.begin(), settings.end());
    args.insert(args.end(), extra.begin(), extra.end());
    const RunResult run = runOxel(args);
    EXPECT_EQ(run.status, 0) << run.err;
    return readAudio(dir / out);
  };
  const Audio fromFuma = render("fuma.wav", "a.wav", {});
  const Audio fromAmbix = render("ambix.wav", "b.wav", {"--in-format", "ambix"});
  EXPECT_EQ(firstMismatch(fromAmbix.samples, fromFuma.samples, 1e-6f), -1);
  // Read as FuMa, the AmbiX file is a different signal: the option matters.
  const Audio misread = render("ambix.wav", "c.wav", {});
  EXPECT_NE(firstMismatch(misread.samples, fromFuma.samples, 1e-3f), -1);
}

TEST(OxelBFormat, AmbiXThroughTavrelComesOutAsAmbiX) {
  ScratchDir dir;
  const Audio fuma = noise(4, 6000);
  writeAudio(dir / "fuma.wav", fuma);
  writeAudio(dir / "ambix.wav", ambixFromFuma(fuma));
  const std::vector<std::string> settings{"--set", "Angle1=0.1", "--set", "Angle2=0.3",
                                          "--set", "Order of Processing=0.4"};
  std::vector<std::string> a{"render", kTavrel, dir / "fuma.wav", dir / "a.wav"};
  std::vector<std::string> b{"render", kTavrel, dir / "ambix.wav", dir / "b.wav",
                             "--in-format", "ambix", "--out-format", "ambix"};
  a.insert(a.end(), settings.begin(), settings.end());
  b.insert(b.end(), settings.begin(), settings.end());
  ASSERT_EQ(runOxel(a).status, 0);
  const RunResult run = runOxel(b);
  ASSERT_EQ(run.status, 0) << run.err;
  const Audio expected = ambixFromFuma(readAudio(dir / "a.wav"));
  EXPECT_EQ(firstMismatch(readAudio(dir / "b.wav").samples, expected.samples, 2e-6f), -1);
}

}  // namespace
}  // namespace oxel_test
