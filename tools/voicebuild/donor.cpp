#include "donor.h"

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <cstring>
#include <filesystem>
#include <system_error>

namespace brelvox::voicebuild {

namespace fs = std::filesystem;

namespace {

constexpr const char* kVariantName = "brelvox-flat";

int32_t g_sampleRate = 0;
DonorUtterance* g_current = nullptr;

int OnSynth(short* samples, int count, espeak_EVENT* events) {
  if (g_current == nullptr) return 0;
  if (samples != nullptr && count > 0)
    g_current->samples.insert(g_current->samples.end(), samples, samples + count);
  for (espeak_EVENT* e = events; e != nullptr && e->type != espeakEVENT_LIST_TERMINATED; ++e) {
    if (e->type != espeakEVENT_PHONEME) continue;
    char name[9] = {};
    std::memcpy(name, e->id.string, 8);
    g_current->events.push_back(DonorEvent{name, static_cast<int32_t>(e->sample)});
  }
  return 0;
}

// Mirrors the donor's data folder into `target` by links, with our variant added.
bool MirrorDonorData(const fs::path& source, const fs::path& target, const fs::path& variant,
                     std::string* error) {
  std::error_code ec;
  fs::remove_all(target, ec);
  fs::create_directories(target / "voices" / "!v", ec);
  if (ec) {
    *error = "cannot create the donor's work folder " + target.string() + ": " + ec.message() + ".";
    return false;
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(source, ec)) {
    const fs::path name = entry.path().filename();
    if (name == "voices") continue;
    fs::create_symlink(entry.path(), target / name, ec);
    if (ec) break;
  }
  if (!ec) {
    for (const fs::directory_entry& entry : fs::directory_iterator(source / "voices", ec)) {
      const fs::path name = entry.path().filename();
      if (name == "!v") continue;
      fs::create_symlink(entry.path(), target / "voices" / name, ec);
      if (ec) break;
    }
  }
  if (!ec) fs::copy_file(variant, target / "voices" / "!v" / kVariantName, ec);
  if (ec) {
    *error = "cannot prepare the donor's data in " + target.string() + ": " + ec.message() + ".";
    return false;
  }
  return true;
}

}  // namespace

bool OpenDonor(const DonorOptions& options, std::string* error) {
  if (!fs::is_regular_file(options.variantFile)) {
    *error = "the donor voice variant " + options.variantFile +
             " is missing; give the voice data folder of the source tree.";
    return false;
  }
  espeak_ng_InitializePath(nullptr);
  const char* dataPath = nullptr;
  espeak_Info(&dataPath);
  if (dataPath == nullptr || !fs::is_regular_file(fs::path(dataPath) / "phontab")) {
    *error = "espeak-ng's data was not found; install espeak-ng-data.";
    return false;
  }
  const fs::path mirror = fs::path(options.workFolder) / "espeak-ng-data";
  if (!MirrorDonorData(dataPath, mirror, options.variantFile, error)) return false;
  const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, mirror.c_str(),
                                     espeakINITIALIZE_PHONEME_EVENTS | espeakINITIALIZE_DONT_EXIT);
  if (rate <= 0) {
    *error = "espeak-ng could not start with its data in " + mirror.string() + ".";
    return false;
  }
  const std::string voice = std::string("bg+") + kVariantName;
  if (espeak_SetVoiceByName(voice.c_str()) != EE_OK) {
    *error = "espeak-ng has no Bulgarian voice; install espeak-ng-data.";
    return false;
  }
  espeak_SetSynthCallback(OnSynth);
  espeak_SetParameter(espeakRANGE, 0, 0);
  espeak_SetParameter(espeakPITCH, options.pitch, 0);
  espeak_SetParameter(espeakRATE, options.rate, 0);
  g_sampleRate = rate;
  return true;
}

int32_t DonorSampleRate() {
  return g_sampleRate;
}

bool DonorSay(const std::string& phonemeText, DonorUtterance* utterance, std::string* error) {
  utterance->samples.clear();
  utterance->events.clear();
  const std::string text = "[[" + phonemeText + "]]";
  g_current = utterance;
  const espeak_ERROR rc = espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
                                       espeakCHARS_UTF8 | espeakPHONEMES, nullptr, nullptr);
  espeak_Synchronize();
  g_current = nullptr;
  if (rc != EE_OK) {
    *error = "espeak-ng failed to speak \"" + phonemeText + "\".";
    return false;
  }
  return true;
}

}  // namespace brelvox::voicebuild
