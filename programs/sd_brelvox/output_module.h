// The output module: commands from speech-dispatcher, line by line, on one thread; speech on a
// worker of its own, so that STOP is acted on while a message is spoken. Events never come between
// a command and its reply.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "programs/sd_brelvox/module_config.h"
#include "programs/sd_brelvox/speaker.h"

namespace brelvox::speechd {

class OutputModule {
 public:
  using Writer = std::function<void(const std::string& bytes)>;  // to the server, whole
  using Logger = std::function<void(const std::string& line)>;

  OutputModule(std::unique_ptr<Speaker> speaker, std::string configPath, Writer write, Logger log);
  ~OutputModule();  // stops what is spoken and ends the worker
  OutputModule(const OutputModule&) = delete;
  OutputModule& operator=(const OutputModule&) = delete;

  // One line from the server, without its line end. False once the module is to exit (QUIT).
  bool Line(const std::string& line);
  // Waits until nothing is queued or spoken; for tests.
  void WaitIdle();

 private:
  struct Job {
    SpeakRequest request;
    std::shared_ptr<std::atomic<bool>> abort;
    std::shared_ptr<std::atomic<bool>> pause;  // PAUSE asked: stop at the next sentence mark
    std::shared_ptr<bool> ended;               // its last event has gone out (guarded by output_)
  };
  enum class Block { kNone, kAudio, kLogLevel, kSettings, kMessage };

  void Reply(const std::string& text);  // ends the command: the lock taken at its start goes
  // An event of a message; nothing after its last one (`last`: 702, 703 or 704).
  void Emit(const Job& job, const std::string& text, bool last = false);
  void Log(int level, const std::string& text);
  void Init();
  void ListVoices();
  void EndSettings();
  void EndMessage();
  void Enqueue(Job job);
  void Stop(bool pause);
  void Run();
  void SpeakJob(Job* job);
  std::vector<InstalledVoice> KnownVoices(bool refresh);

  std::unique_ptr<Speaker> speaker_;
  std::string configPath_;
  Writer write_;
  Logger log_;
  ModuleConfig config_;
  std::atomic<int> logLevel_{3};

  // Reader side.
  std::mutex output_;
  std::unique_lock<std::mutex> command_;  // held from a command's first line to its reply
  Block block_ = Block::kNone;
  std::string messageKind_;  // SPEAK, CHAR, KEY, SOUND_ICON
  std::string message_;
  bool messageTooLong_ = false;
  bool firstLine_ = true;
  std::vector<std::pair<std::string, std::string>> blockLines_;
  MessageSettings settings_;
  std::vector<InstalledVoice> voices_;
  bool serverAudio_ = true;

  // Worker side.
  std::mutex jobs_;
  std::condition_variable changed_;
  std::deque<Job> queue_;
  Job* current_ = nullptr;
  bool quitting_ = false;
  std::atomic<bool> localAudio_{false};
  std::thread worker_;
};

}  // namespace brelvox::speechd
