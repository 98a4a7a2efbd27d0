#include "files/SndfileReader.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

#include "files/WavHeader.h"

namespace quorvane {

namespace {

FileStream& sourceOf(void* user) { return static_cast<SndfileReader*>(user)->source(); }

sf_count_t sourceLength(void* user) { return static_cast<sf_count_t>(sourceOf(user).size()); }

sf_count_t sourceSeek(sf_count_t offset, int whence, void* user) {
  FileStream& f = sourceOf(user);
  const sf_count_t base = whence == SEEK_CUR   ? static_cast<sf_count_t>(f.tell())
                          : whence == SEEK_END ? static_cast<sf_count_t>(f.size())
                                               : 0;
  if ((offset > 0 && base > std::numeric_limits<sf_count_t>::max() - offset) || base + offset < 0) return -1;
  const sf_count_t to = base + offset;
  return f.seek(static_cast<std::uint64_t>(to)) ? to : -1;
}

sf_count_t sourceRead(void* dst, sf_count_t n, void* user) {
  return n > 0 ? static_cast<sf_count_t>(sourceOf(user).read(dst, static_cast<std::size_t>(n))) : 0;
}

sf_count_t sourceWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t sourceTell(void* user) { return static_cast<sf_count_t>(sourceOf(user).tell()); }

SF_VIRTUAL_IO sourceIo{sourceLength, sourceSeek, sourceRead, sourceWrite, sourceTell};

constexpr std::size_t kBlockFrames = 4096;

}  // namespace

bool SndfileReader::claimsCompressed(const std::string& path) {
  const auto dot = path.find_last_of('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return false;
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == "flac" || ext == "ogg" || ext == "oga" || ext == "opus" || ext == "mp3";
}

std::unique_ptr<SndfileReader> SndfileReader::open(std::unique_ptr<FileStream>& file, std::string& error,
                                                   bool claimed) {
  error.clear();
  if (!file) return nullptr;
  std::unique_ptr<SndfileReader> r(new SndfileReader(std::move(file)));
  auto giveBack = [&] {
    if (r->sndfile_) sf_close(r->sndfile_);
    r->sndfile_ = nullptr;
    r->file_->seek(0);
    file = std::move(r->file_);
    return nullptr;
  };
  SF_INFO info{};
  r->file_->seek(0);
  r->sndfile_ = sf_open_virtual(&sourceIo, SFM_READ, &info, r.get());
  const int major = info.format & SF_FORMAT_TYPEMASK;
  if (!r->sndfile_ || (major != SF_FORMAT_FLAC && major != SF_FORMAT_OGG && major != SF_FORMAT_MPEG)) {
    if (claimed) error = "The sound file cannot be read";
    return giveBack();
  }
  if (info.channels <= 0 || info.samplerate <= 0) {
    error = "The sound file holds no sound";
    return giveBack();
  }
  // Lossy formats decode to floats; louder than full scale is held there, not wrapped.
  sf_command(r->sndfile_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  r->rate_ = info.samplerate;
  r->channels_ = info.channels;
  r->frameBytes_ = 2u * static_cast<std::uint64_t>(info.channels);
  std::uint64_t frames = info.frames > 0 && info.frames != SF_COUNT_MAX ? static_cast<std::uint64_t>(info.frames) : 0;
  const std::uint64_t most = (0xFFFFFFFFu - 44u) / r->frameBytes_;
  if (frames == 0) {
    // Length not stored (a recording cut off before completion): counted,
    // as far as what can be shown.
    std::vector<std::int16_t> scratch(kBlockFrames * static_cast<std::size_t>(info.channels));
    sf_count_t got;
    while (frames < most && (got = sf_readf_short(r->sndfile_, scratch.data(), kBlockFrames)) > 0)
      frames += static_cast<std::uint64_t>(got);
    if (sf_seek(r->sndfile_, 0, SEEK_SET) != 0) {
      error = "The sound file cannot be read";
      return giveBack();
    }
  }
  r->dataBytes_ = std::min(frames, most) * r->frameBytes_;

  WaveFormatEx format;
  // What cannot go into a WAV header's 16-bit fields is refused by the WAV checks as too many channels.
  format.Channels = static_cast<std::uint16_t>(std::min(info.channels, 0xFFFF / 2));
  format.SampleRate = static_cast<std::uint32_t>(info.samplerate);
  format.BlockAlign = static_cast<std::uint16_t>(2 * format.Channels);
  format.AvgBytesPerSec = format.SampleRate * format.BlockAlign;
  const auto header = WavHeader::build(format, static_cast<std::uint32_t>(r->dataBytes_));
  r->header_.assign(header.begin(), header.end());
  return r;
}

SndfileReader::~SndfileReader() { close(); }

bool SndfileReader::close() {
  if (sndfile_) sf_close(sndfile_);
  sndfile_ = nullptr;
  return file_ ? file_->close() : true;
}

bool SndfileReader::seek(std::uint64_t offset) {
  if (offset > size()) return false;
  pos_ = offset;
  return true;
}

bool SndfileReader::seekToEnd() {
  pos_ = size();
  return true;
}

bool SndfileReader::decodeFrom(std::uint64_t frame) {
  if (frame != nextFrame_) {
    if (!sndfile_ || sf_seek(sndfile_, static_cast<sf_count_t>(frame), SEEK_SET) < 0) return false;
    nextFrame_ = frame;
  }
  return true;
}

std::size_t SndfileReader::read(void* data, std::size_t bytes) {
  auto* out = static_cast<std::uint8_t*>(data);
  std::size_t done = 0;
  while (done < bytes && pos_ < size()) {
    if (pos_ < header_.size()) {
      const std::size_t n = std::min<std::size_t>(bytes - done, header_.size() - pos_);
      std::memcpy(out + done, header_.data() + pos_, n);
      done += n;
      pos_ += n;
      continue;
    }
    // Whole frames from the decoder; a read that starts inside a frame takes its tail.
    const std::uint64_t at = pos_ - header_.size();
    const std::uint64_t frame = at / frameBytes_;
    const std::uint64_t framesLeft = dataBytes_ / frameBytes_ - frame;
    const std::uint64_t wanted = (at % frameBytes_ + (bytes - done) + frameBytes_ - 1) / frameBytes_;
    const std::size_t count = static_cast<std::size_t>(std::min({wanted, framesLeft, std::uint64_t{kBlockFrames}}));
    if (count == 0 || !decodeFrom(frame)) break;
    block_.resize(count * static_cast<std::size_t>(channels_));
    const sf_count_t got = sf_readf_short(sndfile_, block_.data(), static_cast<sf_count_t>(count));
    if (got <= 0) break;  // the sound ends sooner than the file said, or cannot be decoded
    nextFrame_ += static_cast<std::uint64_t>(got);
    std::uint8_t bytesOut[2];
    const std::size_t skip = static_cast<std::size_t>(at % frameBytes_);
    const std::size_t available = static_cast<std::size_t>(got) * static_cast<std::size_t>(frameBytes_) - skip;
    const std::size_t n = std::min(bytes - done, available);
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t b = skip + i;
      putU16(bytesOut, static_cast<std::uint16_t>(block_[b / 2]));
      out[done + i] = bytesOut[b % 2];
    }
    done += n;
    pos_ += n;
    if (static_cast<std::size_t>(got) < count) break;
  }
  return done;
}

}  // namespace quorvane
