// The FluidSynth functions the MIDI player calls, each forwarding to
// FluidSynth opened on its first use. Linked directly, FluidSynth pulls its
// audio drivers' libraries (PulseAudio, JACK, SDL, PipeWire...) into every
// start of every program; opened this way, only a MIDI sound pays for it.
// When FluidSynth cannot be opened, new_fluid_settings() returns null, which
// the player already reports as a device that cannot play. The executable
// does not export these names, so FluidSynth's calls to its own functions
// stay inside it.

#include <fluidsynth.h>

#include "media/lazylibrary.h"

namespace {
constinit media::LazyLibrary g_fluidsynth("libfluidsynth.so.3");
}

KELVRA_LAZY_FORWARD(g_fluidsynth, fluid_log_function_t, fluid_set_log_function, nullptr,
                     (int level, fluid_log_function_t fun, void* data), (level, fun, data))
KELVRA_LAZY_FORWARD(g_fluidsynth, fluid_settings_t*, new_fluid_settings, nullptr, (void), ())
KELVRA_LAZY_FORWARD_VOID(g_fluidsynth, delete_fluid_settings, (fluid_settings_t * settings), (settings))
KELVRA_LAZY_FORWARD(g_fluidsynth, int, fluid_settings_setint, FLUID_FAILED,
                     (fluid_settings_t * settings, const char* name, int val),
                     (settings, name, val))
KELVRA_LAZY_FORWARD(g_fluidsynth, int, fluid_settings_setnum, FLUID_FAILED,
                     (fluid_settings_t * settings, const char* name, double val),
                     (settings, name, val))
KELVRA_LAZY_FORWARD(g_fluidsynth, int, fluid_settings_setstr, FLUID_FAILED,
                     (fluid_settings_t * settings, const char* name, const char* str),
                     (settings, name, str))
KELVRA_LAZY_FORWARD(g_fluidsynth, fluid_synth_t*, new_fluid_synth, nullptr, (fluid_settings_t * settings),
                     (settings))
KELVRA_LAZY_FORWARD_VOID(g_fluidsynth, delete_fluid_synth, (fluid_synth_t * synth), (synth))
KELVRA_LAZY_FORWARD(g_fluidsynth, int, fluid_synth_sfload, FLUID_FAILED,
                     (fluid_synth_t * synth, const char* filename, int reset_presets),
                     (synth, filename, reset_presets))
KELVRA_LAZY_FORWARD(g_fluidsynth, int, fluid_synth_all_notes_off, FLUID_FAILED,
                     (fluid_synth_t * synth, int chan), (synth, chan))
KELVRA_LAZY_FORWARD(g_fluidsynth, int, fluid_synth_all_sounds_off, FLUID_FAILED,
                     (fluid_synth_t * synth, int chan), (synth, chan))
KELVRA_LAZY_FORWARD(g_fluidsynth, fluid_audio_driver_t*, new_fluid_audio_driver, nullptr,
                     (fluid_settings_t * settings, fluid_synth_t* synth), (settings, synth))
KELVRA_LAZY_FORWARD_VOID(g_fluidsynth, delete_fluid_audio_driver, (fluid_audio_driver_t * driver), (driver))
KELVRA_LAZY_FORWARD(g_fluidsynth, fluid_player_t*, new_fluid_player, nullptr, (fluid_synth_t * synth),
                     (synth))
KELVRA_LAZY_FORWARD_VOID(g_fluidsynth, delete_fluid_player, (fluid_player_t * player), (player))
KELVRA_LAZY_FORWARD(g_fluidsynth, int, fluid_player_add_mem, FLUID_FAILED,
                     (fluid_player_t * player, const void* buffer, size_t len),
                     (player, buffer, len))
KELVRA_LAZY_FORWARD(g_fluidsynth, int, fluid_player_play, FLUID_FAILED, (fluid_player_t * player), (player))
KELVRA_LAZY_FORWARD(g_fluidsynth, int, fluid_player_stop, FLUID_FAILED, (fluid_player_t * player), (player))
KELVRA_LAZY_FORWARD(g_fluidsynth, int, fluid_player_seek, FLUID_FAILED, (fluid_player_t * player, int ticks),
                     (player, ticks))
KELVRA_LAZY_FORWARD(g_fluidsynth, int, fluid_player_get_current_tick, FLUID_FAILED,
                     (fluid_player_t * player), (player))
KELVRA_LAZY_FORWARD(g_fluidsynth, int, fluid_player_get_status, FLUID_PLAYER_DONE, (fluid_player_t * player),
                     (player))
KELVRA_LAZY_FORWARD(g_fluidsynth, int, fluid_synth_write_s16, FLUID_FAILED,
                     (fluid_synth_t * synth, int len, void* lout, int loff, int lincr, void* rout,
                      int roff, int rincr),
                     (synth, len, lout, loff, lincr, rout, roff, rincr))
