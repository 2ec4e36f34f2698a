#include "recordings.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/core/sound/phoneme_set.h"

namespace brelvox::voicebuild {

static_assert(std::endian::native == std::endian::little, "WAV files are little-endian");

namespace fs = std::filesystem;

namespace {

template <typename T>
T Field(const std::string& bytes, size_t offset) {
  T value{};
  std::memcpy(&value, bytes.data() + offset, sizeof(T));
  return value;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  *bytes = text.str();
  return true;
}

std::vector<double> WithoutDc(const std::vector<int16_t>& samples) {
  double mean = 0.0;
  for (int16_t s : samples)
    mean += s;
  mean /= static_cast<double>(std::max<size_t>(samples.size(), 1));
  std::vector<double> signal;
  signal.reserve(samples.size());
  for (int16_t s : samples)
    signal.push_back(s - mean);
  return signal;
}

bool ReadWavFile(const std::string& path, std::vector<int16_t>* samples, int32_t* sampleRate,
                 std::string* error) {
  std::string bytes;
  if (!ReadWholeFile(path, &bytes)) {
    *error = "cannot read " + path + "; check the path.";
    return false;
  }
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) {
    *error = path + " is not a WAV file.";
    return false;
  }
  bool haveFormat = false;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    const std::string id = bytes.substr(at, 4);
    const auto size = Field<uint32_t>(bytes, at + 4);
    const size_t body = at + 8;
    if (body + size > bytes.size()) break;
    if (id == "fmt " && size >= 16) {
      const auto format = Field<uint16_t>(bytes, body);
      const auto channels = Field<uint16_t>(bytes, body + 2);
      const auto bits = Field<uint16_t>(bytes, body + 14);
      if (format != 1 || channels != 1 || bits != 16) {
        *error = path + " is not 16-bit mono PCM; convert it (for instance with sox).";
        return false;
      }
      *sampleRate = static_cast<int32_t>(Field<uint32_t>(bytes, body + 4));
      haveFormat = true;
    } else if (id == "data" && haveFormat) {
      samples->resize(size / 2);
      if (!samples->empty()) std::memcpy(samples->data(), bytes.data() + body, samples->size() * 2);
      return true;
    }
    at = body + size + (size & 1);
  }
  *error = path + " has no readable audio (format or data chunk missing).";
  return false;
}

bool WriteWavSamples(const std::string& path, const std::vector<int16_t>& samples,
                     int32_t sampleRate, std::string* error) {
  const auto dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::string header = "RIFF____WAVEfmt ____________________data____";
  auto put32 = [&](size_t offset, uint32_t v) { std::memcpy(header.data() + offset, &v, 4); };
  auto put16 = [&](size_t offset, uint16_t v) { std::memcpy(header.data() + offset, &v, 2); };
  put32(4, 36 + dataBytes);
  put32(16, 16);
  put16(20, 1);
  put16(22, 1);
  put32(24, static_cast<uint32_t>(sampleRate));
  put32(28, static_cast<uint32_t>(sampleRate) * 2);
  put16(32, 2);
  put16(34, 16);
  put32(40, dataBytes);
  std::ofstream out(path, std::ios::binary);
  out.write(header.data(), static_cast<std::streamsize>(header.size()));
  out.write(reinterpret_cast<const char*>(samples.data()), dataBytes);
  if (!out) {
    *error = "cannot write " + path + ".";
    return false;
  }
  return true;
}

bool ParseLabels(const std::string& text, int32_t sampleCount,
                 std::vector<PhonemeSegment>* segments, std::string* error) {
  std::istringstream in(text);
  std::string line;
  int lineNumber = 0;
  int32_t previousEnd = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    std::istringstream fields(line);
    std::string first;
    if (!(fields >> first) || first.rfind("--", 0) == 0) continue;
    long start = 0, end = 0;
    std::string phoneme, rest;
    std::istringstream numbers(line);
    const bool parsed = static_cast<bool>(numbers >> start >> end >> phoneme) && !(numbers >> rest);
    if (!parsed || phoneme.size() != 1 || VoiceIndexOf(phoneme[0]) < 0) {
      *error = "line " + std::to_string(lineNumber) +
               " is not \"START END PHONEME\" with a phoneme character of \"" +
               std::string(PhonemeAlphabet) + "\".";
      return false;
    }
    if (start < previousEnd || end <= start || end > sampleCount) {
      *error = "line " + std::to_string(lineNumber) +
               ": the phoneme overlaps the one before, is empty or ends after the recording.";
      return false;
    }
    segments->push_back(
        PhonemeSegment{phoneme[0], static_cast<int32_t>(start), static_cast<int32_t>(end)});
    previousEnd = static_cast<int32_t>(end);
  }
  return true;
}

bool ReadRecordingFolder(const std::string& folder, RecordingFolder* result, std::string* error) {
  std::error_code ec;
  std::vector<fs::path> wavs;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    if (entry.path().extension() == ".wav") wavs.push_back(entry.path());
  }
  if (ec) {
    *error = "cannot read the recording folder " + folder + ": " + ec.message() + ".";
    return false;
  }
  if (wavs.empty()) {
    *error = "the recording folder " + folder + " holds no .wav files.";
    return false;
  }
  std::sort(wavs.begin(), wavs.end());
  for (const fs::path& wav : wavs) {
    std::vector<int16_t> samples;
    int32_t rate = 0;
    if (!ReadWavFile(wav.string(), &samples, &rate, error)) return false;
    if (result->sampleRate != 0 && rate != result->sampleRate) {
      *error = wav.string() + " is at " + std::to_string(rate) + " Hz, the others at " +
               std::to_string(result->sampleRate) + " Hz; resample it.";
      return false;
    }
    result->sampleRate = rate;
    fs::path lab = wav;
    lab.replace_extension(".lab");
    std::string text;
    if (!ReadWholeFile(lab.string(), &text)) {
      *error = "the labels " + lab.string() + " of " + wav.string() + " are missing.";
      return false;
    }
    LabelledRecording recording;
    std::string labelError;
    if (!ParseLabels(text, static_cast<int32_t>(samples.size()), &recording.segments,
                     &labelError)) {
      *error = lab.string() + ": " + labelError;
      return false;
    }
    recording.signal = WithoutDc(samples);
    result->names.push_back(wav.stem().string());
    result->recordings.push_back(std::move(recording));
  }
  return true;
}

}  // namespace brelvox::voicebuild
