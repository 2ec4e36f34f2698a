// Who this engine is to the speech platform: its class, the registry key and value of its settings,
// and (from the platform's token_values.h) the names of the voice token values it reads. The engine
// library and the programs take them from here; the platform itself knows no engine.
#pragma once

#include "platform/com/windows_types.h"
#include "platform/speech/token_values.h"

// {2BFFD27F-1F12-4F12-B21C-70F3C19C416C}
inline constexpr CLSID CLSID_BGVoiceEngine = {
    0x2BFFD27F, 0x1F12, 0x4F12, {0xB2, 0x1C, 0x70, 0xF3, 0xC1, 0x9C, 0x41, 0x6C}};
inline constexpr char kEngineClassId[] = "{2BFFD27F-1F12-4F12-B21C-70F3C19C416C}";

// The option bits the grammar's stages are selected by: HKEY_LOCAL_MACHINE\<key>, DWORD value
// "settings", kDefaultEngineOptions when absent. A speak request with SPF_NLP_SPEAK_PUNC adds
// kSpeakPunctuationOption for that request.
inline constexpr char kEngineSettingsKey[] = "SOFTWARE\\ORVELT\\TTSEngine";
inline constexpr char kEngineSettingsValue[] = "settings";
inline constexpr DWORD kDefaultEngineOptions = 1;
inline constexpr DWORD kSpeakPunctuationOption = 2;
