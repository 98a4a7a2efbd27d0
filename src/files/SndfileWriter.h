#pragma once

#include <vector>

#include "files/SoundFileWriter.h"

struct sf_private_tag;
struct soxr;

namespace quorvane {

// A FLAC or Ogg Opus file, encoded by libsndfile writing through the program's
// own file (so the file is locked, refused when not regular, and a full disk
// is seen as with WAV). Neither format has a size limit worth a new file.
//
// What a kill leaves: the sound is handed to the operating system after every
// buffer, so a killed file holds all but what the encoder still had in hand:
// FLAC's block of 4096 frames, and for Opus a page, which is closed after at
// most a quarter of a second. Both decode as they are; a FLAC file killed
// before its completion says it does not know its length.
//
// Opus takes 8000, 16000 and 48000 Hz as they are; the program's other rates
// are resampled to 48000 Hz (soxr) on their way to the encoder.
class SndfileWriter : public SoundFileWriter {
 public:
  SndfileWriter(SoundFileKind kind, FileStream& file, const WaveFormatEx& format)
      : SoundFileWriter(kind, file), format_(format) {}
  ~SndfileWriter() override;

  bool begin() override;
  bool restart(const WaveFormatEx& format) override;
  std::size_t write(const std::uint8_t* pcm, std::size_t bytes) override;
  bool checkpoint(std::uint64_t dataBytes) override;
  bool complete(std::uint64_t& dataBytes) override;
  bool sizeLimited() const override { return false; }

  // The longest an Ogg page waits for more sound before it is written.
  static constexpr double kOggPageLatencyMs = 250.0;
  // libsndfile's scale from 0 (highest bit rate) to 1 (lowest).
  static constexpr double kOpusCompressionLevel = 0.9;

  // Called back by libsndfile on the file.
  void noteFailedWrite() { failed_ = true; }

 private:
  bool open();
  bool close();
  bool encode(const std::int16_t* frames, std::size_t count);

  WaveFormatEx format_;
  sf_private_tag* sndfile_ = nullptr;
  soxr* resampler_ = nullptr;
  std::vector<std::int16_t> samples_;
  std::vector<std::int16_t> resampled_;
  bool failed_ = false;
};

}  // namespace quorvane
