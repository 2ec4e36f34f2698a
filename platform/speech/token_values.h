// The values a voice token holds: the engine's class and its three data files. The platform writes
// and reads them; an engine reads its files' paths from them.
#pragma once

inline constexpr char kClassIdValue[] = "CLSID";
inline constexpr char kVoiceDataValue[] = "VoiceData";
inline constexpr char kGrammarDataValue[] = "GrammarData";
inline constexpr char kUserDictDataValue[] = "UserDictData";
inline constexpr char16_t kVoiceDataValueW[] = u"VoiceData";
inline constexpr char16_t kGrammarDataValueW[] = u"GrammarData";
inline constexpr char16_t kUserDictDataValueW[] = u"UserDictData";
