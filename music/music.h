#pragma once
#include <cstdint>

// The module-player calls the show makes. Playback is libopenmpt's; output is
// SDL audio. Position and levels are those the listener hears at the moment
// of the call.

struct FMUSIC_MODULE;

signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags);
void FSOUND_Close();

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);
signed char FMUSIC_FreeSong(FMUSIC_MODULE* module);
signed char FMUSIC_PlaySong(FMUSIC_MODULE* module);
signed char FMUSIC_StopSong(FMUSIC_MODULE* module);

// Negative for a null handle.
int FMUSIC_GetOrder(FMUSIC_MODULE* module);
int FMUSIC_GetRow(FMUSIC_MODULE* module);

int FSOUND_GetChannelsPlaying();
int FSOUND_GetVolume(int channel);
signed char FSOUND_IsPlaying(int channel);
