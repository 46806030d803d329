#include "app/direct_show_open_function.h"

#include "settings/shared_options.h"

DecoderOpenSettings OpenSettingsFromOptions(const Options& options) {
  DecoderOpenSettings settings;
  settings.sixteenBit = options.use8BitDepth == 0;
  settings.stereoAllowed = options.denyStereo == 0;
  settings.fullRate = options.halfSampleRate == 0;
  settings.useSecondaryAudio = options.useSecondaryAudioStream != 0;
  settings.cacheSlots = static_cast<int>(options.fileCacheSize) + 2;
  settings.allowIndex = options.allowSeekingIndex != 0;
  settings.safeBackupMode = options.safeVideoBackupMode != 0;
  settings.highQuality = [] { return PublishedOptions().highQualityConversion != 0; };
  settings.disableAudio = options.disableAudio != 0;
  settings.autoSync = [] { return PublishedOptions().allowAutoAudioSync != 0; };
  settings.renderFullChains = options.renderFullChains != 0;
  settings.addToRot = options.addGraphToRot != 0;
  return settings;
}

Decoder* OpenDirectShowDecoder(const char* fileName, std::string* messages, bool* opened) {
  auto* decoder = new DirectShowDecoder();
  *opened = decoder->Open(fileName, messages, OpenSettingsFromOptions(g_options));
  return decoder;
}
