#include "programs/sd_brelvox/output_module.h"

#include <chrono>

#include "platform/audio/audio_output.h"
#include "programs/sd_brelvox/module_protocol.h"
#include "programs/sd_brelvox/ssml_pieces.h"

namespace brelvox::speechd {

namespace {

// The five predefined entities, which CHAR may arrive escaped with.
std::string DecodeEntity(const std::string& text) {
  static const std::pair<const char*, const char*> kEntities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}, {"&apos;", "'"}, {"&quot;", "\""}};
  for (const auto& [entity, character] : kEntities) {
    if (text == entity) return character;
  }
  return text;
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

bool IsSsml(const std::string& text) {
  const size_t start = text.find_first_not_of(" \t\n\r");
  return start != std::string::npos && text.compare(start, 6, "<speak") == 0;
}

// Audio to the server in blocks of the configured size, or to the platform's sound output.
class BlockSink final : public SpeechSink {
 public:
  BlockSink(size_t blockSamples, int rate, const std::function<void(const std::string&)>& emit,
            AudioOutput* local, std::atomic<bool>& abort, const std::atomic<bool>& pause)
      : block_(blockSamples),
        rate_(rate),
        emit_(emit),
        local_(local),
        abort_(abort),
        pause_(pause) {
    buffer_.reserve(block_);
  }

  void Audio(const int16_t* samples, size_t count) override {
    samples_ += count;
    if (local_ != nullptr) {
      local_->Write(samples, count * sizeof(int16_t));
      return;
    }
    while (count > 0) {
      const size_t take = std::min(count, block_ - buffer_.size());
      buffer_.insert(buffer_.end(), samples, samples + take);
      samples += take;
      count -= take;
      if (buffer_.size() == block_) Flush();
    }
  }

  void Mark(const std::string& name) override {
    Flush();
    if (abort_.load()) return;
    emit_(MarkEvent(name));
    if (log_) log_("mark " + name + " after " + std::to_string(samples_) + " samples");
    // PAUSE ends the message at the first sentence mark after it.
    if (pause_.load() && StartsWith(name, "__spd_")) {
      paused_ = true;
      abort_.store(true);
    }
  }

  void Flush() {
    if (!buffer_.empty() && !abort_.load())
      emit_(AudioEvent(buffer_.data(), buffer_.size(), rate_));
    buffer_.clear();
  }

  bool Paused() const { return paused_; }

 private:
  size_t block_;
  int rate_;
  const std::function<void(const std::string&)>& emit_;
  AudioOutput* local_;
  std::atomic<bool>& abort_;
  const std::atomic<bool>& pause_;
  std::vector<int16_t> buffer_;
  bool paused_ = false;
  uint64_t samples_ = 0;

 public:
  std::function<void(const std::string&)> log_;  // the marks as they go out, when set
};

}  // namespace

OutputModule::OutputModule(std::unique_ptr<Speaker> speaker, std::string configPath, Writer write,
                           Logger log)
    : speaker_(std::move(speaker)),
      configPath_(std::move(configPath)),
      write_(std::move(write)),
      log_(std::move(log)),
      command_(output_, std::defer_lock),
      worker_([this] { Run(); }) {}

OutputModule::~OutputModule() {
  if (command_.owns_lock()) command_.unlock();
  Stop(false);
  {
    std::lock_guard<std::mutex> lock(jobs_);
    quitting_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

void OutputModule::Reply(const std::string& text) {
  if (!command_.owns_lock()) command_.lock();
  write_(text + "\n");
  command_.unlock();
}

void OutputModule::Emit(const Job& job, const std::string& text, bool last) {
  std::lock_guard<std::mutex> lock(output_);
  if (*job.ended) return;
  *job.ended = last;
  write_(text);
}

void OutputModule::Log(int level, const std::string& text) {
  if (level <= logLevel_.load()) log_(text);
}

bool OutputModule::Line(const std::string& raw) {
  std::string line = raw;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (block_ == Block::kMessage) {
    if (line == ".") {
      block_ = Block::kNone;
      EndMessage();
      return true;
    }
    const std::string text = UnstuffLine(line);
    if (!messageTooLong_) {
      if (message_.size() + text.size() + 1 > config_.maxMessageBytes) {
        messageTooLong_ = true;
        message_.clear();
      } else {
        if (!firstLine_) message_.push_back('\n');
        message_ += text;
      }
    }
    firstLine_ = false;
    return true;
  }
  if (block_ != Block::kNone) {
    if (line != ".") {
      if (auto setting = ParseSettingLine(line)) {
        blockLines_.push_back(*setting);
      } else {
        Log(2, "ignoring a malformed settings line: " + line);
      }
      return true;
    }
    const Block ended = block_;
    block_ = Block::kNone;
    if (ended == Block::kSettings) {
      EndSettings();
    } else if (ended == Block::kLogLevel) {
      for (const auto& [name, value] : blockLines_) {
        if (name == "log_level") logLevel_ = std::atoi(value.c_str());
      }
      Reply("203 OK LOGLEVEL SET");
    } else {
      for (const auto& [name, value] : blockLines_) {
        if (name == "audio_output_method") serverAudio_ = value == "server";
      }
      localAudio_ = !serverAudio_;
      Log(3, serverAudio_ ? "audio goes to the server" : "audio goes to the sound device");
      Reply("203 OK AUDIO INITIALIZED");
    }
    return true;
  }

  // A new command. STOP and PAUSE have no reply and take no lock.
  if (line == "STOP") {
    Log(4, "STOP");
    Stop(false);
    return true;
  }
  if (line == "PAUSE") {
    Stop(true);
    return true;
  }
  if (line == "QUIT") {
    Stop(false);
    Reply("210 OK QUIT");
    return false;
  }
  command_.lock();
  if (line == "INIT") {
    Init();
  } else if (line == "AUDIO" || line == "LOGLEVEL" || line == "SET") {
    block_ = line == "AUDIO" ? Block::kAudio : line == "SET" ? Block::kSettings : Block::kLogLevel;
    blockLines_.clear();
    write_(line == "AUDIO"      ? "207 OK RECEIVING AUDIO SETTINGS\n"
           : line == "LOGLEVEL" ? "207 OK RECEIVING LOGLEVEL SETTINGS\n"
                                : "203 OK RECEIVING SETTINGS\n");
  } else if (line == "SPEAK" || line == "CHAR" || line == "KEY" || line == "SOUND_ICON") {
    block_ = Block::kMessage;
    messageKind_ = line;
    message_.clear();
    messageTooLong_ = false;
    firstLine_ = true;
    write_("202 OK RECEIVING MESSAGE\n");
  } else if (StartsWith(line, "LIST VOICES")) {
    ListVoices();
  } else {
    Log(2, "unknown command: " + line);
    Reply("300 ERR UNKNOWN COMMAND");
  }
  return true;
}

void OutputModule::Init() {
  std::string error;
  if (!configPath_.empty() && !LoadModuleConfig(configPath_, &config_, &error)) {
    Log(1, error);
    write_("399-" + error + "\n");
    Reply("399 ERR CANT INIT MODULE");
    return;
  }
  voices_ = KnownVoices(true);
  if (config_.defaultVoice.empty()) config_.defaultVoice = speaker_->DefaultVoice();
  const std::string voice = ChooseMessageVoice(settings_, voices_, config_.defaultVoice, &error);
  if (voice.empty() || speaker_->Prepare(voice, &error) == 0) {
    Log(1, "cannot start: " + error);
    write_("399-" + error + "\n");
    Reply("399 ERR CANT INIT MODULE");
    return;
  }
  Log(3, "ready with the voice " + voice);
  write_("299-BRELVOX: voice " + voice + " ready\n");
  Reply("299 OK LOADED SUCCESSFULLY");
}

std::vector<InstalledVoice> OutputModule::KnownVoices(bool refresh) {
  if (refresh || voices_.empty()) voices_ = speaker_->Voices();
  return voices_;
}

void OutputModule::ListVoices() {
  const std::vector<InstalledVoice> voices = KnownVoices(true);
  if (voices.empty()) {
    Reply("304 CANT LIST VOICES");
    return;
  }
  std::string lines;
  for (const InstalledVoice& v : voices) {
    lines += "200-" + v.name + "\t" + v.language + "\t" + v.variant + "\n";
  }
  write_(lines);
  Reply("200 OK VOICE LIST SENT");
}

void OutputModule::EndSettings() {
  bool valid = true;
  for (const auto& [name, value] : blockLines_) {
    std::string error;
    if (!ApplySetting(&settings_, name, value, &error)) {
      Log(1, "ignoring a setting: " + error);
      valid = false;
    }
  }
  Reply(valid ? "203 OK SETTINGS RECEIVED" : "303 ERROR INVALID PARAMETER OR VALUE");
}

void OutputModule::EndMessage() {
  // The server of 0.11 leaves the client waiting for ever after an error reply to a message, so a
  // message that cannot be spoken is accepted and ends at once as if stopped, with the reason in
  // the log.
  const auto refuse = [&](const std::string& why) {
    Log(1, messageKind_ + " not spoken: " + why);
    Reply("200 OK SPEAKING");
    Job refused;
    refused.abort = std::make_shared<std::atomic<bool>>(true);
    Enqueue(std::move(refused));
  };
  if (messageTooLong_) {
    return refuse("the message is longer than " + std::to_string(config_.maxMessageBytes) +
                  " bytes (BrelvoxMaxMessageBytes in brelvox.conf); send it in parts");
  }
  std::string error;
  Job job;
  job.request.voice =
      ChooseMessageVoice(settings_, KnownVoices(false), config_.defaultVoice, &error);
  if (job.request.voice.empty() && !settings_.synthesisVoice.empty()) {
    // A voice installed since the list was read.
    error.clear();
    job.request.voice =
        ChooseMessageVoice(settings_, KnownVoices(true), config_.defaultVoice, &error);
  }
  if (job.request.voice.empty()) return refuse(error);
  job.request.settings = MapSettings(settings_);
  const MessageSettings::Capitals capitals = settings_.capitals;
  if (messageKind_ == "SPEAK") {
    if (IsSsml(message_)) {
      if (!SsmlToPieces(message_, &job.request.pieces, &error)) return refuse(error);
    } else {
      job.request.pieces.push_back(SpeechPiece{SpeechPiece::Kind::kText, message_});
    }
    if (settings_.spelling) {
      SpeechPieces spelled;
      for (SpeechPiece& piece : job.request.pieces) {
        if (piece.kind != SpeechPiece::Kind::kText && piece.kind != SpeechPiece::Kind::kSpelled) {
          spelled.push_back(std::move(piece));
          continue;
        }
        for (SpeechPiece& p : SpelledPieces(piece.text, config_, capitals)) {
          p.rate = piece.rate;
          p.pitch += piece.pitch;
          p.volume = piece.volume;
          spelled.push_back(std::move(p));
        }
      }
      job.request.pieces = std::move(spelled);
    }
  } else if (messageKind_ == "CHAR") {
    job.request.pieces = CharPieces(DecodeEntity(message_), config_, capitals);
  } else if (messageKind_ == "KEY") {
    job.request.pieces = KeyPieces(DecodeEntity(message_), config_);
  } else {
    Log(3, "no sound for the icon " + message_);
  }
  Reply("200 OK SPEAKING");
  Log(4, messageKind_ + " with " + job.request.voice + ": " + message_.substr(0, 400));
  job.abort = std::make_shared<std::atomic<bool>>(false);
  Enqueue(std::move(job));
}

void OutputModule::Enqueue(Job job) {
  if (job.pause == nullptr) job.pause = std::make_shared<std::atomic<bool>>(false);
  job.ended = std::make_shared<bool>(false);
  {
    std::lock_guard<std::mutex> lock(jobs_);
    queue_.push_back(std::move(job));
  }
  changed_.notify_all();
}

void OutputModule::Stop(bool pause) {
  std::lock_guard<std::mutex> lock(jobs_);
  if (pause) {
    if (current_ != nullptr) current_->pause->store(true);
    return;
  }
  for (Job& job : queue_)
    job.abort->store(true);
  if (current_ == nullptr) return;
  // 703 goes out at once; the engine winds down meanwhile, and nothing of the message follows.
  current_->abort->store(true);
  Emit(*current_, "703 STOP\n", true);
  Log(4, "703 STOP sent");
}

void OutputModule::WaitIdle() {
  std::unique_lock<std::mutex> lock(jobs_);
  changed_.wait(lock, [this] { return queue_.empty() && current_ == nullptr; });
}

void OutputModule::Run() {
  std::unique_lock<std::mutex> lock(jobs_);
  for (;;) {
    changed_.wait(lock, [this] { return quitting_ || !queue_.empty(); });
    if (queue_.empty()) return;
    Job job = std::move(queue_.front());
    queue_.pop_front();
    current_ = &job;
    Emit(job, "701 BEGIN\n");  // before a STOP can find the message
    lock.unlock();
    SpeakJob(&job);
    lock.lock();
    current_ = nullptr;
    changed_.notify_all();
  }
}

void OutputModule::SpeakJob(Job* job) {
  const auto started = std::chrono::steady_clock::now();
  if (job->abort->load()) {
    // A message refused (or stopped before it began) ends a moment after its BEGIN: an end that
    // follows BEGIN at once can reach the server before it has taken the message as begun, and
    // was once lost there, leaving the client waiting.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Emit(*job, "703 STOP\n", true);
    return;
  }
  std::string error;
  const int rate = speaker_->Prepare(job->request.voice, &error);
  bool spoken = rate > 0;
  std::unique_ptr<AudioOutput> local;
  if (spoken && localAudio_.load()) {
    std::string note;
    local = MakeDefaultOutput(&note);
    if (!note.empty()) Log(2, note);
    WAVEFORMATEX format{};
    format.wFormatTag = 1;
    format.nChannels = 1;
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = static_cast<DWORD>(rate) * 2;
    if (!local->Start(format, &error)) {
      Log(1, "cannot play: " + error);
      local = MakeNullOutput();
    }
  }
  const std::function<void(const std::string&)> emit = [this, job](const std::string& text) {
    Emit(*job, text);
  };
  BlockSink sink(static_cast<size_t>(config_.audioBlockSamples), rate, emit, local.get(),
                 *job->abort, *job->pause);
  if (logLevel_.load() >= 5) sink.log_ = [this](const std::string& line) { Log(5, line); };
  if (spoken) spoken = speaker_->Speak(job->request, &sink, *job->abort, &error);
  sink.Flush();
  if (local != nullptr) local->Finish(&error);
  if (!spoken) Log(1, "the message was not spoken: " + error);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - started)
                      .count();
  if (sink.Paused()) {
    Log(4, "paused after " + std::to_string(ms) + " ms");
    Emit(*job, "704 PAUSE\n", true);
  } else if (job->abort->load()) {
    Log(4, "stopped after " + std::to_string(ms) + " ms");
    Emit(*job, "703 STOP\n", true);
  } else {
    Log(4, "spoken in " + std::to_string(ms) + " ms");
    Emit(*job, "702 END\n", true);
  }
}

}  // namespace brelvox::speechd
