// MP3 encoding of the rendered track with libmp3lame. No ID3 tag (the file's first frame is the
// LAME info frame that carries the encoder delay and padding, which gapless decoders rely on).
#include <lame/lame.h>

#include <algorithm>
#include <memory>

#include "tools/datagen/music.h"

bool encodeMp3(const std::vector<float>& stereo, std::vector<uint8_t>& mp3, std::string& error) {
  std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> lame(lame_init(), lame_close);
  if (!lame) {
    error = "cannot start the MP3 encoder";
    return false;
  }
  lame_set_in_samplerate(lame.get(), kMusicRate);
  lame_set_out_samplerate(lame.get(), kMusicRate);
  lame_set_num_channels(lame.get(), 2);
  lame_set_mode(lame.get(), JOINT_STEREO);
  lame_set_brate(lame.get(), 192);
  lame_set_VBR(lame.get(), vbr_off);
  lame_set_quality(lame.get(), 5);
  lame_set_bWriteVbrTag(lame.get(), 1);
  lame_set_write_id3tag_automatic(lame.get(), 0);
  if (lame_init_params(lame.get()) < 0) {
    error = "the MP3 encoder refused its settings";
    return false;
  }
  const int frames = int(stereo.size() / 2);
  mp3.assign(size_t(1.25 * frames + 7200 + 16384), 0);
  const int written = lame_encode_buffer_interleaved_ieee_float(lame.get(), stereo.data(), frames,
                                                                mp3.data(), int(mp3.size()));
  if (written < 0) {
    error = "the MP3 encoder failed (" + std::to_string(written) + ")";
    return false;
  }
  const int flushed =
      lame_encode_flush(lame.get(), mp3.data() + written, int(mp3.size()) - written);
  if (flushed < 0) {
    error = "the MP3 encoder failed to flush";
    return false;
  }
  mp3.resize(size_t(written + flushed));
  // The info frame was reserved as the first frame; fill it in now that the totals are known.
  uint8_t tag[2880];
  const size_t tagSize = lame_get_lametag_frame(lame.get(), tag, sizeof tag);
  if (tagSize > 0 && tagSize <= mp3.size()) std::copy(tag, tag + tagSize, mp3.begin());
  return true;
}
