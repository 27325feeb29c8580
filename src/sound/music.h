// The soundtrack: "halcyon.mp3" kept in memory, decoded and played on the
// audio thread, and the music clock the timeline runs on. The clock counts
// milliseconds from the start of playback and never looks at the audio, so a
// run without a sound device keeps exactly the same pace.
//
// All four calls belong to the main thread: InitSound once at start-up,
// StartMusic once just before the frame loop, ShutdownSound at exit.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "kernel/mainloop.h"

// Logs "   [DEMOSOUND] Initializing", opens the sound device (unless `mute`;
// without a device it logs "   [DEMOSOUND] Initializing nosound" and runs
// silently), reads "halcyon.mp3" through the file layer and checks that it
// decodes. Nothing is heard until StartMusic. A file that is not MP3 audio
// is fatal (" Can't load mp3"), as is a missing one (the file layer's error).
void InitSound(bool mute);

// Starts playback, then the music clock.
void StartMusic();

// The clock the frame loop reads: milliseconds since StartMusic.
MusicPosition& MusicClock();

// Closes the device and frees the decoder if InitSound ran (also after a
// fatal error part-way through it). The file bytes stay available.
void ShutdownSound();

// The bytes of "halcyon.mp3" as read by InitSound, unchanged; empty before.
const std::vector<uint8_t>& MusicFileBytes();
