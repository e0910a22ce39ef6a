// The generated show data in the build tree's Data/: every picture decodes with the show's own
// reader to its texture size, lettering stays inside the rows its strip cuts, the dot sprite is
// round, and the music has its length and the beats the scenes react to, where they react.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "assets/packed_image.h"
#include "assets/show_data.h"
#include "audio/decoder.h"
#include "audio/fft.h"
#include "audio/spectrum.h"
#include "scenes/lettering_rows.h"

namespace {

// The generated file `name` as the show's reader decodes it.
PackedImage load(const char* name) {
  const std::string path = std::string("Data/") + name;
  PackedImage image;
  EXPECT_TRUE(image.loadPackedImage(path.c_str())) << path << ": " << image.error;
  return image;
}

// Red channel (the pictures are grey) of texel (x, y).
int texel(const PackedImage& image, int x, int y) {
  return image.pixels[(size_t(y) * size_t(image.width) + size_t(x)) * 4];
}

// Number of lit texels in rows [top, bottom) given as fractions of the height.
int litInRows(const PackedImage& image, double top, double bottom) {
  const int y0 = std::max(0, int(std::floor(top * image.height)));
  const int y1 = std::min(image.height, int(std::ceil(bottom * image.height)));
  int lit = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = 0; x < image.width; ++x) lit += texel(image, x, y) > 0;
  }
  return lit;
}

// Strips as the text scenes cut them: a strip's lettering must keep `margin` texels clear of
// every cut (where one strip ends and the next begins) and of the texture's edges (the textures
// repeat), and every strip must hold some lettering.
void expectLetteringInsideStrips(const char* name, std::span<const TextureRows> strips) {
  SCOPED_TRACE(name);
  const PackedImage image = load(name);
  ASSERT_TRUE(image.pixels);
  const double margin = 8.0 / image.height;
  for (const TextureRows& strip : strips) {
    for (double cut : {double(strip.top), double(strip.bottom)}) {
      EXPECT_EQ(litInRows(image, cut - margin, cut + margin), 0) << "lettering near row " << cut;
    }
    EXPECT_GT(litInRows(image, strip.top, strip.bottom), 500)
        << "the strip from row " << strip.top << " is empty";
  }
  for (int y = 0; y < image.height; ++y) {
    for (int x : {0, 1, 2, 3, 4, 5, 6, 7}) {
      ASSERT_EQ(texel(image, x, y), 0) << "lettering at the left edge, row " << y;
      ASSERT_EQ(texel(image, image.width - 1 - x, y), 0)
          << "lettering at the right edge, row " << y;
    }
  }
}

// Every picture the build-up asks for exists and has the size of its texture.
TEST(GeneratedPictures, DecodeToTheirTextureSizesWithAGreyPalette) {
  for (const PictureFile& file : kPictureFiles) {
    SCOPED_TRACE(file.file);
    const PackedImage image = load(file.file);
    ASSERT_TRUE(image.pixels);
    EXPECT_EQ(image.width, file.width);
    EXPECT_EQ(image.height, file.height);
    for (int i = 0; i < 256; ++i) {
      EXPECT_EQ(image.palette[size_t(i) * 3], i);
      EXPECT_EQ(image.palette[size_t(i) * 3 + 2], i);
    }
  }
}

TEST(GeneratedPictures, LetteringStaysInsideTheRowsItsStripCuts) {
  // Nothing may lie where the first two title lines overlap, so both of those cuts are checked
  // from either side.
  expectLetteringInsideStrips("title.p", kTitleRows);
  {
    const PackedImage title = load("title.p");
    EXPECT_EQ(litInRows(title, kTitleRows[1].top, kTitleRows[0].bottom), 0);
    // Line 2 is drawn 0.079 units higher than line 1 relative to their texture rows (scale 1.5),
    // so 0.0525 of clear rows around their cut keep the two lines apart on screen.
    const double cut = kTitleRows[2].top;
    EXPECT_EQ(litInRows(title, cut - 0.027, cut + 0.027), 0);
  }
  // Credit lines and the roll's two bands.
  expectLetteringInsideStrips("credits.p", kCreditRows);
  expectLetteringInsideStrips("credits.p", kRollRows);
  expectLetteringInsideStrips("greets1.p", std::span(kGreetingRows).first(kGreetingsPerTexture));
  expectLetteringInsideStrips("greets2.p", std::span(kGreetingRows).subspan(kGreetingsPerTexture));
  expectLetteringInsideStrips("message.p", std::span(&kMessageRows, 1));
}

// Lit texels (above half grey) in rows [top, bottom) and columns [left, right), fractions of the
// picture's size.
int solidInRect(const PackedImage& image, double left, double right, double top, double bottom) {
  int lit = 0;
  for (int y = int(top * image.height); y < int(std::ceil(bottom * image.height)); ++y) {
    for (int x = int(left * image.width); x < int(std::ceil(right * image.width)); ++x) {
      lit += texel(image, x, y) > 128;
    }
  }
  return lit;
}

TEST(GeneratedPictures, GreetingsFillTheirStrips) {
  // Each greeting flashes alone over busy halftone dots for half a second: its letters must be
  // tall and heavy: its ink spans at least 64 rows (a capital of some 45 pixels at 720p) and
  // covers a fifth of the strip.
  const char* names[2] = {"greets1.p", "greets2.p"};
  for (int t = 0; t < 2; ++t) {
    const PackedImage image = load(names[t]);
    ASSERT_TRUE(image.pixels);
    for (int i = 0; i < kGreetingsPerTexture; ++i) {
      SCOPED_TRACE(std::string(names[t]) + " strip " + std::to_string(i));
      const TextureRows& strip = kGreetingRows[t * kGreetingsPerTexture + i];
      const int y0 = int(strip.top * 1024), y1 = int(strip.bottom * 1024);
      int first = y1, last = y0;
      for (int y = y0; y < y1; ++y) {
        for (int x = 0; x < image.width; ++x) {
          if (texel(image, x, y) > 128) first = std::min(first, y), last = std::max(last, y);
        }
      }
      EXPECT_GE(last - first + 1, 64);
      const double area = double(y1 - y0) * image.width;
      EXPECT_GE(solidInRect(image, 0, 1, strip.top, strip.bottom) / area, 0.2);
    }
  }
}

TEST(GeneratedPictures, RollLetteringStaysWhereItsBandIsInFront) {
  // The two roll bands cross behind the screen centre with depth writes on: band 2 lies behind
  // band 1 from u = 0.603 at rest (further right while swinging in), and band 1 lies under band 2
  // left of u = 0.378. Letters there would be cut or crossed.
  const PackedImage credits = load("credits.p");
  ASSERT_TRUE(credits.pixels);
  const auto lit = [&](double left, double right, double top, double bottom) {
    int n = 0;
    for (int y = int(top * 1024); y < int(bottom * 1024); ++y) {
      for (int x = int(left * 1024); x < int(right * 1024); ++x) n += texel(credits, x, y) > 0;
    }
    return n;
  };
  const TextureRows band1 = kRollRows[0], band2 = kRollRows[1];
  EXPECT_EQ(lit(0.59, 1.0, band2.top, band2.bottom), 0) << "band 2 lettering where band 1 hides it";
  EXPECT_EQ(lit(0.0, 0.40, band1.top, band1.bottom), 0) << "band 1 lettering under band 2";
  EXPECT_GT(lit(0.0, 0.59, band2.top, band2.bottom), 5000);
  EXPECT_GT(lit(0.40, 1.0, band1.top, band1.bottom), 5000);
}

TEST(GeneratedPictures, DotSpriteIsRoundWhiteAndFillsItsSquare) {
  const PackedImage dot = load("d.p");
  ASSERT_TRUE(dot.pixels);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      const int value = texel(dot, x, y);
      ASSERT_EQ(value, texel(dot, 255 - x, y)) << x << "," << y;
      ASSERT_EQ(value, texel(dot, x, 255 - y)) << x << "," << y;
      ASSERT_EQ(value, texel(dot, y, x)) << x << "," << y;
      // Along any ray the level depends on the distance alone (to within the texel grid).
      const double along = std::min(254.0, 127.5 + std::hypot(x - 127.5, y - 127.5));
      const int i = int(along);
      const double onAxis =
          texel(dot, i, 128) + (along - i) * (texel(dot, i + 1, 128) - texel(dot, i, 128));
      ASSERT_NEAR(value, onAxis, 6.0) << x << "," << y;
    }
  }
  EXPECT_EQ(texel(dot, 128, 128), 255);
  EXPECT_EQ(texel(dot, 0, 0), 0);
  EXPECT_GT(texel(dot, 128 + 90, 128), 250);  // solid out to 70 % of the radius
  EXPECT_EQ(texel(dot, 255, 128), 0);
}

TEST(GeneratedPictures, OverlayIsBlackInTheMiddleAndFramedNearItsSeenEdge) {
  const PackedImage overlay = load("overlay1.p");
  ASSERT_TRUE(overlay.pixels);
  int brightest = 0;
  for (int y = 200; y < 376; ++y) {
    for (int x = 300; x < 724; ++x) brightest = std::max(brightest, texel(overlay, x, y));
  }
  EXPECT_LE(brightest, 8);
  // A frame line crosses the middle row somewhere between the seen edge (0.045) and 0.1.
  int frame = 0;
  for (int x = 46; x < 102; ++x) frame = std::max(frame, texel(overlay, x, 288));
  EXPECT_GE(frame, 80);
}

// The detector's view of the music at 60 frames per second of demo time; the music starts at
// 3000 ms and each frame sees the 2048 samples heard just before it.
struct BeatTrack {
  std::vector<int> ms;
  std::vector<std::array<int, 4>> beats;
  // Beats in [fromMs, toMs]: runs of consecutive frames flagged in any of the bands, counted once.
  int count(int fromMs, int toMs, int firstBand, int lastBand) const {
    int n = 0;
    bool previous = false;
    for (size_t i = 0; i < ms.size(); ++i) {
      bool flagged = false;
      for (int band = firstBand; band <= lastBand; ++band) flagged |= beats[i][size_t(band)] != 0;
      if (ms[i] >= fromMs && ms[i] <= toMs && flagged && !previous) ++n;
      previous = flagged;
    }
    return n;
  }
};

BeatTrack detectBeats(const DecodedAudio& audio) {
  BeatTrack track;
  SpectrumTransform transform;
  SpectrumAnalyzer analyzer;
  std::vector<float> mono(kFftSize), spectrum(kFftBins);
  for (int frame = 0; frame * 1000 / 60 <= 76000; ++frame) {
    const int ms = frame * 1000 / 60;
    const int64_t position = int64_t(std::llround((ms - 3000) / 1000.0 * audio.rate));
    const bool playing = ms > 3000 && position < audio.frames();
    for (int k = 0; k < kFftSize; ++k) {
      const int64_t at = position - kFftSize + k;
      mono[size_t(k)] =
          at < 0 || at >= audio.frames()
              ? 0.0f
              : 0.5f * (audio.samples[size_t(at * 2)] + audio.samples[size_t(at * 2 + 1)]);
    }
    if (playing) {
      transform.magnitudes(mono.data(), spectrum.data());
    } else {
      std::fill(spectrum.begin(), spectrum.end(), 0.0f);
    }
    analyzer.analyze(spectrum.data());
    track.ms.push_back(ms);
    track.beats.push_back({analyzer.beat[0], analyzer.beat[1], analyzer.beat[2], analyzer.beat[3]});
  }
  return track;
}

// With NIGHTLOOM_BEAT_MAP set, one line per band and second of demo time, '#' for a beat frame:
// the quickest way to see what a change to the score does to the scenes.
void printBeatMap(const BeatTrack& track) {
  for (int band = 0; band < 4; ++band) {
    for (int second = 3; second < 76; ++second) {
      std::string line;
      for (size_t i = 0; i < track.ms.size(); ++i) {
        if (track.ms[i] / 1000 == second) line += track.beats[i][size_t(band)] ? '#' : '.';
      }
      std::printf("band %d %2d s %s\n", band, second, line.c_str());
    }
  }
}

TEST(GeneratedMusic, HasItsLengthAndBeatsWhereTheScenesListen) {
  std::string error;
  const std::optional<DecodedAudio> audio =
      decodeMpegFile(std::string("Data/") + kMusicFile, error);
  ASSERT_TRUE(audio) << error;
  EXPECT_EQ(audio->rate, 44100);
  EXPECT_EQ(audio->frames(), 74 * 44100);

  const BeatTrack track = detectBeats(*audio);
  if (std::getenv("NIGHTLOOM_BEAT_MAP")) printBeatMap(track);
  struct Window {
    int from, to, firstBand, lastBand, atLeast;
  };
  // The first scene toggles on bands 0/1 from 10 s, the cube cloud and the ring count beats in
  // bands 0/1, the second orbiting-dots window counts beats in any band.
  const Window windows[] = {{10000, 19000, 0, 1, 5},
                            {24000, 37000, 0, 1, 26},
                            {38000, 48000, 0, 1, 15},
                            {48000, 68000, 0, 3, 40}};
  for (const Window& w : windows) {
    const int n = track.count(w.from, w.to, w.firstBand, w.lastBand);
    std::printf("beats %d..%d ms, bands %d..%d: %d\n", w.from, w.to, w.firstBand, w.lastBand, n);
    EXPECT_GE(n, w.atLeast) << w.from << ".." << w.to << " ms";
  }
  // Beats spread over each window, not bunched: every 2.5 s stretch of 24..68 s has some.
  for (int from = 24000; from + 2500 <= 68000; from += 2500) {
    EXPECT_GT(track.count(from, from + 2500, 0, 1), 0) << "no beat in " << from << " ms + 2.5 s";
  }
  EXPECT_EQ(track.count(73000, 76000, 0, 3), 0) << "the last seconds should not beat";
}

}  // namespace
