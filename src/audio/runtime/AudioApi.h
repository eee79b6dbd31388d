// The C interface of Quillmere's audio runtime: the entry points exported by the main
// library (libquillmere_audio.so) and its tempo add-on (libquillmere_tempo.so), their
// handle and integer types, flags, error codes, parameter records and one
// function-pointer type per entry point for the loader that binds them by name.
#ifndef QUILLMERE_AUDIO_RUNTIME_AUDIOAPI_H
#define QUILLMERE_AUDIO_RUNTIME_AUDIOAPI_H

#include <stdint.h>

#ifndef __cplusplus
#include <uchar.h> /* char16_t */
#endif

#if defined(QUILLMERE_AUDIO_BUILDING)
#define QUILLMERE_AUDIO_EXPORT __attribute__((visibility("default")))
#else
#define QUILLMERE_AUDIO_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* File names of the two libraries; both lie beside the program. The tempo add-on
   links the main library. */
#define QUILLMERE_AUDIO_LIBRARY_NAME "libquillmere_audio.so"
#define QUILLMERE_TEMPO_LIBRARY_NAME "libquillmere_tempo.so"

typedef uint32_t DWORD;
typedef uint64_t QWORD;
typedef int32_t BOOL;

typedef DWORD HSTREAM;  /* decoding or playing stream, or a tempo channel */
typedef DWORD HMUSIC;   /* tracker module */
typedef DWORD HCHANNEL; /* any channel */
typedef DWORD HSYNC;
typedef DWORD HFX;
typedef DWORD HPLUGIN;
typedef DWORD HANALYSIS; /* an analysis pass over a file */

/* Error codes reported by BASS_ErrorGetCode. */
#define BASS_OK 0
#define BASS_ERROR_MEM 1       /* out of memory */
#define BASS_ERROR_FILEOPEN 2  /* the file could not be opened */
#define BASS_ERROR_DRIVER 3    /* no usable output driver */
#define BASS_ERROR_HANDLE 5    /* not a valid handle */
#define BASS_ERROR_FORMAT 6    /* unsupported sample format */
#define BASS_ERROR_POSITION 7  /* invalid position */
#define BASS_ERROR_INIT 8      /* BASS_Init has not succeeded */
#define BASS_ERROR_START 9     /* the output could not be started */
#define BASS_ERROR_ALREADY 14  /* already initialised, paused or playing */
#define BASS_ERROR_NOCHAN 18   /* no free channel */
#define BASS_ERROR_ILLTYPE 19  /* illegal type */
#define BASS_ERROR_ILLPARAM 20 /* illegal parameter */
#define BASS_ERROR_DEVICE 23   /* illegal device number */
#define BASS_ERROR_NOPLAY 24   /* the channel is not playing */
#define BASS_ERROR_FREQ 25     /* illegal sample rate */
#define BASS_ERROR_NOTFILE 27  /* the stream is not a file stream */
#define BASS_ERROR_NOFX 34     /* the effect type is not available */
#define BASS_ERROR_NOTAVAIL 37 /* the requested feature is not available */
#define BASS_ERROR_DECODE 38   /* the channel is (or is not) a decoding channel */
#define BASS_ERROR_FILEFORM 41 /* unsupported file format */
#define BASS_ERROR_UNKNOWN (-1)

/* Flags of BASS_StreamCreateFile and BASS_MusicLoad. */
#define BASS_SAMPLE_LOOP 0x4        /* loop (accepted, not used by the program) */
#define BASS_SAMPLE_FX 0x80         /* effects may be attached */
#define BASS_MUSIC_RAMPS 0x400      /* ramp volume changes of a module */
#define BASS_MUSIC_POSRESET 0x8000  /* stop all notes when a module is moved */
#define BASS_MUSIC_PRESCAN 0x20000  /* compute a module's length when loading */
#define BASS_STREAM_PRESCAN 0x20000 /* scan a stream for an exact length */
#define BASS_STREAM_DECODE 0x200000 /* decoding channel: read by another channel, not played */
#define BASS_UNICODE                                                                                                   \
    0x80000000u /* the file name is UTF-16; without it, the char16_t pointer                                           \
                   really points at a UTF-8 string */

/* Flags of BASS_FX_TempoCreate. */
#define BASS_FX_FREESOURCE 0x10000 /* freeing the tempo channel frees its source */

/* Flags of BASS_ChannelSetLoop. */
#define BASS_LOOP_ONCE 0x1 /* play the stretch once and end at its end */

/* BASS_ChannelIsActive results. */
#define BASS_ACTIVE_STOPPED 0
#define BASS_ACTIVE_PLAYING 1
#define BASS_ACTIVE_STALLED 2
#define BASS_ACTIVE_PAUSED 3

/* BASS_ChannelSetSync types. */
#define BASS_SYNC_END 2

/* BASS_ChannelSetFX effect types. */
#define BASS_FX_PARAMEQ 7
#define BASS_FX_REVERB 8

/* QuillmereAudio_GetOutputState results. */
#define QUILLMERE_OUTPUT_OPEN 1 /* the device plays */
#define QUILLMERE_OUTPUT_LOST                                                                                          \
    2 /* the device went away; the runtime opens it again every second or so,                                          \
         and playing channels wait where they were until it is back */
#define QUILLMERE_OUTPUT_RESTING                                                                                       \
    3 /* nothing was audible for a while and the device is closed; playing a channel                                   \
         opens it again */

/* BASS_ChannelGetTags tag type of Quillmere's own: what the container tells of the
   recording, as UTF-8 "key=value" strings each ending in a NUL, the series ending in an
   extra NUL. Keys: "title", "artist" (the container's, else the audio stream's) and
   "bitrate" (overall, in bits per second); a key the file does not tell is left out.
   Valid until the channel is freed. Other tag types answer BASS_ERROR_NOTAVAIL. */
#define QUILLMERE_TAG_META 0x10000

/* BASS_Init devices: -1 and 1 are the default output. */
#define BASS_DEVICE_DEFAULT (-1)

/* Device information: fifteen 32-bit words, the first is the record's size (60). */
typedef struct BASS_INFO {
    DWORD size;      /* 0: sizeof(BASS_INFO), set by the caller */
    DWORD flags;     /* 1: capability flags (none) */
    DWORD hwsize;    /* 2: hardware memory (0) */
    DWORD hwfree;    /* 3: free hardware memory (0) */
    DWORD freesam;   /* 4: free sample slots (0) */
    DWORD free3d;    /* 5: free 3D slots (0) */
    DWORD minrate;   /* 6: lowest sample rate accepted */
    DWORD maxrate;   /* 7: highest sample rate accepted */
    DWORD eax;       /* 8: environmental effects (0) */
    DWORD minbuf;    /* 9: device buffer in milliseconds */
    DWORD dsver;     /* 10: DirectSound-style version, at least 8 on a working device */
    DWORD latency;   /* 11: output latency in milliseconds */
    DWORD initflags; /* 12: flags given to BASS_Init */
    DWORD speakers;  /* 13: speakers (2) */
    DWORD freq;      /* 14: output rate in Hz */
} BASS_INFO;

#define BASS_INFO_DSVER_WORD 10 /* index of dsver, counting size as word 0 */

/* Parameters of the parametric equaliser (BASS_FX_PARAMEQ). */
typedef struct BASS_FXPARAMEQ {
    float fCenter;    /* centre frequency in Hz */
    float fBandwidth; /* bandwidth in semitones */
    float fGain;      /* gain in dB, -15..+15 */
} BASS_FXPARAMEQ;

/* Parameters of the reverb (BASS_FX_REVERB). */
typedef struct BASS_FXREVERB {
    float fInGain;          /* input gain in dB, -96..0 */
    float fReverbMix;       /* reverb (wet) mix in dB, -96..0 */
    float fReverbTime;      /* reverb time in milliseconds, 0.001..3000 */
    float fHighFreqRTRatio; /* high-frequency to overall reverb time ratio, 0.001..0.999 */
} BASS_FXREVERB;

/* Called on the runtime's sync thread; no runtime lock is held, any entry point may be called. */
typedef void SYNCPROC(HSYNC handle, DWORD channel, DWORD data, void *user);

/* Accepted by BASS_StreamCreateURL; that entry point answers "not available". */
typedef void DOWNLOADPROC(const void *buffer, DWORD length, void *user);

/* ---- main library ---- */
QUILLMERE_AUDIO_EXPORT int BASS_ErrorGetCode(void);
QUILLMERE_AUDIO_EXPORT BOOL BASS_Init(int device, DWORD freq, DWORD flags, void *win, const void *clsid);
QUILLMERE_AUDIO_EXPORT BOOL BASS_Free(void);
QUILLMERE_AUDIO_EXPORT float BASS_GetCPU(void);
QUILLMERE_AUDIO_EXPORT HMUSIC BASS_MusicLoad(BOOL mem, const char16_t *file, QWORD offset, DWORD length, DWORD flags,
                                             DWORD freq);
QUILLMERE_AUDIO_EXPORT DWORD BASS_MusicGetAttribute(DWORD handle, DWORD attrib);
QUILLMERE_AUDIO_EXPORT HSTREAM BASS_StreamCreateFile(BOOL mem, const char16_t *file, QWORD offset, QWORD length,
                                                     DWORD flags);
QUILLMERE_AUDIO_EXPORT HSTREAM BASS_StreamCreateURL(const char *url, DWORD offset, DWORD flags, DOWNLOADPROC *proc,
                                                    void *user);
QUILLMERE_AUDIO_EXPORT QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode);
QUILLMERE_AUDIO_EXPORT QWORD BASS_ChannelGetLength(DWORD handle);
QUILLMERE_AUDIO_EXPORT const char *BASS_ChannelGetTags(DWORD handle, DWORD tags);
QUILLMERE_AUDIO_EXPORT BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
QUILLMERE_AUDIO_EXPORT float BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
QUILLMERE_AUDIO_EXPORT DWORD BASS_ChannelIsActive(DWORD handle);
QUILLMERE_AUDIO_EXPORT BOOL BASS_ChannelSlideAttributes(DWORD handle, int freq, int volume, int pan, DWORD time);
QUILLMERE_AUDIO_EXPORT DWORD BASS_ChannelIsSliding(DWORD handle);
QUILLMERE_AUDIO_EXPORT QWORD BASS_ChannelGetPosition(DWORD handle);
QUILLMERE_AUDIO_EXPORT DWORD BASS_ChannelGetLevel(DWORD handle);
QUILLMERE_AUDIO_EXPORT BOOL BASS_FXGetParameters(HFX handle, void *par);
QUILLMERE_AUDIO_EXPORT BOOL BASS_FXSetParameters(HFX handle, const void *par);
QUILLMERE_AUDIO_EXPORT DWORD BASS_GetVersion(void);
QUILLMERE_AUDIO_EXPORT BOOL BASS_GetInfo(BASS_INFO *info);
QUILLMERE_AUDIO_EXPORT BOOL BASS_StreamFree(HSTREAM handle);
QUILLMERE_AUDIO_EXPORT BOOL BASS_MusicFree(HMUSIC handle);
QUILLMERE_AUDIO_EXPORT HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC *proc, void *user);
QUILLMERE_AUDIO_EXPORT BOOL BASS_ChannelPause(DWORD handle);
QUILLMERE_AUDIO_EXPORT BOOL BASS_ChannelStop(DWORD handle);
QUILLMERE_AUDIO_EXPORT BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos);
/* Holds the channel inside [start, end), in bytes: reaching end it goes on from start,
   crossfaded over at most 4 ms, every frame from inside the loop. end <= start lets the
   channel run on. Takes effect from the next frame not yet decided on (within one
   output buffer), outlives seeks, tempo and rate changes, and goes with the channel.
   A start at or past the channel's length fails with BASS_ERROR_POSITION. With
   BASS_LOOP_ONCE the stretch plays once instead: its last 4 ms fade out, the channel
   ends at end (the END sync runs) and its position stays there. */
QUILLMERE_AUDIO_EXPORT BOOL BASS_ChannelSetLoop(DWORD handle, QWORD start, QWORD end, DWORD flags);
QUILLMERE_AUDIO_EXPORT BOOL BASS_ChannelGetAttributes(DWORD handle, DWORD *freq, DWORD *volume, int *pan);
QUILLMERE_AUDIO_EXPORT QWORD BASS_ChannelSeconds2Bytes(DWORD handle, float pos);
QUILLMERE_AUDIO_EXPORT HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority);
QUILLMERE_AUDIO_EXPORT BOOL BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan);
QUILLMERE_AUDIO_EXPORT HPLUGIN BASS_PluginLoad(const char16_t *file, DWORD flags);
/* Whether the output device plays or is lost and being opened again: a
   QUILLMERE_OUTPUT_ value, or 0 with BASS_ERROR_INIT before BASS_Init. Cheap, takes no
   lock the audio thread holds: meant to be asked by a timer. */
QUILLMERE_AUDIO_EXPORT DWORD QuillmereAudio_GetOutputState(void);
/* An analysis pass: proc gets the file's samples in blocks (interleaved stereo float at
   the file's own rate), on a runtime thread, then one last call with no samples: error
   BASS_OK at the end of the file, or the reason it could not be read. Needs no BASS_Init. */
typedef void(ANALYSISPROC)(HANALYSIS handle, const float *samples, DWORD frames, DWORD rate, DWORD error, void *user);
QUILLMERE_AUDIO_EXPORT HANALYSIS QuillmereAudio_AnalyzeFile(const char16_t *file, DWORD flags, ANALYSISPROC *proc,
                                                            void *user);
/* Ends a pass, finished or not: proc is not called after it returns. It waits for a call
   of proc under way, never for the file or the decoder; BASS_Free waits for the threads. */
QUILLMERE_AUDIO_EXPORT BOOL QuillmereAudio_EndAnalysis(HANALYSIS handle);
/* How long nothing may be audible before the output device is closed (10 s unless set).
   FALSE with BASS_ERROR_INIT before BASS_Init. */
QUILLMERE_AUDIO_EXPORT BOOL QuillmereAudio_SetOutputRest(DWORD milliseconds);

/* ---- tempo add-on ---- */
QUILLMERE_AUDIO_EXPORT HSTREAM BASS_FX_TempoCreate(DWORD chan, DWORD flags);
QUILLMERE_AUDIO_EXPORT BOOL BASS_FX_TempoSet(DWORD chan, float tempo, float rate, float pitch);

/* One pointer type per entry point, for binding by name. */
typedef int (*PFN_BASS_ErrorGetCode)(void);
typedef BOOL (*PFN_BASS_Init)(int device, DWORD freq, DWORD flags, void *win, const void *clsid);
typedef BOOL (*PFN_BASS_Free)(void);
typedef float (*PFN_BASS_GetCPU)(void);
typedef HMUSIC (*PFN_BASS_MusicLoad)(BOOL mem, const char16_t *file, QWORD offset, DWORD length, DWORD flags,
                                     DWORD freq);
typedef DWORD (*PFN_BASS_MusicGetAttribute)(DWORD handle, DWORD attrib);
typedef HSTREAM (*PFN_BASS_StreamCreateFile)(BOOL mem, const char16_t *file, QWORD offset, QWORD length, DWORD flags);
typedef HSTREAM (*PFN_BASS_StreamCreateURL)(const char *url, DWORD offset, DWORD flags, DOWNLOADPROC *proc, void *user);
typedef QWORD (*PFN_BASS_StreamGetFilePosition)(HSTREAM handle, DWORD mode);
typedef QWORD (*PFN_BASS_ChannelGetLength)(DWORD handle);
typedef const char *(*PFN_BASS_ChannelGetTags)(DWORD handle, DWORD tags);
typedef BOOL (*PFN_BASS_ChannelPlay)(DWORD handle, BOOL restart);
typedef float (*PFN_BASS_ChannelBytes2Seconds)(DWORD handle, QWORD pos);
typedef DWORD (*PFN_BASS_ChannelIsActive)(DWORD handle);
typedef BOOL (*PFN_BASS_ChannelSlideAttributes)(DWORD handle, int freq, int volume, int pan, DWORD time);
typedef DWORD (*PFN_BASS_ChannelIsSliding)(DWORD handle);
typedef QWORD (*PFN_BASS_ChannelGetPosition)(DWORD handle);
typedef DWORD (*PFN_BASS_ChannelGetLevel)(DWORD handle);
typedef BOOL (*PFN_BASS_FXGetParameters)(HFX handle, void *par);
typedef BOOL (*PFN_BASS_FXSetParameters)(HFX handle, const void *par);
typedef DWORD (*PFN_BASS_GetVersion)(void);
typedef BOOL (*PFN_BASS_GetInfo)(BASS_INFO *info);
typedef BOOL (*PFN_BASS_StreamFree)(HSTREAM handle);
typedef BOOL (*PFN_BASS_MusicFree)(HMUSIC handle);
typedef HSYNC (*PFN_BASS_ChannelSetSync)(DWORD handle, DWORD type, QWORD param, SYNCPROC *proc, void *user);
typedef BOOL (*PFN_BASS_ChannelPause)(DWORD handle);
typedef BOOL (*PFN_BASS_ChannelStop)(DWORD handle);
typedef BOOL (*PFN_BASS_ChannelSetPosition)(DWORD handle, QWORD pos);
typedef BOOL (*PFN_BASS_ChannelSetLoop)(DWORD handle, QWORD start, QWORD end, DWORD flags);
typedef BOOL (*PFN_BASS_ChannelGetAttributes)(DWORD handle, DWORD *freq, DWORD *volume, int *pan);
typedef QWORD (*PFN_BASS_ChannelSeconds2Bytes)(DWORD handle, float pos);
typedef HFX (*PFN_BASS_ChannelSetFX)(DWORD handle, DWORD type, int priority);
typedef BOOL (*PFN_BASS_FX_TempoSet)(DWORD chan, float tempo, float rate, float pitch);
typedef BOOL (*PFN_BASS_ChannelSetAttributes)(DWORD handle, int freq, int volume, int pan);
typedef HPLUGIN (*PFN_BASS_PluginLoad)(const char16_t *file, DWORD flags);
typedef HSTREAM (*PFN_BASS_FX_TempoCreate)(DWORD chan, DWORD flags);
typedef DWORD (*PFN_QuillmereAudio_GetOutputState)(void);
typedef HANALYSIS (*PFN_QuillmereAudio_AnalyzeFile)(const char16_t *file, DWORD flags, ANALYSISPROC *proc, void *user);
typedef BOOL (*PFN_QuillmereAudio_EndAnalysis)(HANALYSIS handle);

#ifdef __cplusplus
}
#endif

#endif
