// The module-player calls the show makes.
#pragma once
#include <cstdint>

// The module-player calls the show makes. Playback is libopenmpt's; output is
// SDL audio. Position and levels are those the listener hears at the moment
// of the call. A module channel's level (0..255) is libopenmpt's VU meter of
// that channel: it jumps with a note and falls off within about a quarter
// second after the channel goes quiet; it sounds while its level is not 0.
// All calls come from one thread.
//
// Why these names: the show was written against a module-player library's C
// interface, and the demo object, the director, every scene and the
// character make these calls by those names, with those types. This layer
// keeps the interface (names, handles, signed-char results) and answers it
// from libopenmpt and SDL audio, so that the show's code reads as it was
// written and nothing above this file knows which player is underneath. Our
// own additions live apart, in music_control.h.

struct FMUSIC_MODULE;

// 44,100 Hz stereo whatever is asked. 1 when an audio device is open or the
// lockstep clock needs none; without a device (one line on standard error)
// songs follow the timer silently.
signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags);
// Ends playback and releases every song; their handles are then invalid.
void FSOUND_Close();

// Null, with one line on standard error, if the file cannot be read or played.
FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);
// Playing restarts the song from its start; playing one song stops another.
// On a sound output, playing returns once the song's first frame is heard
// (at most 2.5 s later), so that time taken right after counts from there.
// Handles the player does not hold (null, freed) are refused with 0.
signed char FMUSIC_FreeSong(FMUSIC_MODULE* module);
signed char FMUSIC_PlaySong(FMUSIC_MODULE* module);
signed char FMUSIC_StopSong(FMUSIC_MODULE* module);

// Negative order and row 0 for a null handle. A stopped song keeps the
// position it stopped at; after its end a song keeps its last row, silent.
int FMUSIC_GetOrder(FMUSIC_MODULE* module);
int FMUSIC_GetRow(FMUSIC_MODULE* module);

// The player's channels are the module channels sounding now, in channel
// order: channel i is the i-th of them, whichever module channel that is, so
// that a loop over i < FSOUND_GetChannelsPlaying() meets only sounding ones
// (each query looks anew, and the set may change between two calls). A
// channel's volume is its level; it plays while that is not 0. Channels past
// the count, and every channel with no song playing, read 0.
int FSOUND_GetChannelsPlaying();
int FSOUND_GetVolume(int channel);
signed char FSOUND_IsPlaying(int channel);
