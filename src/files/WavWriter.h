#pragma once

#include "files/SoundFileWriter.h"

namespace quorvane {

// A 16-bit PCM WAV file with the canonical 44-byte header: the sound goes
// straight to the file, the header's two sizes are brought up to date at
// every checkpoint, and the sound is always flushed before the header that
// counts it. At most 4 GiB less the header fit in one file.
class WavWriter : public SoundFileWriter {
 public:
  WavWriter(FileStream& file, const WaveFormatEx& format) : SoundFileWriter(SoundFileKind::Wav, file), format_(format) {}

  bool begin() override;
  bool restart(const WaveFormatEx& format) override;
  std::size_t write(const std::uint8_t* pcm, std::size_t bytes) override { return file().write(pcm, bytes); }
  bool checkpoint(std::uint64_t dataBytes) override;
  // On a full disk part of what was counted never reached the file: the
  // header counts only the whole frames that did, and a torn frame after
  // them is cut off.
  bool complete(std::uint64_t& dataBytes) override;
  bool sizeLimited() const override { return true; }

 private:
  WaveFormatEx format_;
};

}  // namespace quorvane
