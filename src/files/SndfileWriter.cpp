#include "files/SndfileWriter.h"

#include <sndfile.h>
#include <soxr.h>

#include <algorithm>

#include "files/WavWriter.h"

namespace quorvane {

namespace {

constexpr std::uint32_t kOpusRate = 48000;

bool opusTakes(std::uint32_t rate) { return rate == 8000 || rate == 16000 || rate == kOpusRate; }

// libsndfile reads and writes through the program's FileStream.
FileStream& fileOf(void* user) { return static_cast<SndfileWriter*>(user)->file(); }

sf_count_t fileLength(void* user) { return static_cast<sf_count_t>(fileOf(user).size()); }

sf_count_t fileSeek(sf_count_t offset, int whence, void* user) {
  FileStream& f = fileOf(user);
  const sf_count_t base = whence == SEEK_CUR   ? static_cast<sf_count_t>(f.tell())
                          : whence == SEEK_END ? static_cast<sf_count_t>(f.size())
                                               : 0;
  const sf_count_t to = base + offset;
  if (to < 0 || !f.seek(static_cast<std::uint64_t>(to))) return -1;
  return to;
}

sf_count_t fileRead(void* dst, sf_count_t n, void* user) {
  return n > 0 ? static_cast<sf_count_t>(fileOf(user).read(dst, static_cast<std::size_t>(n))) : 0;
}

sf_count_t fileWrite(const void* src, sf_count_t n, void* user) {
  if (n <= 0) return 0;
  const std::size_t done = fileOf(user).write(src, static_cast<std::size_t>(n));
  if (done != static_cast<std::size_t>(n)) static_cast<SndfileWriter*>(user)->noteFailedWrite();
  return static_cast<sf_count_t>(done);
}

sf_count_t fileTell(void* user) { return static_cast<sf_count_t>(fileOf(user).tell()); }

SF_VIRTUAL_IO fileIo{fileLength, fileSeek, fileRead, fileWrite, fileTell};

}  // namespace

SoundFileKind soundFileKindFor(const std::string& path) {
  std::string ext;
  const auto dot = path.find_last_of('.');
  const auto slash = path.find_last_of('/');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == "flac") return SoundFileKind::Flac;
  if (ext == "opus") return SoundFileKind::Opus;
  return SoundFileKind::Wav;
}

const char* soundFileKindName(SoundFileKind kind) {
  switch (kind) {
    case SoundFileKind::Flac: return "FLAC";
    case SoundFileKind::Opus: return "Opus";
    case SoundFileKind::Wav: break;
  }
  return "Wave";
}

std::unique_ptr<SoundFileWriter> SoundFileWriter::create(SoundFileKind kind, FileStream& file,
                                                         const WaveFormatEx& format) {
  if (kind == SoundFileKind::Wav) return std::make_unique<WavWriter>(file, format);
  return std::make_unique<SndfileWriter>(kind, file, format);
}

SndfileWriter::~SndfileWriter() { close(); }

bool SndfileWriter::open() {
  failed_ = false;
  const bool opus = kind() == SoundFileKind::Opus;
  const bool resample = opus && !opusTakes(format_.SampleRate);
  SF_INFO info{};
  info.samplerate = static_cast<int>(resample ? kOpusRate : format_.SampleRate);
  info.channels = format_.Channels;
  info.format = opus ? SF_FORMAT_OGG | SF_FORMAT_OPUS : SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
  sndfile_ = sf_open_virtual(&fileIo, SFM_WRITE, &info, this);
  if (!sndfile_) return false;
  if (opus) {
    double latency = kOggPageLatencyMs;
    sf_command(sndfile_, SFC_SET_OGG_PAGE_LATENCY_MS, &latency, sizeof latency);
    // About 32 kbit/s a channel, which keeps speech and radio traffic clear at
    // a twentieth of a 44100 Hz WAV (libsndfile's default is four times that).
    double level = kOpusCompressionLevel;
    sf_command(sndfile_, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
  }
  if (resample) {
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_16_BITQ, 0);
    resampler_ = soxr_create(format_.SampleRate, kOpusRate, format_.Channels, &error, &io, &quality, nullptr);
    if (error) return false;
  }
  // The headers now, not with the first sound: a disk without room for them
  // is found here, and the file is valid from the start.
  sf_command(sndfile_, SFC_UPDATE_HEADER_NOW, nullptr, 0);
  return file().flush() && !failed_;
}

bool SndfileWriter::close() {
  bool ok = true;
  if (resampler_ && sndfile_) {
    // What the resampler still holds: the last few milliseconds.
    std::size_t out = 0;
    do {
      resampled_.resize(4096u * format_.Channels);
      soxr_process(resampler_, nullptr, 0, nullptr, resampled_.data(), 4096, &out);
      ok = encode(resampled_.data(), out) && ok;
    } while (out > 0);
  }
  if (resampler_) soxr_delete(resampler_);
  resampler_ = nullptr;
  if (sndfile_) ok = sf_close(sndfile_) == 0 && ok;
  sndfile_ = nullptr;
  return ok && !failed_;
}

bool SndfileWriter::begin() { return open(); }

bool SndfileWriter::restart(const WaveFormatEx& format) {
  close();
  format_ = format;
  // What closing wrote goes out before the cut, not after it.
  return file().flush() && file().truncate(0) && file().seek(0) && open();
}

bool SndfileWriter::encode(const std::int16_t* frames, std::size_t count) {
  if (count == 0) return true;
  return sndfile_ && sf_writef_short(sndfile_, frames, static_cast<sf_count_t>(count)) == static_cast<sf_count_t>(count);
}

std::size_t SndfileWriter::write(const std::uint8_t* pcm, std::size_t bytes) {
  const std::size_t frameBytes = format_.BlockAlign ? format_.BlockAlign : 2;
  const std::size_t frames = bytes / frameBytes;
  const std::size_t channels = format_.Channels ? format_.Channels : 1;
  samples_.resize(frames * channels);
  for (std::size_t i = 0; i < samples_.size(); ++i)
    samples_[i] = static_cast<std::int16_t>(pcm[2 * i] | (pcm[2 * i + 1] << 8));
  bool ok = true;
  if (resampler_) {
    const std::size_t room = frames * kOpusRate / format_.SampleRate + 256;
    resampled_.resize(room * channels);
    // Until the resampler has taken every frame (it may hold some back).
    for (std::size_t taken = 0; ok && taken < frames;) {
      std::size_t used = 0, out = 0;
      ok = soxr_process(resampler_, samples_.data() + taken * channels, frames - taken, &used, resampled_.data(), room,
                        &out) == nullptr &&
           encode(resampled_.data(), out) && (used > 0 || out > 0);
      taken += used;
    }
  } else {
    ok = encode(samples_.data(), frames);
  }
  // Handed to the system at once: a kill loses only what the encoder holds.
  ok = file().flush() && ok && !failed_;
  return ok ? frames * frameBytes : 0;
}

bool SndfileWriter::checkpoint(std::uint64_t) {
  if (sndfile_) sf_write_sync(sndfile_);
  return file().flush() && !failed_ && sndfile_ && sf_error(sndfile_) == SF_ERR_NO_ERROR;
}

bool SndfileWriter::complete(std::uint64_t&) { return close() && file().flush(); }

}  // namespace quorvane
